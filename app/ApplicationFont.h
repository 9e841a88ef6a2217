#pragma once

#include <QFont>
#include <QString>

// Registers the font file and makes its family, at medium weight, the font every window takes.
void loadApplicationFont(const QString &fontFilePath);
// The loaded font, or "Arial Unicode MS" while nothing has been loaded.
QFont applicationFont();
