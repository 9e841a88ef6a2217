#include "WindowScreenScale.h"

#include <QCursor>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>

namespace {

float atLeastOne(double ratio) {
    const float r = float(ratio);
    return r > 1.0f ? r : 1.0f;
}

}  // namespace

float widthScaleFor(int screenWidth) {
    return atLeastOne(screenWidth / 1920.0);
}

float heightScaleFor(int screenHeight) {
    return atLeastOne(screenHeight / 1080.0);
}

QRect screenUnderPointer() {
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

float screenWidthScale() {
    return widthScaleFor(screenUnderPointer().width());
}

float screenHeightScale() {
    return heightScaleFor(screenUnderPointer().height());
}
