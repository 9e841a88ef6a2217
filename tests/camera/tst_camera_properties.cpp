#include <QtTest>
#include <functional>

#include "CameraDeviceManager.h"
#include "CameraTestSupport.h"
#include "SimulatedBackend.h"

namespace {
QByteArray control(int min, int max, int value, int caps = 2, const QByteArray &extra = {}) {
    return QString(
               "{ \"min\": %1, \"max\": %2, \"step\": 1, \"default\": %3, \"caps\": %4, "
               "\"value\": %3, \"flags\": 2%5 }")
        .arg(min)
        .arg(max)
        .arg(value)
        .arg(caps)
        .arg(extra.isEmpty() ? QString() : ", " + extra)
        .toUtf8();
}
using Write = std::function<void(CameraDeviceManager *)>;
}  // namespace
Q_DECLARE_METATYPE(Write)

class TestCameraProperties : public QObject {
    Q_OBJECT

    FreshDataFolder m_data;
    QTemporaryDir m_dir;
    CameraDeviceManager *m = CameraDeviceManager::instance();
    enum Camera { Full, BindFails, NoInterfaces, PowerLineFails };

    void select(Camera camera) { m->setCurrentIndex(camera); }
    PropertyInfo read(bool imageFamily, int id, bool *result = nullptr) {
        PropertyInfo info;
        info.id = id;
        const bool ok = imageFamily ? m->getProperty(info) : m->getCameraControlInfo(info);
        if (result)
            *result = ok;
        return info;
    }
    int logLineCount() { return externalLogLines().size(); }

private slots:
    void initTestCase() {
        const QByteArray vpa =
            "\"videoProcAmp\": { \"0\": " + control(-64, 64, 0) + ", \"1\": " + control(0, 64, 32) +
            ", \"2\": " + control(-180, 180, 0) + ", \"3\": " + control(0, 100, 50, 0) +
            ", \"4\": " + control(0, 7, 3, 2, "\"getFails\": true") +
            ", \"5\": " + control(100, 500, 300) + ", \"7\": " + control(2800, 6500, 4600, 3) +
            ", \"8\": " + control(0, 2, 1) + ", \"9\": " + control(0, 100, 0) + " }";
        const QByteArray cc =
            "\"cameraControl\": { \"0\": " + control(-180, 180, 0) +
            ", \"1\": " + control(-180, 180, 0) + ", \"2\": " + control(-180, 180, 0) +
            ", \"3\": " + control(100, 500, 100, 2, "\"setFails\": \"0x800700AA\"") +
            ", \"4\": " + control(-13, -1, -6, 3) + ", \"6\": " + control(0, 1023, 300, 3) +
            ", \"19\": " + control(0, 1, 0) + " }";
        const QString file = m_dir.filePath("cameras.json");
        writeFileInPlace(
            file,
            camerasJson({
                cameraJson(usbPath("1a2b", "3c4d", "1"), "Velt DocCam V4",
                           vpa + ", " + cc + ", \"powerLine\": { \"value\": 1, \"flags\": 2 }"),
                cameraJson(usbPath("1a2b", "3c4d", "2"), "Velt DocCam V4",
                           "\"bindFails\": true, " + vpa + ", \"powerLine\": { \"value\": 1 }"),
                cameraJson(usbPath("1a2b", "3c4d", "3"), "Velt DocCam V4"),
                cameraJson(
                    usbPath("1a2b", "3c4d", "4"), "Velt DocCam V4",
                    "\"powerLine\": { \"value\": 2, \"getFails\": true, \"setFails\": true }"),
            }));
        m->setBackend(createSimulatedBackend(file));
        QCOMPARE(m->enumerateDevices(), 4);
    }

    void init() { select(Full); }

    void goodReadFillsTheRecord() {
        bool ok = false;
        const PropertyInfo info = read(true, VideoProcAmp_WhiteBalance, &ok);
        QVERIFY(ok);
        QCOMPARE(QList<long>({info.id, info.max, info.min, info.step, info.defaultValue, info.value,
                              info.capsFlags, info.flags}),
                 QList<long>({7, 6500, 2800, 1, 4600, 4600, 3, 2}));
        QVERIFY(info.available);
    }

    void failedReadsLeaveZeros_data() {
        QTest::addColumn<int>("camera");
        QTest::addColumn<bool>("imageFamily");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("rangeKept");
        QTest::newRow("no device") << -1 << true << 0 << false << false;
        QTest::newRow("unknown id") << int(Full) << true << 12 << false << false;
        QTest::newRow("bind fails") << int(BindFails) << true << 0 << false << false;
        QTest::newRow("no interface") << int(NoInterfaces) << false << 6 << false << false;
        QTest::newRow("value read fails") << int(Full) << true << 4 << false << true;
    }
    void failedReadsLeaveZeros() {
        QFETCH(int, camera);
        QFETCH(bool, imageFamily);
        QFETCH(int, id);
        if (camera < 0)
            m->clearDevices();
        else
            select(Camera(camera));
        PropertyInfo info;
        info.id = id;
        info.max = info.min = info.step = info.defaultValue = info.value = 99;
        info.capsFlags = info.flags = 99;
        info.available = true;
        const int before = logLineCount();
        QTEST(imageFamily ? m->getProperty(info) : m->getCameraControlInfo(info), "result");
        QCOMPARE(info.id, long(id));
        QCOMPARE(info.value, 0L);
        QCOMPARE(info.flags, 0L);
        QFETCH(bool, rangeKept);
        if (rangeKept) {
            QCOMPARE(info.max, 7L);
            QCOMPARE(info.defaultValue, 3L);
            QVERIFY(info.available);
        } else {
            QCOMPARE(
                QList<long>({info.max, info.min, info.step, info.defaultValue, info.capsFlags}),
                QList<long>({0, 0, 0, 0, 0}));
            QVERIFY(!info.available);
        }
        const QString call = imageFamily ? "getProperty" : "getCameraControlInfo";
        const QString name =
            imageFamily ? videoProcAmpPropertyName(id) : cameraControlPropertyName(id);
        const QStringList lines = externalLogLines(before);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], "begin " + call + ":" + name);
        QVERIFY2(QRegularExpression("^end " + call + " elapsed:\\d+\\(ms\\)$")
                     .match(lines[1])
                     .hasMatch(),
                 qPrintable(lines[1]));
        m->enumerateDevices();
    }

    void noCapabilitiesMeansUnavailable() {
        bool ok = false;
        const PropertyInfo info = read(true, VideoProcAmp_Saturation, &ok);
        QVERIFY(ok);
        QVERIFY(!info.available);
        QCOMPARE(info.value, 50L);
    }

    void writesSendTheirFlags_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<bool>("imageFamily");
        QTest::addColumn<int>("id");
        QTest::addColumn<long>("value");
        QTest::addColumn<long>("flags");
        auto row = [](const char *name, Write w, bool image, int id, long value, long flags) {
            QTest::newRow(name) << w << image << id << value << flags;
        };
        row(
            "brightness", [](auto m) { m->setBrightness(-5); }, true, 0, -5, 3);
        row(
            "contrast", [](auto m) { m->setContrast(7); }, true, 1, 7, 3);
        row(
            "hue", [](auto m) { m->setHue(-90); }, true, 2, -90, 3);
        row(
            "gamma", [](auto m) { m->setGamma(120); }, true, 5, 120, 3);
        row(
            "backlight", [](auto m) { m->setBacklightCompensation(2); }, true, 8, 2, 3);
        row(
            "gain", [](auto m) { m->setGain(40); }, true, 9, 40, 3);
        row(
            "white balance by hand", [](auto m) { m->setWhiteBalance(5000, false); }, true, 7, 5000,
            3);
        row(
            "white balance automatic", [](auto m) { m->setWhiteBalance(5100, true); }, true, 7,
            5100, 1);
        row(
            "pan", [](auto m) { m->setPan(10); }, false, 0, 10, 2);
        row(
            "tilt", [](auto m) { m->setTilt(-10); }, false, 1, -10, 2);
        row(
            "roll", [](auto m) { m->setRoll(45); }, false, 2, 45, 2);
        row(
            "exposure by hand", [](auto m) { m->setExposure(-3, false); }, false, 4, -3, 2);
        row(
            "exposure automatic", [](auto m) { m->setExposure(-4, true); }, false, 4, -4, 1);
        row(
            "focus by hand", [](auto m) { m->setFocus(512, false); }, false, 6, 512, 2);
        row(
            "focus automatic", [](auto m) { m->setFocus(511, true); }, false, 6, 511, 1);
        row(
            "low light on", [](auto m) { m->setLowLightCompensation(true); }, false, 19, 1, 2);
        row(
            "low light off", [](auto m) { m->setLowLightCompensation(false); }, false, 19, 0, 2);
    }
    void writesSendTheirFlags() {
        QFETCH(Write, write);
        QFETCH(bool, imageFamily);
        QFETCH(int, id);
        const int before = logLineCount();
        DebugLines debug;
        write(m);
        const PropertyInfo info = read(imageFamily, id);
        QTEST(info.value, "value");
        QTEST(info.flags, "flags");
        const QString family = imageFamily ? "VPA" : "cc";
        QCOMPARE(debug.lines(),
                 QStringList(QString("successfully set %1 value: %2 , property type: %3")
                                 .arg(family)
                                 .arg(info.value)
                                 .arg(id)));
        const QString call = imageFamily ? "setProperty" : "setCameraControl";
        const QString name =
            imageFamily ? videoProcAmpPropertyName(id) : cameraControlPropertyName(id);
        QCOMPARE(externalLogLines(before).value(0), "begin " + call + ":" + name);
    }

    void refusedWritesAreReported_data() {
        QTest::addColumn<bool>("imageFamily");
        QTest::addColumn<QString>("debugLine");
        QTest::addColumn<QStringList>("externalLines");
        QTest::newRow("value out of range")
            << true << "failed to set VPA value: 100 , property type: 0 \"0x80070057\""
            << QStringList({"begin setProperty:VideoProcAmp_Brightness",
                            "failed to set VPA value...", "end setProperty elapsed:"});
        QTest::newRow("camera refuses")
            << false << "failed to set cc value: 150 , property type: 3 \"0x800700aa\""
            << QStringList({"begin setCameraControl:CameraControl_Zoom",
                            "failed to set cc value...", "end setCameraControl elapsed:"});
    }
    void refusedWritesAreReported() {
        QFETCH(bool, imageFamily);
        QFETCH(QString, debugLine);
        QFETCH(QStringList, externalLines);
        const int id = imageFamily ? int(VideoProcAmp_Brightness) : int(CameraControl_Zoom);
        const long valueBefore = read(imageFamily, id).value;
        const int before = logLineCount();
        DebugLines debug;
        if (imageFamily)
            m->setBrightness(100);
        else
            m->setZoom(150);
        QCOMPARE(debug.lines(), QStringList(debugLine));
        QStringList lines = externalLogLines(before);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(
            QRegularExpression("^" + QRegularExpression::escape(externalLines[2]) + "\\d+\\(ms\\)$")
                .match(lines[2])
                .hasMatch(),
            qPrintable(lines[2]));
        lines[2] = externalLines[2];
        QCOMPARE(lines, externalLines);
        // Nothing changed on the camera.
        QCOMPARE(read(imageFamily, id).value, valueBefore);
    }

    void valuesBeyond32BitsAreNotWrapped() {
        if (sizeof(long) <= 4)
            QSKIP("long is the camera's own width here");
        const long wrapsToFive = (1L << 32) + 5;
        DebugLines debug;
        m->setGain(wrapsToFive);
        QVERIFY(read(true, VideoProcAmp_Gain).value != 5);
        QCOMPARE(debug.lines().value(0),
                 QString("failed to set VPA value: %1 , property type: 9 \"0x80070057\"")
                     .arg(wrapsToFive));
        QVERIFY(!m->setPowerLineFrequency((1L << 32) + 1));
    }

    void writesWithoutDeviceOnlyLog() {
        m->clearDevices();
        const int before = logLineCount();
        DebugLines debug;
        m->setFocus(10, true);
        QVERIFY(debug.lines().isEmpty());
        QCOMPARE(externalLogLines(before).size(), 2);
        m->enumerateDevices();
    }

    void powerLine() {
        DebugLines debug;
        bool ok = false;
        QCOMPARE(m->getPowerLineFrequency(&ok), 1L);
        QVERIFY(ok);
        QVERIFY(m->setPowerLineFrequency(3));
        QCOMPARE(m->getPowerLineFrequency(&ok), 3L);
        QVERIFY(!m->setPowerLineFrequency(7));
        QCOMPARE(m->getPowerLineFrequency(&ok), 3L);
        QCOMPARE(
            debug.take(),
            QStringList({"power line frequency flags: 2", "set powerline freq OK, value: 3",
                         "power line frequency flags: 0", "set powerline freq failure, value: 7",
                         "power line frequency flags: 0"}));
        select(PowerLineFails);
        QCOMPARE(m->getPowerLineFrequency(&ok), 0L);
        QVERIFY(!ok);
        QVERIFY(!m->setPowerLineFrequency(1));
        QCOMPARE(debug.take(), QStringList("set powerline freq failure, value: 1"));
        // Without a device or without the interface the reading counts as fine but gives 0.
        for (Camera camera : {BindFails, NoInterfaces}) {
            select(camera);
            ok = false;
            QCOMPARE(m->getPowerLineFrequency(&ok), 0L);
            QVERIFY(ok);
            QVERIFY(!m->setPowerLineFrequency(1));
        }
        m->clearDevices();
        ok = false;
        QCOMPARE(m->getPowerLineFrequency(&ok), 0L);
        QVERIFY(ok);
        QVERIFY(debug.lines().isEmpty());
        m->enumerateDevices();
    }
};

QTEST_GUILESS_MAIN(TestCameraProperties)
#include "tst_camera_properties.moc"
