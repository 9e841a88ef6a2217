// Profile store: loadProfiles for a model with 1,000 profile files, then findOrCreateProfile of a
// name the model does not have yet (which names, creates and writes one more file).

#include <QCoreApplication>
#include <QFile>
#include <QUuid>

#include "BenchCameras.h"
#include "BenchReport.h"
#include "CameraSetting.h"
#include "CameraSettings.h"

namespace {

constexpr int kProfiles = 1000;

// One profile written by the store itself serves as the pattern of every file, so the files
// have exactly the form the program writes.
void createProfileFiles(const QString &vid, const QString &pid) {
    CameraSettings *store = CameraSettings::instance();
    store->loadProfiles(vid, pid);
    const QString patternName = QStringLiteral("Pattern");
    CameraSetting *pattern = store->findOrCreateProfile(vid, pid, patternName);
    fillProfile(*pattern, 3);
    pattern->sync();
    QFile patternFile(pattern->filePath());
    if (!patternFile.open(QIODevice::ReadOnly))
        benchFailure(QStringLiteral("cannot read %1").arg(pattern->filePath()));
    const QByteArray text = patternFile.readAll();
    const QByteArray nameLine = "profilename=" + patternName.toUtf8();
    if (!text.contains(nameLine))
        benchFailure(QStringLiteral("the profile file holds no \"%1\"").arg(QString(nameLine)));
    store->removeProfile(vid, pid, patternName);

    const QString folder = CameraSettings::profileDirPath(vid, pid);
    for (int i = 1; i <= kProfiles; ++i) {
        QFile file(QStringLiteral("%1/%2_%3.ini")
                       .arg(folder, QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')),
                            QUuid::createUuid().toString()));
        QByteArray content = text;
        content.replace(nameLine, "profilename=Profile " + QByteArray::number(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            benchFailure(QStringLiteral("cannot write %1").arg(file.fileName()));
    }
    store->setValue(CameraSettings::deviceKey(vid, pid) + QStringLiteral("/ProfileCount"),
                    kProfiles);
    store->sync();
}

}  // namespace

int main(int argc, char **argv) {
    const int samples = sampleCount(argc, argv, 5);
    const QString folder = freshWorkFolder(QStringLiteral("store"));
    // The camera log goes to the state folder; keep it in the work folder too.
    qputenv("XDG_DATA_HOME", folder.toLocal8Bit());
    qputenv("XDG_STATE_HOME", folder.toLocal8Bit());
    qputenv("TINTWELL_CAMERA_BACKEND", "simulated");
    QCoreApplication app(argc, argv);
    const QString vid = QString::fromLatin1(kBenchVid), pid = QString::fromLatin1(kBenchPid);
    createProfileFiles(vid, pid);

    CameraSettings *store = CameraSettings::instance();
    // The pattern's load above left nothing behind: the first sample loads into an empty store,
    // as at start-up; later ones also retire the records of the load before, as a camera
    // change does.
    for (int i = 0; i < samples; ++i) {
        const QString newName = QStringLiteral("New profile %1").arg(i);
        const auto start = std::chrono::steady_clock::now();
        const QList<CameraSetting *> loaded = store->loadProfiles(vid, pid);
        CameraSetting *created = store->findOrCreateProfile(vid, pid, newName);
        const auto end = std::chrono::steady_clock::now();
        if (loaded.size() != kProfiles || !created || created->profileName() != newName)
            benchFailure(QStringLiteral("loaded %1 profiles").arg(loaded.size()));
        reportMetric(i == 0 ? "store_first_ms" : "store_repeat_ms",
                     millisecondsBetween(start, end));
        // Back to 1,000 files for the next sample.
        if (!store->removeProfile(vid, pid, newName))
            benchFailure(QStringLiteral("cannot remove %1").arg(newName));
    }
    return 0;
}
