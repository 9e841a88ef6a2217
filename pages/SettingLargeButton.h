#pragma once

#include <QToolButton>

// The main window's navigation button: borderless on white, its text turns blue while checked.
class SettingLargeButton : public QToolButton {
    Q_OBJECT
public:
    explicit SettingLargeButton(QWidget *parent = nullptr);
};
