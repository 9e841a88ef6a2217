#pragma once

#include "SettingWidget.h"

namespace Ui {
class AboutWidget;
}

// Product name, version and the maker's website, rights notice and support address. Used as a
// page of the main window and as a separate window.
class AboutWidget : public SettingWidget {
    Q_OBJECT
public:
    explicit AboutWidget(QWidget *parent = nullptr);
    ~AboutWidget() override;

private:
    Ui::AboutWidget *ui;
};
