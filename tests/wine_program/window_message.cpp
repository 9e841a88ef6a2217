// Looks at and talks to the running program's main window from outside, as the system would:
// the top-level "Tintwell" window that Qt made (the tray icon's helper windows have other titles).
//   window_message visible|hidden   waits up to 30 s for the window to be in that state
//   window_message arrival NAME     sends it the WM_DEVICECHANGE arrival of capture interface NAME

#include <windows.h>

#include <dbt.h>
#include <cstdio>
#include <cwchar>

static BOOL CALLBACK findMainWindow(HWND window, LPARAM found) {
    wchar_t title[64] = {}, windowClass[64] = {};
    GetWindowTextW(window, title, 64);
    GetClassNameW(window, windowClass, 64);
    if (std::wcscmp(title, L"Tintwell") != 0 || std::wcsncmp(windowClass, L"Qt5", 3) != 0)
        return TRUE;
    *reinterpret_cast<HWND *>(found) = window;
    return FALSE;
}

int wmain(int argc, wchar_t **argv) {
    const bool arrival = argc == 3 && std::wcscmp(argv[1], L"arrival") == 0;
    const bool visible = argc == 2 && std::wcscmp(argv[1], L"visible") == 0;
    HWND window = nullptr;
    for (int tries = 0; tries < 300; ++tries, Sleep(100)) {
        EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&window));
        if (window && (arrival || bool(IsWindowVisible(window)) == visible))
            break;
    }
    if (!window || !(arrival || bool(IsWindowVisible(window)) == visible)) {
        std::printf("the window is %s\n", !window ? "missing" : visible ? "hidden" : "visible");
        return 1;
    }
    if (!arrival)
        return 0;
    struct {
        DEV_BROADCAST_DEVICEINTERFACE_W head;
        wchar_t rest[512];
    } record = {};
    const size_t length = std::wcslen(argv[2]) < 500 ? std::wcslen(argv[2]) : 500;
    std::wmemcpy(record.head.dbcc_name, argv[2], length);
    record.head.dbcc_size = DWORD(sizeof record.head + sizeof(wchar_t) * length);
    record.head.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, LPARAM(&record),
                            SMTO_ABORTIFHUNG, 30000, &answer))
        return 0;
    std::printf("WM_DEVICECHANGE not delivered: error %lu\n", GetLastError());
    return 1;
}
