// A process that keeps saving profiles is killed with SIGKILL at random moments; afterwards
// every file must parse and hold one whole generation, never a mix and never less than before.

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "FileBytes.h"

class TestProfileCrash : public QObject {
    Q_OBJECT
    // Kills do not depend on the file system; a memory one keeps the runs quick.
    QTemporaryDir m_dir{QFileInfo("/dev/shm").isWritable() ? "/dev/shm/tst_profile_crash-XXXXXX"
                                                           : QString()};
    // The child is another executable, so its data folder carries its name.
    const QString m_root = m_dir.filePath("share/profile_save_loop");
    QHash<QString, long> m_generations;  // per profile file, as last seen

    // What is wrong with the files left behind; empty when nothing is.
    QString damage() {
        const QSettings index(m_root + "/settings.ini", QSettings::IniFormat);
        bool ok = false;
        const int count = index.value("5a5a__0001/ProfileCount").toString().toInt(&ok);
        if (index.status() != QSettings::NoError || !ok)
            return "index unreadable:\n" + readFile(index.fileName());
        for (const QFileInfo &info : QDir(m_root + "/5a5a__0001").entryInfoList({"*.ini"})) {
            const QString path = info.absoluteFilePath();
            const QSettings file(path, QSettings::IniFormat);
            const long g = file.value("VideoProcAmp/brightness", 0).value<long>();
            // Never saved: only the ids and the name; saved: three numbers and two flags more.
            bool whole = file.status() == QSettings::NoError &&
                         !file.value("profilename").toString().isEmpty() &&
                         file.value("vid") == "5a5a" && file.allKeys().size() == (g ? 8 : 3);
            for (const QString &key : file.allKeys().filter("/"))
                whole = whole && (key.endsWith("enabled") || key.endsWith("auto")
                                      ? file.value(key).toBool() == bool(g % 2)
                                      : file.value(key).value<long>() == g);
            if (!whole || g < m_generations.value(path) ||
                info.fileName().section('_', 0, 0).toInt() > count)
                return path + " is torn, old or beyond the count:\n" + readFile(path);
            m_generations[path] = g;
        }
        return {};
    }

private slots:
    void killedWhileSaving() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_DATA_HOME", m_dir.filePath("share").toUtf8());
        qputenv("XDG_STATE_HOME", m_dir.filePath("state").toUtf8());
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        for (int run = 0; run < 50; ++run) {
            const long killAfter = long(run + 1) * 1000000 + random.bounded(1, 16);
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            long saved = 0;
            connect(&child, &QProcess::readyReadStandardOutput, [&] {
                while (child.canReadLine())
                    saved = child.readLine().trimmed().toLong();
                if (saved >= killAfter)
                    child.kill();  // SIGKILL, from within whatever the child is doing
            });
            child.start(PROFILE_SAVE_LOOP, {QString::number(killAfter / 1000000 * 1000000)});
            // A lock left empty by the previous kill would stall the run.
            QTRY_VERIFY_WITH_TIMEOUT(child.state() == QProcess::NotRunning, 20000);
            QVERIFY2(saved >= killAfter, "the child stopped saving on its own");
            const QString why = damage();
            QVERIFY2(why.isEmpty(), qPrintable(QString("run %1: %2").arg(run).arg(why)));
            // What the child reported as saved is on disk (Temp, every fifth, is removed again).
            QVERIFY(saved % 5 == 0 ||
                    *std::max_element(m_generations.begin(), m_generations.end()) >= saved);
        }
    }
};

QTEST_GUILESS_MAIN(TestProfileCrash)
#include "tst_profile_crash.moc"
