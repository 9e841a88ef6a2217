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

QStringList fileNames(const QString &vid, const QString &pid) {
    return QDir(CameraSettings::profileDirPath(vid, pid)).entryList(QDir::Files, QDir::Name);
}

QString counterOf(const QString &path) {
    return QFileInfo(path).fileName().section('_', 0, 0);
}

}  // namespace

class TestProfileStore : public QObject {
    Q_OBJECT
    FreshDataFolder m_data{"fresh %2 home/.local/share"};
    QString m_root;

private slots:
    void initTestCase() {
        m_root = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QVERIFY(!QDir(m_root).exists());

        // Qt would read this entry as a list of 2^31 strings; the entry beside it stays.
        QVERIFY(writeFile(m_root + "/settings.ini",
                          "[ab01__ab01]\nActiveProfile=@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff"
                          "\\xff)\nProfileCount=7\n"));
        DebugCapture debug;
        QCOMPARE(store()->activeProfileName("ab01", "ab01"), QString("Standard Profile"));
        QCOMPARE(store()->value("ab01__ab01/ProfileCount").toInt(), 7);
        QCOMPARE(debug.count("damaged config entry:"), 1);
    }

    void freshAccountKeepsTheFirstProfile() {
        QVERIFY(store()->loadProfiles("1a2b", "3c4d").isEmpty());
        CameraSetting *base = store()->findOrCreateProfile("1a2b", "3c4d", "Standard Profile");
        const QString dir = m_root + "/1a2b__3c4d/";
        QVERIFY(QRegularExpression("^" + QRegularExpression::escape(dir) +
                                   "001_\\{[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\}\\.ini$")
                    .match(base->filePath())
                    .hasMatch());
        QCOMPARE(readFile(base->filePath()),
                 QByteArray("[General]\npid=3c4d\nprofilename=Standard Profile\nvid=1a2b\n"));
        QVERIFY(readFile(m_root + "/settings.ini").contains("[1a2b__3c4d]\nProfileCount=1\n"));
        QCOMPARE(store()->activeProfile("1a2b", "3c4d"), base);
        QCOMPARE(fileNames("1a2b", "3c4d").size(), 1);
    }

    void deviceKeys() {
        QCOMPARE(CameraSettings::profileKey("1a2b", "3c4d", "50%1 %2"),
                 QString("1a2b__3c4d__50%1 %2"));
        const QList<QPair<QString, QStringList>> splits = {{"1a2b__3c4d", {"1a2b", "3c4d"}},
                                                           {"1a2b____3c4d", {"1a2b", "3c4d"}},
                                                           {"1a2b", {"", ""}},
                                                           {"a__b__c", {"", ""}}};
        for (const auto &split : splits) {
            QString vid = "stale", pid = "stale";
            CameraSettings::splitDeviceKey(split.first, vid, pid);
            QCOMPARE(QStringList({vid, pid}), split.second);
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
        const QString path = store()->findOrCreateProfile("c0c0", pid, "P")->filePath();
        QCOMPARE(counterOf(path), next);
        QVERIFY(QFile::exists(path));
        QCOMPARE(store()->value("c0c0__" + pid + "/ProfileCount").toInt(), next.toInt());
    }

    void removeDeletesForGoodAndNeverReusesNumbers() {
        for (const char *name : {"One", "Two", "Three"})
            store()->findOrCreateProfile("dd01", "dd01", name);
        store()->loadProfiles("dd01", "dd01");
        const QString two = store()->findOrCreateProfile("dd01", "dd01", "Two")->filePath();
        QSignalSpy spy(store(), &CameraSettings::recordsAboutToBeDeleted);
        QStringList removalLines;
        {
            DebugCapture log;
            // The load left unwritten changes in every record; removal must not write them back.
            QVERIFY(store()->removeProfile("dd01", "dd01", "Two"));
            removalLines = log.lines();
        }
        QVERIFY(!store()->removeProfile("dd01", "dd01", "Two"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<QList<CameraSetting *>>().size(), 1);
        QVERIFY(removalLines.contains(QString("remove config file: \"%1\"").arg(two)));
        store()->loadProfiles("dd02", "dd02");  // deletes every record of dd01
        QCoreApplication::processEvents();
        QVERIFY(!QFile::exists(two));
        QCOMPARE(counterOf(store()->findOrCreateProfile("dd01", "dd01", "Four")->filePath()),
                 QString("004"));
        QCOMPARE(names(store()->loadProfiles("dd01", "dd01")),
                 QStringList({"Four", "One", "Three"}));
    }

    void activeProfileEntry() {
        store()->setActiveProfile("ee01", "ee01", "Default");
        QCOMPARE(store()->activeProfileName("ee01", "ee01"), QString("Standard Profile"));
        QVERIFY(readFile(m_root + "/settings.ini").contains("ActiveProfile=Standard Profile"));
        QCOMPARE(store()->activeProfileName("ee02", "ee02"), QString("Standard Profile"));

        // An empty entry must not make every camera selection add one more file.
        store()->setActiveProfile("ee01", "ee01", "");
        QCOMPARE(store()->activeProfileName("ee01", "ee01"), QString());
        for (int selection = 0; selection < 3; ++selection) {
            store()->loadProfiles("ee01", "ee01");
            store()->findOrCreateProfile("ee01", "ee01", "Standard Profile");
            QCOMPARE(store()->activeProfile("ee01", "ee01")->profileName(),
                     QString("Standard Profile"));
        }
        QCOMPARE(fileNames("ee01", "ee01").size(), 1);

        // An index that may not grow keeps every entry it had.
        const QByteArray before = readFile(m_root + "/settings.ini");
        {
            const FileSizeLimit noGrowth(before.size());
            DebugCapture debug;
            store()->setActiveProfile("ee01", "ee01", "Evening");
            QVERIFY(debug.lines().contains(
                QString("config file not saved: \"%1\"").arg(m_root + "/settings.ini")));
        }
        QCOMPARE(readFile(m_root + "/settings.ini"), before);
    }

    void loadOrderAndOtherModels() {
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
        const QList<CameraSetting *> a = store()->loadProfiles("aaaa", "0001");
        disconnect(connection);
        QCOMPARE(names(a), QStringList({"Zeta", "alpha"}));
        QCOMPARE(announced, QStringList({"Night"}));

        // Names are kept exactly as given, and a load finds them under the same key.
        const QString odd = QString::fromUtf8(" 50%1 a__b/c \u00e9\u4f1a ");
        const QString made = store()->findOrCreateProfile("aaaa", "0001", odd)->filePath();
        QCOMPARE(store()->loadProfiles("aaaa", "0001").size(), 3);
        QCOMPARE(store()->findOrCreateProfile("aaaa", "0001", odd)->filePath(), made);
        QCOMPARE(fileNames("aaaa", "0001").size(), 3);

        // Not loaded again, so B's profile is made anew under a new number.
        QCOMPARE(counterOf(store()->findOrCreateProfile("bbbb", "0002", "Night")->filePath()),
                 QString("002"));
    }

    void reloadAndRename() {
        store()->loadProfiles("ff01", "ff01");
        CameraSetting *day = store()->findOrCreateProfile("ff01", "ff01", "Day");
        CameraSetting *night = store()->findOrCreateProfile("ff01", "ff01", "Night");
        QCOMPARE(store()->reloadActiveProfile("ff01", "ff01"), nullptr);  // Standard not loaded
        store()->setActiveProfile("ff01", "ff01", "Day");
        const QString dayPath = day->filePath();
        QVERIFY(writeFile(dayPath, "[General]\nprofilename=Day\n[VideoProcAmp]\nbrightness=33\n"));
        QSignalSpy spy(store(), &CameraSettings::recordsAboutToBeDeleted);
        CameraSetting *fresh = store()->reloadActiveProfile("ff01", "ff01");
        QVERIFY(fresh);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(fresh->brightness(), 33L);
        QCOMPARE(fresh->filePath(), dayPath);

        // Renaming Night to Day replaces the record that held the name; that one is announced
        // and its pending change still reaches its file.
        fresh->setGain(9, true);
        store()->renameProfile("ff01", "ff01", "Night", "Day");
        QCOMPARE(spy.count(), 2);
        QCOMPARE(store()->findOrCreateProfile("ff01", "ff01", "Day"), night);
        QVERIFY(readFile(dayPath).contains("gain="));
        const QString nightPath = night->filePath();
        store()->loadProfiles("ff02", "ff02");
        QVERIFY(readFile(nightPath).contains("profilename=Day"));
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
        QVERIFY(writeFile(dir + "/001_{a}.ini", ""));
        QVERIFY(writeFile(dir + "/002_{b}.ini", garbage));
        QVERIFY(writeFile(dir + "/004_{d}.ini", big));
        QVERIFY(writeFile(dir + "/005_{e}.ini", "[General]\nprofilename=Office\n"));
        QVERIFY(writeFile(dir + "/006_{f}.ini", duplicate));
        QVERIFY(writeFile(dir + "/007_{g}.ini", "profilename=\"  a__b/%1 \\xe9  \"\n"));
        QVERIFY(writeFile(dir + "/008_{h}.ini",
                          "[General]\nprofilename=Hostile\n"
                          "note=1, @Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\n"));
        {
            // Every byte value in every place of a stored number is the program's own form.
            CameraSetting wide(dir + "/009_{i}.ini");
            wide.setProfileName("Wide");
            for (int b = 0; b < 256; ++b)
                wide.setValue(QString("VideoProcAmp/n%1").arg(b),
                              QVariant::fromValue<long>(long(b * 0x0101010101010101ULL)));
        }
        DebugCapture debug;

        const QList<CameraSetting *> records = store()->loadProfiles("9999", "9999");
        const QStringList loaded = names(records);
        QCOMPARE(loaded.count("Office"), 1);
        QVERIFY(loaded.contains("Big") && loaded.contains("Wide") && !loaded.contains("Hostile"));
        QCOMPARE(debug.lines().filter("damaged config file:"),
                 QStringList{QString("damaged config file: \"%1\"").arg(dir + "/008_{h}.ini")});
        QVERIFY(loaded.contains(QString::fromUtf8("  a__b/%1 \u00e9  ")));
        QVERIFY(store()
                    ->findOrCreateProfile("9999", "9999", "Office")
                    ->filePath()
                    .endsWith("005_{e}.ini"));
        store()->loadProfiles("9998", "9998");  // writes and drops every record of 9999
        QCOMPARE(readFile(dir + "/006_{f}.ini"), duplicate);
        QVERIFY(QFileInfo(dir + "/003_{c}.ini").isDir());
        QVERIFY(readFile(dir + "/004_{d}.ini").size() > big.size() - 100);

        // Garbage in the index file: the counter starts again and the file is readable after.
        QVERIFY(writeFile(m_root + "/settings.ini", garbage));
        store()->sync();
        store()->newProfileFilePath("9999", "9999");
        QSettings index(m_root + "/settings.ini", QSettings::IniFormat);
        QCOMPARE(index.status(), QSettings::NoError);
        QVERIFY(index.value("9999__9999/ProfileCount").toInt() >= 1);
    }
};

QTEST_GUILESS_MAIN(TestProfileStore)
#include "tst_profile_store.moc"
