#include "CameraSettingWidget.h"

CameraSettingWidget::CameraSettingWidget(QWidget *parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Tintwell"));
    resize(640, 480);
}

void CameraSettingWidget::bringToTopmost() {
    showMinimized();
    showNormal();
    raise();
}
