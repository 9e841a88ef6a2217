#include "AspectRatioWidget.h"

#include <QHBoxLayout>

AspectRatioWidget::AspectRatioWidget(QWidget *parent) : QWidget(parent) {
    m_layout = new QHBoxLayout;
    m_layout->setSpacing(0);
    m_layout->setContentsMargins(0, 0, 0, 0);
    setLayout(m_layout);
}

void AspectRatioWidget::setAspectWidget(QWidget *widget, double ratio) {
    m_aspectWidget = widget;
    m_layout->addWidget(widget, 0);
    m_ratio = ratio;
}

void AspectRatioWidget::setRatio(double ratio) {
    m_ratio = ratio;
    applyAspectRatio();
}

void AspectRatioWidget::applyAspectRatio() {
    // Nothing to limit yet: the owner sets the child first, but a resize may come earlier.
    if (!m_aspectWidget)
        return;
    const int w = width();
    const int h = height();
    if (m_ratio > double(h) / double(w)) {
        // Wider than wanted: the height decides.
        m_aspectWidget->setMaximumWidth(int(h / m_ratio));
        m_aspectWidget->setMaximumHeight(h);
    } else {
        m_aspectWidget->setMaximumHeight(int(m_ratio * w));
        m_aspectWidget->setMaximumWidth(w);
    }
}

void AspectRatioWidget::resizeEvent(QResizeEvent *) {
    applyAspectRatio();
}
