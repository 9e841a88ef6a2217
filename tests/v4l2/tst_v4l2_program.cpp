// The built program itself on the Linux backend, run as a child process inside the same umockdev
// testbed as this test: it must list the emulated cameras, apply each camera model's active
// profile to every one of them, and follow the camera being pulled out and plugged in again while
// it runs. What the program does is read from its debug output and from the emulated camera's
// control values.

#include <QTemporaryDir>
#include <QtTest>

#include "FileBytes.h"
#include "TintwellProcess.h"
#include "UvcTestbed.h"

namespace {

const int kWaitMs = 30000;
// The last line the main window writes while it is being built.
const QString kReady = QStringLiteral("==========camerasettingwidget==========control font is:");
const QString kPath = QStringLiteral(
    R"(@device:pnp:\\?\usb#vid_1a2b&pid_3c4d&mi_00#1-3#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\video0)");
// The path as the debug stream writes it: in double quotes, backslashes doubled.
const QString kQuotedPath = '"' + QString(kPath).replace('\\', QStringLiteral("\\\\")) + '"';

EmulatedCameraSpec docCam() {
    EmulatedCameraSpec spec;
    spec.productId = 0x3c4d;
    return spec;
}

// A second camera of the same model on the next port.
EmulatedCameraSpec docCamTwin() {
    EmulatedCameraSpec spec = cameraAt("1-4", 2, 3);
    spec.productId = 0x3c4d;
    return spec;
}

EmulatedCameraSpec webCam() {
    EmulatedCameraSpec spec = cameraAt("1-5", 4);
    spec.productId = 0x1f05;
    spec.product = "Velt WebCam W1080";
    return spec;
}

// The values of the model's active profile, Office, each reached through its automatic mode
// switched off first.
bool holdsOfficeProfile(const EmulatedUvcDriver &camera) {
    return camera.value(V4L2_CID_BRIGHTNESS) == 42 &&
           camera.value(V4L2_CID_AUTO_WHITE_BALANCE) == 0 &&
           camera.value(V4L2_CID_WHITE_BALANCE_TEMPERATURE) == 5300 &&
           camera.value(V4L2_CID_FOCUS_AUTO) == 0 && camera.value(V4L2_CID_FOCUS_ABSOLUTE) == 100;
}

}  // namespace

class TestV4l2Program : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<UvcTestbed> m_bed;
    std::unique_ptr<TintwellProcess> m_program;

    // Started after the testbed exists: the environment carries the testbed's folder and preload
    // library to the program, which then sees the same devices and ioctl answers as this test.
    bool launch() {
        const QString data = m_home.filePath("data/tintwell");
        const QString model = data + "/1a2b__3c4d/00";
        if (!writeFile(data + "/settings.ini",
                       "[1a2b__3c4d]\nActiveProfile=Office\nProfileCount=2\n\n"
                       "[1a2b__1f05]\nActiveProfile=Desk\nProfileCount=1\n") ||
            !writeFile(data + "/1a2b__1f05/001_{5d0c31e2-7a44-4b8e-9f10-6c2b8e9a0003}.ini",
                       "[General]\nprofilename=Desk\n\n[VideoProcAmp]\nbrightness=7\n") ||
            !writeFile(model + "1_{5d0c31e2-7a44-4b8e-9f10-6c2b8e9a0001}.ini",
                       "[General]\nvid=1a2b\npid=3c4d\nprofilename=Standard Profile\n") ||
            !writeFile(
                model + "2_{5d0c31e2-7a44-4b8e-9f10-6c2b8e9a0002}.ini",
                "[General]\nvid=1a2b\npid=3c4d\nprofilename=Office\n\n"
                "[VideoProcAmp]\nbrightness=42\nwhitebalance=5300\nwhitebalanceauto=false\n\n"
                "[CameraControl]\nfocus=100\nfocusauto=false\n"))
            return false;
        QProcessEnvironment env = TintwellProcess::freshEnvironment(m_home.path());
        env.insert("TINTWELL_CAMERA_BACKEND", "v4l2");
        if (!env.contains("UMOCKDEV_DIR") || !env.value("LD_PRELOAD").contains("umockdev"))
            return false;
        m_program = std::make_unique<TintwellProcess>(QStringLiteral(TINTWELL_BINARY));
        m_program->launch(env);
        return m_program->waitForLine(kReady, kWaitMs);
    }

private slots:
    void init() {
        m_bed = std::make_unique<UvcTestbed>();
        QVERIFY2(m_bed->isActive(), "run under umockdev-wrapper");
    }
    void cleanup() {
        if (QTest::currentTestFailed() && m_program)
            qWarning().noquote() << "the program's last lines:\n"
                                 << m_program->debugLines().join('\n').right(4000);
        m_program.reset();
        m_bed.reset();
    }

    // The shown camera through the pages, the others beside it each with their own model's
    // profile, also once one of them is plugged in again; twins by names in port order.
    void listsTheCamerasAndAppliesTheirActiveProfiles() {
        std::shared_ptr<EmulatedUvcDriver> camera = m_bed->plug(docCam());
        std::shared_ptr<EmulatedUvcDriver> twin = m_bed->plug(docCamTwin());
        std::shared_ptr<EmulatedUvcDriver> other = m_bed->plug(webCam());
        QVERIFY2(launch(), "the program did not build its window inside the testbed");
        QVERIFY(m_program->hasLine("camera count: 3"));
        QVERIFY(m_program->hasLine("camera 1 : \"Velt DocCam V4\" " + kQuotedPath));
        QCOMPARE(m_program->count("camera 2 : \"Velt DocCam V4 (2)\" "), 1);
        QVERIFY(
            m_program->hasLine("current device \"1a2b__3c4d\" , active profile name: \"Office\""));
        QTRY_VERIFY_WITH_TIMEOUT(holdsOfficeProfile(*camera), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(holdsOfficeProfile(*twin), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(other->value(V4L2_CID_BRIGHTNESS), 7, kWaitMs);
        m_bed->unplug("1-4");
        twin = m_bed->plug(docCamTwin());
        QVERIFY(!holdsOfficeProfile(*twin));
        QTRY_VERIFY_WITH_TIMEOUT(holdsOfficeProfile(*twin), kWaitMs);
        // Controls kept inactive by their automatic mode are never written.
        for (const auto &driver : {camera, twin, other})
            QCOMPARE(driver->refusedWrites().size(), size_t(0));
    }

    void followsTheCameraBeingPulledOutAndPluggedInAgain() {
        m_bed->plug(docCam());
        QVERIFY2(launch(), "the program did not build its window inside the testbed");
        m_bed->unplug("1-3");
        QTRY_VERIFY_WITH_TIMEOUT(m_program->hasLine("remove devPath: " + kQuotedPath), kWaitMs);
        QVERIFY(m_program->hasLine("device removal: " + kQuotedPath));

        // The camera plugged in again is listed and gets the profile, although it comes back
        // with its own defaults. That nothing was selected any more shows that the removal had
        // emptied the list.
        std::shared_ptr<EmulatedUvcDriver> again = m_bed->plug(docCam());
        QVERIFY(!holdsOfficeProfile(*again));
        QTRY_VERIFY_WITH_TIMEOUT(
            m_program->hasLine("current camera: \"\" , new camera: \"1a2b__3c4d\""), kWaitMs);
        QCOMPARE(m_program->debugLines().count("camera count: 1"), 2);
        QTRY_VERIFY_WITH_TIMEOUT(holdsOfficeProfile(*again), kWaitMs);
        QCOMPARE(again->refusedWrites().size(), size_t(0));

        // Everything of the pull-out was read before the plug-in: one event each way, under the
        // same path, and none for the metadata node.
        QCOMPARE(m_program->count("device removal:"), 1);
        QCOMPARE(m_program->count("device arrival:"), 1);
        QVERIFY(m_program->hasLine("device arrival: " + kQuotedPath));
        QCOMPARE(m_program->state(), QProcess::Running);
        m_program->terminate();
        QVERIFY(m_program->waitForFinished(kWaitMs));
    }
};

QTEST_GUILESS_MAIN(TestV4l2Program)
#include "tst_v4l2_program.moc"
