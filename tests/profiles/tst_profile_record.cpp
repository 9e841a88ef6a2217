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
#endif

namespace {

// Every control of the first camera has its own default so that a getter asking for the wrong
// id shows. Gain and tilt are listed without capabilities (not available), roll not at all.
const char kCameras[] = R"({ "cameras": [
 { "path": "@device:pnp:\\\\?\\usb#vid_1a2b&pid_3c4d&mi_00#6&1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
   "friendlyName": "Velt DocCam V4",
   "videoProcAmp": {
     "0": {"min": -64, "max": 64, "step": 1, "default": 11, "caps": 2, "value": 0, "flags": 2},
     "1": {"min": 0, "max": 64, "step": 1, "default": 12, "caps": 2, "value": 0, "flags": 2},
     "2": {"min": -64, "max": 64, "step": 1, "default": 13, "caps": 2, "value": 0, "flags": 2},
     "3": {"min": 0, "max": 64, "step": 1, "default": 14, "caps": 2, "value": 0, "flags": 2},
     "4": {"min": 0, "max": 64, "step": 1, "default": 15, "caps": 2, "value": 0, "flags": 2},
     "5": {"min": 0, "max": 64, "step": 1, "default": 16, "caps": 2, "value": 0, "flags": 2},
     "7": {"min": 0, "max": 9000, "step": 1, "default": 17, "caps": 3, "value": 0, "flags": 1},
     "8": {"min": 0, "max": 64, "step": 1, "default": 18, "caps": 2, "value": 0, "flags": 2},
     "9": {"min": 0, "max": 64, "step": 1, "default": 19, "caps": 0, "value": 0, "flags": 2} },
   "cameraControl": {
     "0": {"min": -90, "max": 90, "step": 1, "default": 21, "caps": 2, "value": 0, "flags": 2},
     "1": {"min": -90, "max": 90, "step": 1, "default": 22, "caps": 0, "value": 0, "flags": 2},
     "3": {"min": 0, "max": 90, "step": 1, "default": 23, "caps": 2, "value": 0, "flags": 2},
     "4": {"min": -13, "max": 90, "step": 1, "default": 24, "caps": 3, "value": 0, "flags": 1},
     "6": {"min": 0, "max": 1023, "step": 1, "default": 26, "caps": 3, "value": 0, "flags": 1},
     "19": {"min": 0, "max": 1, "step": 1, "default": 1, "caps": 2, "value": 0, "flags": 2} },
   "powerLine": { "value": 1, "flags": 0 } },
 { "path": "@device:pnp:\\\\?\\usb#vid_1a2b&pid_1f05&mi_00#6&2&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
   "friendlyName": "Velt WebCam W1080",
   "cameraControl": {
     "19": {"min": 0, "max": 1, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2} },
   "powerLine": { "value": 1, "flags": 0, "getFails": true } } ] })";

const int kNoFlag = -1;

// Reads one property by its key name; the companion flag (if any) goes to *flag.
long readProperty(CameraSetting &s, const QString &name, int *flag) {
    bool b = false;
    const QMap<QString, std::function<long()>> getters = {
        {"brightness", [&] { return s.brightness(); }},
        {"contrast", [&] { return s.contrast(); }},
        {"hue", [&] { return s.hue(); }},
        {"saturation", [&] { return s.saturation(); }},
        {"sharpness", [&] { return s.sharpness(); }},
        {"gamma", [&] { return s.gamma(&b); }},
        {"gain", [&] { return s.gain(&b); }},
        {"backlightcompensation", [&] { return s.backlightCompensation(&b); }},
        {"powerlinefrequency", [&] { return s.powerLineFrequency(&b); }},
        {"pan", [&] { return s.pan(&b); }},
        {"tilt", [&] { return s.tilt(&b); }},
        {"roll", [&] { return s.roll(&b); }},
        {"zoom", [&] { return s.zoom(&b); }},
        {"whitebalance", [&] { return s.whiteBalance(&b); }},
        {"exposure", [&] { return s.exposure(&b); }},
        {"focus", [&] { return s.focus(&b); }},
        {"lowlightcompensation", [&] { return long(s.lowLightCompensation()); }},
    };
    Q_ASSERT(getters.contains(name));
    const bool hasFlag = name != "lowlightcompensation" && name != "brightness" &&
                         name != "contrast" && name != "hue" && name != "saturation" &&
                         name != "sharpness";
    const long v = getters[name]();
    *flag = hasFlag ? int(b) : kNoFlag;
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
        QVERIFY(writeFile(json, kCameras));
        CameraDeviceManager::instance()->setBackend(createSimulatedBackend(json));
        QCOMPARE(CameraDeviceManager::instance()->enumerateDevices(), 2);
    }

    void getterReadsStoredValueOrCameraDefault_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("flag");
        const QByteArray only = "[General]\nvid=1a2b\npid=3c4d\nprofilename=P\n";
        const QByteArray vpa = "[VideoProcAmp]\n", cc = "[CameraControl]\n";
        // Absent entries: the camera's default; "enabled" follows availability, "auto" is true.
        QTest::newRow("absent brightness") << only << "brightness" << 11 << kNoFlag;
        QTest::newRow("absent contrast") << only << "contrast" << 12 << kNoFlag;
        QTest::newRow("absent hue") << only << "hue" << 13 << kNoFlag;
        QTest::newRow("absent saturation") << only << "saturation" << 14 << kNoFlag;
        QTest::newRow("absent sharpness") << only << "sharpness" << 15 << kNoFlag;
        QTest::newRow("absent gamma") << only << "gamma" << 16 << 1;
        QTest::newRow("absent gain, caps 0") << only << "gain" << 19 << 0;
        QTest::newRow("absent backlight") << only << "backlightcompensation" << 18 << 1;
        QTest::newRow("absent power line") << only << "powerlinefrequency" << 2 << 1;
        QTest::newRow("absent pan") << only << "pan" << 21 << 1;
        QTest::newRow("absent tilt, caps 0") << only << "tilt" << 22 << 0;
        QTest::newRow("absent roll, not offered") << only << "roll" << 0 << 0;
        QTest::newRow("absent zoom") << only << "zoom" << 23 << 1;
        QTest::newRow("absent white balance") << only << "whitebalance" << 17 << 1;
        QTest::newRow("absent exposure") << only << "exposure" << 24 << 1;
        QTest::newRow("absent focus") << only << "focus" << 26 << 1;
        QTest::newRow("absent low light, default 1")
            << only << "lowlightcompensation" << 1 << kNoFlag;
        // Stored and damaged entries.
        QTest::newRow("stored 0") << vpa + "brightness=0"
                                  << "brightness" << 0 << kNoFlag;
        QTest::newRow("stored sentinel") << vpa + "brightness=-10000"
                                         << "brightness" << 11 << kNoFlag;
        QTest::newRow("plain 42") << vpa + "brightness=42"
                                  << "brightness" << 42 << kNoFlag;
        QTest::newRow("text abc") << vpa + "brightness=abc"
                                  << "brightness" << 0 << kNoFlag;
        QTest::newRow("gain 5 disabled") << vpa + "gain=5\ngainenabled=false"
                                         << "gain" << 5 << 0;
        QTest::newRow("enabled 0") << vpa + "gamma=5\ngammaenabled=0"
                                   << "gamma" << 5 << 0;
        QTest::newRow("enabled yes") << vpa + "gamma=5\ngammaenabled=yes"
                                     << "gamma" << 5 << 1;
        QTest::newRow("disabled, absent value") << vpa + "gammaenabled=false"
                                                << "gamma" << 16 << 1;
        QTest::newRow("auto false, absent value") << vpa + "whitebalanceauto=false"
                                                  << "whitebalance" << 17 << 1;
        QTest::newRow("auto false kept") << vpa + "whitebalance=3\nwhitebalanceauto=FALSE"
                                         << "whitebalance" << 3 << 0;
        QTest::newRow("backlight sentinel is a value") << vpa + "backlightcompensation=-10000"
                                                       << "backlightcompensation" << -10000 << 1;
        QTest::newRow("backlight empty")
            << vpa + "backlightcompensation=\nbacklightcompensationEnabled=false"
            << "backlightcompensation" << 18 << 1;
        QTest::newRow("backlight abc") << vpa + "backlightcompensation=abc"
                                       << "backlightcompensation" << 0 << 1;
        QTest::newRow("power line stored")
            << vpa + "powerlinefrequency=1\npowerlinefrequencyenabled=false"
            << "powerlinefrequency" << 1 << 0;
        QTest::newRow("focus abc") << cc + "focus=abc\nfocusauto=false"
                                   << "focus" << 0 << 0;
        QTest::newRow("low light off") << cc + "lowlightcompensation=false"
                                       << "lowlightcompensation" << 0 << kNoFlag;
        QTest::newRow("low light text") << cc + "lowlightcompensation=abc"
                                        << "lowlightcompensation" << 1 << kNoFlag;
    }

    void getterReadsStoredValueOrCameraDefault() {
        QFETCH(QByteArray, file);
        QFETCH(QString, property);
        QFETCH(int, value);
        QFETCH(int, flag);
        selectCamera("3c4d");
        const QString path = freshPath();
        QVERIFY(writeFile(path, file));
        CameraSetting record(path);
        int gotFlag = kNoFlag;
        QCOMPARE(readProperty(record, property, &gotFlag), long(value));
        QCOMPARE(gotFlag, flag);
        QCOMPARE(readFile(path), file);  // getters never write
    }

    void fallbackWhenCameraLacksControls() {
        CameraSetting record(freshPath());
        int flag = kNoFlag;
        selectCamera("1f05");  // no image controls, power line read refused
        QCOMPARE(readProperty(record, "gain", &flag), 0L);
        QCOMPARE(flag, 0);
        QCOMPARE(readProperty(record, "whitebalance", &flag), 0L);
        QCOMPARE(flag, 1);
        QCOMPARE(readProperty(record, "powerlinefrequency", &flag), 0L);
        QCOMPARE(flag, 0);
        QCOMPARE(readProperty(record, "lowlightcompensation", &flag), 0L);
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
    // keeps whole old content, and the path never shows a half-written file.
    void writesReplaceTheFileWhole() {
        const QString path = freshPath();
        auto *record = new CameraSetting(path);
        record->setGain(1, true);
        record->sync();
        QVERIFY(record->isAtomicSyncRequired());
        const QByteArray before = readFile(path);
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        struct stat first, second;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &first), 0);
        record->setGain(2, false);
        delete record;  // the destructor's write must be atomic too
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &second), 0);
        QVERIFY(first.st_ino != second.st_ino);
        QCOMPARE(old.readAll(), before);
        QVERIFY(readFile(path).contains("gainenabled=false"));
    }
#endif
};

QTEST_GUILESS_MAIN(TestProfileRecord)
#include "tst_profile_record.moc"
