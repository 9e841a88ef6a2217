#include <QtTest>
#include <functional>

#include "CameraDeviceManager.h"
#include "CameraTestSupport.h"
#include "DebugCapture.h"
#include "FileBytes.h"
#include "FreshDataFolder.h"
#include "PropertyNames.h"
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
    bool read(bool imageFamily, PropertyInfo &info) {
        return imageFamily ? m->getProperty(info) : m->getCameraControlInfo(info);
    }
    long valueOf(bool imageFamily, int id) {
        PropertyInfo info;
        info.id = id;
        read(imageFamily, info);
        return info.value;
    }
    int logLineCount() { return externalLogLines().size(); }

private slots:
    void initTestCase() {
        const QString file = m_dir.filePath("cameras.json");
        QVERIFY(writeFile(file, kCameras));
        m->setBackend(createSimulatedBackend(file));
        QCOMPARE(m->enumerateDevices(), 4);
    }

    void init() { select(Full); }

    void reads_data() {
        QTest::addColumn<int>("camera");
        QTest::addColumn<bool>("imageFamily");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("result");
        // max, min, step, default, value, capsFlags, flags, available
        QTest::addColumn<QList<long>>("record");
        const QList<long> zeros = {0, 0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("good") << int(Full) << true << 7 << true
                              << QList<long>{6500, 2800, 10, 4600, 4700, 3, 1, 1};
        QTest::newRow("no capabilities")
            << int(Full) << true << 3 << true << QList<long>{100, 0, 1, 50, 50, 0, 2, 0};
        QTest::newRow("value read fails")
            << int(Full) << true << 4 << false << QList<long>{7, 0, 1, 3, 0, 2, 0, 1};
        QTest::newRow("no device") << int(NoDevice) << true << 0 << false << zeros;
        QTest::newRow("unknown id") << int(Full) << true << 12 << false << zeros;
        QTest::newRow("bind fails") << int(BindFails) << true << 0 << false << zeros;
        QTest::newRow("no interface") << int(NoInterfaces) << false << 6 << false << zeros;
    }
    void reads() {
        QFETCH(int, camera);
        QFETCH(bool, imageFamily);
        QFETCH(int, id);
        select(Camera(camera));
        // Stale contents must not survive a read.
        PropertyInfo info{id, 99, 99, 99, 99, 99, true, 99, 99};
        const int before = logLineCount();
        QTEST(read(imageFamily, info), "result");
        QCOMPARE(info.id, long(id));
        QTEST((QList<long>{info.max, info.min, info.step, info.defaultValue, info.value,
                           info.capsFlags, info.flags, long(info.available)}),
              "record");
        const QString call = imageFamily ? "getProperty" : "getCameraControlInfo";
        const QString name =
            imageFamily ? videoProcAmpPropertyName(id) : cameraControlPropertyName(id);
        QCOMPARE(externalLogLines(before),
                 QStringList({"begin " + call + ":" + name, "end " + call + " elapsed:N(ms)"}));
    }

    void writesSendTheirFlags() {
        struct Row {
            std::function<void()> write;
            bool imageFamily;
            int id;
            long value, flags;
        };
        // clang-format off
        const Row rows[] = {
            {[&] { m->setBrightness(-5); }, true, 0, -5, 3},
            {[&] { m->setContrast(7); }, true, 1, 7, 3},
            {[&] { m->setHue(-90); }, true, 2, -90, 3},
            {[&] { m->setSaturation(60); }, true, 3, 60, 3},
            {[&] { m->setGamma(120); }, true, 5, 120, 3},
            {[&] { m->setWhiteBalance(5000, false); }, true, 7, 5000, 3},
            {[&] { m->setWhiteBalance(5100, true); }, true, 7, 5100, 1},
            {[&] { m->setBacklightCompensation(2); }, true, 8, 2, 3},
            {[&] { m->setGain(40); }, true, 9, 40, 3},
            {[&] { m->setPan(10); }, false, 0, 10, 2},
            {[&] { m->setTilt(-10); }, false, 1, -10, 2},
            {[&] { m->setRoll(45); }, false, 2, 45, 2},
            {[&] { m->setExposure(-3, false); }, false, 4, -3, 2},
            {[&] { m->setExposure(-4, true); }, false, 4, -4, 1},
            {[&] { m->setFocus(512, false); }, false, 6, 512, 2},
            {[&] { m->setFocus(511, true); }, false, 6, 511, 1},
            {[&] { m->setLowLightCompensation(true); }, false, 19, 1, 2},
        };
        // clang-format on
        for (const Row &row : rows) {
            const QString call = row.imageFamily ? "setProperty" : "setCameraControl";
            const QString name = row.imageFamily ? videoProcAmpPropertyName(row.id)
                                                 : cameraControlPropertyName(row.id);
            const int before = logLineCount();
            DebugCapture debug(DebugCapture::EveryMessage);
            row.write();
            QCOMPARE(externalLogLines(before),
                     QStringList({"begin " + call + ":" + name, "end " + call + " elapsed:N(ms)"}));
            PropertyInfo info;
            info.id = row.id;
            read(row.imageFamily, info);
            QVERIFY2(info.value == row.value && info.flags == row.flags, qPrintable(name));
            QCOMPARE(debug.lines(),
                     QStringList(QString("successfully set %1 value: %2 , property type: %3")
                                     .arg(row.imageFamily ? "VPA" : "cc")
                                     .arg(row.value)
                                     .arg(row.id)));
        }
    }

    void refusedWritesAreReported() {
        const long zoom = valueOf(false, CameraControl_Zoom);
        const int before = logLineCount();
        DebugCapture debug(DebugCapture::EveryMessage);
        m->setBrightness(100);
        m->setZoom(150);
        QCOMPARE(externalLogLines(before),
                 QStringList({"begin setProperty:VideoProcAmp_Brightness",
                              "failed to set VPA value...", "end setProperty elapsed:N(ms)",
                              "begin setCameraControl:CameraControl_Zoom",
                              "failed to set cc value...", "end setCameraControl elapsed:N(ms)"}));
        QCOMPARE(debug.take(),
                 QStringList({"failed to set VPA value: 100 , property type: 0 \"0x80070057\"",
                              "failed to set cc value: 150 , property type: 3 \"0x800700aa\""}));
        QCOMPARE(valueOf(false, CameraControl_Zoom), zoom);
        // Without a device only the begin and end lines are written.
        select(NoDevice);
        debug.clear();
        const int mark = logLineCount();
        m->setFocus(10, true);
        QVERIFY(debug.lines().isEmpty());
        QCOMPARE(externalLogLines(mark).size(), 2);
    }

    void valuesBeyond32BitsAreNotWrapped() {
        if (sizeof(long) <= 4)
            QSKIP("long is the camera's own width here");
        const long wrapsToFive = (1L << 32) + 5;
        m->setGain(wrapsToFive);
        QVERIFY(valueOf(true, VideoProcAmp_Gain) != 5);
        QVERIFY(!m->setPowerLineFrequency((1L << 32) + 1));
    }

    void powerLine() {
        DebugCapture debug(DebugCapture::EveryMessage);
        bool ok = false;
        QCOMPARE(m->getPowerLineFrequency(&ok), 1L);
        QVERIFY(ok);
        QVERIFY(m->setPowerLineFrequency(3));
        QVERIFY(!m->setPowerLineFrequency(7));
        QCOMPARE(m->getPowerLineFrequency(&ok), 3L);
        QCOMPARE(
            debug.take(),
            QStringList({"power line frequency flags: 2", "set powerline freq OK, value: 3",
                         "set powerline freq failure, value: 7", "power line frequency flags: 0"}));
        select(PowerLineFails);
        debug.clear();
        QCOMPARE(m->getPowerLineFrequency(&ok), 0L);
        QVERIFY(!ok);
        QVERIFY(!m->setPowerLineFrequency(1));
        QCOMPARE(debug.take(), QStringList("set powerline freq failure, value: 1"));
        // Without a device or without the interface the reading counts as fine but gives 0.
        for (Camera camera : {BindFails, NoInterfaces, NoDevice}) {
            select(camera);
            debug.clear();
            QCOMPARE(m->getPowerLineFrequency(&ok), 0L);
            QVERIFY(ok && !m->setPowerLineFrequency(1) && debug.lines().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestCameraProperties)
#include "tst_camera_properties.moc"
