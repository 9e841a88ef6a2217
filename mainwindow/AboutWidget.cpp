#include "AboutWidget.h"

#include <QDir>
#include <QLabel>

#include "ExternalLogger.h"
#include "FontScale.h"
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

    // Where to look, and what to send along, when a camera misbehaves.
    auto *logFile = new QLabel(
        tr("Camera log: %1").arg(QDir::toNativeSeparators(ExternalLogger::filePath())), this);
    logFile->setObjectName(QStringLiteral("lblLogFile"));
    logFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    logFile->setWordWrap(true);
    ui->gridLayout->addWidget(logFile, 5, 0, Qt::AlignTop);

    scaleOwnFonts(this);
}

AboutWidget::~AboutWidget() {
    delete ui;
}
