#pragma once

// The system hands out UTF-16 text; the capture interface speaks UTF-8.

#include <windows.h>

#include <string>

namespace directshow {

inline std::string utf8FromWide(const wchar_t *text, int units) {
    if (text == nullptr || units <= 0)
        return std::string();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, units, &out[0], bytes, nullptr, nullptr);
    return out;
}

inline std::string utf8FromWide(const wchar_t *nulTerminated) {
    return nulTerminated ? utf8FromWide(nulTerminated, lstrlenW(nulTerminated)) : std::string();
}

}  // namespace directshow
