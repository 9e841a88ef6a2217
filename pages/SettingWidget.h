#pragma once

#include <QWidget>

// Base of the settings pages: a plain white sheet behind the page's controls.
class SettingWidget : public QWidget {
    Q_OBJECT
public:
    explicit SettingWidget(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
