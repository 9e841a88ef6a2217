#include "FakeSystemTray.h"

#include <X11/Xlib.h>  // after Qt's headers: its macros (Bool, None) clash with them

FakeSystemTray::FakeSystemTray(const QString &display) {
    Display *connection = XOpenDisplay(display.toLocal8Bit().constData());
    if (!connection)
        return;
    const Window owner =
        XCreateSimpleWindow(connection, DefaultRootWindow(connection), 0, 0, 1, 1, 0, 0, 0);
    const Atom selection = XInternAtom(connection, "_NET_SYSTEM_TRAY_S0", False);
    XSetSelectionOwner(connection, selection, owner, CurrentTime);
    XSync(connection, False);
    if (XGetSelectionOwner(connection, selection) == owner)
        m_connection = connection;
    else
        XCloseDisplay(connection);
}

// Closing the connection gives the selection up.
FakeSystemTray::~FakeSystemTray() {
    if (m_connection)
        XCloseDisplay(static_cast<Display *>(m_connection));
}
