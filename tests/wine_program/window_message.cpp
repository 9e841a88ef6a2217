// Looks at and talks to the running Windows program from outside, as the system would. Waits up
// to 30 s for its main window (the top-level "Tintwell" window that Qt made; the tray icon's
// helper windows carry other titles) to be in the state asked for.
//
//   window_message visible|hidden     exits 1 if the window does not reach that state
//   window_message arrival NAME       sends the WM_DEVICECHANGE arrival of capture interface NAME

#include <windows.h>

#include <dbt.h>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

BOOL CALLBACK findMainWindow(HWND window, LPARAM found) {
    wchar_t title[64] = {}, windowClass[64] = {};
    GetWindowTextW(window, title, 64);
    GetClassNameW(window, windowClass, 64);
    if (std::wcscmp(title, L"Tintwell") != 0 || std::wcsncmp(windowClass, L"Qt5", 3) != 0)
        return TRUE;
    *reinterpret_cast<HWND *>(found) = window;
    return FALSE;
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
    const bool arrival = argc == 3 && std::wcscmp(argv[1], L"arrival") == 0;
    const bool wantVisible = argc == 2 && std::wcscmp(argv[1], L"visible") == 0;
    HWND window = nullptr;
    bool reached = false;
    for (int tries = 0; !reached && tries < 300; ++tries) {
        if (tries)
            Sleep(100);
        EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&window));
        reached = window && (arrival || bool(IsWindowVisible(window)) == wantVisible);
    }
    if (!reached) {
        std::printf("the window is %s\n", !window                   ? "missing"
                                          : IsWindowVisible(window) ? "visible"
                                                                    : "hidden");
        return 1;
    }
    if (!arrival)
        return 0;
    const size_t nameBytes = (std::wcslen(argv[2]) + 1) * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) +
                                      nameBytes);
    auto *record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W *>(buffer.data());
    record->dbcc_size = DWORD(buffer.size());
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record->dbcc_classguid = {// KSCATEGORY_CAPTURE
                              0x65E8773D,
                              0x8F56,
                              0x11D0,
                              {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
    std::memcpy(record->dbcc_name, argv[2], nameBytes);
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                            reinterpret_cast<LPARAM>(record), SMTO_ABORTIFHUNG, 30000, &answer))
        return 0;
    std::printf("WM_DEVICECHANGE not delivered: error %lu\n", GetLastError());
    return 1;
}
