#pragma once

#include <QImage>
#include <QString>

// What window `window` of X display `display` shows at this moment, read from the server as a
// user's screenshot would be; a null image when it cannot be read.
QImage windowPicture(const QString &display, unsigned long window);
