#pragma once

#include <QFileInfo>
#include <QList>
#include <QMap>
#include <QString>

#include "IniSettings.h"

class CameraSetting;

// The profile store: the index file "settings.ini" and the profile files of every camera model.
// It owns every loaded CameraSetting.
//
// Record lifetime: loadProfiles, removeProfile, renameProfile (when the new name replaces another
// record), reloadActiveProfile and the destructor delete records. Right before any record is
// deleted the store emits recordsAboutToBeDeleted with the records that are about to go; they are
// already out of the store's map but still valid during the emission. Whoever keeps a
// CameraSetting* must drop it there (set it to null) and never use it again. The signal is
// delivered synchronously on the GUI thread. A record whose file could not be removed by
// removeProfile leaves the map but stays alive (and is not announced), so a pointer to it stays
// usable until the next load.
//
// Every write of the index file and of a profile file is atomic (IniSettings), so a crash, a full
// disk or a file-size limit leaves each file with either its old or its new content.
class CameraSettings : public IniSettings {
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
    void deleteRecords(const QList<CameraSetting *> &records);

    QMap<QString, CameraSetting *> m_records;
    // Out of the map after a failed removal; deleted at the next load.
    QList<CameraSetting *> m_orphans;
};
