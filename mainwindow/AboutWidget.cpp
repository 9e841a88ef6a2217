#include "AboutWidget.h"

#include "OwnFontScaling.h"
#include "ScreenScale.h"
#include "ui_AboutWidget.h"

AboutWidget::AboutWidget(QWidget *parent) : SettingWidget(parent), ui(new Ui::AboutWidget) {
    ui->setupUi(this);

    const double s = screenScaleFactor();
    setContentsMargins(scaledPixels(9, s), 0, scaledPixels(9, s), scaledPixels(9, s));
    ui->gridLayout->setSpacing(scaledPixels(10, s));

    ui->lblVersion->setText(QStringLiteral("V1.0"));
    ui->lblWebsite->setOpenExternalLinks(true);
    ui->lblEmailTo->setOpenExternalLinks(true);

    scaleOwnFonts(this);
}

AboutWidget::~AboutWidget() {
    delete ui;
}
