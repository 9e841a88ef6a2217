#pragma once

#include <QWidget>

class QHBoxLayout;

// Keeps one child at a fixed height-to-width ratio by capping its maximum size to what the
// container's current size allows; the layout does the placing.
class AspectRatioWidget : public QWidget {
    Q_OBJECT
public:
    explicit AspectRatioWidget(QWidget *parent = nullptr);

    QWidget *aspectWidget() const { return m_aspectWidget; }
    double ratio() const { return m_ratio; }

public slots:
    // Takes ownership of `widget` through the layout. The ratio is applied at the next resize.
    void setAspectWidget(QWidget *widget, double ratio = 1.0);
    void setRatio(double ratio);
    void applyAspectRatio();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QHBoxLayout *m_layout = nullptr;
    QWidget *m_aspectWidget = nullptr;
    double m_ratio = 1.0;
};
