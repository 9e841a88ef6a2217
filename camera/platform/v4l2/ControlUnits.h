#pragma once

// The units the rest of the program speaks are those of the DirectShow camera controls, so that a
// profile means the same on every system: pan and tilt in degrees, exposure as log2 seconds (-8 is
// 1/256 s). V4L2 speaks arc seconds and 100 µs units for these; they are converted here, at the
// seam, for ranges, defaults, reads and writes alike. Every other control keeps its V4L2 value.

#include <cstdint>

namespace v4l2backend {

enum class Unit {
    Same,                 // the V4L2 value as it is
    ArcSecondsAsDegrees,  // pan_absolute, tilt_absolute
    ExposureLog2Seconds,  // exposure_time_absolute (100 µs units)
};

struct ProgramRange {
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t step = 1;
    std::int32_t defaultValue = 0;

    bool empty() const { return maximum < minimum; }
    bool contains(std::int32_t value) const { return value >= minimum && value <= maximum; }
};

// The values the program may use for a control with the camera's range: degrees rounded inwards
// with a step of at least one, or every exposure value whose time the camera accepts. Empty when
// no program value fits the camera's range.
ProgramRange programRange(Unit unit, std::int32_t minimum, std::int32_t maximum, std::int32_t step,
                          std::int32_t defaultValue);

// A value read from the camera, as the nearest program value within `range`.
std::int32_t toProgramUnits(Unit unit, std::int32_t cameraValue, const ProgramRange &range);

// A program value within the program range, as the camera's value.
std::int32_t toCameraUnits(Unit unit, std::int32_t programValue);

}  // namespace v4l2backend
