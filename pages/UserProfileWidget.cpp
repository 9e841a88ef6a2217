#include "UserProfileWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QLayout>
#include <QSignalBlocker>

#include "AppGlobals.h"
#include "CameraSetting.h"
#include "CameraSettings.h"
#include "FontScale.h"
#include "InputProfileNameDlg.h"
#include "LoginStart.h"
#include "ScreenScale.h"
#include "ui_UserProfileWidget.h"

namespace {
const QString kStandardProfile = QStringLiteral("Standard Profile");
// Each item carries the stored name of its profile; the text it shows may differ from it.
const int kNameRole = Qt::UserRole;
}  // namespace

UserProfileWidget::UserProfileWidget(QWidget *parent)
    : SettingWidget(parent), ui(new Ui::UserProfileWidget) {
    ui->setupUi(this);

    const float scale = screenScaleFactor();
    setContentsMargins(int(9 * scale), 0, int(9 * scale), 0);
    if (layout())
        layout()->setSpacing(int(6 * scale));

    connect(ui->cbbProfiles, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &UserProfileWidget::onProfileIndexChanged);
    // Records are owned by the store; drop ours before it deletes them.
    connect(CameraSettings::instance(), &CameraSettings::recordsAboutToBeDeleted, this,
            &UserProfileWidget::forgetRecords);

    // "Load at Start" starts the program hidden at login, which applies the active profile.
    ui->ckbLoadAtStart->setToolTip(tr("Start Tintwell in the tray when you log in"));
    ui->ckbLoadAtStart->setChecked(LoginStart::isEnabled());
    connect(ui->ckbLoadAtStart, &QCheckBox::toggled, this, [this](bool on) {
        if (LoginStart::setEnabled(on))
            return;
        // Not stored: the box goes on showing what holds.
        const QSignalBlocker blocker(ui->ckbLoadAtStart);
        ui->ckbLoadAtStart->setChecked(LoginStart::isEnabled());
    });
    ui->btnUpdateProfile->setVisible(false);
    ui->btnAbout->setVisible(false);

    scaleOwnFonts(this);
}

UserProfileWidget::~UserProfileWidget() {
    delete ui;
}

bool UserProfileWidget::askYesNo(const QString &text, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::NoIcon, tr("Tintwell"), text, QMessageBox::Yes | QMessageBox::No,
                    this, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box.setDefaultButton(defaultButton);
    const int ret = execQuestion(box);
    qDebug() << "return" << ret << ", result:" << box.result();
    return ret == QMessageBox::Yes;
}

QString UserProfileWidget::askProfileName() {
    InputProfileNameDlg dlg(nullptr);
    QStringList taken;
    for (CameraSetting *record : qAsConst(profiles))
        taken << record->profileName();
    dlg.setTakenNames(taken);
    if (execQuestion(dlg) != QDialog::Accepted)
        return QString();
    const QString name = dlg.profileName();
    qDebug() << "input profile name:" << name;
    return name;
}

void UserProfileWidget::reloadProfileList() {
    ui->cbbProfiles->clear();

    CameraSettings *store = CameraSettings::instance();
    profiles.clear();
    profiles = store->loadProfiles(vid, pid);
    CameraSetting *baseProfile = store->findOrCreateProfile(vid, pid, kStandardProfile);

    {
        const QSignalBlocker blocker(ui->cbbProfiles);
        ui->cbbProfiles->addItem(tr("Default"), kStandardProfile);
    }
    const QString activeName = store->activeProfileName(vid, pid);
    activeSetting = activeName == kStandardProfile ? baseProfile : nullptr;
    for (CameraSetting *record : qAsConst(profiles)) {
        const QString name = record->profileName();
        qDebug() << "load profile:" << name << ", filePath:" << record->filePath();
        if (name == activeName)
            activeSetting = record;
        if (name != kStandardProfile) {
            const QSignalBlocker blocker(ui->cbbProfiles);
            ui->cbbProfiles->addItem(listedName(name), name);
        }
    }
}

void UserProfileWidget::onProfileIndexChanged(int index) {
    if (index == -1)
        return;
    if (promptToSave())
        return;

    setSaveAndReloadEnabled(AppGlobals::instance()->isModified());
    ui->btnUpdateProfile->setEnabled(index > 0);
    ui->btnDeleteProfile->setEnabled(index > 0);

    CameraSettings *store = CameraSettings::instance();
    store->setActiveProfile(vid, pid, currentName());
    applyProfile(store->activeProfile(vid, pid));
}

void UserProfileWidget::onDeviceSelChanged(QString strDeviceKey) {
    setEnabled(!strDeviceKey.isEmpty());
    if (strDeviceKey.isEmpty())
        return;

    AppGlobals *globals = AppGlobals::instance();
    if (globals->isModified()) {
        if (askYesNo(tr("Do you want to save changes to the profile?"), QMessageBox::Yes)) {
            if (!isBaseProfile(activeSetting)) {
                saveIntoActiveProfile();
            } else {
                const QString name = askProfileName();
                // Without a name the change is dropped, but the page still follows the new
                // camera: staying on the old model would let a later save mix two models.
                if (name.isEmpty())
                    qDebug() << "canceled";
                else
                    saveAsNewProfile(name);
            }
        }
        globals->setModified(false, true);
    }

    qDebug() << "onDeviceSelChanged deviceid:" << strDeviceKey;
    CameraSettings::splitDeviceKey(strDeviceKey, vid, pid);
    reloadProfileList();

    CameraSetting *record = CameraSettings::instance()->activeProfile(vid, pid);
    const QString name = record->profileName();
    if (name == kStandardProfile) {
        qDebug() << "standard profile";
        selectItemBlocked(0);
    } else {
        qDebug() << "current device" << strDeviceKey << ", active profile name:" << name;
        const int index = findItem(name);
        if (index != -1)
            selectItemBlocked(index);
    }
    applyProfile(record);
    // The list now shows the new model: Delete must not stay usable on "Default" from the
    // previous model's selection, where it would delete this model's base profile.
    onShow();
}

bool UserProfileWidget::promptToSave() {
    AppGlobals *globals = AppGlobals::instance();
    if (!globals->isModified())
        return false;

    if (!askYesNo(tr("Do you want to save changes to the profile?"), QMessageBox::Yes)) {
        globals->setModified(false, true);
        return false;
    }
    if (!isBaseProfile(activeSetting)) {
        saveIntoActiveProfile();
        globals->setModified(false, true);
        return false;
    }

    const QString name = askProfileName();
    if (name.isEmpty()) {
        qDebug() << "canceled";
        selectItemBlocked(0);
        return true;
    }
    saveAsNewProfile(name);
    globals->setModified(false, true);
    return false;
}

void UserProfileWidget::on_btnUpdateProfile_clicked() {
    const int index = ui->cbbProfiles->currentIndex();
    if (index < 0 || !activeSetting)
        return;
    const QString oldName = activeSetting->profileName();
    if (oldName == kStandardProfile)
        return;
    qDebug() << "save config to filePath:" << activeSetting->filePath();
    CameraSettings::instance()->renameProfile(vid, pid, oldName, oldName + QStringLiteral("-M"));
    ui->cbbProfiles->setItemText(index, activeSetting->profileName());
    ui->cbbProfiles->setItemData(index, activeSetting->profileName(), kNameRole);
}

void UserProfileWidget::on_btnSaveProfile_clicked() {
    if (ui->cbbProfiles->currentIndex() == 0) {
        const QString name = askProfileName();
        if (name.isEmpty()) {
            selectItemBlocked(0);
            return;
        }
        activeSetting = CameraSettings::instance()->findOrCreateProfile(vid, pid, name);
    } else if (!isBaseProfile(activeSetting) &&
               InputProfileNameDlg::isReservedName(activeSetting->profileName())) {
        renameToListedName();
    }
    if (!activeSetting)
        return;

    const QString name = activeSetting->profileName();
    // A profile that did not reach its file stays modified, so that the user can save it again.
    if (!saveIntoActiveProfile())
        return;
    AppGlobals::instance()->setModified(false, false);
    setSaveAndReloadEnabled(false);

    if (ui->cbbProfiles->currentIndex() == 0) {
        const QSignalBlocker blocker(ui->cbbProfiles);
        reloadProfileList();
    }
    // Not blocked: picking the saved profile's item makes it the active one.
    const int index = findItem(name);
    ui->cbbProfiles->setCurrentIndex(index == -1 ? 0 : index);
}

void UserProfileWidget::on_btnDeleteProfile_clicked() {
    if (!askYesNo(tr("Do you want to delete the profile?"), QMessageBox::No))
        return;
    int index = ui->cbbProfiles->currentIndex();
    if (!activeSetting)
        return;

    CameraSettings *store = CameraSettings::instance();
    store->removeProfile(vid, pid, activeSetting->profileName());
    reloadProfileList();

    const int last = ui->cbbProfiles->count() - 1;
    if (index > last)
        index = last;
    selectItemBlocked(index);
    ui->btnUpdateProfile->setEnabled(index >= 1);
    ui->btnDeleteProfile->setEnabled(index >= 1);

    store->setActiveProfile(vid, pid, currentName());
    applyProfile(store->activeProfile(vid, pid));
}

void UserProfileWidget::on_btnAbout_clicked() {
    emit showAboutSignal();
}

void UserProfileWidget::on_btnReload_clicked() {
    activeSetting = CameraSettings::instance()->reloadActiveProfile(vid, pid);
    AppGlobals::instance()->setModified(false, true);
    if (activeSetting)
        applyProfile(activeSetting);
}

void UserProfileWidget::onShow() {
    setSaveAndReloadEnabled(AppGlobals::instance()->isModified());
    const bool userProfileSelected = ui->cbbProfiles->currentIndex() > 0;
    ui->btnUpdateProfile->setEnabled(userProfileSelected);
    ui->btnDeleteProfile->setEnabled(userProfileSelected);
}

void UserProfileWidget::applyProfile(CameraSetting *record) {
    activeSetting = record;
    AppGlobals *globals = AppGlobals::instance();
    globals->setApplyingProfile(true);
    emit profileSelChanged(record);
    globals->setApplyingProfile(false);
}

// A missing record has nothing to write into, so it is saved the way the base profile is: under a
// new name.
bool UserProfileWidget::isBaseProfile(CameraSetting *record) const {
    return !record || record->profileName() == kStandardProfile;
}

bool UserProfileWidget::saveIntoActiveProfile() {
    emit profileNeedToSave(activeSetting);
    if (!activeSetting || activeSetting->sync())
        return true;
    QMessageBox box(QMessageBox::Warning, tr("Tintwell"), tr("The profile could not be saved."),
                    QMessageBox::Ok, this, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box.exec();
    return false;
}

void UserProfileWidget::saveAsNewProfile(const QString &name) {
    activeSetting = CameraSettings::instance()->findOrCreateProfile(vid, pid, name);
    saveIntoActiveProfile();
    AppGlobals::instance()->setModified(false, false);
    setSaveAndReloadEnabled(false);

    const QString current = currentName();
    const QSignalBlocker blocker(ui->cbbProfiles);
    // The user has just picked another item: list the new profile beside it.
    if (ui->cbbProfiles->currentIndex() != 0)
        reloadProfileList();
    const int index = findItem(current);
    ui->cbbProfiles->setCurrentIndex(index == -1 ? 0 : index);
}

void UserProfileWidget::setSaveAndReloadEnabled(bool enabled) {
    ui->btnSaveProfile->setEnabled(enabled);
    ui->btnReload->setEnabled(enabled);
}

int UserProfileWidget::findItem(const QString &name) const {
    return ui->cbbProfiles->findData(QVariant(name), kNameRole,
                                     Qt::MatchExactly | Qt::MatchCaseSensitive);
}

QString UserProfileWidget::currentName() const {
    return ui->cbbProfiles->currentData(kNameRole).toString();
}

// A profile file without a name, or with one of the base profile's names, would otherwise show as
// an empty item or as a second "Default".
QString UserProfileWidget::listedName(const QString &name) const {
    if (name.isEmpty())
        return tr("(unnamed profile)");
    if (InputProfileNameDlg::isReservedName(name))
        return tr("%1 (own profile)").arg(name);
    return name;
}

// Saving a profile that carries a base profile's name stores it under the name it is listed by.
void UserProfileWidget::renameToListedName() {
    const int index = ui->cbbProfiles->currentIndex();
    const QString listed = ui->cbbProfiles->itemText(index);
    CameraSettings *store = CameraSettings::instance();
    store->renameProfile(vid, pid, activeSetting->profileName(), listed);
    store->setActiveProfile(vid, pid, listed);
    ui->cbbProfiles->setItemData(index, listed, kNameRole);
}

void UserProfileWidget::selectItemBlocked(int index) {
    const QSignalBlocker blocker(ui->cbbProfiles);
    ui->cbbProfiles->setCurrentIndex(index);
}

int UserProfileWidget::execQuestion(QDialog &dialog) {
    ++openQuestions;
    const int result = dialog.exec();
    if (--openQuestions == 0)
        emit questionClosed();
    return result;
}

void UserProfileWidget::forgetRecords(const QList<CameraSetting *> &records) {
    for (CameraSetting *record : records) {
        profiles.removeAll(record);
        if (activeSetting == record)
            activeSetting = nullptr;
    }
}
