#pragma once

#include <QString>

// A system tray as far as programs on a private X server can tell: the owner of the tray
// selection of screen 0. It docks no icons. The tray goes with this object.
class FakeSystemTray {
public:
    explicit FakeSystemTray(const QString &display);
    ~FakeSystemTray();
    FakeSystemTray(const FakeSystemTray &) = delete;
    FakeSystemTray &operator=(const FakeSystemTray &) = delete;

    bool isRunning() const { return m_connection != nullptr; }

private:
    void *m_connection = nullptr;  // the Xlib Display, kept out of the Qt headers
};
