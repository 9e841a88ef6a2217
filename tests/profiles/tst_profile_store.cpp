// The profile store on a fresh account whose data path has never existed (and holds a "%2"):
// file naming and counting, the index file, record lifetime, and files it did not write itself.

#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include "CameraSetting.h"
#include "CameraSettings.h"
#include "DebugCapture.h"
#include "FileBytes.h"
#include "FileSizeLimit.h"
#include "FreshDataFolder.h"

namespace {

CameraSettings *store() {
    return CameraSettings::instance();
}

QStringList names(const QList<CameraSetting *> &records) {
    QStringList result;
    for (CameraSetting *r : records)
        result << r->profileName();
    return result;
}

QString counterOf(CameraSetting *record) {
    return QFileInfo(record->filePath()).fileName().section('_', 0, 0);
}

int fileCount(const QString &vid, const QString &pid) {
    return QDir(CameraSettings::profileDirPath(vid, pid)).entryList(QDir::Files).size();
}

}  // namespace

class TestProfileStore : public QObject {
    Q_OBJECT
    FreshDataFolder m_data{"fresh %2 home/.local/share"};
    QString m_index;

private slots:
    void initTestCase() {
        const QString root = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QVERIFY(!QDir(root).exists());
        m_index = root + "/settings.ini";
        // Qt would read this entry as a list of 2^31 strings; the entry beside it stays.
        QVERIFY(writeFile(m_index,
                          "[ab01__ab01]\nActiveProfile=@Variant(\\0\\0\\0\\v\\x7f\\xff"
                          "\\xff\\xff)\nProfileCount=7\n"));
        DebugCapture debug;
        QCOMPARE(store()->activeProfileName("ab01", "ab01"), QString("Standard Profile"));
        QCOMPARE(store()->value("ab01__ab01/ProfileCount").toInt(), 7);
        QCOMPARE(debug.count("damaged config entry:"), 1);
    }

    void firstProfileAndKeys() {
        QVERIFY(store()->loadProfiles("1a2b", "3c4d").isEmpty());
        CameraSetting *base = store()->findOrCreateProfile("1a2b", "3c4d", "Standard Profile");
        QVERIFY(QRegularExpression(
                    "/1a2b__3c4d/001_\\{[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\}\\.ini$")
                    .match(base->filePath())
                    .hasMatch());
        QCOMPARE(readFile(base->filePath()),
                 QByteArray("[General]\npid=3c4d\nprofilename=Standard Profile\nvid=1a2b\n"));
        QVERIFY(readFile(m_index).contains("[1a2b__3c4d]\nProfileCount=1\n"));
        QCOMPARE(store()->activeProfile("1a2b", "3c4d"), base);
        QCOMPARE(fileCount("1a2b", "3c4d"), 1);

        QCOMPARE(CameraSettings::profileKey("1a2b", "3c4d", "50%1 %2"),
                 QString("1a2b__3c4d__50%1 %2"));
        for (const QString key : {"1a2b____3c4d", "1a2b", "a__b__c"}) {
            QString vid = "stale", pid = "stale";
            CameraSettings::splitDeviceKey(key, vid, pid);
            QCOMPARE(vid + pid, QString(key.endsWith("3c4d") ? "1a2b3c4d" : ""));
        }
    }

    void counterOfNewFiles_data() {
        QTest::addColumn<QString>("pid");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("next");
        QTest::newRow("absent") << "c001" << QVariant() << "001";
        QTest::newRow("41") << "c002" << QVariant("41") << "042";
        QTest::newRow("past 999") << "c003" << QVariant("999") << "1000";
        QTest::newRow("not a number") << "c004" << QVariant("abc") << "001";
        QTest::newRow("negative") << "c005" << QVariant("-5") << "001";
    }
    void counterOfNewFiles() {
        QFETCH(QString, pid);
        QFETCH(QVariant, stored);
        QFETCH(QString, next);
        if (stored.isValid())
            store()->setValue("c0c0__" + pid + "/ProfileCount", stored);
        store()->loadProfiles("c0c0", pid);
        CameraSetting *record = store()->findOrCreateProfile("c0c0", pid, "P");
        QCOMPARE(counterOf(record), next);
        QVERIFY(QFile::exists(record->filePath()));
        QCOMPARE(store()->value("c0c0__" + pid + "/ProfileCount").toInt(), next.toInt());
    }

    void removeDeletesForGoodAndNeverReusesNumbers() {
        for (const char *name : {"One", "Two", "Three"})
            store()->findOrCreateProfile("dd01", "dd01", name);
        store()->loadProfiles("dd01", "dd01");
        const QString two = store()->findOrCreateProfile("dd01", "dd01", "Two")->filePath();
        QSignalSpy spy(store(), &CameraSettings::recordsAboutToBeDeleted);
        DebugCapture log;
        // The load left unwritten changes in every record; removal must not write them back.
        QVERIFY(store()->removeProfile("dd01", "dd01", "Two"));
        QVERIFY(!store()->removeProfile("dd01", "dd01", "Two"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<QList<CameraSetting *>>().size(), 1);
        QCOMPARE(log.lines().filter("remove config file:"),
                 QStringList(QString("remove config file: \"%1\"").arg(two)));
        store()->loadProfiles("dd02", "dd02");  // deletes every record of dd01
        QCoreApplication::processEvents();
        QVERIFY(!QFile::exists(two));
        QCOMPARE(counterOf(store()->findOrCreateProfile("dd01", "dd01", "Four")), QString("004"));
        QCOMPARE(names(store()->loadProfiles("dd01", "dd01")),
                 QStringList({"Four", "One", "Three"}));
    }

    void activeProfileEntry() {
        store()->setActiveProfile("ee01", "ee01", "Default");
        QCOMPARE(store()->activeProfileName("ee01", "ee01"), QString("Standard Profile"));
        QVERIFY(readFile(m_index).contains("ActiveProfile=Standard Profile"));

        // An empty entry must not make every camera selection add one more file.
        store()->setActiveProfile("ee01", "ee01", "");
        for (int selection = 0; selection < 3; ++selection) {
            store()->loadProfiles("ee01", "ee01");
            store()->findOrCreateProfile("ee01", "ee01", "Standard Profile");
            QCOMPARE(store()->activeProfile("ee01", "ee01")->profileName(),
                     QString("Standard Profile"));
        }
        QCOMPARE(fileCount("ee01", "ee01"), 1);

        // An index that may not grow keeps every entry it had.
        const QByteArray before = readFile(m_index);
        {
            const FileSizeLimit noGrowth(before.size());
            DebugCapture debug;
            store()->setActiveProfile("ee01", "ee01", "Evening");
            QVERIFY(debug.lines().contains(QString("config file not saved: \"%1\"").arg(m_index)));
        }
        QCOMPARE(readFile(m_index), before);
    }

    void loadReloadAndRename() {
        store()->loadProfiles("aaaa", "0001");
        store()->findOrCreateProfile("aaaa", "0001", "alpha");
        store()->findOrCreateProfile("aaaa", "0001", "Zeta");
        store()->loadProfiles("bbbb", "0002");
        store()->findOrCreateProfile("bbbb", "0002", "Night");
        QStringList announced;
        auto connection = connect(store(), &CameraSettings::recordsAboutToBeDeleted, this,
                                  [&](const QList<CameraSetting *> &records) {
                                      announced << names(records);  // still alive here
                                  });
        QCOMPARE(names(store()->loadProfiles("aaaa", "0001")), QStringList({"Zeta", "alpha"}));
        disconnect(connection);
        QCOMPARE(announced, QStringList({"Night"}));
        // Names are kept exactly as given, and a load finds them under the same key.
        const QString odd = QString::fromUtf8(" 50%1 a__b/c \u00e9\u4f1a ");
        const QString made = store()->findOrCreateProfile("aaaa", "0001", odd)->filePath();
        QCOMPARE(store()->loadProfiles("aaaa", "0001").size(), 3);
        QCOMPARE(store()->findOrCreateProfile("aaaa", "0001", odd)->filePath(), made);
        QCOMPARE(fileCount("aaaa", "0001"), 3);

        CameraSetting *day = store()->findOrCreateProfile("aaaa", "0001", "alpha");
        CameraSetting *night = store()->findOrCreateProfile("aaaa", "0001", "Zeta");
        QCOMPARE(store()->reloadActiveProfile("aaaa", "0001"), nullptr);  // Standard not loaded
        store()->setActiveProfile("aaaa", "0001", "alpha");
        const QString dayPath = day->filePath();
        QVERIFY(
            writeFile(dayPath, "[General]\nprofilename=alpha\n[VideoProcAmp]\nbrightness=33\n"));
        QSignalSpy spy(store(), &CameraSettings::recordsAboutToBeDeleted);
        CameraSetting *fresh = store()->reloadActiveProfile("aaaa", "0001");
        QVERIFY(fresh && fresh->filePath() == dayPath);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(fresh->brightness(), 33L);
        // Renaming Zeta to alpha replaces the record that held the name; that one is announced
        // and its pending change still reaches its file.
        fresh->setGain(9, true);
        store()->renameProfile("aaaa", "0001", "Zeta", "alpha");
        QCOMPARE(spy.count(), 2);
        QCOMPARE(store()->findOrCreateProfile("aaaa", "0001", "alpha"), night);
        QVERIFY(readFile(dayPath).contains("gain="));
        store()->loadProfiles("ffff", "ffff");
        QVERIFY(readFile(night->filePath()).contains("profilename=alpha"));
    }

    void filesNotWrittenByTheStore() {
        const QString dir = CameraSettings::profileDirPath("9999", "9999");
        QVERIFY(QDir().mkpath(dir + "/003_{c}.ini"));  // a folder named like a profile
        QByteArray garbage(4096, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) % 256);
        const QByteArray big =
            "[General]\nprofilename=Big\n[X]\n" + QByteArray(10 * 1024 * 1024, 'x') + "=1\n";
        const QByteArray duplicate = "[General]\nprofilename=Office\n[VideoProcAmp]\nhue=2\n";
        const QByteArray own = "[General]\npid=9999\nprofilename=Own\nvid=9999\n";
        QVERIFY(writeFile(dir + "/001_{a}.ini", ""));
        QVERIFY(writeFile(dir + "/002_{b}.ini", garbage));
        QVERIFY(writeFile(dir + "/004_{d}.ini", big));
        QVERIFY(writeFile(dir + "/005_{e}.ini", "[General]\nprofilename=Office\n"));
        QVERIFY(writeFile(dir + "/006_{f}.ini", duplicate));
        QVERIFY(writeFile(dir + "/007_{g}.ini", "profilename=\"  a__b/%1 \\xe9  \"\n"));
        QVERIFY(writeFile(dir + "/008_{h}.ini",
                          "[General]\nprofilename=Hostile\n"
                          "note=1, @Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\n"));
        QVERIFY(writeFile(dir + "/010_{j}.ini", own));
        const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
        QFile ownFile(dir + "/010_{j}.ini");
        QVERIFY(ownFile.open(QIODevice::ReadWrite) &&
                ownFile.setFileTime(longAgo, QFileDevice::FileModificationTime));
        ownFile.close();
        {
            // Every byte value in every place of a stored number is the program's own form.
            CameraSetting wide(dir + "/009_{i}.ini");
            wide.setProfileName("Wide");
            for (int b = 0; b < 256; ++b)
                wide.setValue(QString("VideoProcAmp/n%1").arg(b),
                              QVariant::fromValue<long>(long(b * 0x0101010101010101ULL)));
        }
        DebugCapture debug;
        const QStringList loaded = names(store()->loadProfiles("9999", "9999"));
        QCOMPARE(loaded.count("Office"), 1);
        QVERIFY(loaded.contains("Big") && loaded.contains("Wide") && !loaded.contains("Hostile"));
        QVERIFY(loaded.contains(QString::fromUtf8("  a__b/%1 \u00e9  ")));
        QCOMPARE(debug.lines().filter("damaged config file:"),
                 QStringList(QString("damaged config file: \"%1\"").arg(dir + "/008_{h}.ini")));
        QVERIFY(store()
                    ->findOrCreateProfile("9999", "9999", "Office")
                    ->filePath()
                    .endsWith("005_{e}.ini"));
        QCoreApplication::sendPostedEvents();   // the records' deferred writes
        store()->loadProfiles("9998", "9998");  // drops them, writing what is still pending
        QCOMPARE(readFile(dir + "/006_{f}.ini"), duplicate);
        QVERIFY(readFile(dir + "/005_{e}.ini").contains("pid=9999\nprofilename=Office\nvid=9999"));
        QCOMPARE(readFile(dir + "/010_{j}.ini"), own);
        QCOMPARE(QFileInfo(dir + "/010_{j}.ini").lastModified().toUTC(), longAgo);
        QVERIFY(QFileInfo(dir + "/003_{c}.ini").isDir());
        QVERIFY(readFile(dir + "/004_{d}.ini").size() > big.size() - 100);

        // Garbage in the index file: the counter starts again and the file is readable after.
        QVERIFY(writeFile(m_index, garbage));
        store()->sync();
        store()->newProfileFilePath("9999", "9999");
        QSettings index(m_index, QSettings::IniFormat);
        QCOMPARE(index.status(), QSettings::NoError);
        QVERIFY(index.value("9999__9999/ProfileCount").toInt() >= 1);
    }
};

QTEST_GUILESS_MAIN(TestProfileStore)
#include "tst_profile_store.moc"
