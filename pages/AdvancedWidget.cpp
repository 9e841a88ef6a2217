#include "AdvancedWidget.h"

#include <QDebug>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraSetting.h"
#include "CameraSettings.h"
#include "FormControlRows.h"
#include "ScreenScale.h"
#include "ui_AdvancedWidget.h"

namespace {

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

}  // namespace

AdvancedWidget::AdvancedWidget(QWidget *parent)
    : SettingWidget(parent), ui(new Ui::AdvanceWidget), m_activeSetting(nullptr) {
    ui->setupUi(this);

    const double factor = screenScaleFactor();
    setContentsMargins(0, 0, 0, 0);
    ui->gridLayout->setSpacing(scaledPixels(6, factor));

    for (long value = PowerLine_Disabled; value <= PowerLine_Auto; ++value)
        connectPowerLineButton(powerLineButtons()[value], value);
    connectLowLightButton(ui->rbtnLLCOn, true);
    connectLowLightButton(ui->rbtnLLCOff, false);

    m_rows = formControlRows(this, ControlPage::Advanced);
    connectSliders(this, m_rows);
    for (const FormControlRow &row : qAsConst(m_rows)) {
        if (row.control->companion != Companion::Automatic)
            continue;
        // The manual buttons report through their automatic partner going off; focus listens to
        // both.
        QRadioButton *autoButton = formModeButton(this, *row.control, "Auto");
        connect(autoButton, &QRadioButton::toggled, this,
                [this, row, autoButton]() { onModeToggled(row, autoButton); });
        if (row.control->control == Control::Focus)
            connect(ui->rbtnFocusManual, &QRadioButton::toggled, this,
                    [this, row]() { onModeToggled(row, ui->rbtnFocusManual); });
    }

    setFormIcons(this, factor);
    setUpStepButtons(m_rows, factor);

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

std::array<QRadioButton *, 4> AdvancedWidget::powerLineButtons() const {
    return {ui->rbtnPLDisabled, ui->rbtnPL50, ui->rbtnPL60, ui->rbtnPLAuto};
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

// Automatic mode hides the slider and disables plus and minus; the value field stays. The
// camera gets the slider's value in the mode the buttons now show.
void AdvancedWidget::onModeToggled(const FormControlRow &row, QRadioButton *toggledButton) {
    QRadioButton *autoButton = formModeButton(this, *row.control, "Auto");
    QRadioButton *manualButton = formModeButton(this, *row.control, "Manual");
    const bool automatic =
        toggledButton == manualButton ? !manualButton->isChecked() : autoButton->isChecked();
    {
        const QSignalBlocker blocker(toggledButton);
        (automatic ? autoButton : manualButton)->setChecked(true);
        row.row.slider()->setVisible(!automatic);
    }
    row.row.plusButton()->setEnabled(!automatic);
    row.row.minusButton()->setEnabled(!automatic);
    camera()->setControl(row.control->control, row.row.slider()->value(), automatic);
    markProfileModified();
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

void AdvancedWidget::applyPowerLineFrequency(CameraSetting *setting) {
    const auto buttons = powerLineButtons();
    bool enabled = true;
    const long value = setting->powerLineFrequency(&enabled);
    for (QRadioButton *button : buttons)
        button->setEnabled(enabled);
    if (!enabled)
        return;

    QRadioButton *chosen = buttons[powerLineChoice(value)];
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

    takeCameraRanges(m_rows);
    applyPowerLineFrequency(activeSetting);
    applyLowLightCompensation(activeSetting);
    for (const FormControlRow &row : qAsConst(m_rows)) {
        const ControlEntry &control = *row.control;
        bool flag = true;
        const long value = activeSetting->controlValue(control.control, &flag);
        if (control.companion == Companion::Automatic) {
            // Value and mode into the row (the slider silently), then straight to the camera.
            {
                const QSignalBlocker blocker(row.row.slider());
                row.row.slider()->setValue(int(value));
            }
            row.row.field()->setText(QString::number(value));
            formModeButton(this, control, flag ? "Auto" : "Manual")->setChecked(true);
            row.row.slider()->setVisible(!flag);
            camera()->setControl(control.control, value, flag);
            continue;
        }
        if (control.profileLog)
            qDebug() << control.profileLog << value;
        row.row.slider()->setEnabled(flag);
        if (flag)
            camera()->setControl(control.control, value);
        // A real change runs the row handler, which writes the camera even for a disabled row.
        row.row.slider()->setValue(int(value));
        row.row.field()->setText(QString::number(value));
        row.row.plusButton()->setEnabled(flag);
        row.row.minusButton()->setEnabled(flag);
    }

    m_activeSetting = activeSetting;
    m_profileFresh = true;
}

void AdvancedWidget::showCameraValues() {
    ::showCameraValues(this, m_rows);
}

void AdvancedWidget::onProfileNeetToSave(CameraSetting *activeSetting) {
    if (!activeSetting)
        return;

    const auto powerLine = powerLineButtons();
    long choice = PowerLine_Auto;
    for (long value = PowerLine_Disabled; value < PowerLine_Auto && choice == PowerLine_Auto;
         ++value)
        if (powerLine[value]->isChecked())
            choice = value;
    activeSetting->setPowerLineFrequency(choice, powerLine[choice]->isEnabled());
    activeSetting->setLowLightCompensation(ui->rbtnLLCOn->isChecked());
    for (const FormControlRow &row : qAsConst(m_rows)) {
        if (row.control->companion == Companion::Automatic)
            activeSetting->setControlValue(row.control->control, row.row.fieldValue(),
                                           formModeButton(this, *row.control, "Auto")->isChecked());
        else
            activeSetting->setControlValue(row.control->control, row.row.slider()->value(),
                                           row.row.slider()->isEnabled());
    }
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
    for (const auto &[slider, control] :
         {std::pair{ui->slZoom, Control::Zoom}, std::pair{ui->slPan, Control::Pan}}) {
        bool enabled = true;
        const long value = m_activeSetting->controlValue(control, &enabled);
        if (enabled)
            slider->setValue(int(value));
        slider->setEnabled(enabled);
    }
    adjustSize();
}
