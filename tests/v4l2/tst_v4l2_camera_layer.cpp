// The camera layer on the Linux backend: which emulated cameras it lists, its property calls
// reaching the V4L2 controls, and plugging and unplugging reaching its signals.

#include <QtTest>

#include "CameraDeviceManager.h"
#include "UvcTestbed.h"
#include "V4l2Backend.h"

class TestV4l2CameraLayer : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listsOnlySupportedCameras();
    void propertyCallsReachTheControls();
    void followsPlugAndUnplug();

private:
    CameraDeviceManager *manager() { return CameraDeviceManager::instance(); }
    std::unique_ptr<UvcTestbed> m_bed;
};

void TestV4l2CameraLayer::init() {
    m_bed = std::make_unique<UvcTestbed>();
    QVERIFY2(m_bed->isActive(), "run under umockdev-wrapper");
    manager()->setBackend(createV4l2Backend());
}

void TestV4l2CameraLayer::cleanup() {
    manager()->setBackend(nullptr);
    m_bed.reset();
}

void TestV4l2CameraLayer::listsOnlySupportedCameras() {
    EmulatedCameraSpec supported;  // pid 1f01, "Velt DocCam V4"
    EmulatedCameraSpec unsupportedPid;
    unsupportedPid.usbName = "1-4";
    unsupportedPid.productId = 0x9999;
    unsupportedPid.captureNode = 2;
    unsupportedPid.metadataNode = 3;
    EmulatedCameraSpec unsupportedName;
    unsupportedName.usbName = "1-5";
    unsupportedName.product = "Some Other Camera";
    unsupportedName.captureNode = 4;
    unsupportedName.metadataNode = 5;
    EmulatedCameraSpec namedByCard;  // no USB product string, name padded by the driver
    namedByCard.usbName = "1-6";
    namedByCard.productId = 0x5f2a;
    namedByCard.product.clear();
    namedByCard.card = "  Velt WebCam W4K ";
    namedByCard.captureNode = 6;
    namedByCard.metadataNode = 7;
    for (const auto &spec : {supported, unsupportedPid, unsupportedName, namedByCard})
        m_bed->plug(spec);

    QCOMPARE(manager()->enumerateDevices(), 2);
    QCOMPARE(manager()->friendlyName(0), QStringLiteral("Velt DocCam V4"));
    QVERIFY(
        manager()->devicePath(0).endsWith("#1-3#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\video0"));
    QCOMPARE(manager()->friendlyName(1).trimmed(), QStringLiteral("Velt WebCam W4K"));
    QVERIFY(manager()->devicePath(1).contains("usb#vid_1a2b&pid_5f2a&mi_00#1-6#"));
    QCOMPARE(manager()->captureDeviceName(manager()->devicePath(1)), QStringLiteral("/dev/video6"));
}

void TestV4l2CameraLayer::propertyCallsReachTheControls() {
    std::shared_ptr<EmulatedUvcDriver> driver = m_bed->plug(EmulatedCameraSpec());
    QCOMPARE(manager()->enumerateDevices(), 1);
    manager()->setCurrentIndex(0);

    PropertyInfo brightness;
    brightness.id = VideoProcAmp_Brightness;
    QVERIFY(manager()->getProperty(brightness));
    QCOMPARE(QVector<long>({brightness.min, brightness.max, brightness.defaultValue}),
             QVector<long>({-64, 64, 0}));
    QVERIFY(brightness.available);

    manager()->setWhiteBalance(5000, false);
    manager()->setExposure(0, true);
    manager()->setFocus(120, false);
    manager()->setLowLightCompensation(true);
    QCOMPARE(driver->value(V4L2_CID_AUTO_WHITE_BALANCE), 0);
    QCOMPARE(driver->value(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 5000);
    QCOMPARE(driver->value(V4L2_CID_EXPOSURE_AUTO), 3);
    QCOMPARE(driver->value(V4L2_CID_FOCUS_AUTO), 0);
    QCOMPARE(driver->value(V4L2_CID_FOCUS_ABSOLUTE), 120);
    QCOMPARE(driver->value(V4L2_CID_EXPOSURE_AUTO_PRIORITY), 1);
    QVERIFY(driver->refusedWrites().empty());

    bool ok = false;
    QCOMPARE(manager()->getPowerLineFrequency(&ok), 1L);
    QVERIFY(ok);
    QVERIFY(manager()->setPowerLineFrequency(2));
    QCOMPARE(driver->value(V4L2_CID_POWER_LINE_FREQUENCY), 2);

    PropertyInfo roll;
    roll.id = CameraControl_Roll;
    QVERIFY(!manager()->getCameraControlInfo(roll));
    QVERIFY(!roll.available);
}

void TestV4l2CameraLayer::followsPlugAndUnplug() {
    QSignalSpy arrivals(manager(), &CameraDeviceManager::deviceArrival);
    QSignalSpy removals(manager(), &CameraDeviceManager::deviceRemoval);
    QVERIFY(manager()->registerDeviceNotification(0));

    std::shared_ptr<EmulatedUvcDriver> driver = m_bed->plug(EmulatedCameraSpec());
    QTRY_COMPARE(arrivals.size(), 1);
    const QString path = arrivals.at(0).at(0).toString();
    QVERIFY(isVeltDevice(path));
    QCOMPARE(manager()->enumerateDevices(), 1);
    QCOMPARE(manager()->devicePath(0), path);
    manager()->selectByPath(path.toUpper());
    QCOMPARE(manager()->currentIndex(), 0);

    m_bed->unplug("1-3");
    QTRY_COMPARE(removals.size(), 1);
    QCOMPARE(removals.at(0).at(0).toString(), path);
    // Until the list is updated, calls on the vanished camera fail quietly.
    PropertyInfo focus;
    focus.id = CameraControl_Focus;
    QVERIFY(!manager()->getCameraControlInfo(focus));
    QCOMPARE(focus.max, 0L);
    manager()->setFocus(100, false);
    bool ok = true;
    QCOMPARE(manager()->getPowerLineFrequency(&ok), 0L);
    QVERIFY(driver->acceptedWrites().empty());
    manager()->removeByPath(path);
    QCOMPARE(manager()->count(), 0);
    QVERIFY(manager()->unregisterDeviceNotification());
}

int main(int argc, char **argv) {
    QTemporaryDir data;  // the camera layer's access log stays out of the home folder
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    TestV4l2CameraLayer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_v4l2_camera_layer.moc"
