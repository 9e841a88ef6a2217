#include "WindowPicture.h"

// After the Qt headers: Xlib defines macros (Bool, Status, None) that clash with them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

QImage windowPicture(const QString &display, unsigned long window) {
    Display *connection = XOpenDisplay(display.toLocal8Bit().constData());
    if (!connection)
        return QImage();
    QImage picture;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(connection, window, &attributes) && attributes.width > 0) {
        XImage *image = XGetImage(connection, window, 0, 0, unsigned(attributes.width),
                                  unsigned(attributes.height), AllPlanes, ZPixmap);
        if (image) {
            picture = QImage(attributes.width, attributes.height, QImage::Format_RGB32);
            for (int y = 0; y < attributes.height; ++y) {
                auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
                for (int x = 0; x < attributes.width; ++x)
                    line[x] = QRgb(XGetPixel(image, x, y)) | 0xff000000u;
            }
            XDestroyImage(image);
        }
    }
    XCloseDisplay(connection);
    return picture;
}
