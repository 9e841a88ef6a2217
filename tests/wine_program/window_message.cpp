// Looks at and talks to the running Windows program from outside, as the system would: tells
// whether its main window is visible, and sends it the WM_DEVICECHANGE message that announces a
// capture-device interface arriving.
//
//   window_message visible            prints "visible" or "hidden"
//   window_message arrival NAME       sends DBT_DEVICEARRIVAL for interface NAME
// Exits 3 when no such window exists, 4 when the message was not delivered.

#include <windows.h>

#include <dbt.h>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

HWND g_found = nullptr;

// The main window is the top-level window titled "Tintwell" that Qt made; the tray icon's
// helper windows carry other titles.
BOOL CALLBACK findMainWindow(HWND window, LPARAM) {
    wchar_t title[64] = {};
    wchar_t windowClass[64] = {};
    GetWindowTextW(window, title, 64);
    GetClassNameW(window, windowClass, 64);
    if (std::wcscmp(title, L"Tintwell") == 0 && std::wcsncmp(windowClass, L"Qt5", 3) == 0) {
        g_found = window;
        return FALSE;
    }
    return TRUE;
}

int sendDeviceChange(HWND window, WPARAM event, const wchar_t *name) {
    const size_t nameBytes = (std::wcslen(name) + 1) * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) +
                                      nameBytes);
    auto *record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W *>(buffer.data());
    record->dbcc_size = DWORD(buffer.size());
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    // KSCATEGORY_CAPTURE
    record->dbcc_classguid = {
        0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
    std::memcpy(record->dbcc_name, name, nameBytes);
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record),
                             SMTO_ABORTIFHUNG, 10000, &answer)) {
        std::fprintf(stderr, "WM_DEVICECHANGE not delivered: error %lu\n", GetLastError());
        return 4;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
    if (argc < 2)
        return 2;
    EnumWindows(findMainWindow, 0);
    if (!g_found) {
        std::fprintf(stderr, "no Tintwell window\n");
        return 3;
    }
    if (std::wcscmp(argv[1], L"visible") == 0) {
        std::printf("%s\n", IsWindowVisible(g_found) ? "visible" : "hidden");
        return 0;
    }
    if (argc == 3 && std::wcscmp(argv[1], L"arrival") == 0)
        return sendDeviceChange(g_found, DBT_DEVICEARRIVAL, argv[2]);
    return 2;
}
