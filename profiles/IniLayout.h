#pragma once

#include <QByteArray>

// Qt lays out an INI file differently per system: on Windows it ends lines with CR LF and keeps
// keys in the order they were first written, elsewhere it ends them with LF and sorts sections and
// keys by name. Profiles are copied between machines and compared byte for byte, so the files
// are kept in the sorted LF layout everywhere. Takes the text Qt formatted and returns it in that
// layout; entries and their values are left exactly as Qt wrote them.
QByteArray sortedIniLayout(const QByteArray &qtText);
