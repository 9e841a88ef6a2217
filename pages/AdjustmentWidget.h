#pragma once

#include <QString>
#include <QVector>

#include "FormControlRows.h"
#include "SettingWidget.h"

class CameraSetting;
class QLabel;

namespace Ui {
class AdjustmentWidget;
}

// The Basic page: the camera selector, the preview button and the eight image-control rows.
// It owns the camera selection and announces every selection with deviceSelChanged.
class AdjustmentWidget : public SettingWidget {
    Q_OBJECT
public:
    explicit AdjustmentWidget(QWidget *parent = nullptr);
    ~AdjustmentWidget() override;

    // Rebuilds the camera list and selects `preferredPath`'s camera when it is listed, else the
    // first camera.
    void refreshDeviceList(const QString &preferredPath);
    // A camera with this path has gone.
    void removeDeviceFromList(const QString &devPath);
    // Shows what the selected camera holds now (another program may have changed it); writes
    // nothing and marks nothing modified.
    void showCameraValues();

signals:
    void deviceSelChanged(QString strDeviceKey);
    void showPreviewSignal();

public slots:
    void onDeviceSelChanged(QString strDevKey);
    void onProfileSelChanged(CameraSetting *activeSetting);
    void onProfileNeetToSave(CameraSetting *activeSetting);
    void on_btnPreview_clicked();

private:
    void onCurrentDeviceIndexChanged();
    void announceCurrentEntry();
    // Why the list is empty and what to do, shown while no camera is listed.
    void addNoCameraNote();

    Ui::AdjustmentWidget *ui;
    double m_scaleFactor = 1.0;
    QVector<FormControlRow> m_rows;
    QLabel *m_noCameraNote = nullptr;
    QString m_noCameraHelp;
};
