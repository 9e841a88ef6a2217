// The Linux backend against emulated cameras through real libudev and real ioctls, then the
// camera layer and the main window on top of it.

#include <QtTest>
#include <QtWidgets>
#include <cerrno>

#include "AdjustmentWidget.h"
#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraSettingWidget.h"
#include "ControlChangeFollower.h"
#include "ControlChangeWatcher.h"
#include "DebugCapture.h"
#include "ExternalLogger.h"
#include "FileBytes.h"
#include "FormChild.h"
#include "FreshDataFolder.h"
#include "PowerLineData.h"
#include "UvcTestbed.h"
#include "V4l2Backend.h"

using capture::Result;

namespace {

enum Family { Image, Camera };
const quint32 kWb = V4L2_CID_WHITE_BALANCE_TEMPERATURE, kAwb = V4L2_CID_AUTO_WHITE_BALANCE,
              kAutoExposure = V4L2_CID_EXPOSURE_AUTO, kExposure = V4L2_CID_EXPOSURE_ABSOLUTE,
              kGain = V4L2_CID_GAIN;

struct WriteCase {
    int family, id, flags, value;
    Writes writes;  // what reaches the camera
    int reads = 0;  // read back after success
    Result result = capture::kOk;
    EmulatedState::Failure fail = {};
};

QString pathOf(capture::Device &device) {
    std::string path;
    device.displayName(path);
    return QString::fromStdString(path);
}

std::unique_ptr<capture::ControlFamily> openFamily(capture::Device &device, int family) {
    std::unique_ptr<capture::BoundDevice> bound;
    std::unique_ptr<capture::ControlFamily> controls;
    if (device.bind(bound) == capture::kOk)
        family == Image ? bound->queryVideoProcAmp(controls) : bound->queryCameraControl(controls);
    return controls;
}

// Descriptors of this process open on a node, wherever the testbed keeps it.
int openNodes() {
    int count = 0;
    for (const QFileInfo &fd : QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files))
        count += fd.symLinkTarget().contains(QRegularExpression("/dev/video\\d+$"));
    return count;
}

struct RecordingSink : capture::DeviceChangeSink {
    QStringList arrivals, removals;
    std::function<void()> onArrival = [] {};
    void deviceArrived(const std::string &path) override { arrivals << path.c_str(), onArrival(); }
    void deviceRemoved(const std::string &path) override { removals << path.c_str(); }
};

}  // namespace

Q_DECLARE_METATYPE(WriteCase)

class TestV4l2Backend : public QObject {
    Q_OBJECT

    std::unique_ptr<UvcTestbed> m_bed;
    std::unique_ptr<capture::Backend> m_backend;
    std::shared_ptr<EmulatedUvcDriver> m_driver;
    std::shared_ptr<capture::Device> m_device;

    // Nine empty entries, which no check takes, when the answer is not `expected`.
    std::vector<std::shared_ptr<capture::Device>> devices(Result expected = capture::kOk) {
        std::vector<std::shared_ptr<capture::Device>> listed;
        const Result r = m_backend->enumerateVideoInputDevices(listed);
        return r == expected ? listed : decltype(listed)(9);
    }
    std::unique_ptr<capture::ControlFamily> plugAndOpen(int family,
                                                        const EmulatedCameraSpec &spec = {}) {
        m_driver = m_bed->plug(spec);
        m_device = devices().size() == 1 ? devices().front() : nullptr;
        return m_device ? openFamily(*m_device, family) : nullptr;
    }
    void setValue(std::uint32_t cid, std::int32_t v) {
        m_driver->change([&](EmulatedState &s) { s.values[cid] = v; });
    }

private slots:
    void init() {
        m_bed = std::make_unique<UvcTestbed>();
        QVERIFY2(m_bed->isActive(), "run under umockdev-wrapper");
        m_backend = createV4l2Backend();
    }
    void cleanup() {
        CameraDeviceManager::instance()->setBackend(nullptr);
        m_device.reset(), m_backend.reset(), m_bed.reset();
    }

    // Capture nodes only, one per camera, in node order, named by product string or card; each
    // camera told once under its listed path, also after it has left sysfs. A sink may unregister
    // while it is being told; a later one hears of the cameras it has listed.
    void listsAndFollowsOneDevicePerCamera() {
        RecordingSink sink, dropped, quitting, later;
        capture::NotificationHandle handle = m_backend->registerDeviceNotification(0, &sink);
        capture::NotificationHandle gone = m_backend->registerDeviceNotification(0, &dropped);
        capture::NotificationHandle quits = m_backend->registerDeviceNotification(0, &quitting);
        quitting.onArrival = [&] { QVERIFY(m_backend->unregisterDeviceNotification(quits)); };
        QVERIFY(m_backend->unregisterDeviceNotification(gone));
        QVERIFY(!m_backend->unregisterDeviceNotification(gone));
        EmulatedCameraSpec first = cameraAt("1-3.2", 0, 1);
        first.product = "Velt DocCam X1";
        first.secondCaptureNode = 4;
        EmulatedCameraSpec noProduct = cameraAt("2-1", 3, 2);  // its metadata node first
        noProduct.product.clear();
        noProduct.card = "Velt Visualizer VZ-2";
        noProduct.vendorId = 0xABCD;
        noProduct.interfaceNumber = 2;
        for (const auto &spec : {first, noProduct, cameraAt("1-1", 10)})
            m_bed->plug(spec);
        QTRY_COMPARE(sink.arrivals.size(), 3);
        QStringList paths, names;
        for (const auto &device : devices()) {
            std::string name;
            QCOMPARE(device->friendlyName(name), capture::kOk);
            paths << pathOf(*device);
            names << QString::fromStdString(name);
        }
        QCOMPARE(openNodes(), 0);
        QCOMPARE(sink.arrivals, paths);
        const QString prefix = "@device:pnp:\\\\?\\usb#vid_",
                      category = "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\video";
        QCOMPARE(paths, QStringList({prefix + "1a2b&pid_3c4d&mi_00#1-3.2" + category + "0",
                                     prefix + "abcd&pid_3c4d&mi_02#2-1" + category + "3",
                                     prefix + "1a2b&pid_3c4d&mi_00#1-1" + category + "10"}));
        QCOMPARE(names, QStringList({"Velt DocCam X1", "Velt Visualizer VZ-2", "Velt DocCam V4"}));
        QCOMPARE(m_backend->captureDeviceName(paths[1].toUpper().toStdString()),
                 std::string("/dev/video3"));
        QVERIFY(m_backend->registerDeviceNotification(0, &later));
        m_bed->unplug("1-3.2");
        m_bed->unplug("2-1");
        QTRY_COMPARE(sink.removals.size(), 2);
        QCOMPARE(sink.removals, paths.mid(0, 2));
        QCOMPARE(later.removals, sink.removals);
        QCOMPARE(quitting.arrivals.size(), 1);
        QVERIFY(dropped.arrivals.isEmpty() && dropped.removals.isEmpty());
        QVERIFY(m_backend->unregisterDeviceNotification(handle));
    }

    void reportsRangesInTheProgramsUnits_data() {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("id");
        QTest::addColumn<quint32>("cid");            // 0: no such control
        QTest::addColumn<QVector<int>>("expected");  // min, max, step, default, caps, flags
        QTest::addColumn<int>("cameraMaximum");      // read back as the maximum
        const auto row = [](const char *name, int family, int id, quint32 cid,
                            QVector<int> expected = {}, int cameraMaximum = 0) {
            QTest::newRow(name) << family << id << cid << expected
                                << (cameraMaximum ? cameraMaximum : expected.value(1));
        };
        row("brightness", Image, 0, V4L2_CID_BRIGHTNESS, {-64, 64, 1, 0, 2, 2});
        row("contrast", Image, 1, V4L2_CID_CONTRAST, {0, 95, 1, 32, 2, 2});
        row("hue", Image, 2, V4L2_CID_HUE, {-2000, 2000, 100, 0, 3, 2});
        row("saturation", Image, 3, V4L2_CID_SATURATION, {0, 100, 1, 55, 2, 2});
        row("sharpness", Image, 4, V4L2_CID_SHARPNESS, {0, 7, 1, 2, 2, 2});
        row("gamma", Image, 5, V4L2_CID_GAMMA, {100, 500, 1, 300, 2, 2});
        row("white balance", Image, 7, kWb, {2800, 6500, 10, 4600, 3, 1});
        row("backlight", Image, 8, V4L2_CID_BACKLIGHT_COMPENSATION, {0, 2, 1, 1, 2, 2});
        row("gain", Image, 9, V4L2_CID_GAIN, {0, 100, 1, 0, 2, 2});
        // Degrees from arc seconds (-36000..36000, step 3600).
        row("pan", Camera, 0, V4L2_CID_PAN_ABSOLUTE, {-10, 10, 1, 0, 2, 2}, 36000);
        row("tilt", Camera, 1, V4L2_CID_TILT_ABSOLUTE, {-10, 10, 1, 0, 2, 2}, 36000);
        row("zoom", Camera, 3, V4L2_CID_ZOOM_ABSOLUTE, {100, 500, 1, 100, 2, 2});
        // log2 seconds from 100 µs units 3..2047 (default 250): 2^-11 s is 5 units, 2^-3 s 1250;
        // 2047 is nearest 2^-2 s, which the camera cannot take.
        row("exposure", Camera, 4, V4L2_CID_EXPOSURE_ABSOLUTE, {-11, -3, 1, -5, 3, 1}, 2047);
        row("focus", Camera, 6, V4L2_CID_FOCUS_ABSOLUTE, {0, 250, 5, 60, 3, 1});
        row("low light", Camera, 19, V4L2_CID_EXPOSURE_AUTO_PRIORITY, {0, 1, 1, 0, 2, 2});
        row("roll has no control", Camera, 2, 0);
        row("colour enable has none", Image, 6, 0);
        row("iris absent from camera", Camera, 5, 0);
        row("unknown image id", Image, 12, 0);
    }

    void reportsRangesInTheProgramsUnits() {
        QFETCH(int, family);
        QFETCH(int, id);
        QFETCH(quint32, cid);
        QFETCH(QVector<int>, expected);
        QFETCH(int, cameraMaximum);
        auto controls = plugAndOpen(family);
        QVERIFY(controls);
        if (cid)  // away from the default, so that a read cannot pass for the default
            setValue(cid, cameraMaximum);
        QVector<int> got(7, -1);
        const Result range = controls->getRange(id, &got[0], &got[1], &got[2], &got[3], &got[4]);
        QCOMPARE(controls->get(id, &got[6], &got[5]), range);
        QCOMPARE(range, cid ? capture::kOk : capture::kNotFound);
        if (cid)
            QCOMPARE(got, expected << expected[1]);
    }

    // Manual values switch the automatic companion off first; a refusal gives it back. Values
    // outside the range never reach the camera; the camera rounds to its step.
    void writesReachTheCameraInOrder_data() {
        QTest::addColumn<WriteCase>("c");
        const unsigned long set = VIDIOC_S_EXT_CTRLS, query = VIDIOC_QUERY_EXT_CTRL;
        const auto row = [](const char *name, WriteCase c) { QTest::newRow(name) << c; };
        row("white balance", {Image, 7, 3, 5000, {{kAwb, 0}, {kWb, 5000}}, 5000});
        // 1/256 s, as a profile written on Windows holds it.
        row("exposure", {Camera, 4, 2, -8, {{kAutoExposure, 1}, {kExposure, 39}}, -8});
        row("pan one degree", {Camera, 0, 2, 1, {{V4L2_CID_PAN_ABSOLUTE, 3600}}, 1});
        row("focus off the step",
            {Camera, 6, 2, 13, {{V4L2_CID_FOCUS_AUTO, 0}, {V4L2_CID_FOCUS_ABSOLUTE, 13}}, 15});
        row("hue already manual", {Image, 2, 3, -300, {{V4L2_CID_HUE, -300}}, -300});
        // From manual, to see the switch back.
        row("white balance automatic", {Image, 7, 1, 3000, {{kAwb, 1}}, 3000});
        row("exposure automatic", {Camera, 4, 1, -8, {{kAutoExposure, 3}}, -8});
        row("above range", {Image, 7, 3, 9000, {}, 0, capture::kInvalidArg});
        row("below range", {Camera, 6, 2, -1, {}, 0, capture::kInvalidArg});
        row("refused gives automatic back",
            {Image, 7, 3, 5000, {{kAwb, 0}, {kAwb, 1}}, 0, capture::kBusy, {set, kWb, EBUSY}});
        // How errno answers become results.
        row("unknown control",
            {Image, 9, 3, 50, {}, 0, capture::kNotFound, {query, kGain, EINVAL}});
        row("unknown on read",
            {Image, 7, 3, 5000, {}, 0, capture::kNotFound, {VIDIOC_G_EXT_CTRLS, kAwb, EINVAL}});
        const auto fails = [&](const char *name, int error, Result result) {
            row(name, {Image, 9, 3, 50, {}, 0, result, {set, kGain, error}});
        };
        fails("invalid value", EINVAL, capture::kInvalidArg);
        fails("out of range", ERANGE, capture::kInvalidArg);
        fails("inactive", EACCES, capture::kAccessDenied);
        fails("no device", ENODEV, capture::kDeviceNotConnected);
        fails("no entry", ENOENT, capture::kDeviceNotConnected);
        fails("io", EIO, capture::kGenFailure);
        fails("pipe", EPIPE, capture::kGenFailure);
        fails("other", ETIMEDOUT, capture::kFail);
    }

    void writesReachTheCameraInOrder() {
        QFETCH(WriteCase, c);
        auto controls = plugAndOpen(c.family);
        QVERIFY(controls);
        if (c.flags == capture::kFlagAuto)
            QCOMPARE(controls->set(c.id, c.value, capture::kFlagManual), capture::kOk);
        m_driver->change([&](EmulatedState &s) {
            s.writes.clear();
            s.fail = c.fail;
        });
        QCOMPARE(controls->set(c.id, c.value, c.flags), c.result);
        QCOMPARE(m_driver->state().writes, c.writes);
        std::int32_t read = 0, flags = 0;
        QCOMPARE(controls->get(c.id, &read, &flags), capture::kOk);
        if (c.result == capture::kOk)
            QCOMPARE(QPair(read, flags), QPair(c.reads, c.flags == 1 ? 1 : 2));
    }

    void automaticExposurePicksAnOfferedMode_data() {
        QTest::addColumn<quint32>("entries");
        QTest::addColumn<int>("mode");  // -1: automatic refused
        QTest::newRow("aperture priority first") << 0b1111u << 3;
        QTest::newRow("auto") << 0b0111u << 0;
        // The exposure time stays the user's in shutter priority.
        QTest::newRow("shutter priority is manual") << 0b0110u << -1;
        QTest::newRow("manual only") << 0b0010u << -1;
    }

    void automaticExposurePicksAnOfferedMode() {
        QFETCH(quint32, entries);
        QFETCH(int, mode);
        EmulatedCameraSpec spec;
        for (EmulatedControl &c : spec.controls) {
            if (c.id == V4L2_CID_EXPOSURE_AUTO)
                c = {c.id, c.name, c.type, __builtin_ctz(entries), 31 - __builtin_clz(entries),
                     1,    1,      entries};
        }
        auto controls = plugAndOpen(Camera, spec);
        QVERIFY(controls);
        std::int32_t caps = 0;
        QCOMPARE(controls->getRange(4, nullptr, nullptr, nullptr, nullptr, &caps), capture::kOk);
        QCOMPARE(caps, mode < 0 ? 2 : 3);
        QCOMPARE(controls->set(4, 100, 1), mode < 0 ? capture::kInvalidArg : capture::kOk);
        const auto values = m_driver->state().values;
        QCOMPARE(values.at(V4L2_CID_EXPOSURE_AUTO), mode < 0 ? 1 : mode);
        QCOMPARE(values.at(V4L2_CID_EXPOSURE_ABSOLUTE), 250);
        // Whatever mode the camera is in, a read says automatic only where the time is.
        for (std::int32_t entry = 0; entry < 4; ++entry) {
            setValue(V4L2_CID_EXPOSURE_AUTO, entry);
            std::int32_t read = 0, flags = 0;
            QCOMPARE(controls->get(4, &read, &flags), capture::kOk);
            QCOMPARE(flags, entry == 0 || entry == 3 ? 1 : 2);
        }
    }

    // The 44-byte kernel-streaming buffer of the Windows property.
    void powerLineFrequencyThroughThePropertyBuffer() {
        plugAndOpen(Image);
        std::unique_ptr<capture::BoundDevice> bound;
        std::unique_ptr<capture::KsPropertySet> set;
        QCOMPARE(m_device->bind(bound), capture::kOk);
        QCOMPARE(bound->queryKsPropertySet(set), capture::kOk);
        unsigned char in[capture::kPowerLineInstanceSize] = {}, data[44] = {};
        std::uint32_t size = 0;
        const capture::Guid &amp = capture::kPropSetVideoProcAmp;
        QCOMPARE(set->get(amp, 13, in, sizeof in, data, 44, &size), capture::kOk);
        QCOMPARE(QVector<int>({capture::powerLineValue(data), int(capture::powerLineFlags(data)),
                               int(size)}),
                 QVector<int>({1, 2, 44}));
        for (const auto &[value, id, result] :
             {std::tuple(3, 13, capture::kInvalidArg), std::tuple(2, 12, capture::kNotFound)}) {
            capture::setPowerLineValue(data, value);  // 3, automatic, is not on this camera
            QCOMPARE(set->set(amp, id, in, sizeof in, data, sizeof data), result);
        }
        QCOMPARE(set->get(amp, 13, in, sizeof in, data, 40, &size), capture::kInvalidArg);
        QCOMPARE(set->get(capture::kKsCategoryCapture, 13, in, sizeof in, data, 44, &size),
                 capture::kNotFound);
        QVERIFY(m_driver->state().writes.empty());
    }

    // Every operation fails once the camera has gone, also when another camera takes its node;
    // the node is open only while an operation needs it.
    void unplugFailsEveryOperation() {
        auto open = plugAndOpen(Camera);
        QVERIFY(open);
        QCOMPARE(openNodes(), 1);
        const std::string path = pathOf(*m_device).toStdString();
        QCOMPARE(m_backend->captureDeviceName(path), std::string("/dev/video0"));
        m_bed->unplug("1-3");
        std::int32_t read = 0, flags = 0;
        QCOMPARE(open->get(6, &read, &flags), capture::kDeviceNotConnected);
        QCOMPARE(open->set(6, 100, 2), capture::kDeviceNotConnected);
        open.reset();
        QCOMPARE(openNodes(), 0);
        QVERIFY(devices(capture::kFalse).empty());
        EmulatedCameraSpec other = cameraAt("2-2", 0, 1);
        other.productId = 0x2a10;
        m_bed->plug(other);
        std::unique_ptr<capture::BoundDevice> bound;
        QCOMPARE(m_device->bind(bound), capture::kDeviceNotConnected);
        QVERIFY(!bound);
        QVERIFY(m_backend->captureDeviceName(path).empty());
        QVERIFY(pathOf(*devices().front()).contains("pid_2a10"));
    }

    // Another program's changes come as control events; after unplugging, the removal is told
    // and calls on the vanished camera fail quietly.
    void cameraLayerFollowsTheCameraUntilUnplugged() {
        CameraDeviceManager *manager = CameraDeviceManager::instance();
        manager->setBackend(std::move(m_backend));
        QSignalSpy removals(manager, &CameraDeviceManager::deviceRemoval);
        QVERIFY(manager->registerDeviceNotification(0));
        m_driver = m_bed->plug(EmulatedCameraSpec());
        QCOMPARE(manager->enumerateDevices(), 1);
        const QString path = manager->devicePath(0);
        manager->setCurrentIndex(0);
        manager->setWhiteBalance(5000, false);
        manager->setExposure(0, true);
        manager->setFocus(120, false);
        QVERIFY(manager->setPowerLineFrequency(2));
        QCOMPARE(m_driver->state().writes, Writes({{kAwb, 0},
                                                   {kWb, 5000},
                                                   {V4L2_CID_EXPOSURE_AUTO, 3},
                                                   {V4L2_CID_FOCUS_AUTO, 0},
                                                   {V4L2_CID_FOCUS_ABSOLUTE, 120},
                                                   {V4L2_CID_POWER_LINE_FREQUENCY, 2}}));
        bool ok = false;
        QCOMPARE(manager->getPowerLineFrequency(&ok), 2L);
        QVERIFY(ok);
        // The emulated node does not answer poll(): the reports are taken here by hand, as the
        // descriptor's notifier would take them.
        ControlChangeWatcher watcher;
        QSignalSpy changes(&watcher, &ControlChangeWatcher::controlsChanged);
        QVERIFY(watcher.start(path));
        m_driver->change([](EmulatedState &s) {
            s.writes.clear();
            s.values[V4L2_CID_BRIGHTNESS] = 99;
        });
        watcher.takeChanges();
        watcher.takeChanges();
        QCOMPARE(changes.size(), 1);
        m_bed->unplug("1-3");
        QTRY_COMPARE(removals.size(), 1);
        QCOMPARE(removals.at(0).at(0).toString(), path);
        PropertyInfo focus;
        focus.id = CameraControl_Focus;
        QVERIFY(!manager->getCameraControlInfo(focus));
        manager->setFocus(100, false);
        QCOMPARE(manager->getPowerLineFrequency(&ok), 0L);
        QVERIFY(m_driver->state().writes.empty());
        watcher.takeChanges();
        QVERIFY(!watcher.isWatching());
        QVERIFY(manager->unregisterDeviceNotification());
    }

    // Known by its video function's name only; a camera that cannot be opened is named with its
    // error and on the empty Basic page.
    void listsByEitherNameOrSaysWhyNot() {
        CameraDeviceManager *manager = CameraDeviceManager::instance();
        manager->setBackend(std::move(m_backend));
        QSignalSpy arrivals(manager, &CameraDeviceManager::deviceArrival);
        QVERIFY(manager->registerDeviceNotification(0));
        EmulatedCameraSpec composite = cameraAt("1-2", 0, 1);
        composite.product = "USB Composite Device";
        composite.interfaceName = "Velt PTZ Cam P20";
        m_bed->plug(composite);
        EmulatedCameraSpec denied = cameraAt("1-5", 2, 3);
        denied.accessDenied = true;
        m_bed->plug(denied);
        QTRY_COMPARE(arrivals.size(), 2);  // the denied one too: listing again says why
        DebugCapture debug;
        QCOMPARE(manager->enumerateDevices(), 1);
        QCOMPARE(manager->friendlyName(0), QStringLiteral("Velt PTZ Cam P20"));
        QCOMPARE(debug.count("cannot open camera device: \"/dev/video2\" 13 "), 1);
        QVERIFY(readFile(ExternalLogger::filePath())
                    .endsWith(" cannot open camera device /dev/video2: Permission denied "
                              "(errno 13)\n"));
        QCOMPARE(manager->inaccessibleCameras(), QStringList("Velt DocCam V4"));
        AdjustmentWidget page;
        page.onDeviceSelChanged(QString());
        QVERIFY(formChild<QLabel>(&page, "lblNoCamera")->text().contains("Velt DocCam V4"));
        QVERIFY(manager->unregisterDeviceNotification());
        manager->setBackend(nullptr);
        QVERIFY(manager->inaccessibleCameras().isEmpty());
    }

    // The rows take what another program set, writing nothing back; the node is held only while
    // the window shows, so that the camera can suspend.
    void windowRowsFollowAnotherProgramWhileVisible() {
        m_driver = m_bed->plug(EmulatedCameraSpec());
        CameraDeviceManager::instance()->setBackend(std::move(m_backend));
        CameraSettingWidget window;
        QCOMPARE(openNodes(), 0);
        window.show();
        QCOMPARE(openNodes(), 1);
        AppGlobals::instance()->setModified(false, false);
        m_driver->change([](EmulatedState &s) {
            s.writes.clear();
            s.values[V4L2_CID_BRIGHTNESS] = 33;
        });
        window.findChild<ControlChangeFollower *>()->watcher()->takeChanges();
        QCOMPARE(formChild<QSlider>(&window, "slBrightness")->value(), 33);
        QVERIFY(m_driver->state().writes.empty());
        QVERIFY(!AppGlobals::instance()->isModified());
        window.hide();
        QCOMPARE(openNodes(), 0);
    }
};

int main(int argc, char **argv) {
    FreshDataFolder data;  // the camera layer's access log stays out of the home folder
    QApplication app(argc, argv);
    TestV4l2Backend test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_v4l2_backend.moc"
