#pragma once

#include <QString>

// A system tray as programs on a private X server see it: the owner of screen 0's tray
// selection, docking no icons, gone with this object.
class FakeSystemTray {
public:
    explicit FakeSystemTray(const QString &display);
    ~FakeSystemTray();
    FakeSystemTray(const FakeSystemTray &) = delete;
    FakeSystemTray &operator=(const FakeSystemTray &) = delete;
    bool isRunning() const { return m_connection != nullptr; }

private:
    void *m_connection = nullptr;  // an Xlib Display, kept out of the Qt headers
};
