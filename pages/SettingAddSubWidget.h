#pragma once

#include <QFrame>
#include <QPainterPath>

// The grey capsule behind a control row's minus button, value field and plus button.
class SettingAddSubWidget : public QFrame {
    Q_OBJECT
public:
    explicit SettingAddSubWidget(QWidget *parent = nullptr, Qt::WindowFlags f = Qt::WindowFlags());

    // The capsule for a w x h widget: half circles of diameter h joined by a rectangle.
    static QPainterPath capsulePath(int w, int h);

protected:
    // The frame itself is never drawn, only the capsule.
    void paintEvent(QPaintEvent *event) override;
};
