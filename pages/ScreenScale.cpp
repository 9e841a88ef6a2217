#include "ScreenScale.h"

#include <QCursor>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>

float scaleFactorForScreenSize(int width, int height) {
    const float heightRatio = float(height / 1080.0);
    const float widthRatio = float(width / 1920.0);
    const float aspect = float(width) / float(height);
    const float d = float(double(aspect) - 1.7777777777777777);
    // Screens at least as wide as 16:9 scale by width, narrower ones (and a NaN) by height.
    const float r = d >= 0 ? widthRatio : heightRatio;
    return r > 1.0f ? r : 1.0f;
}

float screenScaleFactor() {
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)  // the pointer sits in a gap between screens
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1.0f;
    const QRect geometry = screen->geometry();
    return scaleFactorForScreenSize(geometry.width(), geometry.height());
}
