// The preview against the emulated UVC camera of the V4L2 tests (umockdev), on a private X
// server: from the pointer click on Preview to the first picture painted in the preview window
// (read from the screen), and the frames per second over ten seconds, both as read from the
// camera and as changes of the picture on the screen. The floor, measured in the same round on a
// camera of its own, is a bare GStreamer pipeline reading one frame from the same kind of camera:
// from starting `gst-launch-1.0 v4l2src num-buffers=1 ! fakesink` to its end.
//
// Runs under umockdev-wrapper; prints "metric <name> <value>" per round.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "BenchReport.h"
#include "PreviewSession.h"
#include "UvcTestbed.h"

namespace {

const int kWaitMs = 30000;

EmulatedCameraSpec docCam() {
    EmulatedCameraSpec camera;
    camera.productId = 0x3c4d;
    return camera;
}

double floorMs() {
    UvcTestbed bed;
    bed.plug(docCam());
    QProcess pipeline;
    QElapsedTimer clock;
    clock.start();
    pipeline.start("gst-launch-1.0",
                   {"-q", "v4l2src", "device=/dev/video0", "num-buffers=1", "!", "fakesink"});
    if (!pipeline.waitForFinished(kWaitMs) || pipeline.exitCode() != 0)
        benchFailure("gst-launch-1.0 read no frame: " + pipeline.readAllStandardError());
    return clock.nsecsElapsed() / 1e6;
}

void previewRound() {
    UvcTestbed bed;
    std::shared_ptr<EmulatedUvcDriver> camera = bed.plug(docCam());
    const QString home = freshWorkFolder("preview");
    PreviewSession session(TW_BENCH_TINTWELL, TW_BENCH_PREVIEW_PROBE);
    if (!session.launch(home, kWaitMs))
        benchFailure(session.failure());
    QElapsedTimer clock;
    clock.start();
    if (!session.clickPreview())
        benchFailure("the Preview click failed");
    const QString window = session.waitForPreviewWindow(kWaitMs);
    if (window.isEmpty())
        benchFailure("no preview window");
    while (!showsAPicture(session.picture(window))) {
        if (clock.elapsed() > kWaitMs)
            benchFailure("the preview painted no picture");
        QTest::qWait(2);
    }
    reportMetric("preview_first_frame_ms", clock.nsecsElapsed() / 1e6);

    const std::uint64_t readBefore = camera->state().frames;
    QImage last = session.picture(window);
    int changes = 0;
    clock.restart();
    while (clock.elapsed() < 10000) {
        QTest::qWait(5);
        const QImage now = session.picture(window);
        changes += now != last;
        last = now;
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    reportMetric("preview_read_fps", (camera->state().frames - readBefore) / seconds);
    reportMetric("preview_painted_fps", changes / seconds);
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (!UvcTestbed().isActive())
        benchFailure("run under umockdev-wrapper");
    const int rounds = sampleCount(argc, argv, 3);
    for (int i = 0; i < rounds; ++i) {
        reportMetric("preview_floor_ms", floorMs());
        previewRound();
    }
    return 0;
}
