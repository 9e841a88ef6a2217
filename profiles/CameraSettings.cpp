#include "CameraSettings.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUuid>
#include <QVariant>
#include <limits>

#include "AtomicFile.h"
#include "CameraSetting.h"
#include "IniVariantCheck.h"

namespace {

const QString kStandardProfile = QStringLiteral("Standard Profile");
const QString kSettingsFileName = QStringLiteral("settings.ini");

QString activeProfileKey(const QString &deviceKey) {
    return deviceKey + QStringLiteral("/ActiveProfile");
}

QString profileCountKey(const QString &deviceKey) {
    return deviceKey + QStringLiteral("/ProfileCount");
}

// A writer killed between creating its lock file and filling it in leaves an empty one behind,
// which makes the next write wait 30 seconds before the lock counts as stale. Only one copy of
// the program runs, so an empty lock found here has no owner.
void removeAbandonedLocks(const QString &folder) {
    const QFileInfoList locks = QDir(folder).entryInfoList(
        {QStringLiteral("*.ini.lock"), QStringLiteral("*.ini.lock.rmlock")},
        QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &lock : locks)
        if (lock.size() == 0)
            QFile::remove(lock.absoluteFilePath());
}

// A profile file Qt can read without harm: a regular file (a FIFO would block the read forever, a
// device would be read without end) holding no serialized value of a foreign type.
bool isReadableProfile(const QString &path) {
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && foreignVariantLines(file.readAll()).isEmpty();
}

// The index file holds everything about every model, so a damaged entry costs only that entry:
// it is taken out and then reads as absent. Something that cannot be read as a file at all, or
// cleaned, is put aside under another name, and the index starts empty.
QString readableIndexFile(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return path;
    if (info.isFile()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray text = file.readAll();
            const QList<QByteArray> foreign = foreignVariantLines(text);
            if (foreign.isEmpty())
                return path;
            for (const QByteArray &line : foreign)
                qDebug() << "damaged config entry:" << path << line.trimmed();
            if (replaceFileAtomically(path, withoutForeignVariants(text)))
                return path;
        }
    }
    const QString aside =
        path + QStringLiteral(".damaged-") + QString::number(QDateTime::currentMSecsSinceEpoch());
    qDebug() << "damaged config file:" << path << "moved to" << aside;
    QFile::rename(path, aside);
    return path;
}

}  // namespace

CameraSettings *CameraSettings::instance() {
    static CameraSettings *const store = new CameraSettings;
    return store;
}

CameraSettings::CameraSettings() : IniSettings(readableIndexFile(settingsFilePath())) {
    // Lets queued connections and signal spies carry the records.
    qRegisterMetaType<QList<CameraSetting *>>("QList<CameraSetting*>");
    removeAbandonedLocks(QFileInfo(fileName()).absolutePath());
}

CameraSettings::~CameraSettings() {
    QList<CameraSetting *> all = m_records.values() + m_orphans;
    m_records.clear();
    m_orphans.clear();
    deleteRecords(all);
}

void CameraSettings::deleteRecords(const QList<CameraSetting *> &records) {
    if (records.isEmpty())
        return;
    emit recordsAboutToBeDeleted(records);
    // Deleting a record writes its pending changes to its file.
    qDeleteAll(records);
}

QString CameraSettings::configRootPath() {
    const QString path = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    qDebug() << "config root path:" << path;
    // On a fresh account the parents of the data folder may be missing too.
    if (!QDir(path).exists())
        QDir().mkpath(path);
    return path;
}

QString CameraSettings::settingsFilePath() {
    const QString path = QDir(configRootPath()).filePath(kSettingsFileName);
    qDebug() << "config settings path:" << path;
    return QDir(configRootPath()).filePath(kSettingsFileName);
}

// Both keys are built in one substitution pass, so a "%n" inside one part never gets replaced by
// a later part.
QString CameraSettings::deviceKey(const QString &vid, const QString &pid) {
    return QStringLiteral("%1__%2").arg(vid, pid);
}

QString CameraSettings::profileKey(const QString &vid, const QString &pid, const QString &name) {
    return QStringLiteral("%1__%2__%3").arg(vid, pid, name);
}

void CameraSettings::splitDeviceKey(const QString &key, QString &vid, QString &pid) {
    const QStringList parts =
        key.split(QStringLiteral("__"), Qt::SkipEmptyParts, Qt::CaseSensitive);
    vid.clear();
    pid.clear();
    if (parts.size() == 2) {
        vid = parts.at(0);
        pid = parts.at(1);
    }
}

QString CameraSettings::profileDirPath(const QString &vid, const QString &pid) {
    return QDir(configRootPath()).filePath(deviceKey(vid, pid));
}

QList<QFileInfo> CameraSettings::profileFiles(const QString &vid, const QString &pid) {
    const QString path = QDir(configRootPath()).filePath(deviceKey(vid, pid));
    qDebug() << "config path:" << path;
    if (!QDir(path).exists())
        QDir().mkpath(path);
    removeAbandonedLocks(path);
    return QDir(path).entryInfoList({QStringLiteral("*.ini")},
                                    QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                                    QDir::Name);
}

QString CameraSettings::newProfileFilePath(const QString &vid, const QString &pid) {
    const QString key = deviceKey(vid, pid);

    // A damaged counter (text, negative, out of range) restarts from 0; the UUID part keeps new
    // names apart from old ones either way.
    bool ok = false;
    qlonglong previous = value(profileCountKey(key), 0).toLongLong(&ok);
    if (!ok || previous < 0 || previous >= std::numeric_limits<qlonglong>::max())
        previous = 0;
    const qlonglong count = previous + 1;
    if (count <= std::numeric_limits<int>::max())
        setValue(profileCountKey(key), int(count));
    else
        setValue(profileCountKey(key), count);
    sync();

    // Without the model folder the new file could never be written.
    const QString dir = profileDirPath(vid, pid);
    if (!QDir(dir).exists())
        QDir().mkpath(dir);

    return QStringLiteral("%1/%2_%3.ini")
        .arg(dir, QStringLiteral("%1").arg(count, 3, 10, QLatin1Char('0')),
             QUuid::createUuid().toString());
}

QList<CameraSetting *> CameraSettings::loadProfiles(const QString &vid, const QString &pid) {
    const QList<QFileInfo> files = profileFiles(vid, pid);

    QList<CameraSetting *> old = m_records.values() + m_orphans;
    m_records.clear();
    m_orphans.clear();
    deleteRecords(old);

    for (const QFileInfo &file : files) {
        if (!isReadableProfile(file.absoluteFilePath())) {
            qDebug() << "damaged config file:" << file.absoluteFilePath();
            continue;
        }
        auto *record = new CameraSetting(file.absoluteFilePath());
        const QString key = profileKey(vid, pid, record->profileName());
        if (m_records.contains(key)) {
            // Same name as a file earlier in name order: that one wins, this one stays as it is.
            delete record;
            continue;
        }
        // Ids the file already holds are not set again: that would mark the record changed and
        // have every file of the model rewritten (locked, copied and synced to disk) at the next
        // turn of the event loop, or when the records are dropped.
        if (record->vid() != vid)
            record->setVid(vid);
        if (record->pid() != pid)
            record->setPid(pid);
        m_records.insert(key, record);
    }
    return m_records.values();
}

CameraSetting *CameraSettings::findOrCreateProfile(const QString &vid, const QString &pid,
                                                   const QString &name) {
    const QString key = profileKey(vid, pid, name);
    if (CameraSetting *existing = m_records.value(key))
        return existing;

    auto *record = new CameraSetting(newProfileFilePath(vid, pid));
    record->setVid(vid);
    record->setPid(pid);
    record->setProfileName(name);
    record->sync();
    m_records.insert(key, record);
    return record;
}

bool CameraSettings::removeProfile(const QString &vid, const QString &pid, const QString &name) {
    const QString key = profileKey(vid, pid, name);
    if (!m_records.contains(key))
        return false;
    CameraSetting *record = m_records.take(key);

    // Pending changes are flushed before the file goes; otherwise deleting the record would write
    // them and bring the removed file back.
    record->sync();
    if (!QFile::remove(record->filePath())) {
        m_orphans.append(record);
        return false;
    }
    qDebug() << "remove config file:" << record->filePath();
    record->dropPendingChanges();
    deleteRecords({record});
    return true;
}

void CameraSettings::renameProfile(const QString &vid, const QString &pid, const QString &oldName,
                                   const QString &newName) {
    const QString oldKey = profileKey(vid, pid, oldName);
    if (!m_records.contains(oldKey))
        return;
    CameraSetting *record = m_records.take(oldKey);
    record->setProfileName(newName);

    const QString newKey = profileKey(vid, pid, newName);
    CameraSetting *replaced = m_records.value(newKey);
    m_records.insert(newKey, record);
    // The record that held the new name is no longer reachable; deleting it keeps its pending
    // changes instead of leaking them.
    if (replaced)
        deleteRecords({replaced});
}

QString CameraSettings::activeProfileName(const QString &vid, const QString &pid) {
    return value(activeProfileKey(deviceKey(vid, pid)), kStandardProfile).toString();
}

CameraSetting *CameraSettings::activeProfile(const QString &vid, const QString &pid) {
    QString name = activeProfileName(vid, pid);
    // An empty entry names a loaded file without a profile name; with no such file, asking for
    // it would create one more file at every camera selection, so the base profile stands in.
    if (name.isEmpty() && !m_records.contains(profileKey(vid, pid, name)))
        name = kStandardProfile;
    return findOrCreateProfile(vid, pid, name);
}

void CameraSettings::setActiveProfile(const QString &vid, const QString &pid, const QString &name) {
    // "Default" is how the base profile is shown, unless a loaded profile carries that name.
    const bool base = name == tr("Default") && !m_records.contains(profileKey(vid, pid, name));
    const QString stored = base ? kStandardProfile : name;
    setValue(activeProfileKey(deviceKey(vid, pid)), stored);
    sync();
}

CameraSetting *CameraSettings::reloadActiveProfile(const QString &vid, const QString &pid) {
    const QString key = profileKey(vid, pid, activeProfileName(vid, pid));
    if (!m_records.contains(key))
        return nullptr;
    const QString path = m_records.value(key)->filePath();
    // The file was checked when it was loaded, but it may have been replaced since.
    if (!isReadableProfile(path)) {
        qDebug() << "damaged config file:" << path;
        return nullptr;
    }
    CameraSetting *old = m_records.take(key);
    deleteRecords({old});

    auto *record = new CameraSetting(path);
    record->setVid(vid);
    record->setPid(pid);
    m_records.insert(key, record);
    return record;
}
