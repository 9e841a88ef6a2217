// The Linux backend against emulated cameras: discovery, hot-plug, control mapping, the order of
// automatic/manual writes, failure codes and unplugging, all through real libudev and ioctls.

#include <QtTest>
#include <cerrno>

#include "BackendProbe.h"
#include "UvcTestbed.h"
#include "V4l2Backend.h"

using capture::Result;
using Write = EmulatedUvcDriver::Write;
using Writes = std::vector<Write>;

Q_DECLARE_METATYPE(Writes)
Q_DECLARE_METATYPE(std::vector<std::int32_t>)

namespace {

constexpr char kCategory[] = "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\";

class RecordingSink : public capture::DeviceChangeSink {
public:
    QStringList arrivals, removals;
    void deviceArrived(const std::string &path) override {
        arrivals << QString::fromStdString(path);
    }
    void deviceRemoved(const std::string &path) override {
        removals << QString::fromStdString(path);
    }
};

// Descriptors of this process open on the node, wherever the testbed keeps it.
int openDescriptorsOf(const QString &node) {
    int count = 0;
    for (const QFileInfo &fd : QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files))
        count += fd.symLinkTarget().endsWith("/dev/" + node);
    return count;
}

}  // namespace

class TestV4l2Backend : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void listsCaptureNodesInNodeOrder();
    void emptySystemHasNoDevice();
    void hotplugReportsTheEnumeratedPaths();
    void sinkMayUnregisterWhileBeingTold();
    void reportsCameraRangesAndModes_data();
    void reportsCameraRangesAndModes();
    void manualWriteSwitchesCompanionFirst_data();
    void manualWriteSwitchesCompanionFirst();
    void automaticWritePicksOfferedExposureMode_data();
    void automaticWritePicksOfferedExposureMode();
    void valuesOutsideRangeNeverReachCamera();
    void refusedWriteKeepsAutomaticMode();
    void errnoBecomesResult_data();
    void errnoBecomesResult();
    void powerLineFrequencyThroughPropertyBuffer();
    void unplugFailsEveryOperation();
    void nodeTakenOverByAnotherCameraIsNotControlled();
    void cameraIsNotHeldOpenBetweenOperations();

private:
    std::shared_ptr<capture::Device> onlyDevice() { return ::onlyDevice(*m_backend); }

    std::unique_ptr<UvcTestbed> m_bed;
    std::unique_ptr<capture::Backend> m_backend;
};

void TestV4l2Backend::init() {
    m_bed = std::make_unique<UvcTestbed>();
    QVERIFY2(m_bed->isActive(), "run under umockdev-wrapper");
    m_backend = createV4l2Backend();
}

void TestV4l2Backend::cleanup() {
    m_backend.reset();
    m_bed.reset();
}

void TestV4l2Backend::listsCaptureNodesInNodeOrder() {
    EmulatedCameraSpec first;  // video0 + metadata video1, USB 1-3.2
    first.usbName = "1-3.2";
    first.product = "Velt DocCam X1";
    EmulatedCameraSpec noProduct;  // named by the driver's card
    noProduct.usbName = "2-1";
    noProduct.product.clear();
    noProduct.card = "Velt Visualizer VZ-2";
    noProduct.vendorId = 0xABCD;
    noProduct.productId = 0x5F2A;
    noProduct.interfaceNumber = 2;
    noProduct.captureNode = 2;
    noProduct.metadataNode = 3;
    EmulatedCameraSpec late;  // sorts first by sysfs path, last by node number
    late.usbName = "1-1";
    late.captureNode = 10;
    late.metadataNode = -1;
    for (const auto &spec : {first, noProduct, late})
        m_bed->plug(spec);

    std::vector<std::shared_ptr<capture::Device>> devices;
    QCOMPARE(m_backend->enumerateVideoInputDevices(devices), capture::kOk);
    QStringList paths, names;
    for (const auto &device : devices) {
        std::string name;
        QCOMPARE(device->friendlyName(name), capture::kOk);
        paths << pathOf(*device);
        names << QString::fromStdString(name);
    }
    const QString prefix = QStringLiteral("@device:pnp:\\\\?\\usb#");
    QCOMPARE(paths, QStringList({prefix + "vid_1a2b&pid_1f01&mi_00#1-3.2" + kCategory + "video0",
                                 prefix + "vid_abcd&pid_5f2a&mi_02#2-1" + kCategory + "video2",
                                 prefix + "vid_1a2b&pid_1f01&mi_00#1-1" + kCategory + "video10"}));
    QCOMPARE(names, QStringList({"Velt DocCam X1", "Velt Visualizer VZ-2", "Velt DocCam V4"}));
    QCOMPARE(QString::fromStdString(m_backend->captureDeviceName(paths[1].toStdString())),
             QStringLiteral("/dev/video2"));
    QCOMPARE(QString::fromStdString(m_backend->captureDeviceName(paths[1].toUpper().toStdString())),
             QStringLiteral("/dev/video2"));
}

void TestV4l2Backend::emptySystemHasNoDevice() {
    std::vector<std::shared_ptr<capture::Device>> devices;
    QCOMPARE(m_backend->enumerateVideoInputDevices(devices), capture::kFalse);
    QVERIFY(devices.empty());
    QVERIFY(m_backend
                ->captureDeviceName("@device:pnp:\\\\?\\usb#vid_1a2b&pid_1f01&mi_00#1-3" +
                                    std::string(kCategory) + "video0")
                .empty());
}

void TestV4l2Backend::hotplugReportsTheEnumeratedPaths() {
    RecordingSink sink, dropped;
    capture::NotificationHandle handle = m_backend->registerDeviceNotification(0, &sink);
    capture::NotificationHandle droppedHandle = m_backend->registerDeviceNotification(0, &dropped);
    QVERIFY(handle && droppedHandle);
    QVERIFY(m_backend->unregisterDeviceNotification(droppedHandle));
    QVERIFY(!m_backend->unregisterDeviceNotification(droppedHandle));

    m_bed->plug(EmulatedCameraSpec());
    QTRY_COMPARE(sink.arrivals.size(), 1);
    std::shared_ptr<capture::Device> device = onlyDevice();
    QVERIFY(device);
    QCOMPARE(sink.arrivals.front(), pathOf(*device));

    EmulatedCameraSpec second;
    second.usbName = "1-4";
    second.captureNode = 2;
    second.metadataNode = 3;
    m_bed->plug(second);
    QTRY_COMPARE(sink.arrivals.size(), 2);

    // Read after the devices have left sysfs: the paths are the ones seen on arrival.
    m_bed->unplug("1-3");
    m_bed->unplug("1-4");
    QTRY_COMPARE(sink.removals.size(), 2);
    QCOMPARE(sink.removals, sink.arrivals);
    QVERIFY(dropped.arrivals.isEmpty() && dropped.removals.isEmpty());
    QVERIFY(m_backend->unregisterDeviceNotification(handle));
}

void TestV4l2Backend::sinkMayUnregisterWhileBeingTold() {
    // The program may quit from inside a removal (through a nested event loop) while more events
    // are waiting to be read.
    struct QuittingSink : RecordingSink {
        capture::Backend *backend = nullptr;
        capture::NotificationHandle handle = nullptr;
        void deviceArrived(const std::string &path) override {
            RecordingSink::deviceArrived(path);
            QVERIFY(backend->unregisterDeviceNotification(handle));
        }
    } sink;
    sink.backend = m_backend.get();
    sink.handle = m_backend->registerDeviceNotification(0, &sink);
    QVERIFY(sink.handle);
    EmulatedCameraSpec second;
    second.usbName = "1-4";
    second.captureNode = 2;
    second.metadataNode = 3;
    m_bed->plug(EmulatedCameraSpec());
    m_bed->plug(second);
    QTRY_COMPARE(sink.arrivals.size(), 1);
    // A later registration hears what follows, for cameras it has listed.
    RecordingSink later;
    QVERIFY(m_backend->registerDeviceNotification(0, &later));
    std::vector<std::shared_ptr<capture::Device>> devices;
    QCOMPARE(m_backend->enumerateVideoInputDevices(devices), capture::kOk);
    m_bed->unplug("1-4");
    QTRY_COMPARE(later.removals.size(), 1);
    QCOMPARE(sink.arrivals.size(), 1);
}

void TestV4l2Backend::reportsCameraRangesAndModes_data() {
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("id");
    QTest::addColumn<quint32>("cid");
    QTest::addColumn<int>("caps");
    QTest::addColumn<int>("flags");
    auto row = [](const char *name, Family f, int id, quint32 cid, int caps, int flags) {
        QTest::newRow(name) << int(f) << id << cid << caps << flags;
    };
    row("brightness", Family::Image, 0, V4L2_CID_BRIGHTNESS, 2, 2);
    row("contrast", Family::Image, 1, V4L2_CID_CONTRAST, 2, 2);
    row("hue", Family::Image, 2, V4L2_CID_HUE, 3, 2);
    row("saturation", Family::Image, 3, V4L2_CID_SATURATION, 2, 2);
    row("sharpness", Family::Image, 4, V4L2_CID_SHARPNESS, 2, 2);
    row("gamma", Family::Image, 5, V4L2_CID_GAMMA, 2, 2);
    row("white balance", Family::Image, 7, V4L2_CID_WHITE_BALANCE_TEMPERATURE, 3, 1);
    row("backlight", Family::Image, 8, V4L2_CID_BACKLIGHT_COMPENSATION, 2, 2);
    row("gain", Family::Image, 9, V4L2_CID_GAIN, 2, 2);
    row("pan", Family::Camera, 0, V4L2_CID_PAN_ABSOLUTE, 2, 2);
    row("tilt", Family::Camera, 1, V4L2_CID_TILT_ABSOLUTE, 2, 2);
    row("zoom", Family::Camera, 3, V4L2_CID_ZOOM_ABSOLUTE, 2, 2);
    row("exposure", Family::Camera, 4, V4L2_CID_EXPOSURE_ABSOLUTE, 3, 1);
    row("focus", Family::Camera, 6, V4L2_CID_FOCUS_ABSOLUTE, 3, 1);
    row("low light", Family::Camera, 19, V4L2_CID_EXPOSURE_AUTO_PRIORITY, 2, 2);
    row("roll has no control", Family::Camera, 2, 0, 0, 0);
    row("colour enable has no control", Family::Image, 6, 0, 0, 0);
    row("iris absent from camera", Family::Camera, 5, 0, 0, 0);
    row("unknown image id", Family::Image, 12, 0, 0, 0);
}

void TestV4l2Backend::reportsCameraRangesAndModes() {
    QFETCH(int, family);
    QFETCH(int, id);
    QFETCH(quint32, cid);
    QFETCH(int, caps);
    QFETCH(int, flags);
    std::shared_ptr<EmulatedUvcDriver> driver = m_bed->plug(EmulatedCameraSpec());
    std::shared_ptr<capture::Device> device = onlyDevice();
    QVERIFY(device);
    auto controls = openFamily(*device, Family(family));
    QVERIFY(controls);
    std::int32_t min = -1, max = -1, step = -1, def = -1, gotCaps = -1, value = -1, gotFlags = -1;
    Result range = controls->getRange(id, &min, &max, &step, &def, &gotCaps);
    Result read = controls->get(id, &value, &gotFlags);
    if (!cid) {
        QCOMPARE(range, capture::kNotFound);
        QCOMPARE(read, capture::kNotFound);
        return;
    }
    // Away from the default, so that a read cannot pass for the default.
    driver->setValue(cid, driver->control(cid).maximum);
    QCOMPARE(controls->get(id, &value, &gotFlags), capture::kOk);
    const EmulatedControl expected = driver->control(cid);
    QCOMPARE(range, capture::kOk);
    QCOMPARE(QVector<int>({min, max, step, def, gotCaps}),
             QVector<int>(
                 {expected.minimum, expected.maximum, expected.step, expected.defaultValue, caps}));
    QCOMPARE(value, expected.value);
    QCOMPARE(gotFlags, flags);
}

void TestV4l2Backend::manualWriteSwitchesCompanionFirst_data() {
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("value");
    QTest::addColumn<Writes>("expected");
    QTest::newRow("white balance, image manual flags")
        << int(Family::Image) << 7 << 3 << 5000
        << Writes{{V4L2_CID_AUTO_WHITE_BALANCE, 0}, {V4L2_CID_WHITE_BALANCE_TEMPERATURE, 5000}};
    QTest::newRow("exposure") << int(Family::Camera) << 4 << 2 << 300
                              << Writes{{V4L2_CID_EXPOSURE_AUTO, 1},
                                        {V4L2_CID_EXPOSURE_ABSOLUTE, 300}};
    QTest::newRow("focus") << int(Family::Camera) << 6 << 2 << 125
                           << Writes{{V4L2_CID_FOCUS_AUTO, 0}, {V4L2_CID_FOCUS_ABSOLUTE, 125}};
    QTest::newRow("hue already manual")
        << int(Family::Image) << 2 << 3 << -300 << Writes{{V4L2_CID_HUE, -300}};
    QTest::newRow("low light on") << int(Family::Camera) << 19 << 2 << 1
                                  << Writes{{V4L2_CID_EXPOSURE_AUTO_PRIORITY, 1}};
    QTest::newRow("white balance automatic")
        << int(Family::Image) << 7 << 1 << 3000 << Writes{{V4L2_CID_AUTO_WHITE_BALANCE, 1}};
    QTest::newRow("exposure automatic")
        << int(Family::Camera) << 4 << 1 << 300 << Writes{{V4L2_CID_EXPOSURE_AUTO, 3}};
}

void TestV4l2Backend::manualWriteSwitchesCompanionFirst() {
    QFETCH(int, family);
    QFETCH(int, id);
    QFETCH(int, flags);
    QFETCH(int, value);
    QFETCH(Writes, expected);
    std::shared_ptr<EmulatedUvcDriver> driver = m_bed->plug(EmulatedCameraSpec());
    std::shared_ptr<capture::Device> device = onlyDevice();
    QVERIFY(device);
    auto controls = openFamily(*device, Family(family));
    QVERIFY(controls);
    if (flags == capture::kFlagAuto)  // start from manual to see the switch back
        QCOMPARE(controls->set(id, value, capture::kFlagManual), capture::kOk);
    driver->clearWrites();

    QCOMPARE(controls->set(id, value, flags), capture::kOk);
    QCOMPARE(driver->acceptedWrites(), expected);
    QVERIFY(driver->refusedWrites().empty());
    std::int32_t readValue = 0, readFlags = 0;
    QCOMPARE(controls->get(id, &readValue, &readFlags), capture::kOk);
    QCOMPARE(readValue, value);
    QCOMPARE(readFlags, flags == capture::kFlagAuto ? capture::kFlagAuto : capture::kFlagManual);
}

void TestV4l2Backend::automaticWritePicksOfferedExposureMode_data() {
    QTest::addColumn<std::vector<std::int32_t>>("menu");
    QTest::addColumn<int>("caps");
    QTest::addColumn<int>("mode");  // -1: automatic refused
    QTest::newRow("aperture priority first") << std::vector<std::int32_t>{0, 1, 2, 3} << 3 << 3;
    QTest::newRow("auto") << std::vector<std::int32_t>{0, 1, 2} << 3 << 0;
    QTest::newRow("shutter priority last") << std::vector<std::int32_t>{1, 2} << 3 << 2;
    QTest::newRow("manual only") << std::vector<std::int32_t>{1} << 2 << -1;
}

void TestV4l2Backend::automaticWritePicksOfferedExposureMode() {
    QFETCH(std::vector<std::int32_t>, menu);
    QFETCH(int, caps);
    QFETCH(int, mode);
    EmulatedCameraSpec spec;
    for (EmulatedControl &control : spec.controls) {
        if (control.id == V4L2_CID_EXPOSURE_AUTO) {
            control.menuEntries = menu;
            control.minimum = menu.front();
            control.maximum = menu.back();
            control.value = control.defaultValue = 1;
        }
    }
    std::shared_ptr<EmulatedUvcDriver> driver = m_bed->plug(spec);
    std::shared_ptr<capture::Device> device = onlyDevice();
    QVERIFY(device);
    auto controls = openFamily(*device, Family::Camera);
    QVERIFY(controls);
    std::int32_t gotCaps = 0;
    QCOMPARE(controls->getRange(4, nullptr, nullptr, nullptr, nullptr, &gotCaps), capture::kOk);
    QCOMPARE(gotCaps, caps);
    const Result r = controls->set(4, 100, capture::kFlagAuto);
    QCOMPARE(r, mode < 0 ? capture::kInvalidArg : capture::kOk);
    QCOMPARE(driver->value(V4L2_CID_EXPOSURE_AUTO), mode < 0 ? 1 : mode);
    QCOMPARE(driver->value(V4L2_CID_EXPOSURE_ABSOLUTE), 250);
}

void TestV4l2Backend::valuesOutsideRangeNeverReachCamera() {
    std::shared_ptr<EmulatedUvcDriver> driver = m_bed->plug(EmulatedCameraSpec());
    std::shared_ptr<capture::Device> device = onlyDevice();
    QVERIFY(device);
    auto image = openFamily(*device, Family::Image);
    auto camera = openFamily(*device, Family::Camera);
    QVERIFY(image && camera);
    // The driver would clamp these silently; the profile's "camera default" marker is one.
    QCOMPARE(image->set(8, -10000, 3), capture::kInvalidArg);
    QCOMPARE(image->set(7, 9000, 3), capture::kInvalidArg);
    QCOMPARE(camera->set(6, -1, 2), capture::kInvalidArg);
    QVERIFY(driver->acceptedWrites().empty());
    QVERIFY(driver->refusedWrites().empty());
    QCOMPARE(driver->value(V4L2_CID_AUTO_WHITE_BALANCE), 1);

    // Within range, off the step: the camera rounds, and the next read says so.
    QCOMPARE(camera->set(6, 13, 2), capture::kOk);
    std::int32_t focus = 0, flags = 0;
    QCOMPARE(camera->get(6, &focus, &flags), capture::kOk);
    QCOMPARE(focus, 15);
}

void TestV4l2Backend::refusedWriteKeepsAutomaticMode() {
    std::shared_ptr<EmulatedUvcDriver> driver = m_bed->plug(EmulatedCameraSpec());
    std::shared_ptr<capture::Device> device = onlyDevice();
    QVERIFY(device);
    auto image = openFamily(*device, Family::Image);
    QVERIFY(image);
    driver->injectFailure(VIDIOC_S_EXT_CTRLS, V4L2_CID_WHITE_BALANCE_TEMPERATURE, EBUSY);
    QCOMPARE(image->set(7, 5000, 3), capture::kBusy);
    QCOMPARE(driver->value(V4L2_CID_AUTO_WHITE_BALANCE), 1);
    QCOMPARE(driver->value(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 4600);
}

void TestV4l2Backend::errnoBecomesResult_data() {
    QTest::addColumn<quint64>("request");
    QTest::addColumn<int>("error");
    QTest::addColumn<Result>("expected");
    const quint64 set = VIDIOC_S_EXT_CTRLS, query = VIDIOC_QUERY_EXT_CTRL, get = VIDIOC_G_EXT_CTRLS;
    QTest::newRow("unknown control") << query << EINVAL << capture::kNotFound;
    QTest::newRow("unknown on read") << get << EINVAL << capture::kNotFound;
    QTest::newRow("invalid value") << set << EINVAL << capture::kInvalidArg;
    QTest::newRow("out of range") << set << ERANGE << capture::kInvalidArg;
    QTest::newRow("inactive") << set << EACCES << capture::kAccessDenied;
    QTest::newRow("busy") << set << EBUSY << capture::kBusy;
    QTest::newRow("no device") << set << ENODEV << capture::kDeviceNotConnected;
    QTest::newRow("no entry") << query << ENOENT << capture::kDeviceNotConnected;
    QTest::newRow("io") << get << EIO << capture::kGenFailure;
    QTest::newRow("pipe") << set << EPIPE << capture::kGenFailure;
    QTest::newRow("other") << set << ETIMEDOUT << capture::kFail;
}

void TestV4l2Backend::errnoBecomesResult() {
    QFETCH(quint64, request);
    QFETCH(int, error);
    QFETCH(Result, expected);
    std::shared_ptr<EmulatedUvcDriver> driver = m_bed->plug(EmulatedCameraSpec());
    std::shared_ptr<capture::Device> device = onlyDevice();
    QVERIFY(device);
    auto image = openFamily(*device, Family::Image);
    QVERIFY(image);
    driver->injectFailure(request, V4L2_CID_GAIN, error);
    std::int32_t value = 0, flags = 0, caps = 0;
    Result r = request == VIDIOC_S_EXT_CTRLS ? image->set(9, 50, 3)
               : request == VIDIOC_G_EXT_CTRLS
                   ? image->get(9, &value, &flags)
                   : image->getRange(9, nullptr, nullptr, nullptr, nullptr, &caps);
    QCOMPARE(uint(r), uint(expected));
}

void TestV4l2Backend::powerLineFrequencyThroughPropertyBuffer() {
    std::shared_ptr<EmulatedUvcDriver> driver = m_bed->plug(EmulatedCameraSpec());
    std::shared_ptr<capture::Device> device = onlyDevice();
    QVERIFY(device);
    PowerLineProbe powerLine(*device);
    QVERIFY(powerLine.isOpen());
    QCOMPARE(powerLine.read(), capture::kOk);
    QCOMPARE(powerLine.value(), 1);
    QCOMPARE(capture::powerLineFlags(powerLine.data), 2u);
    QCOMPARE(powerLine.bytesReturned, 44u);

    QCOMPARE(powerLine.write(2), capture::kOk);
    QCOMPARE(driver->value(V4L2_CID_POWER_LINE_FREQUENCY), 2);
    QCOMPARE(powerLine.write(3), capture::kInvalidArg);  // this camera offers no automatic entry
    QCOMPARE(driver->value(V4L2_CID_POWER_LINE_FREQUENCY), 2);
    QCOMPARE(powerLine.write(2, 12), capture::kNotFound);
    QCOMPARE(powerLine.read(40), capture::kInvalidArg);
    QCOMPARE(powerLine.read(44, capture::kKsCategoryCapture), capture::kNotFound);
}

void TestV4l2Backend::unplugFailsEveryOperation() {
    m_bed->plug(EmulatedCameraSpec());
    std::shared_ptr<capture::Device> device = onlyDevice();
    QVERIFY(device);
    const std::string path = pathOf(*device).toStdString();
    QCOMPARE(QString::fromStdString(m_backend->captureDeviceName(path)),
             QStringLiteral("/dev/video0"));
    auto open = openFamily(*device, Family::Camera);  // an operation under way
    QVERIFY(open);

    m_bed->unplug("1-3");
    std::int32_t value = 0, flags = 0;
    QCOMPARE(uint(open->get(6, &value, &flags)), uint(capture::kDeviceNotConnected));
    QCOMPARE(uint(open->set(6, 100, 2)), uint(capture::kDeviceNotConnected));
    std::unique_ptr<capture::BoundDevice> bound;
    QCOMPARE(uint(device->bind(bound)), uint(capture::kDeviceNotConnected));
    QVERIFY(!bound);
    QVERIFY(m_backend->captureDeviceName(path).empty());
    std::vector<std::shared_ptr<capture::Device>> devices;
    QCOMPARE(m_backend->enumerateVideoInputDevices(devices), capture::kFalse);
}

void TestV4l2Backend::nodeTakenOverByAnotherCameraIsNotControlled() {
    m_bed->plug(EmulatedCameraSpec());
    std::shared_ptr<capture::Device> gone = onlyDevice();
    QVERIFY(gone);
    m_bed->unplug("1-3");
    EmulatedCameraSpec other;  // another port
    other.usbName = "2-2";
    other.productId = 0x2a10;
    std::shared_ptr<EmulatedUvcDriver> otherDriver = m_bed->plug(other);  // video0 again

    std::unique_ptr<capture::BoundDevice> bound;
    QCOMPARE(uint(gone->bind(bound)), uint(capture::kDeviceNotConnected));
    QVERIFY(m_backend->captureDeviceName(pathOf(*gone).toStdString()).empty());
    std::shared_ptr<capture::Device> current = onlyDevice();
    QVERIFY(current);
    QVERIFY(pathOf(*current).contains("pid_2a10"));
    QCOMPARE(QString::fromStdString(m_backend->captureDeviceName(pathOf(*current).toStdString())),
             QStringLiteral("/dev/video0"));
}

void TestV4l2Backend::cameraIsNotHeldOpenBetweenOperations() {
    m_bed->plug(EmulatedCameraSpec());
    std::shared_ptr<capture::Device> device = onlyDevice();
    QVERIFY(device);
    QCOMPARE(openDescriptorsOf("video0") + openDescriptorsOf("video1"), 0);
    {
        auto controls = openFamily(*device, Family::Image);
        QVERIFY(controls);
        QCOMPARE(controls->set(0, 10, 3), capture::kOk);
        QCOMPARE(openDescriptorsOf("video0"), 1);
    }
    QCOMPARE(openDescriptorsOf("video0"), 0);
}

QTEST_GUILESS_MAIN(TestV4l2Backend)
#include "tst_v4l2_backend.moc"
