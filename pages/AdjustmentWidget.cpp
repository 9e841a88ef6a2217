#include "AdjustmentWidget.h"

#include <QDebug>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>

#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraSetting.h"
#include "CameraSettings.h"
#include "DeviceIdentification.h"
#include "FormControlRows.h"
#include "ScreenScale.h"
#include "ui_AdjustmentWidget.h"

namespace {

// Two cameras of one model share a device key; each entry also keeps its camera's path.
constexpr int kPathRole = Qt::UserRole + 1;

QString deviceKeyOfPath(const QString &path, bool *ok) {
    QString vid;
    QString pid;
    *ok = parseVidPid(path, &vid, &pid);
    return CameraSettings::deviceKey(vid, pid);
}

}  // namespace

AdjustmentWidget::AdjustmentWidget(QWidget *parent)
    : SettingWidget(parent), ui(new Ui::AdjustmentWidget) {
    ui->setupUi(this);

    m_scaleFactor = screenScaleFactor();
    setContentsMargins(0, 0, 0, 0);
    ui->gridLayout->setSpacing(scaledPixels(6, m_scaleFactor));

    m_rows = formControlRows(this, ControlPage::Basic);
    connectSliders(this, m_rows);

    // Exposure and white balance live on the Advanced page; here they stay hidden and unwired.
    const QList<QWidget *> hiddenRows = {
        ui->lblExposureIcon, ui->lblExposure,    ui->gbExposure,
        ui->slExposure,      ui->txtExposure,    ui->lblWBIcon,
        ui->lblWB,           ui->slWhiteBalance, ui->gbWB,
        ui->txtWhiteBalance,
    };
    for (QWidget *hidden : hiddenRows)
        hidden->setVisible(false);

    setFormIcons(this, m_scaleFactor);
    setUpStepButtons(m_rows, m_scaleFactor);
    connect(ui->cbbDevices, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &AdjustmentWidget::onCurrentDeviceIndexChanged);

    addNoCameraNote();
}

void AdjustmentWidget::addNoCameraNote() {
#if defined(Q_OS_WIN)
    const QString access =
        tr("the camera must be allowed for desktop programs in the privacy settings");
#else
    const QString access =
        tr("on Linux the account must be in the \"video\" group (log out and in again after "
           "adding it)");
#endif
    m_noCameraHelp =
        tr("<p>Tintwell works with Velt USB document cameras and web cameras.</p>"
           "<p>A camera that is plugged in but not listed here cannot be opened: the program "
           "needs access to the video devices; %1.</p>"
           "<p>To try the program without a camera, start it with "
           "TINTWELL_CAMERA_BACKEND=simulated in the environment.</p>")
            .arg(access);
    m_noCameraNote = new QLabel(this);
    m_noCameraNote->setObjectName(QStringLiteral("lblNoCamera"));
    m_noCameraNote->setWordWrap(true);
    // The page is disabled while no camera is listed; the explanation stays in normal colours.
    QPalette palette = m_noCameraNote->palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::WindowText));
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     palette.color(QPalette::Active, QPalette::Text));
    m_noCameraNote->setPalette(palette);
    m_noCameraNote->setVisible(false);
    ui->gridLayout->addWidget(m_noCameraNote, ui->gridLayout->rowCount(), 0, 1,
                              ui->gridLayout->columnCount());
}

AdjustmentWidget::~AdjustmentWidget() {
    delete ui;
}

void AdjustmentWidget::onCurrentDeviceIndexChanged() {
    AppGlobals *globals = AppGlobals::instance();
    const QString previousKey = globals->currentDeviceKey();
    globals->setCurrentDeviceKey(ui->cbbDevices->currentData(Qt::UserRole).toString());
    QString vid;
    QString pid;
    CameraSettings::splitDeviceKey(globals->currentDeviceKey(), vid, pid);
    CameraDeviceManager *camera = CameraDeviceManager::instance();
    camera->selectByVidPid(vid, pid);
    // selectByVidPid finds the first camera of the model, which may be the chosen one's twin.
    const QString path = ui->cbbDevices->currentData(kPathRole).toString();
    for (int i = 0; i < camera->count(); ++i)
        if (camera->devicePath(i) == path)
            camera->setCurrentIndex(i);
    qDebug() << "camera changed, previd:" << previousKey << "devid:" << globals->currentDeviceKey();
    emit deviceSelChanged(globals->currentDeviceKey());
}

void AdjustmentWidget::announceCurrentEntry() {
    AppGlobals *globals = AppGlobals::instance();
    globals->setCurrentDeviceKey(ui->cbbDevices->currentData().toString());
    qDebug() << "devid:" << globals->currentDeviceKey();
    emit deviceSelChanged(globals->currentDeviceKey());
}

void AdjustmentWidget::refreshDeviceList(const QString &preferredPath) {
    CameraDeviceManager *camera = CameraDeviceManager::instance();
    AppGlobals *globals = AppGlobals::instance();
    const int count = camera->enumerateDevices();
    qDebug() << "camera count:" << count;
    {
        const QSignalBlocker blocker(ui->cbbDevices);
        ui->cbbDevices->clear();
    }
    if (count < 1) {
        globals->setCurrentDeviceKey(QString());
        emit deviceSelChanged(QString());
        return;
    }

    for (int i = 0; i < count; ++i) {
        const QString name = camera->friendlyName(i);
        const QString path = camera->devicePath(i);
        qDebug() << "camera" << i + 1 << ":" << name << path;
        QString vid;
        QString pid;
        if (!parseVidPid(path, &vid, &pid))
            continue;
        qDebug() << "strVid:" << vid << "strPid:" << pid;
        const QSignalBlocker blocker(ui->cbbDevices);
        ui->cbbDevices->addItem(QIcon(), name, CameraSettings::deviceKey(vid, pid));
        ui->cbbDevices->setItemData(ui->cbbDevices->count() - 1, path, kPathRole);
    }

    if (!preferredPath.isEmpty()) {
        bool parsed = false;
        const QString newKey = deviceKeyOfPath(preferredPath, &parsed);
        if (parsed) {
            qDebug() << "current camera:" << globals->currentDeviceKey()
                     << ", new camera:" << newKey;
            int found = ui->cbbDevices->findData(preferredPath, kPathRole, Qt::MatchFixedString);
            if (found < 0)
                found = ui->cbbDevices->findData(newKey, Qt::UserRole,
                                                 Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (found >= 0) {
                // The list was rebuilt and may now be in another order; the camera layer's
                // selection has to follow the camera, not its old position.
                camera->selectByPath(preferredPath);
                if (globals->currentDeviceKey() == newKey) {
                    qDebug() << "equal camera dev path, selection not changed..";
                    const QSignalBlocker blocker(ui->cbbDevices);
                    ui->cbbDevices->setCurrentIndex(found);
                    return;
                }
                ui->cbbDevices->setCurrentIndex(found);
                announceCurrentEntry();
                return;
            }
        }
    }

    camera->setCurrentIndex(0);
    ui->cbbDevices->setCurrentIndex(0);
    announceCurrentEntry();
}

void AdjustmentWidget::removeDeviceFromList(const QString &devPath) {
    CameraDeviceManager *camera = CameraDeviceManager::instance();
    AppGlobals *globals = AppGlobals::instance();
    int removed = -1;
    for (int i = 0; i < ui->cbbDevices->count() && removed < 0; ++i) {
        if (ui->cbbDevices->itemData(i, kPathRole)
                .toString()
                .compare(devPath, Qt::CaseInsensitive) == 0)
            removed = i;
    }
    const bool selectedRemoved = removed >= 0 && removed == ui->cbbDevices->currentIndex();

    // Removing makes the camera layer's last device current, whichever was selected.
    const QString selectedPath = camera->currentDevicePath();
    if (removed >= 0) {
        const QSignalBlocker blocker(ui->cbbDevices);
        ui->cbbDevices->removeItem(removed);
        camera->removeByPath(devPath);
    }

    if (ui->cbbDevices->count() == 0) {
        globals->setCurrentDeviceKey(QString());
        emit deviceSelChanged(QString());
        return;
    }

    if (!selectedRemoved) {
        // The selection stays, so the camera layer must keep addressing the selected camera.
        camera->selectByPath(selectedPath);
        return;
    }

    const int next =
        ui->cbbDevices->findData(camera->currentDevicePath(), kPathRole, Qt::MatchFixedString);
    if (next >= 0)
        ui->cbbDevices->setCurrentIndex(next);
    globals->setCurrentDeviceKey(ui->cbbDevices->currentData().toString());
    emit deviceSelChanged(globals->currentDeviceKey());
}

void AdjustmentWidget::onDeviceSelChanged(QString strDevKey) {
    m_noCameraNote->setVisible(strDevKey.isEmpty());
    if (strDevKey.isEmpty()) {
        // A camera that is there but cannot be opened is named: "none connected" would mislead.
        const QStringList unopened = CameraDeviceManager::instance()->inaccessibleCameras();
        const QString headline = unopened.isEmpty() ? tr("No supported camera is connected.")
                                                    : tr("Plugged in but cannot be opened: %1.")
                                                          .arg(unopened.join(QStringLiteral(", ")));
        m_noCameraNote->setText(QStringLiteral("<p><b>%1</b></p>").arg(headline.toHtmlEscaped()) +
                                m_noCameraHelp);
        setEnabled(false);
        return;
    }
    setEnabled(true);
    for (QRadioButton *button :
         {ui->rbtnExposureAuto, ui->rbtnExposureManual, ui->rbtnWBAuto, ui->rbtnWBManual}) {
        const QSignalBlocker blocker(button);
        // A checked auto-exclusive radio button refuses to be unchecked on its own.
        const bool exclusive = button->autoExclusive();
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(exclusive);
    }
}

void AdjustmentWidget::onProfileSelChanged(CameraSetting *activeSetting) {
    if (!activeSetting)
        return;
    takeCameraRanges(m_rows);
    for (const FormControlRow &row : qAsConst(m_rows)) {
        bool enabled = true;
        const long value = activeSetting->controlValue(row.control->control, &enabled);
        if (row.control->companion == Companion::Enabled)
            row.row.setEnabled(enabled);
        row.row.applyProfileValue(value);
    }
    applyControlPageFonts(this);
}

void AdjustmentWidget::showCameraValues() {
    ::showCameraValues(this, m_rows);
}

void AdjustmentWidget::onProfileNeetToSave(CameraSetting *activeSetting) {
    if (!activeSetting)
        return;
    for (const FormControlRow &row : qAsConst(m_rows))
        activeSetting->setControlValue(row.control->control, row.row.fieldValue(),
                                       row.row.isEnabled());
}

void AdjustmentWidget::on_btnPreview_clicked() {
    emit showPreviewSignal();
}
