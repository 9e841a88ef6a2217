#pragma once

#include <QString>

#include <QVector>
#include <array>

#include "FormControlRows.h"
#include "SettingWidget.h"

class CameraSetting;
class QRadioButton;

namespace Ui {
class AdvanceWidget;
}

// The camera controls that the Basic page does not hold: anti-flicker, low-light compensation,
// focus, zoom, pan, tilt, roll, exposure and white balance. Every user change goes to the selected
// camera at once; profiles are loaded into the controls and the camera, and saved from them.
class AdvancedWidget : public SettingWidget {
    Q_OBJECT
public:
    explicit AdvancedWidget(QWidget *parent = nullptr);
    ~AdvancedWidget() override;

    // Puts focus, zoom and pan of the profile loaded last back into their rows (when the page is
    // shown), only while that profile is fresh: loaded and not changed by the user since. Does
    // nothing before a profile was loaded or after the store dropped it.
    void refreshFromProfile();
    // Shows what the selected camera holds now (another program may have changed it); writes
    // nothing and marks nothing modified.
    void showCameraValues();

public slots:
    void onDeviceSelChanged(QString strDevKey);
    void onProfileSelChanged(CameraSetting *activeSetting);
    void onProfileNeetToSave(CameraSetting *activeSetting);

private:
    // Indexed by the power-line value each stands for.
    std::array<QRadioButton *, 4> powerLineButtons() const;
    void connectPowerLineButton(QRadioButton *button, long value);
    void connectLowLightButton(QRadioButton *button, bool on);
    void onModeToggled(const FormControlRow &row, QRadioButton *toggledButton);
    void applyPowerLineFrequency(CameraSetting *setting);
    void applyLowLightCompensation(CameraSetting *setting);

    Ui::AdvanceWidget *ui;
    QVector<FormControlRow> m_rows;
    CameraSetting *m_activeSetting;  // owned by the profile store
    bool m_profileFresh = false;
};
