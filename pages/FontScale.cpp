#include "FontScale.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QWidget>

#include "ApplicationFont.h"
#include "ScreenScale.h"

int scaledPointSize(int pointSize) {
    if (pointSize <= 0)
        return 0;
    int dpiX = QApplication::desktop()->logicalDpiX();
    if (dpiX <= 0)
        dpiX = 96;
    // The factor is taken in floating point: in whole numbers 96 / dpiX is 0 above 96 DPI.
    const float dpiFactor = float(96.0 / dpiX);
    return int(screenScaleFactor() * float(dpiFactor * float(pointSize)));
}

void scaleOwnFonts(QWidget *window) {
    QFont font = applicationFont();
    const QList<QWidget *> children = window->findChildren<QWidget *>();
    for (QWidget *child : children) {
        const int size = scaledPointSize(child->font().pointSize());
        if (size <= 0)
            continue;
        font.setPointSize(size);
        child->setFont(font);
    }
}
