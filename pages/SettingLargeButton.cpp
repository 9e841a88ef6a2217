#include "SettingLargeButton.h"

SettingLargeButton::SettingLargeButton(QWidget *parent) : QToolButton(parent) {
    setStyleSheet(
        QStringLiteral("QToolButton {border:none;background-color:white;color:black;}\n"
                       "QToolButton:checked {border:none;background-color:white;color:blue;}"));
}
