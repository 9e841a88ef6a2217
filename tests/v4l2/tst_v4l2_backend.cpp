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
private:
    // Plugs the camera in and opens one control family of the one device listed.
    std::unique_ptr<capture::ControlFamily> plugAndOpen(Family family,
                                                        const EmulatedCameraSpec &spec = {}) {
        m_driver = m_bed->plug(spec);
        m_device = onlyDevice(*m_backend);
        return m_device ? openFamily(*m_device, family) : nullptr;
    }

    std::unique_ptr<UvcTestbed> m_bed;
    std::unique_ptr<capture::Backend> m_backend;
    std::shared_ptr<EmulatedUvcDriver> m_driver;
    std::shared_ptr<capture::Device> m_device;

private slots:
    void init() {
        m_bed = std::make_unique<UvcTestbed>();
        QVERIFY2(m_bed->isActive(), "run under umockdev-wrapper");
        m_backend = createV4l2Backend();
    }
    void cleanup() {
        m_device.reset();
        m_backend.reset();
        m_bed.reset();
    }

    void listsCaptureNodesInNodeOrder() {
        EmulatedCameraSpec first = cameraAt("1-3.2", 0, 1);
        first.product = "Velt DocCam X1";
        first.secondCaptureNode = 4;  // listed once, by its first capture node
        EmulatedCameraSpec noProduct = cameraAt("2-1", 2, 3);  // named by the driver's card
        noProduct.product.clear();
        noProduct.card = "Velt Visualizer VZ-2";
        noProduct.vendorId = 0xABCD;
        noProduct.productId = 0x5F2A;
        noProduct.interfaceNumber = 2;
        for (const auto &spec : {first, noProduct, cameraAt("1-1", 10)})  // first by sysfs path
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
        QCOMPARE(paths,
                 QStringList({prefix + "vid_1a2b&pid_1f01&mi_00#1-3.2" + kCategory + "video0",
                              prefix + "vid_abcd&pid_5f2a&mi_02#2-1" + kCategory + "video2",
                              prefix + "vid_1a2b&pid_1f01&mi_00#1-1" + kCategory + "video10"}));
        QCOMPARE(names, QStringList({"Velt DocCam X1", "Velt Visualizer VZ-2", "Velt DocCam V4"}));
        QCOMPARE(
            QString::fromStdString(m_backend->captureDeviceName(paths[1].toUpper().toStdString())),
            QStringLiteral("/dev/video2"));
    }

    void hotplugReportsTheEnumeratedPaths() {
        RecordingSink sink, dropped;
        capture::NotificationHandle handle = m_backend->registerDeviceNotification(0, &sink);
        capture::NotificationHandle droppedHandle =
            m_backend->registerDeviceNotification(0, &dropped);
        QVERIFY(handle && droppedHandle);
        QVERIFY(m_backend->unregisterDeviceNotification(droppedHandle));
        QVERIFY(!m_backend->unregisterDeviceNotification(droppedHandle));

        m_bed->plug(EmulatedCameraSpec());
        QTRY_COMPARE(sink.arrivals.size(), 1);
        std::shared_ptr<capture::Device> device = onlyDevice(*m_backend);
        QVERIFY(device);
        QCOMPARE(sink.arrivals.front(), pathOf(*device));
        EmulatedCameraSpec twoStreams = cameraAt("1-4", 2, 3);
        twoStreams.secondCaptureNode = 4;  // reported once, as it is listed
        m_bed->plug(twoStreams);
        QTRY_COMPARE(sink.arrivals.size(), 2);

        // Read after the devices have left sysfs: the paths are the ones seen on arrival.
        m_bed->unplug("1-3");
        m_bed->unplug("1-4");
        QTRY_COMPARE(sink.removals.size(), 2);
        QCOMPARE(sink.removals, sink.arrivals);
        QVERIFY(dropped.arrivals.isEmpty() && dropped.removals.isEmpty());
        QVERIFY(m_backend->unregisterDeviceNotification(handle));
    }

    void sinkMayUnregisterWhileBeingTold() {
        // The program may quit from inside a removal (through a nested event loop) while more
        // events are waiting to be read.
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
        m_bed->plug(EmulatedCameraSpec());
        m_bed->plug(cameraAt("1-4", 2, 3));
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

    void reportsCameraRangesAndModes_data() {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("id");
        QTest::addColumn<quint32>("cid");  // 0: no such control
        QTest::addColumn<int>("caps");
        QTest::addColumn<int>("flags");
        // min, max, step, default and the value at the camera's maximum, where the program's
        // units are not the camera's; empty: the camera's own.
        QTest::addColumn<QVector<int>>("converted");
        auto row = [](const char *name, Family f, int id, quint32 cid, int caps, int flags,
                      QVector<int> converted = {}) {
            QTest::newRow(name) << int(f) << id << cid << caps << flags << converted;
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
        // Degrees from arc seconds (-36000..36000, step 3600).
        row("pan", Family::Camera, 0, V4L2_CID_PAN_ABSOLUTE, 2, 2, {-10, 10, 1, 0, 10});
        row("tilt", Family::Camera, 1, V4L2_CID_TILT_ABSOLUTE, 2, 2, {-10, 10, 1, 0, 10});
        row("zoom", Family::Camera, 3, V4L2_CID_ZOOM_ABSOLUTE, 2, 2);
        // log2 seconds from 100 µs units 3..2047 (default 250): 2^-11 s is 5 units, 2^-3 s 1250;
        // 2047 is nearest 2^-2 s, which the camera cannot take.
        row("exposure", Family::Camera, 4, V4L2_CID_EXPOSURE_ABSOLUTE, 3, 1, {-11, -3, 1, -5, -3});
        row("focus", Family::Camera, 6, V4L2_CID_FOCUS_ABSOLUTE, 3, 1);
        row("low light", Family::Camera, 19, V4L2_CID_EXPOSURE_AUTO_PRIORITY, 2, 2);
        row("roll has no control", Family::Camera, 2, 0, 0, 0);
        row("colour enable has no control", Family::Image, 6, 0, 0, 0);
        row("iris absent from camera", Family::Camera, 5, 0, 0, 0);
        row("unknown image id", Family::Image, 12, 0, 0, 0);
    }

    void reportsCameraRangesAndModes() {
        QFETCH(int, family);
        QFETCH(int, id);
        QFETCH(quint32, cid);
        QFETCH(int, caps);
        QFETCH(int, flags);
        QFETCH(QVector<int>, converted);
        auto controls = plugAndOpen(Family(family));
        QVERIFY(controls);
        std::int32_t min = -1, max = -1, step = -1, def = -1, gotCaps = -1, value = -1,
                     gotFlags = -1;
        if (!cid) {
            QCOMPARE(controls->getRange(id, &min, &max, &step, &def, &gotCaps), capture::kNotFound);
            QCOMPARE(controls->get(id, &value, &gotFlags), capture::kNotFound);
            return;
        }
        // Away from the default, so that a read cannot pass for the default.
        m_driver->setValue(cid, m_driver->control(cid).maximum);
        const EmulatedControl expected = m_driver->control(cid);
        QCOMPARE(controls->getRange(id, &min, &max, &step, &def, &gotCaps), capture::kOk);
        QCOMPARE(controls->get(id, &value, &gotFlags), capture::kOk);
        if (converted.isEmpty())
            converted = {expected.minimum, expected.maximum, expected.step, expected.defaultValue,
                         expected.value};
        QCOMPARE(QVector<int>({min, max, step, def, gotCaps, value, gotFlags}),
                 converted.mid(0, 4) + QVector<int>({caps, converted[4], flags}));
    }

    void manualWriteSwitchesCompanionFirst_data() {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("value");
        QTest::addColumn<Writes>("expected");
        const int image = int(Family::Image), camera = int(Family::Camera);
        QTest::newRow("white balance, image manual flags")
            << image << 7 << 3 << 5000
            << Writes{{V4L2_CID_AUTO_WHITE_BALANCE, 0}, {V4L2_CID_WHITE_BALANCE_TEMPERATURE, 5000}};
        // 1/256 s, as a profile written on Windows holds it.
        QTest::newRow("exposure") << camera << 4 << 2 << -8
                                  << Writes{{V4L2_CID_EXPOSURE_AUTO, 1},
                                            {V4L2_CID_EXPOSURE_ABSOLUTE, 39}};
        QTest::newRow("pan one degree")
            << camera << 0 << 2 << 1 << Writes{{V4L2_CID_PAN_ABSOLUTE, 3600}};
        QTest::newRow("focus") << camera << 6 << 2 << 125
                               << Writes{{V4L2_CID_FOCUS_AUTO, 0}, {V4L2_CID_FOCUS_ABSOLUTE, 125}};
        QTest::newRow("hue already manual")
            << image << 2 << 3 << -300 << Writes{{V4L2_CID_HUE, -300}};
        QTest::newRow("low light on")
            << camera << 19 << 2 << 1 << Writes{{V4L2_CID_EXPOSURE_AUTO_PRIORITY, 1}};
        QTest::newRow("white balance automatic")
            << image << 7 << 1 << 3000 << Writes{{V4L2_CID_AUTO_WHITE_BALANCE, 1}};
        QTest::newRow("exposure automatic")
            << camera << 4 << 1 << -8 << Writes{{V4L2_CID_EXPOSURE_AUTO, 3}};
    }

    void manualWriteSwitchesCompanionFirst() {
        QFETCH(int, family);
        QFETCH(int, id);
        QFETCH(int, flags);
        QFETCH(int, value);
        QFETCH(Writes, expected);
        auto controls = plugAndOpen(Family(family));
        QVERIFY(controls);
        if (flags == capture::kFlagAuto)  // start from manual to see the switch back
            QCOMPARE(controls->set(id, value, capture::kFlagManual), capture::kOk);
        m_driver->clearWrites();

        QCOMPARE(controls->set(id, value, flags), capture::kOk);
        QCOMPARE(m_driver->acceptedWrites(), expected);
        QVERIFY(m_driver->refusedWrites().empty());
        std::int32_t readValue = 0, readFlags = 0;
        QCOMPARE(controls->get(id, &readValue, &readFlags), capture::kOk);
        QCOMPARE(readValue, value);
        QCOMPARE(readFlags,
                 flags == capture::kFlagAuto ? capture::kFlagAuto : capture::kFlagManual);
    }

    void automaticWritePicksOfferedExposureMode_data() {
        QTest::addColumn<std::vector<std::int32_t>>("menu");
        QTest::addColumn<int>("mode");  // -1: automatic refused
        QTest::newRow("aperture priority first") << std::vector<std::int32_t>{0, 1, 2, 3} << 3;
        QTest::newRow("auto") << std::vector<std::int32_t>{0, 1, 2} << 0;
        // The exposure time stays the user's in shutter priority.
        QTest::newRow("shutter priority is manual") << std::vector<std::int32_t>{1, 2} << -1;
        QTest::newRow("manual only") << std::vector<std::int32_t>{1} << -1;
    }

    void automaticWritePicksOfferedExposureMode() {
        QFETCH(std::vector<std::int32_t>, menu);
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
        auto controls = plugAndOpen(Family::Camera, spec);
        QVERIFY(controls);
        std::int32_t caps = 0;
        QCOMPARE(controls->getRange(4, nullptr, nullptr, nullptr, nullptr, &caps), capture::kOk);
        QCOMPARE(caps, mode < 0 ? capture::kFlagManual : capture::kFlagAuto | capture::kFlagManual);
        QCOMPARE(controls->set(4, 100, capture::kFlagAuto),
                 mode < 0 ? capture::kInvalidArg : capture::kOk);
        QCOMPARE(m_driver->value(V4L2_CID_EXPOSURE_AUTO), mode < 0 ? 1 : mode);
        QCOMPARE(m_driver->value(V4L2_CID_EXPOSURE_ABSOLUTE), 250);
        // Whatever mode the camera is in, a read says automatic only where the time is.
        for (std::int32_t entry : menu) {
            m_driver->setValue(V4L2_CID_EXPOSURE_AUTO, entry);
            std::int32_t value = 0, flags = 0;
            QCOMPARE(controls->get(4, &value, &flags), capture::kOk);
            QCOMPARE(flags, entry == 0 || entry == 3 ? capture::kFlagAuto : capture::kFlagManual);
        }
    }

    void valuesOutsideRangeNeverReachCamera() {
        auto image = plugAndOpen(Family::Image);
        auto camera = openFamily(*m_device, Family::Camera);
        QVERIFY(image && camera);
        // The driver would clamp these silently; the profile's "camera default" marker is one.
        QCOMPARE(image->set(8, -10000, 3), capture::kInvalidArg);
        QCOMPARE(image->set(7, 9000, 3), capture::kInvalidArg);
        QCOMPARE(camera->set(6, -1, 2), capture::kInvalidArg);
        QVERIFY(m_driver->acceptedWrites().empty() && m_driver->refusedWrites().empty());

        // Within range, off the step: the camera rounds, and the next read says so.
        QCOMPARE(camera->set(6, 13, 2), capture::kOk);
        std::int32_t focus = 0, flags = 0;
        QCOMPARE(camera->get(6, &focus, &flags), capture::kOk);
        QCOMPARE(focus, 15);
    }

    void refusedWriteKeepsAutomaticMode() {
        auto image = plugAndOpen(Family::Image);
        QVERIFY(image);
        m_driver->injectFailure(VIDIOC_S_EXT_CTRLS, V4L2_CID_WHITE_BALANCE_TEMPERATURE, EBUSY);
        QCOMPARE(image->set(7, 5000, 3), capture::kBusy);
        QCOMPARE(m_driver->value(V4L2_CID_AUTO_WHITE_BALANCE), 1);
        QCOMPARE(m_driver->value(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 4600);
    }

    void errnoBecomesResult_data() {
        QTest::addColumn<quint64>("request");
        QTest::addColumn<int>("error");
        QTest::addColumn<Result>("expected");
        const quint64 set = VIDIOC_S_EXT_CTRLS, query = VIDIOC_QUERY_EXT_CTRL,
                      get = VIDIOC_G_EXT_CTRLS;
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

    void errnoBecomesResult() {
        QFETCH(quint64, request);
        QFETCH(int, error);
        QFETCH(Result, expected);
        auto image = plugAndOpen(Family::Image);
        QVERIFY(image);
        m_driver->injectFailure(request, V4L2_CID_GAIN, error);
        std::int32_t value = 0, flags = 0, caps = 0;
        Result r = request == VIDIOC_S_EXT_CTRLS ? image->set(9, 50, 3)
                   : request == VIDIOC_G_EXT_CTRLS
                       ? image->get(9, &value, &flags)
                       : image->getRange(9, nullptr, nullptr, nullptr, nullptr, &caps);
        QCOMPARE(uint(r), uint(expected));
    }

    void powerLineFrequencyThroughPropertyBuffer() {
        m_driver = m_bed->plug(EmulatedCameraSpec());
        std::shared_ptr<capture::Device> device = onlyDevice(*m_backend);
        QVERIFY(device);
        PowerLineProbe powerLine(*device);
        QVERIFY(powerLine.isOpen());
        QCOMPARE(powerLine.read(), capture::kOk);
        QCOMPARE(powerLine.value(), 1);
        QCOMPARE(capture::powerLineFlags(powerLine.data), 2u);
        QCOMPARE(powerLine.bytesReturned, 44u);

        QCOMPARE(powerLine.write(2), capture::kOk);
        QCOMPARE(m_driver->value(V4L2_CID_POWER_LINE_FREQUENCY), 2);
        QCOMPARE(powerLine.write(3),
                 capture::kInvalidArg);  // this camera offers no automatic entry
        QCOMPARE(m_driver->value(V4L2_CID_POWER_LINE_FREQUENCY), 2);
        QCOMPARE(powerLine.write(2, 12), capture::kNotFound);
        QCOMPARE(powerLine.read(40), capture::kInvalidArg);
        QCOMPARE(powerLine.read(44, capture::kKsCategoryCapture), capture::kNotFound);
    }

    void unplugFailsEveryOperation() {
        auto open = plugAndOpen(Family::Camera);  // an operation under way
        QVERIFY(open);
        const std::string path = pathOf(*m_device).toStdString();
        QCOMPARE(m_backend->captureDeviceName(path), std::string("/dev/video0"));

        m_bed->unplug("1-3");
        std::int32_t value = 0, flags = 0;
        QCOMPARE(uint(open->get(6, &value, &flags)), uint(capture::kDeviceNotConnected));
        QCOMPARE(uint(open->set(6, 100, 2)), uint(capture::kDeviceNotConnected));
        std::unique_ptr<capture::BoundDevice> bound;
        QCOMPARE(uint(m_device->bind(bound)), uint(capture::kDeviceNotConnected));
        QVERIFY(!bound);
        QVERIFY(m_backend->captureDeviceName(path).empty());
        std::vector<std::shared_ptr<capture::Device>> devices;
        QCOMPARE(m_backend->enumerateVideoInputDevices(devices), capture::kFalse);
        QVERIFY(devices.empty());
    }

    void nodeTakenOverByAnotherCameraIsNotControlled() {
        m_bed->plug(EmulatedCameraSpec());
        std::shared_ptr<capture::Device> gone = onlyDevice(*m_backend);
        QVERIFY(gone);
        m_bed->unplug("1-3");
        EmulatedCameraSpec other = cameraAt("2-2", 0, 1);  // video0 again, on another port
        other.productId = 0x2a10;
        m_bed->plug(other);

        std::unique_ptr<capture::BoundDevice> bound;
        QCOMPARE(uint(gone->bind(bound)), uint(capture::kDeviceNotConnected));
        QVERIFY(m_backend->captureDeviceName(pathOf(*gone).toStdString()).empty());
        std::shared_ptr<capture::Device> current = onlyDevice(*m_backend);
        QVERIFY(current && pathOf(*current).contains("pid_2a10"));
        QCOMPARE(m_backend->captureDeviceName(pathOf(*current).toStdString()),
                 std::string("/dev/video0"));
    }

    void cameraIsNotHeldOpenBetweenOperations() {
        m_bed->plug(EmulatedCameraSpec());
        std::shared_ptr<capture::Device> device = onlyDevice(*m_backend);
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
};

QTEST_GUILESS_MAIN(TestV4l2Backend)
#include "tst_v4l2_backend.moc"
