#include "SimulatedDevice.h"

#include <vector>

#include "PowerLineData.h"

namespace {

using FamilyMember = std::optional<SimulatedControlFamily> SimulatedCamera::*;

// One family of numbered controls; it looks the family up on every call because the camera can
// be unplugged or redescribed while an interface is held.
class SimulatedControlFamilyInterface : public capture::ControlFamily {
public:
    SimulatedControlFamilyInterface(std::shared_ptr<SimulatedCamera> camera, FamilyMember family)
        : m_camera(std::move(camera)), m_family(family) {}

    capture::Result getRange(std::int32_t id, std::int32_t *min, std::int32_t *max,
                             std::int32_t *step, std::int32_t *defaultValue,
                             std::int32_t *capsFlags) override {
        SimulatedControl *control = nullptr;
        const capture::Result result = find(id, &control);
        if (result != capture::kOk)
            return result;
        *min = control->min;
        *max = control->max;
        *step = control->step;
        *defaultValue = control->defaultValue;
        *capsFlags = control->caps;
        return capture::kOk;
    }

    capture::Result get(std::int32_t id, std::int32_t *value, std::int32_t *flags) override {
        SimulatedControl *control = nullptr;
        const capture::Result result = find(id, &control);
        if (result != capture::kOk)
            return result;
        if (control->getFails)
            return capture::kGenFailure;
        *value = control->value;
        *flags = control->flags;
        return capture::kOk;
    }

    capture::Result set(std::int32_t id, std::int32_t value, std::int32_t flags) override {
        SimulatedControl *control = nullptr;
        const capture::Result result = find(id, &control);
        if (result != capture::kOk)
            return result;
        if (control->setFailure != capture::kOk)
            return control->setFailure;
        if (value < control->min || value > control->max)
            return capture::kInvalidArg;
        control->value = value;
        control->flags = flags;
        return capture::kOk;
    }

private:
    capture::Result find(std::int32_t id, SimulatedControl **control) {
        if (!m_camera->connected)
            return capture::kDeviceNotConnected;
        std::optional<SimulatedControlFamily> &family = (*m_camera).*m_family;
        if (!family)
            return capture::kNoInterface;
        auto it = family->find(id);
        if (it == family->end())
            return capture::kNotFound;
        *control = &it->second;
        return capture::kOk;
    }

    std::shared_ptr<SimulatedCamera> m_camera;
    FamilyMember m_family;
};

class SimulatedKsPropertySet : public capture::KsPropertySet {
public:
    explicit SimulatedKsPropertySet(std::shared_ptr<SimulatedCamera> camera)
        : m_camera(std::move(camera)) {}

    capture::Result get(const capture::Guid &propertySet, std::uint32_t id,
                        const void *instanceData, std::uint32_t instanceLength, void *propertyData,
                        std::uint32_t dataLength, std::uint32_t *bytesReturned) override {
        const capture::Result result =
            check(propertySet, id, instanceData, instanceLength, propertyData, dataLength);
        if (result != capture::kOk)
            return result;
        if (m_camera->powerLine->getFails)
            return capture::kGenFailure;
        auto *data = static_cast<unsigned char *>(propertyData);
        capture::setPowerLineValue(data, m_camera->powerLine->value);
        capture::setPowerLineFlags(data, m_camera->powerLine->flags);
        if (bytesReturned)
            *bytesReturned = capture::kPowerLineDataSize;
        return capture::kOk;
    }

    capture::Result set(const capture::Guid &propertySet, std::uint32_t id,
                        const void *instanceData, std::uint32_t instanceLength,
                        const void *propertyData, std::uint32_t dataLength) override {
        const capture::Result result =
            check(propertySet, id, instanceData, instanceLength, propertyData, dataLength);
        if (result != capture::kOk)
            return result;
        if (m_camera->powerLine->setFails)
            return capture::kGenFailure;
        const auto *data = static_cast<const unsigned char *>(propertyData);
        const std::int32_t value = capture::powerLineValue(data);
        if (value < 0 || value > 3)
            return capture::kInvalidArg;
        m_camera->powerLine->value = value;
        m_camera->powerLine->flags = capture::powerLineFlags(data);
        return capture::kOk;
    }

private:
    capture::Result check(const capture::Guid &propertySet, std::uint32_t id,
                          const void *instanceData, std::uint32_t instanceLength,
                          const void *propertyData, std::uint32_t dataLength) const {
        if (!m_camera->connected)
            return capture::kDeviceNotConnected;
        if (!m_camera->powerLine)
            return capture::kNoInterface;
        if (!(propertySet == capture::kPropSetVideoProcAmp) || id != capture::kPowerLinePropertyId)
            return capture::kNotFound;
        if (!instanceData || instanceLength < capture::kPowerLineInstanceSize || !propertyData ||
            dataLength < capture::kPowerLineDataSize)
            return capture::kInvalidArg;
        return capture::kOk;
    }

    std::shared_ptr<SimulatedCamera> m_camera;
};

class SimulatedBoundDevice : public capture::BoundDevice {
public:
    explicit SimulatedBoundDevice(std::shared_ptr<SimulatedCamera> camera)
        : m_camera(std::move(camera)) {}

    capture::Result queryVideoProcAmp(std::unique_ptr<capture::ControlFamily> &out) override {
        return queryFamily(&SimulatedCamera::videoProcAmp, out);
    }
    capture::Result queryCameraControl(std::unique_ptr<capture::ControlFamily> &out) override {
        return queryFamily(&SimulatedCamera::cameraControl, out);
    }
    capture::Result queryKsPropertySet(std::unique_ptr<capture::KsPropertySet> &out) override {
        if (!m_camera->powerLine)
            return capture::kNoInterface;
        out = std::make_unique<SimulatedKsPropertySet>(m_camera);
        return capture::kOk;
    }

private:
    capture::Result queryFamily(FamilyMember family, std::unique_ptr<capture::ControlFamily> &out) {
        if (!((*m_camera).*family))
            return capture::kNoInterface;
        out = std::make_unique<SimulatedControlFamilyInterface>(m_camera, family);
        return capture::kOk;
    }

    std::shared_ptr<SimulatedCamera> m_camera;
};

}  // namespace

capture::Result SimulatedDevice::displayName(std::string &utf8Out) {
    utf8Out = m_camera->path;
    return capture::kOk;
}

capture::Result SimulatedDevice::friendlyName(std::string &utf8Out) {
    if (!m_camera->friendlyName)
        return capture::kFail;
    utf8Out = *m_camera->friendlyName;
    return capture::kOk;
}

capture::Result SimulatedDevice::bind(std::unique_ptr<capture::BoundDevice> &out) {
    if (!m_camera->connected)
        return capture::kDeviceNotConnected;
    if (m_camera->bindFails)
        return capture::kFail;
    out = std::make_unique<SimulatedBoundDevice>(m_camera);
    return capture::kOk;
}
