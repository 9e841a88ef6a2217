#pragma once

#include <QString>

// Whether the program starts by itself, hidden in the tray ("-startup"), when the user logs in:
// an XDG autostart entry on Linux and other free desktops, the per-user "Run" value of the
// registry on Windows. Off until the user turns it on.
namespace LoginStart {

bool isEnabled();
// False when the choice could not be stored; what was there before is then left as it was.
bool setEnabled(bool on);
// The autostart entry's file ($XDG_CONFIG_HOME/autostart/tintwell.desktop); empty on Windows.
QString entryPath();

}  // namespace LoginStart
