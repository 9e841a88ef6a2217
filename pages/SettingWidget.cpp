#include "SettingWidget.h"

#include <QPainter>

SettingWidget::SettingWidget(QWidget *parent) : QWidget(parent) {}

void SettingWidget::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), QBrush(QColor(255, 255, 255, 255)));
}
