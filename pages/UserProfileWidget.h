#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

#include "CameraSetting.h"
#include "SettingWidget.h"

namespace Ui {
class UserProfileWidget;
}

// The strip under the property pages where the user picks, saves, reloads and deletes the
// profiles of the selected camera model. "Standard Profile" is always listed first, as "Default".
class UserProfileWidget : public SettingWidget {
    Q_OBJECT
public:
    explicit UserProfileWidget(QWidget *parent = nullptr);
    ~UserProfileWidget() override;

signals:
    void profileSelChanged(CameraSetting *activeSetting);
    void profileNeedToSave(CameraSetting *activeSetting);
    void showAboutSignal();
    // The last open question or name dialog of this page has been answered.
    void questionClosed();

public slots:
    void onDeviceSelChanged(QString strDeviceKey);
    void onShow();
    // True only when the user cancelled naming a new profile: the caller must not go on.
    bool promptToSave();

public:
    // A question or the name dialog of this page is open.
    bool isAsking() const { return openQuestions > 0; }

private slots:
    void on_btnUpdateProfile_clicked();
    void on_btnSaveProfile_clicked();
    void on_btnDeleteProfile_clicked();
    void on_btnAbout_clicked();
    void on_btnReload_clicked();

private:
    bool askYesNo(const QString &text, QMessageBox::StandardButton defaultButton);
    QString askProfileName();
    void reloadProfileList();
    void onProfileIndexChanged(int index);

    void applyProfile(CameraSetting *record);
    bool isBaseProfile(CameraSetting *record) const;
    // False, after telling the user, when the profile could not be written to its file.
    bool saveIntoActiveProfile();
    void saveAsNewProfile(const QString &name);
    void setSaveAndReloadEnabled(bool enabled);
    int findItem(const QString &name) const;
    QString currentName() const;
    QString listedName(const QString &name) const;
    void renameToListedName();
    void selectItemBlocked(int index);
    void forgetRecords(const QList<CameraSetting *> &records);
    int execQuestion(QDialog &dialog);

    Ui::UserProfileWidget *ui;
    QList<CameraSetting *> profiles;
    CameraSetting *activeSetting = nullptr;
    QString vid;
    QString pid;
    int openQuestions = 0;
};
