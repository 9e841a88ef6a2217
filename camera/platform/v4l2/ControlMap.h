#pragma once

// Which V4L2 controls stand for each image control (VideoProcAmp ids) and camera control
// (CameraControl ids), how their automatic mode is switched, and in which units the program
// speaks of their values (ControlUnits.h).

#include <cstdint>

#include "ControlUnits.h"
#include "PropertyIds.h"

namespace v4l2backend {

// The control that switches a value control between automatic and manual.
enum class Companion {
    None,
    Boolean,       // 1 automatic, 0 manual (white balance, focus, hue)
    ExposureMenu,  // V4L2_CID_EXPOSURE_AUTO: 1 manual, every other entry is an automatic mode
};

struct ControlMapping {
    std::uint32_t valueCid;
    std::uint32_t companionCid;
    Companion companion;
    Unit unit = Unit::Same;
};

// Null for an id without a V4L2 counterpart (roll, colour enable, ids outside the families).
const ControlMapping *findControlMapping(PropertyFamily family, std::int32_t id);

// Exposure-menu entries: the manual one, and the automatic ones in order of preference (aperture
// priority, then auto). Shutter priority (2) leaves the exposure time to the user, so for the
// exposure control it is a manual mode and never chosen as the automatic one.
constexpr std::int32_t kExposureMenuManual = 1;
constexpr std::int32_t kExposureMenuShutterPriority = 2;
constexpr std::int32_t kExposureMenuAutomaticPreference[] = {3, 0};

}  // namespace v4l2backend
