#pragma once

#include <QFileInfo>
#include <QList>
#include <QMap>
#include <QSettings>
#include <QString>

class CameraSetting;

// The profile store: the index file "settings.ini" and the profile files of every camera model.
// It owns every loaded CameraSetting.
//
// Record lifetime: loadProfiles, removeProfile and reloadActiveProfile delete records. Right
// before any record is deleted the store emits recordsAboutToBeDeleted with the records that are
// about to go; whoever keeps a CameraSetting* must drop it there (set it to null) and never use
// it again. The signal is delivered synchronously on the GUI thread.
class CameraSettings : public QSettings {
    Q_OBJECT
public:
    static CameraSettings *instance();
    ~CameraSettings() override;

    static QString configRootPath();
    static QString settingsFilePath();
    static QString deviceKey(const QString &vid, const QString &pid);
    static QString profileKey(const QString &vid, const QString &pid, const QString &name);
    static void splitDeviceKey(const QString &key, QString &vid, QString &pid);
    static QString profileDirPath(const QString &vid, const QString &pid);
    static QList<QFileInfo> profileFiles(const QString &vid, const QString &pid);

    QString newProfileFilePath(const QString &vid, const QString &pid);
    QList<CameraSetting *> loadProfiles(const QString &vid, const QString &pid);
    CameraSetting *findOrCreateProfile(const QString &vid, const QString &pid, const QString &name);
    bool removeProfile(const QString &vid, const QString &pid, const QString &name);
    void renameProfile(const QString &vid, const QString &pid, const QString &oldName,
                       const QString &newName);
    QString activeProfileName(const QString &vid, const QString &pid);
    CameraSetting *activeProfile(const QString &vid, const QString &pid);
    void setActiveProfile(const QString &vid, const QString &pid, const QString &name);
    CameraSetting *reloadActiveProfile(const QString &vid, const QString &pid);

signals:
    void recordsAboutToBeDeleted(const QList<CameraSetting *> &records);

private:
    CameraSettings();

    QMap<QString, CameraSetting *> m_records;
};
