// The camera layer on the Linux backend: its property calls reaching the V4L2 controls,
// unplugging reaching its signals while calls on the vanished camera fail quietly, and the
// cameras it lists or says why it cannot.

#include <QtTest>

#include "CameraDeviceManager.h"
#include "CameraTestSupport.h"
#include "DebugCapture.h"
#include "FreshDataFolder.h"
#include "UvcTestbed.h"
#include "V4l2Backend.h"

class TestV4l2CameraLayer : public QObject {
    Q_OBJECT
private slots:
    void propertyCallsReachTheControlsUntilUnplugged() {
        UvcTestbed bed;
        QVERIFY2(bed.isActive(), "run under umockdev-wrapper");
        CameraDeviceManager *manager = CameraDeviceManager::instance();
        manager->setBackend(createV4l2Backend());
        QSignalSpy removals(manager, &CameraDeviceManager::deviceRemoval);
        QVERIFY(manager->registerDeviceNotification(0));
        std::shared_ptr<EmulatedUvcDriver> driver = bed.plug(EmulatedCameraSpec());
        QCOMPARE(manager->enumerateDevices(), 1);
        const QString path = manager->devicePath(0);
        manager->setCurrentIndex(0);

        manager->setWhiteBalance(5000, false);
        manager->setExposure(0, true);
        manager->setFocus(120, false);
        QVERIFY(manager->setPowerLineFrequency(2));
        QCOMPARE(driver->value(V4L2_CID_AUTO_WHITE_BALANCE), 0);
        QCOMPARE(driver->value(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 5000);
        QCOMPARE(driver->value(V4L2_CID_EXPOSURE_AUTO), 3);
        QCOMPARE(driver->value(V4L2_CID_FOCUS_ABSOLUTE), 120);
        QCOMPARE(driver->value(V4L2_CID_POWER_LINE_FREQUENCY), 2);
        QVERIFY(driver->refusedWrites().empty());
        bool ok = false;
        QCOMPARE(manager->getPowerLineFrequency(&ok), 2L);
        QVERIFY(ok);

        driver->clearWrites();
        bed.unplug("1-3");
        QTRY_COMPARE(removals.size(), 1);
        QCOMPARE(removals.at(0).at(0).toString(), path);
        // Until the list is updated, calls on the vanished camera fail quietly.
        PropertyInfo focus;
        focus.id = CameraControl_Focus;
        QVERIFY(!manager->getCameraControlInfo(focus));
        manager->setFocus(100, false);
        QCOMPARE(manager->getPowerLineFrequency(&ok), 0L);
        QVERIFY(driver->acceptedWrites().empty());
        QVERIFY(manager->unregisterDeviceNotification());
        manager->setBackend(nullptr);
    }

    void listsByEitherNameOrSaysWhyNot() {
        UvcTestbed bed;
        QVERIFY2(bed.isActive(), "run under umockdev-wrapper");
        CameraDeviceManager *manager = CameraDeviceManager::instance();
        manager->setBackend(createV4l2Backend());
        QSignalSpy arrivals(manager, &CameraDeviceManager::deviceArrival);
        QVERIFY(manager->registerDeviceNotification(0));
        // Known by its video function's name only, as Windows would show it.
        EmulatedCameraSpec composite = cameraAt("1-2", 0, 1);
        composite.product = "USB Composite Device";
        composite.interfaceName = "Velt PTZ Cam P20";
        bed.plug(composite);
        EmulatedCameraSpec denied = cameraAt("1-5", 2, 3);
        denied.accessDenied = true;
        bed.plug(denied);
        QTRY_COMPARE(arrivals.size(), 2);  // the denied one too: listing again says why

        DebugCapture debug;
        const int logged = externalLogLines().size();
        QCOMPARE(manager->enumerateDevices(), 1);
        QCOMPARE(manager->friendlyName(0), QStringLiteral("Velt PTZ Cam P20"));
        QCOMPARE(debug.count("cannot open camera device: \"/dev/video2\" 13 "), 1);
        QCOMPARE(
            externalLogLines(logged),
            QStringList("cannot open camera device /dev/video2: Permission denied (errno 13)"));
        QCOMPARE(manager->inaccessibleCameras(), QStringList("Velt DocCam V4"));
        QVERIFY(manager->unregisterDeviceNotification());
        manager->setBackend(nullptr);
        QVERIFY(manager->inaccessibleCameras().isEmpty());
    }
};

int main(int argc, char **argv) {
    FreshDataFolder data;  // the camera layer's access log stays out of the home folder
    QCoreApplication app(argc, argv);
    TestV4l2CameraLayer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_v4l2_camera_layer.moc"
