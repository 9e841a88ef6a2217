// The property operations on the camera layer, and the access log they write.

#include <QtTest>
#include <functional>

#include "CameraDeviceManager.h"
#include "CameraTestSupport.h"
#include "DebugCapture.h"
#include "FreshDataFolder.h"
#include "SimulatedBackend.h"

namespace {
// clang-format off
const QByteArray kCameras = R"({ "cameras": [
{ "path": "usb#vid_1a2b&pid_3c4d#1", "friendlyName": "Velt DocCam V4",
  "videoProcAmp": {
    "0": { "min": -64, "max": 64 }, "1": { "min": 0, "max": 64 }, "2": { "min": -180, "max": 180 },
    "3": { "min": 0, "max": 100, "default": 50, "caps": 0 },
    "4": { "min": 0, "max": 7, "default": 3, "caps": 2, "getFails": true },
    "5": { "min": 100, "max": 500 }, "8": { "min": 0, "max": 2 }, "9": { "min": 0, "max": 100 },
    "7": { "min": 2800, "max": 6500, "step": 10, "default": 4600, "caps": 3, "value": 4700, "flags": 1 } },
  "cameraControl": {
    "0": { "min": -180, "max": 180 }, "1": { "min": -180, "max": 180 }, "2": { "min": -180, "max": 180 },
    "3": { "min": 100, "max": 500, "setFails": "0x800700AA" }, "4": { "min": -13, "max": -1, "caps": 3 },
    "6": { "min": 0, "max": 1023, "caps": 3 }, "19": { "min": 0, "max": 1 } },
  "powerLine": { "value": 1, "flags": 2 } },
{ "path": "usb#vid_1a2b&pid_3c4d#2", "friendlyName": "Velt DocCam V4", "bindFails": true,
  "videoProcAmp": { "0": { "min": -64, "max": 64 } }, "powerLine": { "value": 1 } },
{ "path": "usb#vid_1a2b&pid_3c4d#3", "friendlyName": "Velt DocCam V4" },
{ "path": "usb#vid_1a2b&pid_3c4d#4", "friendlyName": "Velt DocCam V4",
  "powerLine": { "value": 2, "getFails": true, "setFails": true } }
] })";
// clang-format on
enum Camera { Full, BindFails, NoInterfaces, PowerLineFails, NoDevice };

}  // namespace

class TestCameraProperties : public QObject {
    Q_OBJECT

    FreshDataFolder m_data;
    QTemporaryDir m_dir;
    CameraDeviceManager *m = CameraDeviceManager::instance();

    void select(Camera camera) {
        m->enumerateDevices();
        m->setCurrentIndex(camera);
        if (camera == NoDevice)
            m->clearDevices();
    }
    bool read(bool image, PropertyInfo &info) {
        return image ? m->getProperty(info) : m->getCameraControlInfo(info);
    }
    // What the log gained by `call`: its begin and end lines and anything between.
    QStringList logged(const std::function<void()> &call) {
        const int before = externalLogLines().size();
        call();
        return externalLogLines(before);
    }

private slots:
    void accessLogIsStampedInLocalTimeAndFlushed() {
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
        logToExternal("first");
        const QDateTime after = QDateTime::currentDateTime().addMSecs(1);
        QCOMPARE(externalLogLines(),
                 QStringList("first"));  // readable at once, the logger still open
        // main() runs the test 5:30 ahead of UTC: a stamp in UTC, or with its fields taken
        // wrongly from the C library's broken-down time, falls outside.
        const QDateTime stamp = QDateTime::fromString(readFile(ExternalLogger::filePath()).left(23),
                                                      "yyyy-MM-dd hh:mm:ss.zzz");
        QVERIFY2(stamp >= before && stamp <= after, qPrintable(stamp.toString()));
        // In the state folder, not among the profiles; a relative one counts as unset.
        const QString state = qEnvironmentVariable("XDG_STATE_HOME");
        const QString own = "/tst_camera_properties/tintwell.log";
        QCOMPARE(ExternalLogger::filePath(), state + own);
        qputenv("XDG_STATE_HOME", "relative");
        QCOMPARE(ExternalLogger::filePath(), QDir::homePath() + "/.local/state" + own);
        qputenv("XDG_STATE_HOME", QFile::encodeName(state));
    }

    void initTestCase() {
        const QString file = m_dir.filePath("cameras.json");
        QVERIFY(writeFile(file, kCameras));
        m->setBackend(createSimulatedBackend(file));
    }
    void init() { select(Full); }

    void reads() {
        struct Row {
            Camera camera;
            int id;
            const char *name, *read;  // the result, max, min, step, default, value, caps, flags,
        };                            // available
        // clang-format off
        const Row rows[] = {
            {Full, 7, "getProperty:VideoProcAmp_WhiteBalance", "1 6500 2800 10 4600 4700 3 1 1"},
            {Full, 3, "getProperty:VideoProcAmp_Saturation", "1 100 0 1 50 50 0 2 0"},
            {Full, 4, "getProperty:VideoProcAmp_Sharpness", "0 7 0 1 3 0 2 0 1"},  // value read fails
            {NoDevice, 0, "getProperty:VideoProcAmp_Brightness", "0 0 0 0 0 0 0 0 0"},
            {Full, 12, "getProperty:Unknown VideoProcAmpProperty12", "0 0 0 0 0 0 0 0 0"},
            {BindFails, 8, "getProperty:VideoProcAmp_BacklightCompensation", "0 0 0 0 0 0 0 0 0"},
            {NoInterfaces, -1, "getCameraControlInfo:Unknown CameraControlInfo-1", "0 0 0 0 0 0 0 0 0"},
        };
        // clang-format on
        for (const Row &row : rows) {
            select(row.camera);
            PropertyInfo info{row.id, 99, 99, 99, 99, 99, true, 99, 99};  // stale contents go
            const QString call = QString(row.name).section(':', 0, 0);
            bool result = false;
            QCOMPARE(logged([&] { result = read(call == "getProperty", info); }),
                     QStringList({QString("begin ") + row.name, "end " + call + " elapsed:N(ms)"}));
            QCOMPARE(QString::asprintf("%s %d %ld %ld %ld %ld %ld %ld %ld %d", row.name, result,
                                       info.max, info.min, info.step, info.defaultValue, info.value,
                                       info.capsFlags, info.flags, info.available),
                     QString(row.name) + ' ' + row.read);
            QCOMPARE(info.id, long(row.id));
        }
    }

    void writesSendTheirFlags() {
        struct Row {
            std::function<void()> write;
            const char *name;
            int id;
            long value, flags;
        };
        // clang-format off
        const Row rows[] = {
            {[&] { m->setBrightness(-5); }, "VideoProcAmp_Brightness", 0, -5, 3},
            {[&] { m->setContrast(7); }, "VideoProcAmp_Contrast", 1, 7, 3},
            {[&] { m->setHue(-90); }, "VideoProcAmp_Hue", 2, -90, 3},
            {[&] { m->setSaturation(60); }, "VideoProcAmp_Saturation", 3, 60, 3},
            {[&] { m->setGamma(120); }, "VideoProcAmp_Gamma", 5, 120, 3},
            {[&] { m->setWhiteBalance(5000, false); }, "VideoProcAmp_WhiteBalance", 7, 5000, 3},
            {[&] { m->setWhiteBalance(5100, true); }, "VideoProcAmp_WhiteBalance", 7, 5100, 1},
            {[&] { m->setBacklightCompensation(2); }, "VideoProcAmp_BacklightCompensation", 8, 2, 3},
            {[&] { m->setGain(40); }, "VideoProcAmp_Gain", 9, 40, 3},
            {[&] { m->setPan(10); }, "CameraControl_Pan", 0, 10, 2},
            {[&] { m->setTilt(-10); }, "CameraControl_Tilt", 1, -10, 2},
            {[&] { m->setRoll(45); }, "CameraControl_Roll", 2, 45, 2},
            {[&] { m->setExposure(-3, false); }, "CameraControl_Exposure", 4, -3, 2},
            {[&] { m->setExposure(-4, true); }, "CameraControl_Exposure", 4, -4, 1},
            {[&] { m->setFocus(512, false); }, "CameraControl_Focus", 6, 512, 2},
            {[&] { m->setFocus(511, true); }, "CameraControl_Focus", 6, 511, 1},
            {[&] { m->setLowLightCompensation(true); },
             "setLowLightCompensation KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY", 19, 1, 2},
        };
        // clang-format on
        for (const Row &row : rows) {
            const bool image = QByteArray(row.name).startsWith("VideoProcAmp");
            const QString call = image ? "setProperty" : "setCameraControl";
            DebugCapture debug;
            QCOMPARE(logged(row.write), QStringList({"begin " + call + ":" + row.name,
                                                     "end " + call + " elapsed:N(ms)"}));
            PropertyInfo info{row.id};
            read(image, info);
            QVERIFY2(info.value == row.value && info.flags == row.flags, row.name);
            QCOMPARE(debug.lines(), QStringList(QString("successfully set %1 value: %2 , property "
                                                        "type: %3")
                                                    .arg(image ? "VPA" : "cc")
                                                    .arg(row.value)
                                                    .arg(row.id)));
        }
    }

    void refusedWritesAreReported() {
        DebugCapture debug;
        QCOMPARE(logged([&] {
                     m->setBrightness(100);
                     m->setZoom(150);
                 }),
                 QStringList({"begin setProperty:VideoProcAmp_Brightness",
                              "failed to set VPA value...", "end setProperty elapsed:N(ms)",
                              "begin setCameraControl:CameraControl_Zoom",
                              "failed to set cc value...", "end setCameraControl elapsed:N(ms)"}));
        QCOMPARE(debug.take(),
                 QStringList({"failed to set VPA value: 100 , property type: 0 \"0x80070057\"",
                              "failed to set cc value: 150 , property type: 3 \"0x800700aa\""}));
        // Where long is wider than the camera's values, one beyond them is not wrapped around.
        m->setGain((1L << 32) + 5);
        PropertyInfo gain{VideoProcAmp_Gain};
        QVERIFY(m->getProperty(gain) && (sizeof(long) == 4 || gain.value != 5));
        QVERIFY(sizeof(long) == 4 || !m->setPowerLineFrequency((1L << 32) + 1));
        // Without a device only the begin and end lines are written.
        select(NoDevice);
        debug.clear();
        QCOMPARE(logged([&] { m->setFocus(10, true); }).size(), 2);
        QVERIFY(debug.lines().isEmpty());
    }

    // Operations on a listed camera named by its path, whatever is selected.
    void byPath() {
        select(BindFails);
        const QString path = "USB#VID_1A2B&PID_3C4D#1";
        m->setCameraControl(path, CameraControl_Pan, 33, false);
        m->setProperty(path, VideoProcAmp_Hue, 44, false);
        PropertyInfo pan{CameraControl_Pan}, hue{VideoProcAmp_Hue};
        QVERIFY(m->getCameraControlInfo(path, pan) && m->getProperty(path, hue));
        QVERIFY(pan.value == 33 && hue.value == 44);
        QVERIFY(m->setPowerLineFrequency(path, 2));
        bool ok = false;
        QVERIFY(m->getPowerLineFrequency(path, &ok) == 2 && ok);
        QVERIFY(!m->getProperty("usb#vid_1a2b&pid_3c4d#9", hue));
    }

    void powerLine() {
        bool ok = false;
        DebugCapture debug;
        QVERIFY(m->setPowerLineFrequency(3) && !m->setPowerLineFrequency(7));
        QCOMPARE(m->getPowerLineFrequency(&ok), 3L);
        QVERIFY(ok);
        QCOMPARE(debug.lines(), QStringList({"set powerline freq OK, value: 3",
                                             "set powerline freq failure, value: 7",
                                             "power line frequency flags: 0"}));
        // Without a device or the interface the reading counts as fine but gives 0.
        for (Camera camera : {PowerLineFails, BindFails, NoInterfaces, NoDevice}) {
            select(camera);
            debug.clear();
            QCOMPARE(m->getPowerLineFrequency(&ok), 0L);
            QVERIFY(ok == (camera != PowerLineFails) && !m->setPowerLineFrequency(1));
            QCOMPARE(debug.lines().size(), camera == PowerLineFails ? 1 : 0);
        }
    }

    void accessLogRotatesKeepingOneOldFile() {
        FreshDataFolder data;
        const QString filler(1000, 'x');
        for (int i = 0; i < 2500; ++i)
            logToExternal(QString::number(i) + filler);
        const QString path = ExternalLogger::filePath();
        QVERIFY(QFileInfo(path).size() <= ExternalLogger::kMaxFileSize);
        QVERIFY(QFileInfo(path + ".1").size() > ExternalLogger::kMaxFileSize - 2000);
        QVERIFY(!QFileInfo::exists(path + ".2"));
        // The old file ends where the current one begins.
        const int lastOld =
            readFile(path + ".1").trimmed().split('\n').last().mid(24).chopped(1000).toInt();
        QCOMPARE(externalLogLines().first(), QString::number(lastOld + 1) + filler);
        QCOMPARE(externalLogLines().last(), QString::number(2499) + filler);
    }

    void accessLogThatCannotBeWrittenIsHarmless() {
        FreshDataFolder data;
        QVERIFY(QDir().mkpath(ExternalLogger::filePath()));  // its name taken by a folder
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 1000; ++i)
            logToExternal("dropped");
        QVERIFY(QFileInfo(ExternalLogger::filePath()).isDir() && timer.elapsed() < 2000);
    }
};

int main(int argc, char **argv) {
    qputenv("TZ", "IST-5:30");  // before anything reads the clock
    QCoreApplication app(argc, argv);
    TestCameraProperties test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_camera_properties.moc"
