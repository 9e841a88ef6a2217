#include "SettingAddSubWidget.h"

#include <QPainter>

SettingAddSubWidget::SettingAddSubWidget(QWidget *parent, Qt::WindowFlags f) : QFrame(parent, f) {}

QPainterPath SettingAddSubWidget::capsulePath(int w, int h) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addEllipse(QRectF(QRect(0, 0, h, h)));
    path.addEllipse(QRectF(QRect(w - h, 0, h, h)));
    path.addRect(QRectF(QRect(h / 2, 0, w - h, h)));
    return path;
}

void SettingAddSubWidget::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(capsulePath(width(), height()), QBrush(QColor(200, 200, 200, 255)));
}
