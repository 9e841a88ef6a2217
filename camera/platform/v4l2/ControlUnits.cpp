#include "ControlUnits.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace v4l2backend {

namespace {

constexpr std::int64_t kArcSecondsPerDegree = 3600;
// One second in exposure_time_absolute units (100 µs).
constexpr double kExposureUnitsPerSecond = 10000.0;
// Exposure values whose time fits a 32-bit control: 2^-14 s is below one unit, 2^17 s is the
// largest power of two below 2^31 units.
constexpr std::int32_t kLowestExposure = -14;
constexpr std::int32_t kHighestExposure = 17;

std::int64_t floorDivide(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

std::int64_t ceilDivide(std::int64_t a, std::int64_t b) {
    return -floorDivide(-a, b);
}

std::int32_t exposureTime(std::int32_t log2Seconds) {
    return static_cast<std::int32_t>(
        std::llround(std::ldexp(kExposureUnitsPerSecond, log2Seconds)));
}

std::int32_t nearestExposure(std::int32_t time) {
    if (time < 1)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(std::lround(std::log2(time / kExposureUnitsPerSecond)));
}

std::int32_t clampInto(std::int64_t value, const ProgramRange &range) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, range.minimum, range.maximum));
}

}  // namespace

ProgramRange programRange(Unit unit, std::int32_t minimum, std::int32_t maximum, std::int32_t step,
                          std::int32_t defaultValue) {
    ProgramRange range;
    switch (unit) {
        case Unit::Same:
            return {minimum, maximum, step, defaultValue};
        case Unit::ArcSecondsAsDegrees:
            range.minimum = static_cast<std::int32_t>(ceilDivide(minimum, kArcSecondsPerDegree));
            range.maximum = static_cast<std::int32_t>(floorDivide(maximum, kArcSecondsPerDegree));
            range.step = static_cast<std::int32_t>(std::max<std::int64_t>(
                1, (std::int64_t(step) + kArcSecondsPerDegree / 2) / kArcSecondsPerDegree));
            break;
        case Unit::ExposureLog2Seconds: {
            // Only values that come back as themselves: below about 2^-13 s two values share a
            // time of one unit.
            range.minimum = kHighestExposure + 1;
            range.maximum = kLowestExposure - 1;
            for (std::int32_t e = kLowestExposure; e <= kHighestExposure; ++e) {
                const std::int32_t time = exposureTime(e);
                if (time >= minimum && time <= maximum && nearestExposure(time) == e) {
                    range.minimum = std::min(range.minimum, e);
                    range.maximum = std::max(range.maximum, e);
                }
            }
            range.step = 1;
            break;
        }
    }
    if (!range.empty())
        range.defaultValue = toProgramUnits(unit, defaultValue, range);
    return range;
}

std::int32_t toProgramUnits(Unit unit, std::int32_t cameraValue, const ProgramRange &range) {
    switch (unit) {
        case Unit::Same:
            return cameraValue;
        case Unit::ArcSecondsAsDegrees:
            return clampInto(std::lround(cameraValue / double(kArcSecondsPerDegree)), range);
        case Unit::ExposureLog2Seconds:
            return clampInto(nearestExposure(cameraValue), range);
    }
    return cameraValue;
}

std::int32_t toCameraUnits(Unit unit, std::int32_t programValue) {
    switch (unit) {
        case Unit::Same:
            return programValue;
        case Unit::ArcSecondsAsDegrees:
            return static_cast<std::int32_t>(programValue * kArcSecondsPerDegree);
        case Unit::ExposureLog2Seconds:
            return exposureTime(programValue);
    }
    return programValue;
}

}  // namespace v4l2backend
