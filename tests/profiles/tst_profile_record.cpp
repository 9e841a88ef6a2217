// A profile record on its file: what the getters make of stored, absent and damaged entries
// against a simulated camera, and the exact bytes the setters leave on disk.

#include <sys/stat.h>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "CameraDeviceManager.h"
#include "CameraSetting.h"
#include "FileBytes.h"
#include "FileSizeLimit.h"
#include "FreshDataFolder.h"
#include "SimulatedBackend.h"

namespace {

const QStringList kKeys = QString(
                              "brightness contrast hue saturation sharpness gamma gain "
                              "backlightcompensation powerlinefrequency pan tilt roll zoom "
                              "whitebalance exposure focus lowlightcompensation")
                              .split(' ');

// One property read by its key name, as "value flag" (flag -1 where the getter has none).
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
    const int i = kKeys.indexOf(key);
    const long v = getters[i]();
    return QString("%1 %2").arg(v).arg(i < 5 || i == 16 ? -1 : int(b));
}

// Every control has a default of its own (11 + id for image controls, 30 + id for camera
// controls), so a getter asking for the wrong id shows. Gain and tilt are listed as not
// available, roll not at all; low-light compensation (19) is on by default.
QByteArray controls(const QMap<int, int> &capsById, int base) {
    QStringList list;
    for (auto c = capsById.begin(); c != capsById.end(); ++c)
        list << QString("\"%1\": {\"min\": -64, \"max\": 9000, \"default\": %2, \"caps\": %3}")
                    .arg(c.key())
                    .arg(c.key() == 19 ? 1 : base + c.key())
                    .arg(c.value());
    return "{" + list.join(", ").toUtf8() + "}";
}

}  // namespace

class TestProfileRecord : public QObject {
    Q_OBJECT
    FreshDataFolder m_data;
    QTemporaryDir m_dir;
    int m_files = 0;

    QString freshPath() { return m_dir.filePath(QString("%1_x.ini").arg(++m_files)); }

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
                controls({{0, 2}, {1, 0}, {3, 2}, {4, 3}, {6, 3}, {19, 2}}, 30) +
                ", \"powerLine\": {\"value\": 1}}]}"));
        CameraDeviceManager::instance()->setBackend(createSimulatedBackend(json));
        QCOMPARE(CameraDeviceManager::instance()->enumerateDevices(), 1);
        CameraDeviceManager::instance()->selectByVidPid("1a2b", "3c4d");
    }

    // Absent entries give the camera's default; "enabled" follows availability, "auto" is true.
    void absentEntriesGiveCameraDefaults() {
        const QString path = freshPath();
        QVERIFY(writeFile(path, "[General]\nprofilename=P\n"));
        CameraSetting record(path);
        QStringList values;
        for (const QString &key : kKeys)
            values << key + ' ' + read(record, key);
        QCOMPARE(
            values.join(", "),
            QString("brightness 11 -1, contrast 12 -1, hue 13 -1, saturation 14 -1, "
                    "sharpness 15 -1, gamma 16 1, gain 20 0, backlightcompensation 19 1, "
                    "powerlinefrequency 1 1, pan 30 1, tilt 31 0, roll 0 0, zoom 33 1, "
                    "whitebalance 18 1, exposure 34 1, focus 36 1, lowlightcompensation 1 -1"));
    }

    void storedEntries_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("read");
        // clang-format off
        QTest::newRow("0") << QByteArray("[VideoProcAmp]\nbrightness=0") << "brightness" << "0 -1";
        QTest::newRow("sentinel") << QByteArray("[VideoProcAmp]\nbrightness=-10000") << "brightness" << "11 -1";
        QTest::newRow("text") << QByteArray("[VideoProcAmp]\nbrightness=abc") << "brightness" << "0 -1";
        QTest::newRow("enabled 0") << QByteArray("[VideoProcAmp]\ngamma=5\ngammaenabled=0") << "gamma" << "5 0";
        QTest::newRow("enabled yes") << QByteArray("[VideoProcAmp]\ngamma=5\ngammaenabled=yes") << "gamma" << "5 1";
        QTest::newRow("disabled, no value") << QByteArray("[VideoProcAmp]\ngammaenabled=false") << "gamma" << "16 1";
        QTest::newRow("manual, no value") << QByteArray("[VideoProcAmp]\nwhitebalanceauto=false") << "whitebalance" << "18 1";
        QTest::newRow("manual") << QByteArray("[VideoProcAmp]\nwhitebalance=3\nwhitebalanceauto=FALSE") << "whitebalance" << "3 0";
        QTest::newRow("backlight sentinel") << QByteArray("[VideoProcAmp]\nbacklightcompensation=-10000") << "backlightcompensation" << "-10000 1";
        QTest::newRow("backlight empty") << QByteArray("[VideoProcAmp]\nbacklightcompensation=\nbacklightcompensationEnabled=false") << "backlightcompensation" << "19 1";
        QTest::newRow("power line") << QByteArray("[VideoProcAmp]\npowerlinefrequency=1\npowerlinefrequencyenabled=false") << "powerlinefrequency" << "1 0";
        QTest::newRow("low light off") << QByteArray("[CameraControl]\nlowlightcompensation=false") << "lowlightcompensation" << "0 -1";
        QTest::newRow("low light text") << QByteArray("[CameraControl]\nlowlightcompensation=abc") << "lowlightcompensation" << "1 -1";
        // clang-format on
    }
    void storedEntries() {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        const QString path = freshPath();
        QVERIFY(writeFile(path, file));
        CameraSetting record(path);
        QTEST(read(record, key), "read");
        QCoreApplication::sendPostedEvents();
        QCOMPARE(readFile(path), file);  // getters never write
    }

    void settersWriteLongs() {
        const QString path = freshPath();
        {
            CameraSetting record(path);
            record.setVid("1a2b");
            record.setProfileName("Office");
            record.setGain(7, false);
            record.setBrightness(CameraSetting::kUseCameraDefault);
            record.setPan(-1, true);
            record.setLowLightCompensation(true);
        }  // written by the destructor
        QCOMPARE(readFile(path),
                 QByteArray("[General]\nprofilename=Office\nvid=1a2b\n\n[CameraControl]\n"
                            "lowlightcompensation=true\n"
                            "pan=@Variant(\\0\\0\\0\\x81\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff)\n"
                            "panenabled=true\n\n[VideoProcAmp]\n"
                            "brightness=@Variant(\\0\\0\\0\\x81\\xff\\xff\\xff\\xff\\xff\\xff\\xd8"
                            "\\xf0)\ngain=@Variant(\\0\\0\\0\\x81\\0\\0\\0\\0\\0\\0\\0\\a)\n"
                            "gainenabled=false\n"));
        CameraSetting reread(path);
        QCOMPARE(read(reread, "gain") + read(reread, "pan") + read(reread, "brightness"),
                 QString("7 0-1 111 -1"));
    }

    void profileNameRule() {
        const QString numbered = m_dir.filePath("003_{0f3e9c1a-77aa-4b2c-9d10-5e6f7a8b9c0d}.ini");
        const QString handmade = m_dir.filePath("handmade.ini");
        for (const QString &path : {numbered, handmade, freshPath()})
            QVERIFY(writeFile(path, "[General]\nprofilename=\n"));
        QCOMPARE(CameraSetting(numbered).profileName(), QString("Unnamed Profile 003"));
        QVERIFY(readFile(numbered).contains("profilename=Unnamed Profile 003"));  // synced at once
        QCOMPARE(CameraSetting(handmade).profileName(), QString("Unnamed Profile"));
        QVERIFY(writeFile(handmade, "[General]\nvid=1a2b\n"));
        QCOMPARE(CameraSetting(handmade).profileName(), QString());

        const QString unusual = QString::fromUtf8(" 50% a__b/c, Caf\u00e9 \u4f1a \U0001F600 ");
        const QString path = freshPath();
        CameraSetting(path).setProfileName(unusual);
        QCOMPARE(CameraSetting(path).profileName(), unusual);
    }

    // A write renames a complete new file over the old one: a reader of the old file keeps the
    // whole old content. A write that cannot complete (the file may not grow) leaves the file as
    // it was and says so.
    void writesReplaceTheFileWhole() {
        const QString path = freshPath();
        auto *record = new CameraSetting(path);
        record->setProfileName(QString(300, 'a'));  // room for Qt's own lock file
        QVERIFY(record->sync());
        const QByteArray before = readFile(path);
        {
            const FileSizeLimit noGrowth(before.size());
            record->setProfileName(QString(310, 'b'));
            QVERIFY(!record->sync());
        }
        QCOMPARE(readFile(path), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QDir(m_dir.path()).entryList(QDir::Files));
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        struct stat first, second;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &first), 0);
        delete record;  // the destructor's write is atomic too
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &second), 0);
        QVERIFY(first.st_ino != second.st_ino);
        QCOMPARE(old.readAll(), before);
        QVERIFY(readFile(path).contains("profilename=" + QByteArray(310, 'b') + "\n"));
    }
};

QTEST_GUILESS_MAIN(TestProfileRecord)
#include "tst_profile_record.moc"
