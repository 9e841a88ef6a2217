#pragma once

#include <QImage>

// What window `window` of X display `display` shows now, read from the server as a screenshot
// would be; a null image when it cannot be read.
QImage windowPicture(const QString &display, unsigned long window);
