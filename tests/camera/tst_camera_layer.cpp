// The camera layer: which cameras it lists and selects, the property operations on them, the
// access log they write, and the simulated cameras it is tested with.

#include <unistd.h>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>
#include <cstdio>
#include <functional>

#include "CameraDeviceManager.h"
#include "CameraListFile.h"
#include "CaptureBackendFactory.h"
#include "DebugCapture.h"
#include "DeviceIdentification.h"
#include "ExternalLogger.h"
#include "FileBytes.h"
#include "FreshDataFolder.h"
#include "SimulatedBackend.h"
#include "SimulatedCameraFile.h"
#include "SimulatedCameraSet.h"
#include "SimulatedDevice.h"

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

// The camera access log from line `skip` on, without time stamps and with elapsed times as "N(ms)".
static QStringList externalLogLines(int skip = 0) {
    QStringList lines = QString(readFile(ExternalLogger::filePath())).split('\n').mid(skip);
    for (QString &line : lines)
        line = line.mid(24).replace(QRegularExpression(" elapsed:\\d+\\(ms\\)$"), " elapsed:N(ms)");
    return lines.mid(0, lines.size() - 1);
}

// Sends this process's standard error to a file while it lives.
class StandardErrorCapture {
public:
    StandardErrorCapture() {
        std::fflush(stderr);
        if (m_file.open())
            dup2(m_file.handle(), 2);
    }
    ~StandardErrorCapture() {
        std::fflush(stderr);
        dup2(m_saved, 2);
        close(m_saved);
    }
    QString text() const {
        std::fflush(stderr);
        return readFile(m_file.fileName());
    }

private:
    int m_saved = dup(2);
    QTemporaryFile m_file;
};

static QString p(const QString &pid, const QString &instance) {
    return usbCameraPath("1a2b", pid, instance);
}
static QJsonObject cam(const QString &path, const QString &name) {
    return name.isNull() ? QJsonObject{{"path", path}}
                         : QJsonObject{{"path", path}, {"friendlyName", name}};
}
// How qDebug writes a string.
static QString quoted(QString text) {
    return '"' + text.replace("\\", "\\\\") + '"';
}

class TestCameraLayer : public QObject {
    Q_OBJECT

    FreshDataFolder m_data;
    QTemporaryDir m_dir;
    CameraDeviceManager *m = CameraDeviceManager::instance();
    int m_files = 0;

    int useCameras(const QList<QJsonObject> &cameras) {
        const CameraListFile file(m_dir.filePath(QString("cameras%1.json").arg(++m_files)));
        file.write(cameras);
        file.useInCameraLayer();
        return m->enumerateDevices();
    }
    QStringList listed() const {
        QStringList entries;
        for (int i = 0; i < m->count(); ++i)
            entries << m->devicePath(i) + " = " + m->friendlyName(i);
        return entries;
    }
    // One of the cameras of kCameras, or none.
    void select(Camera camera) {
        m->enumerateDevices();
        m->setCurrentIndex(camera);
        if (camera == NoDevice)
            m->clearDevices();
    }
    bool read(bool image, PropertyInfo &info) {
        return image ? m->getProperty(info) : m->getCameraControlInfo(info);
    }
    // What the log gained by `call`.
    QStringList logged(const std::function<void()> &call) {
        const int before = externalLogLines().size();
        call();
        return externalLogLines(before);
    }

private slots:
    void init() {
        const QString file = m_dir.filePath("properties.json");
        QVERIFY(writeFile(file, kCameras));
        m->setBackend(createSimulatedBackend(file));
        select(Full);
    }

    void parsesIds() {
        const QString rows[][3] = {
            // the path, then the ids found in it
            {"@device:pnp:\\\\?\\USB#VID_ABCD&PID_12EF&MI_00#X", "abcd", "12ef"},
            {"usb#vid_zz_9&pid_q__1", "zz_9", "q__1"},  // not only hex digits
            {"usb#vid_1111&pid_2222#usb#vid_3333&pid_4444", "1111", "2222"},
            {"usb#vid_1a2b&pid_3c4", "XXXX", "XXXX"},
        };
        for (const auto &row : rows) {
            QString vid = "stale", pid = "stale";
            const bool found = parseVidPid(row[0], &vid, &pid);
            QCOMPARE(QStringList({vid, pid, found ? "found" : "XXXX"}),
                     QStringList({row[1], row[2], row[1] == "XXXX" ? "XXXX" : "found"}));
        }
    }

    // The notification test looks at the product id alone and logs each of its steps.
    void notifiedPaths() {
        const QString supported = "@device:pnp:\\\\?\\USB#VID_FFFF&PID_1F05&MI_00#6&1&0&0000#{X}";
        const QString unsupported = "@device:pnp:\\\\?\\usb#vid_1a2b&pid_ffff&mi_00#x";
        DebugCapture debug;
        QVERIFY(isVeltDevice(supported) && !isVeltDevice(unsupported));
        QVERIFY(!isVeltDevice("@device:sw:{860BB310}"));
        QCOMPARE(debug.lines(), QStringList({"capCount: 2", "cap 1: \"ffff\" , cap 2: \"1f05\"",
                                             "is velt device: " + quoted(supported), "capCount: 2",
                                             "cap 1: \"1a2b\" , cap 2: \"ffff\"",
                                             "is not velt device: " + quoted(unsupported)}));
    }

    void listsSupportedCamerasOnceUnderTheirNames() {
        const QString docCam = p("3c4d", "a").toUpper(), twin = p("2a10", "0");
        QCOMPARE(useCameras({}), -1);
        QCOMPARE(useCameras({cam(p("ffff", "c"), "Velt DocCam V4")}), 0);
        QCOMPARE(useCameras({
                     cam(docCam, "velt doccam v4"), cam(p("3c4d", "b"), "Generic USB Camera"),
                     cam(p("3c00", "d"), QString()),  // no property bag
                     cam("@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\x", "DocCam Mini"),
                     cam(docCam, "DocCam Mini"),                    // the same path again
                     cam(p("3c4d", "a"), "  Velt WebCam W1080\t"),  // another path by case
                     cam(p("5F2A", "e"), "P20 PTZ"), cam(p("1f05", "f"), "Velt DocCam V4 (2)"),
                     cam(p("1f05", "g"), "My Velt DocCam V4"),
                     cam(twin, " Velt DocCam V4"),  // its path sorts first, ignoring case
                 }),
                 4);
        const QStringList expected = {docCam + " = velt doccam v4 (2)",
                                      p("3c4d", "a") + " =   Velt WebCam W1080\t",
                                      p("5F2A", "e") + " = P20 PTZ", twin + " =  Velt DocCam V4"};
        QCOMPARE(listed(), expected);
        // Enumerating again neither duplicates entries nor touches the selection.
        m->setCurrentIndex(2);
        QCOMPARE(m->enumerateDevices(), 4);
        QCOMPARE(listed(), expected);
        QCOMPARE(m->currentIndex(), 2);
    }

    void selection() {
        const QStringList paths = {p("3c4d", "1"), p("2a10", "2"), p("3c4d", "3")};
        useCameras({cam(paths[0], "DocCam Mini"), cam(paths[1], "DocCam Mini"),
                    cam(paths[2], "DocCam Mini")});
        m->setCurrentIndex(1);
        for (int outside : {-1, 3}) {
            m->setCurrentIndex(outside);
            m->removeAt(outside);
            QVERIFY(m->friendlyName(outside).isEmpty() && m->devicePath(outside).isEmpty());
        }
        QCOMPARE(m->currentIndex(), 1);
        QCOMPARE(m->count(), 3);

        DebugCapture debug;
        m->selectByVidPid("1a2b", "3c4d");  // the first of two of one model
        QCOMPARE(m->currentIndex(), 0);
        m->selectByVidPid("1A2B", "2A10");  // compared as written
        QCOMPARE(m->currentIndex(), 0);
        QCOMPARE(debug.lines().mid(2, 1),
                 QStringList("tvid, tpid \"1a2b\" \"3c4d\" , (vid,pid): \"1a2b\" \"3c4d\""));
        debug.clear();
        m->selectByPath(paths[1].toUpper());
        QCOMPARE(m->currentIndex(), 1);
        QCOMPARE(debug.lines(),
                 QStringList(
                     {"===1==== " + quoted(paths[1].toLower()), "===2==== " + quoted(paths[0]),
                      "===1==== " + quoted(paths[1].toLower()), "===2==== " + quoted(paths[1])}));
        m->selectByPath("@device:pnp:unknown");
        QCOMPARE(m->currentIndex(), 1);

        // Removing selects the last entry.
        m->setCurrentIndex(0);
        m->removeByPath(paths[0].toUpper());
        QCOMPARE(m->currentDevicePath(), paths[2]);
        m->removeByPath(paths[2]);
        m->removeByPath(paths[1]);
        QCOMPARE(m->currentIndex(), -1);
        m->enumerateDevices();
        m->setCurrentIndex(2);
        m->clearDevices();
        QVERIFY(m->currentDevicePath().isEmpty());
    }

    // A backend that cannot be had is named on standard error with the one used instead.
    void backendChoice() {
        const QByteArray saved = qgetenv("TINTWELL_CAMERA_BACKEND");
        const QString rows[][2] = {
            {"simulated", ""},
            {"bogus", "\"bogus\" from %1 is unknown"},
#ifndef _WIN32
            {"directshow", "\"directshow\" from %1 is not available in this build"},
#endif
        };
        for (const auto &[name, complaint] : rows) {
            qputenv("TINTWELL_CAMERA_BACKEND", name.toLatin1());
            StandardErrorCapture errors;
            const std::unique_ptr<capture::Backend> backend = createCaptureBackend();
            QCOMPARE(errors.text(),
                     complaint.isEmpty()
                         ? QString()
                         : QString("tintwell: camera backend %1; using \"%2\"\n")
                               .arg(complaint.arg("TINTWELL_CAMERA_BACKEND"), backend->name()));
            QVERIFY(!complaint.isEmpty() || backend->name() == name);
        }
        qputenv("TINTWELL_CAMERA_BACKEND", saved);
    }

    void reads() {
        struct Row {
            Camera camera;
            int id;
            const char *name, *read;  // result max min step default value caps flags available
        };
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
            QCOMPARE(QString::asprintf("%s %d %ld %ld %ld %ld %ld %ld %ld %d %ld", row.name, result,
                                       info.max, info.min, info.step, info.defaultValue, info.value,
                                       info.capsFlags, info.flags, info.available, info.id),
                     QString("%1 %2 %3").arg(row.name, row.read).arg(row.id));
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
            QCOMPARE(QString("%1 %2 ").arg(info.value).arg(info.flags) + debug.lines().join('|'),
                     QString("%1 %2 successfully set %3 value: %1 , property type: %4")
                         .arg(row.value)
                         .arg(row.flags)
                         .arg(image ? "VPA" : "cc")
                         .arg(row.id));
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
        m->setControl(path, PropertyFamily::CameraControl, CameraControl_Pan, 33, false);
        m->setControl(path, PropertyFamily::VideoProcAmp, VideoProcAmp_Hue, 44, false);
        PropertyInfo pan{CameraControl_Pan}, hue{VideoProcAmp_Hue};
        QVERIFY(m->getControl(path, PropertyFamily::CameraControl, pan) &&
                m->getProperty(path, hue));
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

    // A faulty camera file is refused whole, on one line naming the place of the fault.
    void faultsNameTheirPlace() {
        // clang-format off
        const char *rows[][2] = {
            {"{ \"cameras\": [\n  { \"path\" \"x\" }\n] }", "not valid JSON at line 2, column 13:"},
            {"", "not valid JSON at line 1, column 1:"},
            {"[]", "at top level:"},
            {R"({"cameras": [{"path": "p", "friendlyname": "a"}]})", R"(at cameras[0]: unknown key "friendlyname")"},
            {R"({"cameras": [{"path": "p"}, {"path": "q", "videoProcAmp": {"x1": {"min": 0, "max": 1}}}]})", R"(at cameras[1].videoProcAmp."x1":)"},
            {R"({"cameras": [{"path": "p", "cameraControl": {"6": {"min": 5, "max": 1}}}]})", R"(at cameras[0].cameraControl."6": "min" is greater than "max")"},
            {R"({"cameras": [{"path": "p", "cameraControl": {"6": {"min": 0, "max": 4294967296}}}]})", R"(at cameras[0].cameraControl."6".max:)"},
            {R"({"cameras": [{"path": "p", "cameraControl": {"6": {"min": 0, "max": 9, "value": 1.5}}}]})", R"(at cameras[0].cameraControl."6".value:)"},
            {R"({"cameras": [{"path": "p", "videoProcAmp": {"0": {"min": 0, "max": 9, "setFails": "E_FAIL"}}}]})", R"(at cameras[0].videoProcAmp."0".setFails:)"},
            {R"({"cameras": [{"path": "p", "powerLine": {"getFails": 1}}]})", "at cameras[0].powerLine.getFails:"},
            {"/nonexistent/cams.json", "cannot be read"},
            {"/dev/zero", "cannot be read"},  // endless
        };
        // clang-format on
        for (const auto &[json, error] : rows) {
            const bool file = json[0] == '/';
            const SimulatedCameraLoad load =
                file ? loadSimulatedCameraFile(json) : parseSimulatedCameras(json, "cams.json");
            QVERIFY(!load.ok && load.cameras.empty() && !load.error.contains('\n'));
            QVERIFY2(load.error.startsWith(QString(file ? json : "cams.json") + ": " + error),
                     qPrintable(load.error));
        }
    }

    void replacingTheCameraSet() {
        auto described = [](const QByteArray &cameras) {
            return parseSimulatedCameras("{\"cameras\": [" + cameras + "]}", "t").cameras;
        };
        const QByteArray controls = R"("videoProcAmp": {"0": {"min": 0, "max": 9}})";
        const QByteArray a = R"({"path": "A", )" + controls + "}", b = R"({"path": "B"})";
        SimulatedCameraSet set;
        QCOMPARE(set.replace(described(a + "," + b + "," + b)).arrived,
                 std::vector<std::string>({"A", "B"}));
        SimulatedDevice deviceA(set.cameras().at(0)), deviceB(set.cameras().at(1));
        std::unique_ptr<capture::BoundDevice> bound;
        std::unique_ptr<capture::ControlFamily> family;
        QVERIFY(deviceA.bind(bound) == capture::kOk && bound->queryVideoProcAmp(family) == 0);
        QCOMPARE(family->set(0, 7, 2), capture::kOk);
        std::int32_t value = 0, flags = 0;
        // The same description: nothing arrives or leaves and the value set stays.
        SimulatedCameraSet::Changes changes = set.replace(described(a + "," + b + "," + b));
        QVERIFY(changes.arrived.empty() && changes.left.empty());
        QVERIFY(family->get(0, &value, &flags) == capture::kOk && value == 7);
        // A redescribed camera stays plugged in as described; one that left fails as unplugged.
        changes = set.replace(described(R"({"path": "A", "friendlyName": "new", )" + controls +
                                        R"(}, {"path": "C"})"));
        QCOMPARE(changes.left, std::vector<std::string>({"B"}));
        QCOMPARE(changes.arrived, std::vector<std::string>({"C"}));
        std::string name;
        QVERIFY(deviceA.friendlyName(name) == capture::kOk && name == "new");
        QVERIFY(family->get(0, &value, &flags) == capture::kOk && value == 0);
        QCOMPARE(deviceB.bind(bound), capture::kDeviceNotConnected);
    }

    void hotPlugFollowsTheFile() {
        const CameraListFile file(m_dir.filePath("hotplug.json"));
        const QJsonObject a{{"path", usbCameraPath("1a2b", "3c4d", "a")}},
            b{{"path", usbCameraPath("1a2b", "1f05", "b")}, {"friendlyName", "DocCam Mini"}},
            c{{"path", usbCameraPath("1a2b", "2b20", "c")}, {"friendlyName", "DocCam Mini"}};
        // A notification names the interface in upper case.
        auto notified = [](const QJsonObject &camera) {
            const QString path = camera["path"].toString();
            return QVariantList{path.left(12) + path.mid(12).toUpper()};
        };
        QVERIFY(file.write({a}));
        file.useInCameraLayer();
        QVERIFY(m->unregisterDeviceNotification());  // nothing registered yet
        QVERIFY(m->registerDeviceNotification(0));
        QSignalSpy arrivals(m, &CameraDeviceManager::deviceArrival);
        QSignalSpy removals(m, &CameraDeviceManager::deviceRemoval);
        QVERIFY(file.writeInPlace({a, b}));
        QTRY_COMPARE(arrivals, QList<QVariantList>({notified(b)}));
        QVERIFY(file.write({b}));  // a rename over the file
        QTRY_COMPARE(removals, QList<QVariantList>({notified(a)}));

        // A broken or vanished file is reported and changes nothing; the next good file is
        // compared with the last good one.
        StandardErrorCapture errors;
        QVERIFY(writeFileByRename(file.path(), "{ \"cameras\": [ "));
        QTRY_VERIFY(errors.text().contains(file.path() + ": not valid JSON at line 1"));
        QFile::remove(file.path());
        QTRY_VERIFY(errors.text().contains(file.path() + ": cannot be read"));
        QVERIFY(file.write({b, c}));
        QTRY_COMPARE(arrivals.size(), 2);
        QCOMPARE(arrivals.last(), notified(c));
        QCOMPARE(removals.size(), 1);
        QCOMPARE(errors.text().count('\n'), 2);

        QVERIFY(m->enumerateDevices() == 2 && m->unregisterDeviceNotification());
        QVERIFY(file.writeInPlace({c}));
        QTRY_COMPARE(m->enumerateDevices(), 1);
        QCOMPARE(removals.size(), 1);
    }

    void accessLog() {
        FreshDataFolder data;
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
        logToExternal("first");
        const QDateTime after = QDateTime::currentDateTime().addMSecs(1);
        QCOMPARE(externalLogLines(), QStringList("first"));  // flushed, the logger still open
        // main() runs 5:30 ahead of UTC: a stamp in UTC, or with fields taken wrongly from the
        // C library's broken-down time, falls outside.
        const QDateTime stamp = QDateTime::fromString(readFile(ExternalLogger::filePath()).left(23),
                                                      "yyyy-MM-dd hh:mm:ss.zzz");
        QVERIFY2(stamp >= before && stamp <= after, qPrintable(stamp.toString()));
        // In the state folder, not among the profiles; a relative one counts as unset.
        const QString state = qEnvironmentVariable("XDG_STATE_HOME");
        const QString own = "/tst_camera_layer/tintwell.log";
        QCOMPARE(ExternalLogger::filePath(), state + own);
        qputenv("XDG_STATE_HOME", "relative");
        QCOMPARE(ExternalLogger::filePath(), QDir::homePath() + "/.local/state" + own);
        qputenv("XDG_STATE_HOME", QFile::encodeName(state));

        // Rotation keeps one old file, which ends where the current one begins.
        const QString filler(1000, 'x'), path = ExternalLogger::filePath();
        for (int i = 0; i < 2500; ++i)
            logToExternal(QString::number(i) + filler);
        QVERIFY(QFileInfo(path).size() <= ExternalLogger::kMaxFileSize);
        QVERIFY(QFileInfo(path + ".1").size() > ExternalLogger::kMaxFileSize - 2000);
        QVERIFY(!QFileInfo::exists(path + ".2"));
        const int lastOld =
            readFile(path + ".1").trimmed().split('\n').last().mid(24).chopped(1000).toInt();
        QCOMPARE(externalLogLines().first(), QString::number(lastOld + 1) + filler);
        QCOMPARE(externalLogLines().last(), QString::number(2499) + filler);

        // A log that cannot be written is dropped quickly.
        FreshDataFolder unwritable;
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
    TestCameraLayer test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_camera_layer.moc"
