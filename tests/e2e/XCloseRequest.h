#pragma once

#include <QString>

// Asks an X window to close as a window manager's close button does (WM_DELETE_WINDOW). False
// when the display cannot be opened.
bool requestWindowClose(const QString &display, unsigned long window);
