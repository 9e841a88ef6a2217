#include "ControlRowCameraValue.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

#include "CameraDeviceManager.h"

void showCameraValue(const ControlRow &row, const PropertyInfo &info, bool readOk) {
    if (!readOk)
        return;
    row.takeRangeFrom(info, readOk);
    {
        const QSignalBlocker blocker(row.slider());
        row.slider()->setValue(int(info.value));
    }
    row.field()->setText(QString::number(info.value));
}

void showCameraValueAndMode(const ControlRow &row, const PropertyInfo &info, bool readOk,
                            QRadioButton *autoButton, QRadioButton *manualButton) {
    if (!readOk)
        return;
    showCameraValue(row, info, readOk);
    const bool automatic = info.flags == capture::kFlagAuto;
    {
        const QSignalBlocker autoBlocker(autoButton);
        const QSignalBlocker manualBlocker(manualButton);
        (automatic ? autoButton : manualButton)->setChecked(true);
    }
    row.slider()->setVisible(!automatic);
    row.plusButton()->setEnabled(!automatic);
    row.minusButton()->setEnabled(!automatic);
}
