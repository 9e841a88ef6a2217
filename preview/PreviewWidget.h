#pragma once

#include <QCamera>
#include <QString>
#include <QWidget>

namespace Ui {
class PreviewWidget;
}

// A window with the live picture of one camera, kept at 16:9. When the camera is not streaming
// 2500 ms after the start, or the multimedia layer does not know it at all, the window shows on
// black that another program seems to use the camera, or that it could not be found or opened.
class PreviewWidget : public QWidget {
    Q_OBJECT
public:
    // `devicePath` is the camera layer's path of the camera; empty shows the message at once.
    explicit PreviewWidget(const QString &devicePath, QWidget *parent = nullptr);
    ~PreviewWidget() override;

signals:
    // Sent at the end of every close, after the camera has been stopped.
    void closeSignal();

public slots:
    void onError(QCamera::Error error);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void applyViewfinderResolution();
    void onCameraLoaded(QCamera::Status status);
    void checkStreaming();
    void showCannotOpen();

    Ui::PreviewWidget *ui;
    QCamera *camera = nullptr;
};
