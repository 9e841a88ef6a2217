#include "OwnFontScaling.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QWidget>

#include "ApplicationFont.h"
#include "ScreenScale.h"

void scaleOwnFonts(QWidget *window) {
    QFont font = applicationFont();
    int dpiX = QApplication::desktop()->logicalDpiX();
    if (dpiX <= 0)
        dpiX = 96;
    const float dpiFactor = float(96.0 / dpiX);
    const QList<QWidget *> children = window->findChildren<QWidget *>();
    for (QWidget *child : children) {
        const int ownSize = child->font().pointSize();
        if (ownSize <= 0)
            continue;
        const int size = int(screenScaleFactor() * float(dpiFactor * float(ownSize)));
        if (size <= 0)
            continue;
        font.setPointSize(size);
        child->setFont(font);
    }
}
