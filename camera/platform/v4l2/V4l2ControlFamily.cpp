#include "V4l2ControlFamily.h"

namespace v4l2backend {

namespace {

constexpr std::int32_t kBooleanManual = 0;

std::int32_t manualValue(Companion companion) {
    return companion == Companion::ExposureMenu ? kExposureMenuManual : kBooleanManual;
}

// Whether the companion's mode leaves the value to the camera.
bool isAutomaticMode(Companion companion, std::int32_t mode) {
    if (companion == Companion::ExposureMenu)
        return mode != kExposureMenuManual && mode != kExposureMenuShutterPriority;
    return mode != kBooleanManual;
}

// The camera layer sends 1 for automatic; manual arrives as 2 or, for image controls, as 3.
bool requestsAutomatic(std::int32_t flags) {
    return (flags & capture::kFlagAuto) && !(flags & capture::kFlagManual);
}

}  // namespace

capture::Result V4l2ControlFamily::inspectCompanion(const ControlMapping &mapping,
                                                    CompanionState &out) {
    out = CompanionState();
    if (mapping.companion == Companion::None)
        return capture::kOk;
    ControlDescription description;
    capture::Result r = queryControl(m_file->fd(), mapping.companionCid, description);
    if (r == capture::kNotFound)
        return capture::kOk;
    if (!capture::succeeded(r))
        return r;
    out.present = true;
    if (mapping.companion == Companion::Boolean) {
        out.canAutomate = true;
        return capture::kOk;
    }
    for (std::int32_t mode : kExposureMenuAutomaticPreference) {
        if (mode < description.minimum || mode > description.maximum)
            continue;
        bool offered = false;
        r = menuOffers(m_file->fd(), mapping.companionCid, static_cast<std::uint32_t>(mode),
                       offered);
        if (!capture::succeeded(r))
            return r;
        if (offered) {
            out.canAutomate = true;
            out.automaticValue = mode;
            return capture::kOk;
        }
    }
    return capture::kOk;
}

capture::Result V4l2ControlFamily::companionIsAutomatic(const ControlMapping &mapping,
                                                        bool &automatic) {
    automatic = false;
    std::int32_t mode = 0;
    capture::Result r = readControl(m_file->fd(), mapping.companionCid, mode);
    if (capture::succeeded(r))
        automatic = isAutomaticMode(mapping.companion, mode);
    return r;
}

capture::Result V4l2ControlFamily::describeValue(const ControlMapping &mapping,
                                                 ControlDescription &description,
                                                 ProgramRange &range) {
    capture::Result r = queryControl(m_file->fd(), mapping.valueCid, description);
    if (!capture::succeeded(r))
        return r;
    range = programRange(mapping.unit, description.minimum, description.maximum, description.step,
                         description.defaultValue);
    return range.empty() ? capture::kNotFound : capture::kOk;
}

capture::Result V4l2ControlFamily::getRange(std::int32_t id, std::int32_t *min, std::int32_t *max,
                                            std::int32_t *step, std::int32_t *defaultValue,
                                            std::int32_t *capsFlags) {
    const ControlMapping *mapping = findControlMapping(m_family, id);
    if (!mapping)
        return capture::kNotFound;
    ControlDescription description;
    ProgramRange range;
    capture::Result r = describeValue(*mapping, description, range);
    if (!capture::succeeded(r))
        return r;
    CompanionState companion;
    r = inspectCompanion(*mapping, companion);
    if (!capture::succeeded(r))
        return r;
    std::int32_t caps = 0;
    if (companion.canAutomate)
        caps |= capture::kFlagAuto;
    if (description.writable())
        caps |= capture::kFlagManual;
    if (min)
        *min = range.minimum;
    if (max)
        *max = range.maximum;
    if (step)
        *step = range.step;
    if (defaultValue)
        *defaultValue = range.defaultValue;
    if (capsFlags)
        *capsFlags = caps;
    return capture::kOk;
}

capture::Result V4l2ControlFamily::get(std::int32_t id, std::int32_t *value, std::int32_t *flags) {
    const ControlMapping *mapping = findControlMapping(m_family, id);
    if (!mapping)
        return capture::kNotFound;
    std::int32_t current = 0;
    capture::Result r = readControl(m_file->fd(), mapping->valueCid, current);
    if (!capture::succeeded(r))
        return r;
    if (mapping->unit != Unit::Same) {
        // The nearest value the program can use, which needs the range.
        ControlDescription description;
        ProgramRange range;
        r = describeValue(*mapping, description, range);
        if (!capture::succeeded(r))
            return r;
        current = toProgramUnits(mapping->unit, current, range);
    }
    CompanionState companion;
    r = inspectCompanion(*mapping, companion);
    if (!capture::succeeded(r))
        return r;
    bool automatic = false;
    if (companion.present) {
        r = companionIsAutomatic(*mapping, automatic);
        if (!capture::succeeded(r))
            return r;
    }
    if (value)
        *value = current;
    if (flags)
        *flags = automatic ? capture::kFlagAuto : capture::kFlagManual;
    return capture::kOk;
}

capture::Result V4l2ControlFamily::set(std::int32_t id, std::int32_t value, std::int32_t flags) {
    const ControlMapping *mapping = findControlMapping(m_family, id);
    if (!mapping)
        return capture::kNotFound;
    if (!requestsAutomatic(flags))
        return setManual(*mapping, value);

    CompanionState companion;
    capture::Result r = inspectCompanion(*mapping, companion);
    if (!capture::succeeded(r))
        return r;
    if (!companion.canAutomate)
        return capture::kInvalidArg;
    return writeControl(m_file->fd(), mapping->companionCid, companion.automaticValue);
}

capture::Result V4l2ControlFamily::setManual(const ControlMapping &mapping, std::int32_t value) {
    ControlDescription description;
    ProgramRange range;
    capture::Result r = describeValue(mapping, description, range);
    if (!capture::succeeded(r))
        return r;
    if (!range.contains(value))
        return capture::kInvalidArg;
    const std::int32_t cameraValue = toCameraUnits(mapping.unit, value);
    CompanionState companion;
    r = inspectCompanion(mapping, companion);
    if (!capture::succeeded(r))
        return r;
    std::int32_t previousMode = 0;
    bool switched = false;
    if (companion.present) {
        r = readControl(m_file->fd(), mapping.companionCid, previousMode);
        if (!capture::succeeded(r))
            return r;
        if (previousMode != manualValue(mapping.companion)) {
            r = writeControl(m_file->fd(), mapping.companionCid, manualValue(mapping.companion));
            if (!capture::succeeded(r))
                return r;
            switched = true;
        }
    }
    r = writeControl(m_file->fd(), mapping.valueCid, cameraValue);
    // A refused write leaves the camera as it was: give the automatic mode back.
    if (!capture::succeeded(r) && switched)
        writeControl(m_file->fd(), mapping.companionCid, previousMode);
    return r;
}

}  // namespace v4l2backend
