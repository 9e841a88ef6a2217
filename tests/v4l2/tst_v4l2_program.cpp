// The built program on a private X server inside the testbed, clicked as a user does, read from
// the screen, its debug output and the emulated cameras.

#include <QTemporaryDir>
#include <QtTest>

#include "FileBytes.h"
#include "PreviewSession.h"
#include "UvcTestbed.h"

namespace {

const int kWaitMs = 30000;
const QString kPath = QStringLiteral(
    R"(@device:pnp:\\?\usb#vid_1a2b&pid_3c4d&mi_00#1-3#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\video0)");
// As the debug stream writes it: in double quotes, backslashes doubled.
const QString kQuotedPath = '"' + QString(kPath).replace('\\', QStringLiteral("\\\\")) + '"';

// The model's active profile, Office, each value reached with its automatic mode off first.
bool holdsOfficeProfile(const EmulatedUvcDriver &camera) {
    const std::map<std::uint32_t, std::int32_t> values = camera.state().values;
    return values.at(V4L2_CID_BRIGHTNESS) == 42 && values.at(V4L2_CID_AUTO_WHITE_BALANCE) == 0 &&
           values.at(V4L2_CID_WHITE_BALANCE_TEMPERATURE) == 5300 &&
           values.at(V4L2_CID_FOCUS_AUTO) == 0 && values.at(V4L2_CID_FOCUS_ABSOLUTE) == 100;
}

bool writeProfiles(const QString &data) {
    const QString model = data + "/1a2b__3c4d/00";
    return writeFile(data + "/settings.ini",
                     "[1a2b__3c4d]\nActiveProfile=Office\nProfileCount=2\n\n"
                     "[1a2b__1f05]\nActiveProfile=Desk\nProfileCount=1\n") &&
           writeFile(data + "/1a2b__1f05/001_{5d0c31e2-7a44-4b8e-9f10-6c2b8e9a0003}.ini",
                     "[General]\nprofilename=Desk\n\n[VideoProcAmp]\nbrightness=7\n") &&
           writeFile(model + "1_{5d0c31e2-7a44-4b8e-9f10-6c2b8e9a0001}.ini",
                     "[General]\nvid=1a2b\npid=3c4d\nprofilename=Standard Profile\n") &&
           writeFile(model + "2_{5d0c31e2-7a44-4b8e-9f10-6c2b8e9a0002}.ini",
                     "[General]\nvid=1a2b\npid=3c4d\nprofilename=Office\n\n"
                     "[VideoProcAmp]\nbrightness=42\nwhitebalance=5300\nwhitebalanceauto=false\n\n"
                     "[CameraControl]\nfocus=100\nfocusauto=false\n");
}

}  // namespace

class TestV4l2Program : public QObject {
    Q_OBJECT

private slots:
    void followsTheCamerasAndPreviewsThem() {
        UvcTestbed bed;
        QVERIFY2(bed.isActive(), "run under umockdev-wrapper");
        QTemporaryDir home;
        QVERIFY(writeProfiles(home.filePath("data/tintwell")));
        std::shared_ptr<EmulatedUvcDriver> camera = bed.plug(EmulatedCameraSpec());
        std::shared_ptr<EmulatedUvcDriver> twin = bed.plug(cameraAt("1-4", 2, 3));
        EmulatedCameraSpec webCam = cameraAt("1-5", 4);
        webCam.productId = 0x1f05;
        webCam.product = "Velt WebCam W1080";
        std::shared_ptr<EmulatedUvcDriver> other = bed.plug(webCam);
        // Started after the testbed exists: the environment carries it to the program.
        PreviewSession session(TINTWELL_BINARY, PREVIEW_PROBE);
        QVERIFY2(session.launch(home.path(), kWaitMs), qPrintable(session.failure()));
        TintwellProcess &program = session.program();
        QVERIFY(program.hasLine("camera 1 : \"Velt DocCam V4\" " + kQuotedPath));
        QCOMPARE(program.count("camera 2 : \"Velt DocCam V4 (2)\" "), 1);
        QVERIFY(program.hasLine("current device \"1a2b__3c4d\" , active profile name: \"Office\""));
        QTRY_VERIFY_WITH_TIMEOUT(holdsOfficeProfile(*camera), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(holdsOfficeProfile(*twin), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(other->state().values.at(V4L2_CID_BRIGHTNESS), 7, kWaitMs);

        // The largest size offered is Full HD, so that is what the camera is set to.
        QVERIFY(session.clickPreview());
        const QString window = session.waitForPreviewWindow(kWaitMs);
        QVERIFY(!window.isEmpty());
        QVERIFY(program.waitForLine("currently resolution: QSize(1920, 1080)", kWaitMs));
        QImage first;
        QTRY_VERIFY_WITH_TIMEOUT(showsAPicture(first = session.picture(window)), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(session.picture(window) != first, kWaitMs);
        QCOMPARE(camera->state().format.width, 1920u);
        QCOMPARE(camera->state().format.height, 1080u);
        QVERIFY(program.waitForLine("status QCamera::ActiveStatus", kWaitMs));

        // Pulled out while previewing: the preview closes, the program goes on.
        bed.unplug("1-3");
        QVERIFY(program.waitForLine("PreviewWidget close event...", kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(!session.previewWindowVisible(), kWaitMs);
        QVERIFY(program.waitForLine("remove devPath: " + kQuotedPath, kWaitMs));

        // Plugged in again with its own defaults, it gets the profile.
        std::shared_ptr<EmulatedUvcDriver> again = bed.plug(EmulatedCameraSpec());
        for (const auto &driver : {again, twin, other})
            driver->change([](EmulatedState &s) { s.busy = true; });
        QTRY_VERIFY_WITH_TIMEOUT(holdsOfficeProfile(*again), kWaitMs);
        QCOMPARE(program.count("camera count: 3"), 2);
        // Controls kept inactive by their automatic mode are never written.
        for (const auto &driver : {camera, twin, other, again})
            QCOMPARE(driver->state().refusals, 0);

        // Another program streams from the camera.
        QVERIFY(session.clickPreview());
        QTRY_COMPARE_WITH_TIMEOUT(program.count("status "), 2, kWaitMs);
        QVERIFY(program.lastStartingWith("status ") != "status QCamera::ActiveStatus");
        QTRY_COMPARE_WITH_TIMEOUT(
            program.lastStartingWith("probe message "),
            "probe message It looks like another app is using the camera already", kWaitMs);
        QCOMPARE(program.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestV4l2Program)
#include "tst_v4l2_program.moc"
