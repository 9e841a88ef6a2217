#include "PreviewWidget.h"

#include <algorithm>

#include <QCameraInfo>
#include <QCameraViewfinderSettings>
#include <QCloseEvent>
#include <QDebug>
#include <QPainter>
#include <QTimer>

#include "CameraDeviceManager.h"
#include "FontScale.h"
#include "ScreenScale.h"
#include "ViewfinderResolution.h"
#include "ui_PreviewWidget.h"

namespace {

const int kStreamingCheckMs = 2500;
const double kPictureRatio = 0.5625;  // 16:9, height over width

// The multimedia layer names cameras its own way (a device node on Linux); the camera layer's
// backend knows which name belongs to its device.
QCameraInfo findCamera(const QString &devicePath) {
    const QString deviceName = CameraDeviceManager::instance()->captureDeviceName(devicePath);
    if (deviceName.isEmpty())
        return QCameraInfo();
    const QList<QCameraInfo> cameras = QCameraInfo::availableCameras();
    for (const QCameraInfo &info : cameras) {
        if (info.deviceName() == deviceName)
            return info;
    }
    return QCameraInfo();
}

bool isListed(const QCamera &camera) {
    const QString deviceName = QCameraInfo(camera).deviceName();
    const QList<QCameraInfo> cameras = QCameraInfo::availableCameras();
    return std::any_of(cameras.begin(), cameras.end(),
                       [&](const QCameraInfo &info) { return info.deviceName() == deviceName; });
}

}  // namespace

PreviewWidget::PreviewWidget(const QString &devicePath, QWidget *parent)
    : QWidget(parent), ui(new Ui::PreviewWidget) {
    ui->setupUi(this);
    ui->widget->setAspectWidget(ui->viewFinder, kPictureRatio);
    qDebug() << "preview camera devicePath:" << devicePath;

    const QCameraInfo info = findCamera(devicePath);
    if (!info.isNull()) {
        camera = new QCamera(info);
        connect(camera, &QCamera::errorOccurred, this, &PreviewWidget::onError);
    }

    if (camera) {
        qDebug() << "camera init ok";
        ui->viewFinder->setAspectRatioMode(Qt::KeepAspectRatio);
        camera->setViewfinder(ui->viewFinder);
        ui->lblErrorString->hide();
        QTimer::singleShot(kStreamingCheckMs, this, &PreviewWidget::checkStreaming);
        camera->start();
        // Some multimedia backends load the camera after start() returns and list no settings
        // until then; choosing from an empty list would set a zero resolution.
        if (camera->supportedViewfinderSettings(QCameraViewfinderSettings()).isEmpty() &&
            camera->status() != QCamera::LoadedStatus && camera->status() != QCamera::ActiveStatus)
            connect(camera, &QCamera::statusChanged, this, &PreviewWidget::onCameraLoaded);
        else
            applyViewfinderResolution();
    } else {
        qDebug() << "camera init failed";
        showCannotOpen();
    }

    scaleOwnFonts(this);
    const double s = screenScaleFactor();
    setMinimumSize(scaledPixels(532, s), scaledPixels(280, s));
}

PreviewWidget::~PreviewWidget() {
    delete ui;
    delete camera;
}

void PreviewWidget::applyViewfinderResolution() {
    const ViewfinderChoice choice =
        chooseViewfinderSettings(camera->supportedViewfinderSettings(QCameraViewfinderSettings()));
    if (!choice.fullHd)
        qDebug() << "max resolution:" << choice.settings.resolution();
    camera->setViewfinderSettings(choice.settings);
    qDebug() << "currently resolution:" << camera->viewfinderSettings().resolution();
}

void PreviewWidget::onCameraLoaded(QCamera::Status status) {
    if (status != QCamera::LoadedStatus && status != QCamera::ActiveStatus)
        return;
    disconnect(camera, &QCamera::statusChanged, this, &PreviewWidget::onCameraLoaded);
    applyViewfinderResolution();
}

void PreviewWidget::checkStreaming() {
    qDebug() << "err:" << camera->error() << ", err str:" << camera->errorString();
    qDebug() << "status" << camera->status();
    const bool streaming = camera->status() == QCamera::ActiveStatus;
    ui->widget->setVisible(streaming);
    ui->lblErrorString->setVisible(!streaming);
    // A camera held by another program is still listed but does not stream. The multimedia
    // layer reports every camera error, a busy camera's too, as a resource error, so only a
    // camera that is no longer listed, or no camera service at all, is not busy.
    const QMultimedia::AvailabilityStatus availability = camera->availability();
    if (!streaming && (availability == QMultimedia::ServiceMissing ||
                       (availability == QMultimedia::ResourceError && !isListed(*camera))))
        showCannotOpen();
}

void PreviewWidget::showCannotOpen() {
    ui->lblErrorString->setText(tr("The camera could not be found or opened"));
}

void PreviewWidget::onError(QCamera::Error error) {
    qDebug() << "error:" << error;
}

void PreviewWidget::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), QBrush(QColor(0, 0, 0, 255), Qt::SolidPattern));
}

void PreviewWidget::closeEvent(QCloseEvent *event) {
    qDebug() << "PreviewWidget close event...";
    if (camera)
        camera->stop();
    QWidget::closeEvent(event);
    emit closeSignal();
}
