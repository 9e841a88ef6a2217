// Profiles on a fresh account whose data path has never existed (and holds a "%2").

#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>
#include <functional>

#include "CameraDeviceManager.h"
#include "CameraSetting.h"
#include "CameraSettings.h"
#include "DebugCapture.h"
#include "FileBytes.h"
#include "FileSizeLimit.h"
#include "FreshDataFolder.h"
#include "SimulatedBackend.h"

namespace {

CameraSettings *store() {
    return CameraSettings::instance();
}

const QStringList kKeys = QString(
                              "brightness contrast hue saturation sharpness gamma gain "
                              "backlightcompensation powerlinefrequency pan tilt roll zoom "
                              "whitebalance exposure focus lowlightcompensation")
                              .split(' ');

// Properties read by their key names (all when `key` is empty), each as "value flag" (flag -1
// where the getter has none).
QString read(CameraSetting &s, const QString &key) {
    bool b = false;
    // clang-format off
    const std::function<long()> getters[] = {
        [&] { return s.brightness(); }, [&] { return s.contrast(); }, [&] { return s.hue(); },
        [&] { return s.saturation(); }, [&] { return s.sharpness(); }, [&] { return s.gamma(&b); },
        [&] { return s.gain(&b); }, [&] { return s.backlightCompensation(&b); },
        [&] { return s.powerLineFrequency(&b); }, [&] { return s.pan(&b); },
        [&] { return s.tilt(&b); }, [&] { return s.roll(&b); }, [&] { return s.zoom(&b); },
        [&] { return s.whiteBalance(&b); }, [&] { return s.exposure(&b); },
        [&] { return s.focus(&b); }, [&] { return long(s.lowLightCompensation()); }};
    // clang-format on
    QStringList values;
    for (const QString &k : key.isEmpty() ? kKeys : QStringList{key}) {
        const int i = kKeys.indexOf(k);
        const long v = getters[i]();
        values << QString("%1 %2").arg(v).arg(i < 5 || i == 16 ? -1 : int(b));
    }
    return values.join(", ");
}

// Every control has a default of its own (11 + id for image controls, 30 + id for camera
// controls), so that a getter asking for the wrong id shows. Gain, tilt and exposure are not
// available, roll is not listed; low-light compensation (19) is on by default.
QByteArray controls(const QMap<int, int> &capsById, int base) {
    QStringList list;
    for (auto c = capsById.begin(); c != capsById.end(); ++c)
        list << QString("\"%1\": {\"min\": -64, \"max\": 9000, \"default\": %2, \"caps\": %3}")
                    .arg(c.key())
                    .arg(c.key() == 19 ? 1 : base + c.key())
                    .arg(c.value());
    return "{" + list.join(", ").toUtf8() + "}";
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

}  // namespace

class TestProfiles : public QObject {
    Q_OBJECT
    FreshDataFolder m_data{"fresh %2 home/.local/share"};
    QString m_index;
    QTemporaryDir m_dir;
    int m_files = 0;

private slots:
    void initTestCase() {
        const QString json = m_dir.filePath("cameras.json");
        QVERIFY(writeFile(
            json,
            "{\"cameras\": [{\"path\": \"@device:pnp:\\\\\\\\?\\\\usb#vid_1a2b&pid_3c4d#1\", "
            "\"friendlyName\": \"Velt DocCam V4\", \"videoProcAmp\": " +
                controls({{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {7, 3}, {8, 2}, {9, 0}},
                         11) +
                ", \"cameraControl\": " +
                controls({{0, 2}, {1, 0}, {3, 2}, {4, 0}, {6, 3}, {19, 2}}, 30) +
                ", \"powerLine\": {\"value\": 1}}]}"));
        CameraDeviceManager::instance()->setBackend(createSimulatedBackend(json));
        QCOMPARE(CameraDeviceManager::instance()->enumerateDevices(), 1);
        CameraDeviceManager::instance()->selectByVidPid("1a2b", "3c4d");

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

    // Absent entries give the camera's default; "enabled" follows availability, "auto" is true.
    void storedEntries_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("read");
        // clang-format off
        QTest::newRow("absent") << QByteArray("[General]\nprofilename=P\n") << "" << "11 -1, 12 -1, 13 -1, 14 -1, 15 -1, 16 1, 20 0, 19 1, 1 1, 30 1, 31 0, 0 0, 33 1, 18 1, 34 1, 36 1, 1 -1";
        QTest::newRow("0") << QByteArray("[VideoProcAmp]\nbrightness=0") << "brightness" << "0 -1";
        QTest::newRow("text") << QByteArray("[VideoProcAmp]\nbrightness=abc") << "brightness" << "0 -1";
        QTest::newRow("long") << QByteArray("[VideoProcAmp]\nbrightness=@Variant(\\0\\0\\0\\x81\\0\\0\\0\\0\\0\\0\\0*)") << "brightness" << "42 -1";
        QTest::newRow("enabled 0") << QByteArray("[VideoProcAmp]\ngamma=5\ngammaenabled=0") << "gamma" << "5 0";
        QTest::newRow("enabled yes") << QByteArray("[VideoProcAmp]\ngamma=5\ngammaenabled=yes") << "gamma" << "5 1";
        QTest::newRow("disabled, no value") << QByteArray("[VideoProcAmp]\ngammaenabled=false") << "gamma" << "16 1";
        QTest::newRow("manual, no value") << QByteArray("[VideoProcAmp]\nwhitebalanceauto=false") << "whitebalance" << "18 1";
        QTest::newRow("manual") << QByteArray("[VideoProcAmp]\nwhitebalance=3\nwhitebalanceauto=FALSE") << "whitebalance" << "3 0";
        QTest::newRow("backlight sentinel") << QByteArray("[VideoProcAmp]\nbacklightcompensation=-10000") << "backlightcompensation" << "-10000 1";
        QTest::newRow("backlight empty") << QByteArray("[VideoProcAmp]\nbacklightcompensation=\nbacklightcompensationEnabled=false") << "backlightcompensation" << "19 1";
        QTest::newRow("every key stored, every flag off") << QByteArray("[VideoProcAmp]\nbrightness=1\ncontrast=2\nhue=3\nsaturation=4\nsharpness=5\ngamma=6\ngammaenabled=false\ngain=7\ngainenabled=false\nbacklightcompensation=8\nbacklightcompensationEnabled=false\npowerlinefrequency=2\npowerlinefrequencyenabled=false\nwhitebalance=9\nwhitebalanceauto=false\n[CameraControl]\npan=10\npanenabled=false\ntilt=11\ntiltenabled=false\nroll=12\nrollenabled=false\nzoom=13\nzoomenabled=false\nexposure=-3\nexposureauto=false\nfocus=14\nfocusauto=false\nlowlightcompensation=false") << "" << "1 -1, 2 -1, 3 -1, 4 -1, 5 -1, 6 0, 7 0, 8 0, 2 0, 10 0, 11 0, 12 0, 13 0, 9 0, -3 0, 14 0, 0 -1";
        QTest::newRow("power line") << QByteArray("[VideoProcAmp]\npowerlinefrequency=1\npowerlinefrequencyenabled=false") << "powerlinefrequency" << "1 0";
        QTest::newRow("low light off") << QByteArray("[CameraControl]\nlowlightcompensation=false") << "lowlightcompensation" << "0 -1";
        QTest::newRow("low light text") << QByteArray("[CameraControl]\nlowlightcompensation=abc") << "lowlightcompensation" << "1 -1";
        // clang-format on
    }
    void storedEntries() {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        const QString path = m_dir.filePath(QString("%1_x.ini").arg(++m_files));
        QVERIFY(writeFile(path, file));
        CameraSetting record(path);
        QTEST(read(record, key), "read");
        QCoreApplication::sendPostedEvents();
        QCOMPARE(readFile(path), file);  // getters never write
    }

    void settersAndNames() {
        CameraSetting *record = store()->findOrCreateProfile("1a2b", "3c4d", "Office");
        QVERIFY(QRegularExpression(
                    "/1a2b__3c4d/001_\\{[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\}\\.ini$")
                    .match(record->filePath())
                    .hasMatch());
        QVERIFY(readFile(m_index).contains("[1a2b__3c4d]\nProfileCount=1\n"));
        record->setGain(7, false);
        record->setBrightness(CameraSetting::kUseCameraDefault);
        record->setPan(-1, true);
        record->setLowLightCompensation(true);
        QVERIFY(record->sync());
        QCOMPARE(readFile(record->filePath()),
                 QByteArray("[General]\npid=3c4d\nprofilename=Office\nvid=1a2b\n\n[CameraControl]"
                            "\nlowlightcompensation=true\n"
                            "pan=@Variant(\\0\\0\\0\\x81\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff)\n"
                            "panenabled=true\n\n[VideoProcAmp]\n"
                            "brightness=@Variant(\\0\\0\\0\\x81\\xff\\xff\\xff\\xff\\xff\\xff\\xd8"
                            "\\xf0)\ngain=@Variant(\\0\\0\\0\\x81\\0\\0\\0\\0\\0\\0\\0\\a)\n"
                            "gainenabled=false\n"));

        // A nameless file is named after its number, and that name is written at once.
        const QString numbered = m_dir.filePath("003_{0f3e9c1a-77aa-4b2c-9d10-5e6f7a8b9c0d}.ini");
        const QString handmade = m_dir.filePath("handmade.ini");
        for (const QString &path : {numbered, handmade})
            QVERIFY(writeFile(path, "[General]\nprofilename=\n"));
        QCOMPARE(CameraSetting(numbered).profileName(), QString("Unnamed Profile 003"));
        QVERIFY(readFile(numbered).contains("profilename=Unnamed Profile 003"));
        QCOMPARE(CameraSetting(handmade).profileName(), QString("Unnamed Profile"));
        QVERIFY(writeFile(handmade, "[General]\nvid=1a2b\n"));
        QCOMPARE(CameraSetting(handmade).profileName(), QString());
        for (const QString key : {"1a2b____3c4d", "1a2b", "a__b__c"}) {
            QString vid = "stale", pid = "stale";
            CameraSettings::splitDeviceKey(key, vid, pid);
            QCOMPARE(vid + pid, QString(key.endsWith("3c4d") ? "1a2b3c4d" : ""));
        }
    }

    // A damaged counter starts again; the name's number grows past three digits.
    void counterOfNewFiles() {
        const QStringList rows = {"41", "042", "999", "1000", "abc", "001", "-5", "001"};
        for (int row = 0; row < rows.size(); row += 2) {
            store()->setValue("c0c0__c0c0/ProfileCount", rows.at(row));
            QCOMPARE(counterOf(store()->findOrCreateProfile("c0c0", "c0c0", rows.at(row))),
                     rows.at(row + 1));
        }
    }

    // The load leaves unwritten changes in every record; removal must not write them back.
    void removeDeletesForGoodAndNeverReusesNumbers() {
        for (const char *name : {"One", "Two", "Three"})
            store()->findOrCreateProfile("dd01", "dd01", name);
        store()->loadProfiles("dd01", "dd01");
        const QString two = store()->findOrCreateProfile("dd01", "dd01", "Two")->filePath();
        QSignalSpy spy(store(), &CameraSettings::recordsAboutToBeDeleted);
        DebugCapture log;
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

    // An empty entry must not make every camera selection add one more file; an index that may
    // not grow keeps its content and leaves no temporary file.
    void activeProfileEntry() {
        store()->setActiveProfile("ee01", "ee01", "Default");
        QCOMPARE(store()->activeProfileName("ee01", "ee01"), QString("Standard Profile"));
        QVERIFY(readFile(m_index).contains("ActiveProfile=Standard Profile"));
        store()->setActiveProfile("ee01", "ee01", "");
        for (int selection = 0; selection < 3; ++selection) {
            store()->loadProfiles("ee01", "ee01");
            store()->findOrCreateProfile("ee01", "ee01", "Standard Profile");
            QCOMPARE(store()->activeProfile("ee01", "ee01")->profileName(),
                     QString("Standard Profile"));
        }
        QCOMPARE(QDir(CameraSettings::profileDirPath("ee01", "ee01")).entryList(QDir::Files).size(),
                 1);
        const QByteArray before = readFile(m_index);
        {
            const FileSizeLimit noGrowth(before.size());
            DebugCapture debug;
            store()->setActiveProfile("ee01", "ee01", "Evening");
            QVERIFY(debug.lines().contains(QString("config file not saved: \"%1\"").arg(m_index)));
        }
        QCOMPARE(readFile(m_index), before);
        const QDir folder = QFileInfo(m_index).dir();
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), folder.entryList(QDir::Files));
    }

    // Names are kept exactly as given. Records are announced while still alive before they go:
    // on a load, a reload and a rename, whose replaced record still writes its pending change.
    void loadReloadAndRename() {
        store()->loadProfiles("aaaa", "0001");
        store()->findOrCreateProfile("aaaa", "0001", "alpha");
        store()->findOrCreateProfile("aaaa", "0001", "Zeta");
        store()->loadProfiles("bbbb", "0002");
        store()->findOrCreateProfile("bbbb", "0002", "Night");
        QStringList announced;
        auto connection = connect(store(), &CameraSettings::recordsAboutToBeDeleted, this,
                                  [&](const QList<CameraSetting *> &r) { announced << names(r); });
        QCOMPARE(names(store()->loadProfiles("aaaa", "0001")), QStringList({"Zeta", "alpha"}));
        disconnect(connection);
        QCOMPARE(announced, QStringList({"Night"}));
        const QString odd = QString::fromUtf8(" 50%1 a__b/c, \u00e9\u4f1a \U0001F600 ");
        const QString made = store()->findOrCreateProfile("aaaa", "0001", odd)->filePath();
        QCOMPARE(store()->loadProfiles("aaaa", "0001").size(), 3);
        QCOMPARE(store()->findOrCreateProfile("aaaa", "0001", odd)->filePath(), made);
        QCOMPARE(QDir(CameraSettings::profileDirPath("aaaa", "0001")).entryList(QDir::Files).size(),
                 3);

        const QString dayPath = store()->findOrCreateProfile("aaaa", "0001", "alpha")->filePath();
        CameraSetting *zeta = store()->findOrCreateProfile("aaaa", "0001", "Zeta");
        QCOMPARE(store()->reloadActiveProfile("aaaa", "0001"), nullptr);  // Standard not loaded
        store()->setActiveProfile("aaaa", "0001", "alpha");
        QVERIFY(
            writeFile(dayPath, "[General]\nprofilename=alpha\n[VideoProcAmp]\nbrightness=33\n"));
        QSignalSpy spy(store(), &CameraSettings::recordsAboutToBeDeleted);
        CameraSetting *fresh = store()->reloadActiveProfile("aaaa", "0001");
        QVERIFY(fresh && fresh->filePath() == dayPath);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(fresh->brightness(), 33L);
        fresh->setGain(9, true);
        store()->renameProfile("aaaa", "0001", "Zeta", "alpha");
        QCOMPARE(spy.count(), 2);
        QCOMPARE(store()->findOrCreateProfile("aaaa", "0001", "alpha"), zeta);
        QVERIFY(readFile(dayPath).contains("gain="));
        store()->loadProfiles("ffff", "ffff");
        QVERIFY(readFile(zeta->filePath()).contains("profilename=alpha"));
    }

    // Files a person or another program left: only the first of two with one name is loaded, a
    // hostile one is skipped, and a load writes nothing but the ids into files that lack them.
    void filesNotWrittenByTheStore() {
        const QString dir = CameraSettings::profileDirPath("9999", "9999");
        QVERIFY(QDir().mkpath(dir + "/003_{c}.ini"));  // a folder named like a profile
        QByteArray garbage(4096, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) % 256);
        const QByteArray big =
            "[General]\nprofilename=Big\n[X]\n" + QByteArray(1 << 20, 'x') + "=1\n";
        const QByteArray duplicate = "[General]\nprofilename=Office\n[VideoProcAmp]\nhue=2\n";
        const QByteArray own = "[General]\npid=9999\nprofilename=Own\nvid=9999\n";
        const QMap<QString, QByteArray> files = {
            {"001_{a}", ""},
            {"002_{b}", garbage},
            {"004_{d}", big},
            {"005_{e}", "[General]\nprofilename=Office\n"},
            {"006_{f}", duplicate},
            {"007_{g}", "profilename=\"  a__b/%1 \\xe9  \"\n"},
            {"008_{h}",
             "[General]\nprofilename=Hostile\n"
             "note=1, @Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\n"},
            {"010_{j}", own}};
        for (auto f = files.begin(); f != files.end(); ++f)
            QVERIFY(writeFile(dir + "/" + f.key() + ".ini", f.value()));
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

QTEST_GUILESS_MAIN(TestProfiles)
#include "tst_profiles.moc"
