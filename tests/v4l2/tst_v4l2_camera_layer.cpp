// The camera layer on the Linux backend: its property calls reaching the V4L2 controls, another
// program's changes reported through control events (and shown by the main window while it is
// visible), unplugging reaching its signals while calls on the vanished camera fail quietly, and
// the cameras it lists or says why it cannot.

#include <QtTest>
#include <QtWidgets>

#include "AdjustmentWidget.h"
#include "AppGlobals.h"
#include "CameraDeviceManager.h"
#include "CameraSettingWidget.h"
#include "CameraTestSupport.h"
#include "ControlChangeFollower.h"
#include "ControlChangeWatcher.h"
#include "DebugCapture.h"
#include "FormChild.h"
#include "FreshDataFolder.h"
#include "UvcTestbed.h"
#include "V4l2Backend.h"

// Descriptors this process holds open on the camera's node.
static int openNodes() {
    int open = 0;
    for (const QString &fd : QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System))
        open += QFile::symLinkTarget("/proc/self/fd/" + fd).endsWith("/dev/video0");
    return open;
}

class TestV4l2CameraLayer : public QObject {
    Q_OBJECT
private slots:
    void propertyCallsAndChangeReportsReachTheControlsUntilUnplugged() {
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

        // Another program changes brightness. The emulated node does not answer poll(), so the
        // reports are taken here by hand, as the descriptor's notifier would take them.
        ControlChangeWatcher watcher;
        QSignalSpy changes(&watcher, &ControlChangeWatcher::controlsChanged);
        QVERIFY(watcher.start(path));
        driver->clearWrites();
        driver->setValue(V4L2_CID_BRIGHTNESS, 99);
        watcher.takeChanges();
        watcher.takeChanges();
        QCOMPARE(changes.size(), 1);
        PropertyInfo brightness;
        brightness.id = VideoProcAmp_Brightness;
        QVERIFY(manager->getProperty(path, brightness));
        QCOMPARE(brightness.value, 99L);
        QVERIFY(driver->acceptedWrites().empty());

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
        watcher.takeChanges();  // a gone camera ends the watch
        QVERIFY(!watcher.isWatching());
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
        // The empty Basic page names the camera it could not open.
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
        UvcTestbed bed;
        QVERIFY2(bed.isActive(), "run under umockdev-wrapper");
        EmulatedCameraSpec spec;
        spec.productId = 0x3c4d;
        std::shared_ptr<EmulatedUvcDriver> driver = bed.plug(spec);
        CameraDeviceManager::instance()->setBackend(createV4l2Backend());
        CameraSettingWidget window;
        QCOMPARE(openNodes(), 0);
        window.show();
        QCOMPARE(openNodes(), 1);
        driver->clearWrites();
        AppGlobals::instance()->setModified(false, false);
        driver->setValue(V4L2_CID_BRIGHTNESS, 33);
        window.findChild<ControlChangeFollower *>()->watcher()->takeChanges();
        QCOMPARE(formChild<QSlider>(&window, "slBrightness")->value(), 33);
        QVERIFY(driver->acceptedWrites().empty());
        QVERIFY(!AppGlobals::instance()->isModified());
        window.hide();
        QCOMPARE(openNodes(), 0);
        CameraDeviceManager::instance()->setBackend(nullptr);
    }
};

int main(int argc, char **argv) {
    FreshDataFolder data;  // the camera layer's access log stays out of the home folder
    QApplication app(argc, argv);
    TestV4l2CameraLayer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_v4l2_camera_layer.moc"
