#include "WindowPicture.h"

#include <X11/Xlib.h>  // after Qt's headers: its macros (Bool, None) clash with them
#include <X11/Xutil.h>

QImage windowPicture(const QString &display, unsigned long window) {
    Display *connection = XOpenDisplay(display.toLocal8Bit().constData());
    if (!connection)
        return QImage();
    QImage picture;
    XWindowAttributes size;
    XImage *image = XGetWindowAttributes(connection, window, &size) && size.width > 0
                        ? XGetImage(connection, window, 0, 0, unsigned(size.width),
                                    unsigned(size.height), AllPlanes, ZPixmap)
                        : nullptr;
    if (image) {
        picture = QImage(size.width, size.height, QImage::Format_RGB32);
        for (int y = 0; y < size.height; ++y) {
            auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < size.width; ++x)
                line[x] = QRgb(XGetPixel(image, x, y)) | 0xff000000u;
        }
        XDestroyImage(image);
    }
    XCloseDisplay(connection);
    return picture;
}
