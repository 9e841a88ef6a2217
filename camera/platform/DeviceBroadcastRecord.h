#pragma once

// Turns a WM_DEVICECHANGE message about a capture-device interface into the program's device path.
//
// The message's lParam points at a DEV_BROADCAST_DEVICEINTERFACE_W record: its size at byte 0,
// its device type at byte 4 and the UTF-16 interface name from byte 28. The record comes from
// outside the program, so it is read byte by byte (little-endian, no casts to the Windows struct)
// and never beyond the smaller of the buffer size and the size the record states for itself; a
// name that is not NUL-terminated within that size ends at the record's end.
//
// Standard C++ only, so that the same parser runs on Windows and in the tests everywhere.

#include <cstddef>
#include <cstdint>
#include <string>

namespace capture {

constexpr std::uint32_t kWmDeviceChange = 0x0219;
constexpr std::uintptr_t kDbtDeviceArrival = 0x8000;
constexpr std::uintptr_t kDbtDeviceRemoveComplete = 0x8004;
constexpr std::uint32_t kDbtDevTypDeviceInterface = 5;

constexpr std::size_t kBroadcastSizeOffset = 0;
constexpr std::size_t kBroadcastTypeOffset = 4;
constexpr std::size_t kBroadcastHeaderSize = 12;  // DEV_BROADCAST_HDR
constexpr std::size_t kBroadcastNameOffset = 28;

constexpr const char kDevicePathPrefix[] = "@device:pnp:";

enum class DeviceBroadcastKind { None, Arrival, Removal };

struct DeviceBroadcast {
    DeviceBroadcastKind kind = DeviceBroadcastKind::None;
    std::string utf8Path;  // "@device:pnp:" followed by the interface name; empty for None
};

namespace broadcast_detail {

inline std::uint32_t readLe32(const unsigned char *p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

inline char16_t readLe16(const unsigned char *p) {
    return char16_t(p[0] | p[1] << 8);
}

inline void appendUtf8(std::string &out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

inline bool isHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
inline bool isLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace broadcast_detail

// Appends the UTF-16LE text of at most maxUnits code units at data, up to the first NUL, as UTF-8.
// Unpaired surrogates become U+FFFD rather than invalid UTF-8.
inline void appendUtf16LeAsUtf8(std::string &out, const unsigned char *data, std::size_t maxUnits) {
    using namespace broadcast_detail;
    for (std::size_t i = 0; i < maxUnits; ++i) {
        const char16_t unit = readLe16(data + 2 * i);
        if (unit == 0)
            return;
        if (isHighSurrogate(unit) && i + 1 < maxUnits) {
            const char16_t next = readLe16(data + 2 * (i + 1));
            if (isLowSurrogate(next)) {
                appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, isHighSurrogate(unit) || isLowSurrogate(unit) ? 0xFFFD : unit);
    }
}

// wParam and the record lParam points at, with the number of bytes readable there. Only arrivals
// and complete removals of device interfaces give a kind other than None; for any other wParam
// the record is not touched at all (lParam is then often not a pointer).
inline DeviceBroadcast parseDeviceBroadcast(std::uintptr_t wParam, const void *record,
                                            std::size_t recordSize) {
    DeviceBroadcast result;
    DeviceBroadcastKind kind;
    if (wParam == kDbtDeviceArrival)
        kind = DeviceBroadcastKind::Arrival;
    else if (wParam == kDbtDeviceRemoveComplete)
        kind = DeviceBroadcastKind::Removal;
    else
        return result;
    if (record == nullptr || recordSize < kBroadcastHeaderSize)
        return result;

    const auto *bytes = static_cast<const unsigned char *>(record);
    const std::size_t statedSize = broadcast_detail::readLe32(bytes + kBroadcastSizeOffset);
    const std::size_t size = statedSize < recordSize ? statedSize : recordSize;
    if (size < kBroadcastNameOffset)
        return result;
    if (broadcast_detail::readLe32(bytes + kBroadcastTypeOffset) != kDbtDevTypDeviceInterface)
        return result;

    result.kind = kind;
    result.utf8Path = kDevicePathPrefix;
    appendUtf16LeAsUtf8(result.utf8Path, bytes + kBroadcastNameOffset,
                        (size - kBroadcastNameOffset) / 2);
    return result;
}

// The form the window procedure has: lParam as it arrived. The record's own size field bounds
// the read; lParam is only dereferenced for an arrival or a removal.
inline DeviceBroadcast parseDeviceBroadcastMessage(std::uintptr_t wParam, std::intptr_t lParam) {
    if ((wParam != kDbtDeviceArrival && wParam != kDbtDeviceRemoveComplete) || lParam == 0)
        return DeviceBroadcast();
    const auto *record = reinterpret_cast<const unsigned char *>(lParam);
    return parseDeviceBroadcast(wParam, record,
                                broadcast_detail::readLe32(record + kBroadcastSizeOffset));
}

}  // namespace capture
