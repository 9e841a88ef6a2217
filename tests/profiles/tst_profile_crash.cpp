// A process that keeps saving profiles is killed with SIGKILL at random moments; afterwards
// every file must parse and hold one whole generation, never a mix and never less than before.

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "FileBytes.h"
#include "ProfileGeneration.h"

namespace {

// Kills do not depend on the file system; a memory one keeps the fifty runs quick.
QString scratchTemplate() {
    const QFileInfo shm("/dev/shm");
    if (shm.isDir() && shm.isWritable())
        return "/dev/shm/tst_profile_crash-XXXXXX";
    return QDir::tempPath() + "/tst_profile_crash-XXXXXX";
}

}  // namespace

class TestProfileCrash : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir{scratchTemplate()};
    QString m_root;
    QHash<QString, long> m_generations;  // per profile file, as last seen
    int m_references = 0;

    // The generation a profile file holds (0: never saved), or -1 when it differs from what one
    // whole save of that generation writes.
    long generationOf(const QString &path) {
        const QSettings file(path, QSettings::IniFormat);
        const long g = file.value("VideoProcAmp/brightness", 0).value<long>();
        const QString referencePath =
            m_dir.filePath(QString("reference%1.ini").arg(++m_references));
        {
            CameraSetting reference(referencePath);
            reference.setVid("5a5a");
            reference.setPid("0001");
            reference.setProfileName(file.value("profilename").toString());
            if (g != 0)
                writeGeneration(reference, g);
        }
        const QSettings expected(referencePath, QSettings::IniFormat);
        bool same = file.status() == QSettings::NoError && file.allKeys() == expected.allKeys();
        for (const QString &key : expected.allKeys())
            same = same && file.value(key) == expected.value(key);
        QFile::remove(referencePath);
        return same ? g : -1;
    }

    // Checks the files left behind; returns false with a message on the first bad one.
    bool filesAreWhole(QString *why) {
        QSettings index(m_root + "/settings.ini", QSettings::IniFormat);
        bool ok = false;
        const int count = index.value("5a5a__0001/ProfileCount").toString().toInt(&ok);
        if (index.status() != QSettings::NoError || !ok)
            return *why = "index unreadable:\n" + readFile(index.fileName()), false;
        const QFileInfoList files =
            QDir(m_root + "/5a5a__0001").entryInfoList({"*.ini"}, QDir::Files, QDir::Name);
        for (const QFileInfo &info : files) {
            const QString path = info.absoluteFilePath();
            const long g = generationOf(path);
            if (g < 0 ||
                QSettings(path, QSettings::IniFormat).value("profilename").toString().isEmpty())
                return *why = "torn file " + path + ":\n" + readFile(path), false;
            if (g < m_generations.value(path))
                return *why = QString("%1 went back from %2 to %3")
                                  .arg(path)
                                  .arg(m_generations.value(path))
                                  .arg(g),
                       false;
            if (info.fileName().section('_', 0, 0).toInt() > count)
                return *why = QString("%1 is beyond ProfileCount %2").arg(path).arg(count), false;
            m_generations[path] = g;
        }
        return true;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_DATA_HOME", m_dir.filePath("share").toUtf8());
        qputenv("XDG_STATE_HOME", m_dir.filePath("state").toUtf8());
        // The child is another executable, so its data folder carries its name.
        m_root = m_dir.filePath("share/profile_save_loop");
    }

    void killedWhileSaving() {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        for (int run = 0; run < 50; ++run) {
            const long first = long(run + 1) * 1000000;
            const long killAfter = first + random.bounded(1, 16);
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            long saved = 0;
            connect(&child, &QProcess::readyReadStandardOutput, [&] {
                while (child.canReadLine())
                    saved = child.readLine().trimmed().toLong();
                if (saved >= killAfter)
                    child.kill();  // SIGKILL, from within whatever the child is doing
            });
            child.start(PROFILE_SAVE_LOOP, {QString::number(first)});
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            // A run takes well under a second; a lock left empty by the previous kill would stall
            // it.
            QTRY_VERIFY_WITH_TIMEOUT(child.state() == QProcess::NotRunning, 20000);
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);
            QVERIFY2(saved >= killAfter, "the child stopped saving on its own");
            QString why;
            QVERIFY2(filesAreWhole(&why), qPrintable(QString("run %1: %2").arg(run).arg(why)));
            // What the child reported as saved is on disk.
            QVERIFY(*std::max_element(m_generations.begin(), m_generations.end()) >= saved);
        }
    }
};

QTEST_GUILESS_MAIN(TestProfileCrash)
#include "tst_profile_crash.moc"
