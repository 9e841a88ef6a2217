// The preview of the built program, run on a private X server against an emulated camera that
// streams a picture with a frame counter: what the window shows is read from the screen, what the
// camera was asked for from the emulation, and the rest from the program's debug output.

#include <QTemporaryDir>
#include <QtTest>

#include "PreviewSession.h"
#include "UvcTestbed.h"

namespace {

const int kWaitMs = 30000;
const QString kBusy = QStringLiteral("It looks like another app is using the camera already");

EmulatedCameraSpec docCam() {
    EmulatedCameraSpec spec;
    spec.productId = 0x3c4d;
    return spec;
}

}  // namespace

class TestV4l2Preview : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<UvcTestbed> m_bed;
    std::unique_ptr<PreviewSession> m_session;
    std::shared_ptr<EmulatedUvcDriver> m_camera;

    TintwellProcess &program() { return m_session->program(); }

    // Started after the camera is plugged in: the environment carries the testbed to the program.
    bool openPreview() {
        m_session = std::make_unique<PreviewSession>(TINTWELL_BINARY, PREVIEW_PROBE);
        if (!m_session->launch(m_home.path(), kWaitMs)) {
            qWarning().noquote() << m_session->failure();
            return false;
        }
        return m_session->clickPreview() && program().waitForLine("camera init ok", kWaitMs);
    }

private slots:
    void init() {
        m_bed = std::make_unique<UvcTestbed>();
        QVERIFY2(m_bed->isActive(), "run under umockdev-wrapper");
        m_camera = m_bed->plug(docCam());
    }
    void cleanup() {
        if (QTest::currentTestFailed() && m_session)
            qWarning().noquote() << "the program's last lines:\n"
                                 << program().debugLines().join('\n').right(4000);
        m_session.reset();
        m_camera.reset();
        m_bed.reset();
    }

    // The largest size offered is Full HD, so that is what the camera is set to; then the
    // counter in the picture moves, and pulling the camera out closes the window while the
    // program goes on.
    void showsTheLivePictureUntilTheCameraIsPulledOut() {
        QVERIFY(openPreview());
        const QString window = m_session->waitForPreviewWindow(kWaitMs);
        QVERIFY(!window.isEmpty());
        QVERIFY(program().waitForLine("status QCamera::ActiveStatus", kWaitMs));
        QVERIFY(program().hasLine("currently resolution: QSize(1920, 1080)"));
        const std::vector<v4l2_pix_format> formats = m_camera->formatsSet();
        QVERIFY(!formats.empty());
        QCOMPARE(formats.back().width, 1920u);
        QCOMPARE(formats.back().height, 1080u);
        QCOMPARE(formats.back().pixelformat, std::uint32_t(V4L2_PIX_FMT_YUYV));

        QImage first;
        QTRY_VERIFY_WITH_TIMEOUT(showsAPicture(first = m_session->picture(window)), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_session->picture(window) != first, kWaitMs);
        QVERIFY(m_camera->framesDelivered() > 1);

        m_bed->unplug("1-3");
        QVERIFY(program().waitForLine("PreviewWidget close event...", kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(!m_session->previewWindowVisible(), kWaitMs);
        // Still answering: the camera plugged in again is heard of.
        m_bed->plug(docCam());
        QVERIFY(program().waitForLine("device arrival:", kWaitMs));
        QCOMPARE(program().state(), QProcess::Running);
    }

    void namesAnotherProgramWhenTheCameraIsBusy() {
        m_camera->setBusy(true);
        QVERIFY(openPreview());
        QVERIFY(program().waitForLine("status ", kWaitMs));
        QVERIFY(!program().hasLine("status QCamera::ActiveStatus"));
        QTRY_COMPARE_WITH_TIMEOUT(program().lastStartingWith("probe message "),
                                  "probe message " + kBusy, kWaitMs);
        QCOMPARE(m_camera->framesDelivered(), std::uint64_t(0));
    }
};

QTEST_GUILESS_MAIN(TestV4l2Preview)
#include "tst_v4l2_preview.moc"
