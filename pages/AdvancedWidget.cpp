#include "AdvancedWidget.h"

#include <QDebug>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <tuple>

#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraSetting.h"
#include "CameraSettings.h"
#include "ControlRowCameraValue.h"
#include "ScreenScale.h"
#include "ui_AdvancedWidget.h"

namespace {

using AutoModeWriter = void (CameraDeviceManager::*)(long, bool);
using EnabledGetter = long (CameraSetting::*)(bool *) const;
using PlainWriter = void (CameraDeviceManager::*)(long);

CameraDeviceManager *camera() {
    return CameraDeviceManager::instance();
}

// Changes made while the program applies a profile are the profile's own values.
void markProfileModified() {
    AppGlobals *globals = AppGlobals::instance();
    if (!globals->isApplyingProfile())
        globals->setModified(true, true);
}

void setCheckedSilently(QRadioButton *button, bool checked) {
    const QSignalBlocker blocker(button);
    button->setChecked(checked);
}

// Qt refuses to uncheck the checked button of an auto-exclusive group; a new camera must start
// with no choice shown, so exclusivity is lifted for the moment.
void uncheckSilently(QRadioButton *button) {
    const QSignalBlocker blocker(button);
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(exclusive);
}

// The profile's value and auto flag into the slider (silently), the field and the mode buttons,
// then straight to the camera.
void applyAutoModeValue(long value, bool automatic, const ControlRow &row, QRadioButton *autoButton,
                        QRadioButton *manualButton, AutoModeWriter write) {
    {
        const QSignalBlocker blocker(row.slider());
        row.slider()->setValue(int(value));
    }
    row.field()->setText(QString::number(value));
    (automatic ? autoButton : manualButton)->setChecked(true);
    row.slider()->setVisible(!automatic);
    (camera()->*write)(value, automatic);
}

}  // namespace

AdvancedWidget::AdvancedWidget(QWidget *parent)
    : SettingWidget(parent), ui(new Ui::AdvanceWidget), m_activeSetting(nullptr) {
    ui->setupUi(this);

    const double factor = screenScaleFactor();
    setContentsMargins(0, 0, 0, 0);
    ui->gridLayout->setSpacing(scaledPixels(6, factor));

    connectPowerLineButton(ui->rbtnPLDisabled, PowerLine_Disabled);
    connectPowerLineButton(ui->rbtnPL50, PowerLine_50Hz);
    connectPowerLineButton(ui->rbtnPL60, PowerLine_60Hz);
    connectPowerLineButton(ui->rbtnPLAuto, PowerLine_Auto);
    connectLowLightButton(ui->rbtnLLCOn, true);
    connectLowLightButton(ui->rbtnLLCOff, false);

    // A slider move always means a manual value, whatever the mode buttons show.
    focusRow().connectSlider(this, [](int v) { camera()->setFocus(v, false); });
    connect(ui->rbtnFocusAuto, &QRadioButton::toggled, this,
            [this](bool checked) { onFocusModeToggled(ui->rbtnFocusAuto, checked); });
    connect(ui->rbtnFocusManual, &QRadioButton::toggled, this,
            [this](bool checked) { onFocusModeToggled(ui->rbtnFocusManual, checked); });
    panRow().connectSlider(this, [](int v) { camera()->setPan(v); });
    zoomRow().connectSlider(this, [](int v) { camera()->setZoom(v); });
    tiltRow().connectSlider(this, [](int v) { camera()->setTilt(v); });
    rollRow().connectSlider(this, [](int v) { camera()->setRoll(v); });
    whiteBalanceRow().connectSlider(this, [](int v) {
        qDebug() << "Slider value changed";
        camera()->setWhiteBalance(v, false);
    });
    exposureRow().connectSlider(this, [](int v) { camera()->setExposure(v, false); });
    // The manual buttons report through their automatic partner going off.
    connect(ui->rbtnExposureAuto, &QRadioButton::toggled, this,
            [this]() { onExposureModeToggled(); });
    connect(ui->rbtnWBAuto, &QRadioButton::toggled, this,
            [this]() { onWhiteBalanceModeToggled(); });

    setRowIcon(ui->lblFocusIcon, QStringLiteral(":/resources/images/focus.svg"), factor);
    setRowIcon(ui->lblZoomIcon, QStringLiteral(":/resources/images/zoom.svg"), factor);
    setRowIcon(ui->lblPanIcon, QStringLiteral(":/resources/images/pan.svg"), factor);
    setRowIcon(ui->lblTilt, QStringLiteral(":/resources/images/tilt.svg"), factor);
    setRowIcon(ui->lblRoll, QStringLiteral(":/resources/images/roll.svg"), factor);
    setRowIcon(ui->lblExposureIcon, QStringLiteral(":/resources/images/exposure.svg"), factor);
    setRowIcon(ui->lblWBIcon, QStringLiteral(":/resources/images/whitebalance.svg"), factor);

    const ControlRow rows[] = {focusRow(), zoomRow(),     panRow(),         tiltRow(),
                               rollRow(),  exposureRow(), whiteBalanceRow()};
    for (const ControlRow &row : rows)
        row.setUpPlusButton(factor);
    for (const ControlRow &row : rows)
        row.setUpMinusButton(factor);

    adjustSize();

    applyControlPageFonts(this);
    qDebug() << "==========advanced===========control font is:" << ui->label->font().family();

    // The store deletes records when it reloads a model; the page must not keep a dangling one.
    connect(
        CameraSettings::instance(), &CameraSettings::recordsAboutToBeDeleted, this,
        [this](const QList<CameraSetting *> &records) {
            if (records.contains(m_activeSetting))
                m_activeSetting = nullptr;
        },
        Qt::DirectConnection);
    // Showing the page again must never undo what the user has changed since the last load.
    connect(AppGlobals::instance(), &AppGlobals::modifyStateChanged, this, [this](bool modified) {
        if (modified)
            m_profileFresh = false;
    });
}

AdvancedWidget::~AdvancedWidget() {
    delete ui;
}

ControlRow AdvancedWidget::focusRow() const {
    return ControlRow(ui->slFocus, ui->btnSubFocus, ui->txtFocus, ui->btnAddFocus);
}

ControlRow AdvancedWidget::zoomRow() const {
    return ControlRow(ui->slZoom, ui->btnSubZoom, ui->txtZoom, ui->btnAddZoom);
}

ControlRow AdvancedWidget::panRow() const {
    return ControlRow(ui->slPan, ui->btnSubPan, ui->txtPan, ui->btnAddPan);
}

ControlRow AdvancedWidget::tiltRow() const {
    return ControlRow(ui->slTilt, ui->btnSubTilt, ui->txtTilt, ui->btnAddTilt);
}

ControlRow AdvancedWidget::rollRow() const {
    return ControlRow(ui->slRoll, ui->btnSubRoll, ui->txtRoll, ui->btnAddRoll);
}

ControlRow AdvancedWidget::exposureRow() const {
    return ControlRow(ui->slExposure, ui->btnSubExposure, ui->txtExposure, ui->btnAddExposure);
}

ControlRow AdvancedWidget::whiteBalanceRow() const {
    return ControlRow(ui->slWhiteBalance, ui->btnSubWB, ui->txtWhiteBalance, ui->btnAddWB);
}

void AdvancedWidget::connectPowerLineButton(QRadioButton *button, long value) {
    // The button going off reports too, so one choice writes once and marks twice.
    connect(button, &QRadioButton::toggled, this, [button, value]() {
        if (button->isChecked())
            camera()->setPowerLineFrequency(value);
        markProfileModified();
    });
}

void AdvancedWidget::connectLowLightButton(QRadioButton *button, bool on) {
    connect(button, &QRadioButton::toggled, this, [button, on]() {
        if (button->isChecked())
            camera()->setLowLightCompensation(on);
        markProfileModified();
    });
}

void AdvancedWidget::onFocusModeToggled(QRadioButton *toggledButton, bool checked) {
    const bool fromManual = toggledButton == ui->rbtnFocusManual;
    ui->slFocus->setVisible(fromManual ? checked : !checked);
    const bool automatic =
        fromManual ? !ui->rbtnFocusManual->isChecked() : ui->rbtnFocusAuto->isChecked();
    applyMode(automatic, toggledButton, ui->rbtnFocusAuto, ui->rbtnFocusManual, focusRow());
    camera()->setFocus(ui->slFocus->value(), automatic);
    markProfileModified();
}

void AdvancedWidget::onExposureModeToggled() {
    const bool automatic = ui->rbtnExposureAuto->isChecked();
    applyMode(automatic, ui->rbtnExposureAuto, ui->rbtnExposureAuto, ui->rbtnExposureManual,
              exposureRow());
    camera()->setExposure(ui->slExposure->value(), automatic);
    markProfileModified();
}

void AdvancedWidget::onWhiteBalanceModeToggled() {
    const bool automatic = ui->rbtnWBAuto->isChecked();
    applyMode(automatic, ui->rbtnWBAuto, ui->rbtnWBAuto, ui->rbtnWBManual, whiteBalanceRow());
    camera()->setWhiteBalance(ui->slWhiteBalance->value(), automatic);
    markProfileModified();
}

// Automatic mode hides the slider and disables plus and minus; the value field stays.
void AdvancedWidget::applyMode(bool automatic, QRadioButton *blockedButton,
                               QRadioButton *autoButton, QRadioButton *manualButton,
                               const ControlRow &row) {
    {
        const QSignalBlocker blocker(blockedButton);
        (automatic ? autoButton : manualButton)->setChecked(true);
        row.slider()->setVisible(!automatic);
    }
    row.plusButton()->setEnabled(!automatic);
    row.minusButton()->setEnabled(!automatic);
}

void AdvancedWidget::onDeviceSelChanged(QString strDevKey) {
    setEnabled(!strDevKey.isEmpty());
    if (strDevKey.isEmpty())
        return;
    for (QRadioButton *button :
         {ui->rbtnPLDisabled, ui->rbtnPL50, ui->rbtnPL60, ui->rbtnPLAuto, ui->rbtnLLCOn,
          ui->rbtnLLCOff, ui->rbtnFocusAuto, ui->rbtnFocusManual})
        uncheckSilently(button);
}

void AdvancedWidget::takeRanges() {
    PropertyInfo info;
    info.id = VideoProcAmp_WhiteBalance;
    bool readOk = camera()->getProperty(info);
    whiteBalanceRow().takeRangeFrom(info, readOk);

    const std::pair<CameraControlProperty, ControlRow> cameraControls[] = {
        {CameraControl_Focus, focusRow()}, {CameraControl_Zoom, zoomRow()},
        {CameraControl_Pan, panRow()},     {CameraControl_Tilt, tiltRow()},
        {CameraControl_Roll, rollRow()},   {CameraControl_Exposure, exposureRow()}};
    for (const auto &control : cameraControls) {
        info = PropertyInfo();
        info.id = control.first;
        readOk = camera()->getCameraControlInfo(info);
        control.second.takeRangeFrom(info, readOk);
    }
}

void AdvancedWidget::applyPowerLineFrequency(CameraSetting *setting) {
    QRadioButton *const buttons[] = {ui->rbtnPLDisabled, ui->rbtnPL50, ui->rbtnPL60,
                                     ui->rbtnPLAuto};
    bool enabled = true;
    const long value = setting->powerLineFrequency(&enabled);
    for (QRadioButton *button : buttons)
        button->setEnabled(enabled);
    if (!enabled)
        return;

    QRadioButton *chosen =
        (value >= PowerLine_Disabled && value <= PowerLine_60Hz) ? buttons[value] : ui->rbtnPLAuto;
    if (chosen->isChecked()) {
        // No real toggle would happen, yet the camera must receive the profile's value.
        emit chosen->toggled(true);
        return;
    }
    chosen->setChecked(true);
    for (QRadioButton *button : buttons)
        if (button != chosen)
            button->setChecked(false);
}

void AdvancedWidget::applyLowLightCompensation(CameraSetting *setting) {
    const bool on = setting->lowLightCompensation();
    setCheckedSilently(ui->rbtnLLCOn, on);
    setCheckedSilently(ui->rbtnLLCOff, !on);
    camera()->setLowLightCompensation(on);
}

void AdvancedWidget::onProfileSelChanged(CameraSetting *activeSetting) {
    if (!activeSetting) {
        m_activeSetting = nullptr;
        return;
    }

    takeRanges();
    applyPowerLineFrequency(activeSetting);
    applyLowLightCompensation(activeSetting);

    bool automatic = true;
    long value = activeSetting->focus(&automatic);
    applyAutoModeValue(value, automatic, focusRow(), ui->rbtnFocusAuto, ui->rbtnFocusManual,
                       &CameraDeviceManager::setFocus);

    struct EnabledRow {
        ControlRow row;
        EnabledGetter read;
        PlainWriter write;
        const char *logLabel;
    };
    const EnabledRow enabledRows[] = {
        {zoomRow(), &CameraSetting::zoom, &CameraDeviceManager::setZoom, nullptr},
        {panRow(), &CameraSetting::pan, &CameraDeviceManager::setPan, "current Active, pan: "},
        {tiltRow(), &CameraSetting::tilt, &CameraDeviceManager::setTilt, "current Active, tilt: "},
        {rollRow(), &CameraSetting::roll, &CameraDeviceManager::setRoll, "current Active, roll: "}};
    for (const EnabledRow &r : enabledRows) {
        bool enabled = true;
        const long v = (activeSetting->*r.read)(&enabled);
        if (r.logLabel)
            qDebug() << r.logLabel << v;
        r.row.slider()->setEnabled(enabled);
        if (enabled)
            (camera()->*r.write)(v);
        // A real change runs the row handler, which writes the camera even for a disabled row.
        r.row.slider()->setValue(int(v));
        r.row.field()->setText(QString::number(v));
        r.row.plusButton()->setEnabled(enabled);
        r.row.minusButton()->setEnabled(enabled);
    }

    automatic = true;
    value = activeSetting->whiteBalance(&automatic);
    applyAutoModeValue(value, automatic, whiteBalanceRow(), ui->rbtnWBAuto, ui->rbtnWBManual,
                       &CameraDeviceManager::setWhiteBalance);

    automatic = true;
    value = activeSetting->exposure(&automatic);
    applyAutoModeValue(value, automatic, exposureRow(), ui->rbtnExposureAuto,
                       ui->rbtnExposureManual, &CameraDeviceManager::setExposure);

    m_activeSetting = activeSetting;
    m_profileFresh = true;
}

void AdvancedWidget::showCameraValues() {
    PropertyInfo info;
    info.id = VideoProcAmp_WhiteBalance;
    bool ok = camera()->getProperty(info);
    showCameraValueAndMode(whiteBalanceRow(), info, ok, ui->rbtnWBAuto, ui->rbtnWBManual);
    const std::pair<CameraControlProperty, ControlRow> plainRows[] = {
        {CameraControl_Zoom, zoomRow()},
        {CameraControl_Pan, panRow()},
        {CameraControl_Tilt, tiltRow()},
        {CameraControl_Roll, rollRow()}};
    for (const auto &row : plainRows) {
        info = PropertyInfo();
        info.id = row.first;
        ok = camera()->getCameraControlInfo(info);
        showCameraValue(row.second, info, ok);
    }
    const std::tuple<CameraControlProperty, ControlRow, QRadioButton *, QRadioButton *> modeRows[] =
        {{CameraControl_Focus, focusRow(), ui->rbtnFocusAuto, ui->rbtnFocusManual},
         {CameraControl_Exposure, exposureRow(), ui->rbtnExposureAuto, ui->rbtnExposureManual}};
    for (const auto &[id, row, autoButton, manualButton] : modeRows) {
        info = PropertyInfo();
        info.id = id;
        ok = camera()->getCameraControlInfo(info);
        showCameraValueAndMode(row, info, ok, autoButton, manualButton);
    }
}

void AdvancedWidget::onProfileNeetToSave(CameraSetting *activeSetting) {
    if (!activeSetting)
        return;

    QRadioButton *powerLine = ui->rbtnPLAuto;
    long powerLineValue = PowerLine_Auto;
    const std::pair<QRadioButton *, long> explicitChoices[] = {
        {ui->rbtnPLDisabled, PowerLine_Disabled},
        {ui->rbtnPL50, PowerLine_50Hz},
        {ui->rbtnPL60, PowerLine_60Hz}};
    for (const auto &choice : explicitChoices) {
        if (choice.first->isChecked()) {
            powerLine = choice.first;
            powerLineValue = choice.second;
            break;
        }
    }
    activeSetting->setPowerLineFrequency(powerLineValue, powerLine->isEnabled());
    activeSetting->setLowLightCompensation(ui->rbtnLLCOn->isChecked());
    activeSetting->setFocus(focusRow().fieldValue(), ui->rbtnFocusAuto->isChecked());
    activeSetting->setZoom(ui->slZoom->value(), ui->slZoom->isEnabled());
    activeSetting->setPan(ui->slPan->value(), ui->slPan->isEnabled());
    activeSetting->setTilt(ui->slTilt->value(), ui->slTilt->isEnabled());
    activeSetting->setRoll(ui->slRoll->value(), ui->slRoll->isEnabled());
    activeSetting->setWhiteBalance(whiteBalanceRow().fieldValue(), ui->rbtnWBAuto->isChecked());
    activeSetting->setExposure(exposureRow().fieldValue(), ui->rbtnExposureAuto->isChecked());
}

void AdvancedWidget::refreshFromProfile() {
    if (!m_activeSetting || !m_profileFresh)
        return;

    bool automatic = true;
    {
        const QSignalBlocker blocker(ui->slFocus);
        ui->slFocus->setValue(int(m_activeSetting->focus(&automatic)));
    }
    ui->txtFocus->setText(QString::number(ui->slFocus->value()));
    for (const std::pair<QSlider *, EnabledGetter> &row :
         {std::pair<QSlider *, EnabledGetter>{ui->slZoom, &CameraSetting::zoom},
          std::pair<QSlider *, EnabledGetter>{ui->slPan, &CameraSetting::pan}}) {
        bool enabled = true;
        const long value = (m_activeSetting->*row.second)(&enabled);
        if (enabled)
            row.first->setValue(int(value));
        row.first->setEnabled(enabled);
    }
    adjustSize();
}
