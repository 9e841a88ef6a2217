#pragma once

// One family of numbered controls (image or camera controls) answered with V4L2 controls.
//
// Range: the value control's minimum, maximum, step and default, in the program's units
// (ControlUnits.h); a value outside that range is refused before it reaches the camera. Capability
// flags: automatic (1) when the switching companion exists and offers an automatic mode, manual (2)
// when the value control can be written. Mode flags of a read: the companion's current mode, manual
// when there is none; exposure in shutter priority counts as manual, since its time is the user's.
//
// A manual write switches the companion to manual first and then writes the value: the driver
// refuses a write to a value control while its companion keeps it inactive. An automatic write
// only switches the companion; the value control is left alone.

#include <memory>

#include "CaptureServices.h"
#include "ControlMap.h"
#include "DeviceFile.h"

namespace v4l2backend {

class V4l2ControlFamily : public capture::ControlFamily {
public:
    V4l2ControlFamily(std::shared_ptr<DeviceFile> file, PropertyFamily family)
        : m_file(std::move(file)), m_family(family) {}

    capture::Result getRange(std::int32_t id, std::int32_t *min, std::int32_t *max,
                             std::int32_t *step, std::int32_t *defaultValue,
                             std::int32_t *capsFlags) override;
    capture::Result get(std::int32_t id, std::int32_t *value, std::int32_t *flags) override;
    capture::Result set(std::int32_t id, std::int32_t value, std::int32_t flags) override;

private:
    struct CompanionState {
        bool present = false;      // exists and is not disabled
        bool canAutomate = false;  // offers an automatic mode
        std::int32_t automaticValue = 1;
    };
    capture::Result inspectCompanion(const ControlMapping &mapping, CompanionState &out);
    capture::Result companionIsAutomatic(const ControlMapping &mapping, bool &automatic);
    capture::Result describeValue(const ControlMapping &mapping, ControlDescription &description,
                                  ProgramRange &range);
    capture::Result setManual(const ControlMapping &mapping, std::int32_t value);

    std::shared_ptr<DeviceFile> m_file;
    PropertyFamily m_family;
};

}  // namespace v4l2backend
