#pragma once

#include <QString>

// Asks an X window to close the way a window manager's close button does (WM_DELETE_WINDOW), so
// that a test sees what a user's click on the title bar's cross does. False when the display
// cannot be opened.
bool requestWindowClose(const QString &display, unsigned long window);
