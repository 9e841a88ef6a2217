#pragma once

// Layout of the kernel-streaming power-line-frequency property (KSPROPERTY_VIDEOPROCAMP_S):
// a 44-byte buffer whose signed value sits at byte 24 and whose mode flags at byte 28.
// Shared by the camera layer, which fills and reads it, and the backends, which answer it.

#include <cstdint>
#include <cstring>

namespace capture {

constexpr std::uint32_t kPowerLinePropertyId = 13;  // KSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY
constexpr std::uint32_t kPowerLineInstanceSize = 24;
constexpr std::uint32_t kPowerLineDataSize = 44;
constexpr std::uint32_t kPowerLineValueOffset = 24;
constexpr std::uint32_t kPowerLineFlagsOffset = 28;

inline std::int32_t powerLineValue(const unsigned char *data) {
    std::int32_t v;
    std::memcpy(&v, data + kPowerLineValueOffset, sizeof v);
    return v;
}

inline std::uint32_t powerLineFlags(const unsigned char *data) {
    std::uint32_t v;
    std::memcpy(&v, data + kPowerLineFlagsOffset, sizeof v);
    return v;
}

inline void setPowerLineValue(unsigned char *data, std::int32_t value) {
    std::memcpy(data + kPowerLineValueOffset, &value, sizeof value);
}

inline void setPowerLineFlags(unsigned char *data, std::uint32_t flags) {
    std::memcpy(data + kPowerLineFlagsOffset, &flags, sizeof flags);
}

}  // namespace capture
