// A profile record on its file: what each getter yields from stored, absent, damaged and
// hand-written entries against simulated cameras, and the exact bytes the setters leave on disk.

#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "CameraDeviceManager.h"
#include "CameraSetting.h"
#include "FileBytes.h"
#include "FreshDataFolder.h"
#include "SimulatedBackend.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>

#include "FileSizeLimit.h"
#endif

namespace {

// Every control of the first camera has its own default (11 + id for image controls, 30 + id for
// camera controls) so that a getter asking for the wrong id shows. Gain and tilt are listed
// without capabilities (not available), roll not at all. Low-light compensation (19) is on by
// default on the first camera only.
QByteArray controls(const QMap<int, int> &capsById, int base) {
    QStringList list;
    for (auto c = capsById.begin(); c != capsById.end(); ++c)
        list << QString("\"%1\": {\"min\": -64, \"max\": 9000, \"default\": %2, \"caps\": %3}")
                    .arg(c.key())
                    .arg(c.key() == 19 ? int(base != 0) : base + c.key())
                    .arg(c.value());
    return "{" + list.join(", ").toUtf8() + "}";
}

QByteArray camerasJson() {
    const QByteArray path = "{\"path\": \"@device:pnp:\\\\\\\\?\\\\usb#vid_1a2b&pid_";
    return "{\"cameras\": [" + path + "3c4d#1\", \"friendlyName\": \"Velt DocCam V4\"" +
           ", \"videoProcAmp\": " +
           controls({{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {7, 3}, {8, 2}, {9, 0}}, 11) +
           ", \"cameraControl\": " +
           controls({{0, 2}, {1, 0}, {3, 2}, {4, 3}, {6, 3}, {19, 2}}, 30) +
           ", \"powerLine\": {\"value\": 1}}, " + path +
           "1f05#2\", \"friendlyName\": \"Velt WebCam W1080\", \"cameraControl\": " +
           controls({{19, 2}}, 0) + ", \"powerLine\": {\"value\": 1, \"getFails\": true}}]}";
}

const int kNoFlag = -1;
const QStringList kProperties =
    QString(
        "brightness contrast hue saturation sharpness gamma gain backlightcompensation "
        "powerlinefrequency pan tilt roll zoom whitebalance exposure focus lowlightcompensation")
        .split(' ');

// Reads one property by its key name; the companion flag (if any) goes to *flag.
long readProperty(CameraSetting &s, const QString &name, int *flag) {
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
    const int index = kProperties.indexOf(name);
    Q_ASSERT(index >= 0);
    const long v = getters[index]();
    *flag = index < 5 || index == 16 ? kNoFlag : int(b);
    return v;
}

}  // namespace

class TestProfileRecord : public QObject {
    Q_OBJECT
    FreshDataFolder m_data;
    QTemporaryDir m_dir;
    int m_files = 0;

    QString freshPath() { return m_dir.filePath(QStringLiteral("%1_x.ini").arg(++m_files)); }
    void selectCamera(const QString &pid) {
        CameraDeviceManager::instance()->selectByVidPid(QStringLiteral("1a2b"), pid);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        const QString json = m_dir.filePath("cameras.json");
        QVERIFY(writeFile(json, camerasJson()));
        CameraDeviceManager::instance()->setBackend(createSimulatedBackend(json));
        QCOMPARE(CameraDeviceManager::instance()->enumerateDevices(), 2);
    }

    void getterReadsStoredValueOrCameraDefault_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("flag");
        QTest::addColumn<QString>("pid");
        auto row = [](const char *name, const char *entries, const char *property, int value,
                      int flag, const char *pid = "3c4d") {
            QTest::newRow(name) << QByteArray(entries) << QString(property) << value << flag
                                << QString(pid);
        };
        // clang-format off
        row("stored 0", "[VideoProcAmp]\nbrightness=0", "brightness", 0, kNoFlag);
        row("stored sentinel", "[VideoProcAmp]\nbrightness=-10000", "brightness", 11, kNoFlag);
        row("text abc", "[VideoProcAmp]\nbrightness=abc", "brightness", 0, kNoFlag);
        row("enabled 0", "[VideoProcAmp]\ngamma=5\ngammaenabled=0", "gamma", 5, 0);
        row("enabled yes", "[VideoProcAmp]\ngamma=5\ngammaenabled=yes", "gamma", 5, 1);
        row("disabled, absent value", "[VideoProcAmp]\ngammaenabled=false", "gamma", 16, 1);
        row("auto false, absent value", "[VideoProcAmp]\nwhitebalanceauto=false", "whitebalance", 18, 1);
        row("auto false kept", "[VideoProcAmp]\nwhitebalance=3\nwhitebalanceauto=FALSE", "whitebalance", 3, 0);
        row("backlight sentinel is a value", "[VideoProcAmp]\nbacklightcompensation=-10000", "backlightcompensation", -10000, 1);
        row("backlight empty", "[VideoProcAmp]\nbacklightcompensation=\nbacklightcompensationEnabled=false", "backlightcompensation", 19, 1);
        row("power line stored", "[VideoProcAmp]\npowerlinefrequency=1\npowerlinefrequencyenabled=false", "powerlinefrequency", 1, 0);
        row("low light off", "[CameraControl]\nlowlightcompensation=false", "lowlightcompensation", 0, kNoFlag);
        row("low light text", "[CameraControl]\nlowlightcompensation=abc", "lowlightcompensation", 1, kNoFlag);
        // The second camera has no image controls and refuses the power line read.
        row("no gain control", "", "gain", 0, 0, "1f05");
        row("no white balance control", "", "whitebalance", 0, 1, "1f05");
        row("power line read refused", "", "powerlinefrequency", 0, 0, "1f05");
        row("low light default off", "", "lowlightcompensation", 0, kNoFlag, "1f05");
        // clang-format on
    }

    // Absent entries: the camera's default; "enabled" follows availability, "auto" is true.
    void absentEntriesGiveCameraDefaults() {
        selectCamera("3c4d");
        const QString path = freshPath();
        const QByteArray file = "[General]\nvid=1a2b\npid=3c4d\nprofilename=P\n";
        QVERIFY(writeFile(path, file));
        CameraSetting record(path);
        QStringList read;
        for (const QString &name : kProperties) {
            int flag = kNoFlag;
            read << QString("%1 %2 %3").arg(name).arg(readProperty(record, name, &flag)).arg(flag);
        }
        QCOMPARE(
            read.join(", "),
            QString("brightness 11 -1, contrast 12 -1, hue 13 -1, saturation 14 -1, "
                    "sharpness 15 -1, gamma 16 1, gain 20 0, backlightcompensation 19 1, "
                    "powerlinefrequency 1 1, pan 30 1, tilt 31 0, roll 0 0, zoom 33 1, "
                    "whitebalance 18 1, exposure 34 1, focus 36 1, lowlightcompensation 1 -1"));
        QCOMPARE(readFile(path), file);
    }

    void getterReadsStoredValueOrCameraDefault() {
        QFETCH(QByteArray, file);
        QFETCH(QString, property);
        QFETCH(int, value);
        QFETCH(int, flag);
        QFETCH(QString, pid);
        const QString path = freshPath();
        QVERIFY(writeFile(path, file));
        CameraSetting record(path);
        selectCamera(pid);  // the record asks the camera selected when it is read
        int gotFlag = kNoFlag;
        QCOMPARE(readProperty(record, property, &gotFlag), long(value));
        QCOMPARE(gotFlag, flag);
        QCOMPARE(readFile(path), file);  // getters never write
    }

    void settersWriteSerializedLongs() {
        const QString path = freshPath();
        {
            CameraSetting record(path);
            record.setVid("1a2b");
            record.setPid("3c4d");
            record.setProfileName("Office");
            record.setGain(7, false);
            record.setBrightness(CameraSetting::kUseCameraDefault);
            record.setPan(-1, true);
            record.setLowLightCompensation(true);
        }  // written by the destructor
        QCOMPARE(readFile(path),
                 QByteArray("[General]\n"
                            "pid=3c4d\n"
                            "profilename=Office\n"
                            "vid=1a2b\n"
                            "\n"
                            "[CameraControl]\n"
                            "lowlightcompensation=true\n"
                            "pan=@Variant(\\0\\0\\0\\x81\\xff\\xff\\xff\\xff\\xff"
                            "\\xff\\xff\\xff)\n"
                            "panenabled=true\n"
                            "\n"
                            "[VideoProcAmp]\n"
                            "brightness=@Variant(\\0\\0\\0\\x81\\xff\\xff\\xff\\xff"
                            "\\xff\\xff\\xd8\\xf0)\n"
                            "gain=@Variant(\\0\\0\\0\\x81\\0\\0\\0\\0\\0\\0\\0\\a)\n"
                            "gainenabled=false\n"));
        selectCamera("3c4d");
        CameraSetting reread(path);
        bool enabled = true;
        QCOMPARE(reread.gain(&enabled), 7L);
        QVERIFY(!enabled);
        QCOMPARE(reread.pan(&enabled), -1L);
        QCOMPARE(reread.brightness(), 11L);
    }

    void profileNameRule() {
        const QString noEntry = m_dir.filePath("004_{0f3e9c1a-77aa-4b2c-9d10-5e6f7a8b9c0d}.ini");
        QVERIFY(writeFile(noEntry, "[General]\nvid=1a2b\n"));
        QCOMPARE(CameraSetting(noEntry).profileName(), QString());
        QCOMPARE(readFile(noEntry), QByteArray("[General]\nvid=1a2b\n"));

        const QString empty = m_dir.filePath("003_{0f3e9c1a-77aa-4b2c-9d10-5e6f7a8b9c0d}.ini");
        QVERIFY(writeFile(empty, "[General]\nprofilename=\n"));
        CameraSetting record(empty);
        QCOMPARE(record.profileName(), QString("Unnamed Profile 003"));
        QVERIFY(readFile(empty).contains("profilename=Unnamed Profile 003"));  // synced at once

        const QString noCounter = m_dir.filePath("handmade.ini");
        QVERIFY(writeFile(noCounter, "[General]\nprofilename=\n"));
        QCOMPARE(CameraSetting(noCounter).profileName(), QString("Unnamed Profile"));

        const QString unusual =
            QString::fromUtf8(" 50% a__b/c, Caf\u00e9 \u4f1a\u8bae \U0001F600 ");
        const QString path = freshPath();
        CameraSetting(path).setProfileName(unusual);
        QCOMPARE(CameraSetting(path).profileName(), unusual);
    }

#ifdef Q_OS_UNIX
    // A write replaces the file by renaming a complete new one over it: a reader of the old file
    // keeps whole old content, and the path never shows a half-written file. A write that cannot
    // complete (the file may not grow) leaves the file as it was and reports it.
    void writesReplaceTheFileWhole() {
        const QString path = freshPath();
        auto *record = new CameraSetting(path);
        record->setGain(1, true);
        record->setProfileName(QString(300, 'a'));  // room for Qt's own lock file
        QVERIFY(record->sync());
        const QByteArray before = readFile(path);
        {
            const FileSizeLimit noGrowth(before.size());
            record->setProfileName(QString(310, 'b'));
            QVERIFY(!record->sync());
        }
        QCOMPARE(readFile(path), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 QDir(m_dir.path()).entryList(QDir::Files).size());
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        struct stat first, second;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &first), 0);
        record->setGain(2, false);
        delete record;  // the destructor's write must be atomic too
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &second), 0);
        QVERIFY(first.st_ino != second.st_ino);
        QCOMPARE(old.readAll(), before);
        QVERIFY(readFile(path).contains("gainenabled=false\n"));
        QVERIFY(readFile(path).contains("profilename=" + QByteArray(310, 'b') + "\n"));
    }
#endif
};

QTEST_GUILESS_MAIN(TestProfileRecord)
#include "tst_profile_record.moc"
