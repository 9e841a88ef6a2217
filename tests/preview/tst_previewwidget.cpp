// The preview window for cameras the multimedia layer does not offer (every simulated camera),
// and the viewfinder setting it asks a camera for.

#include <QtTest>
#include <QtWidgets>

#include "DebugCapture.h"
#include "FormChild.h"
#include "FreshDataMain.h"
#include "PreviewWidget.h"
#include "ViewfinderResolution.h"

static QCameraViewfinderSettings mode(int width, int height, double fps = 30) {
    QCameraViewfinderSettings settings;
    settings.setResolution(width, height);
    settings.setMinimumFrameRate(fps);
    settings.setMaximumFrameRate(fps);
    return settings;
}

class TestPreviewWidget : public QObject {
    Q_OBJECT

private slots:
    // The message on black in a 16:9 picture area, for a simulated camera or none; a close stops,
    // then announces.
    void cameraWithoutPicture() {
        for (QString path : {"usb#vid_1a2b&pid_3c4d\\x", ""}) {
            DebugCapture log;
            PreviewWidget preview(path);
            preview.resize(1200, 320);
            preview.show();
            QVERIFY(QTest::qWaitForWindowExposed(&preview));
            QCOMPARE(log.take(), QStringList({"preview camera devicePath: \"" +
                                                  path.replace('\\', "\\\\") + '"',
                                              "camera init failed"}));
            auto *message = formChild<QLabel>(&preview, "lblErrorString");
            QVERIFY(message->isVisible());
            QCOMPARE(message->text(), "The camera could not be found or opened");  // not "busy"
            QCOMPARE(preview.grab().toImage().pixelColor(1, 1), QColor(Qt::black));
            QVERIFY(preview.minimumWidth() >= 532 && preview.minimumHeight() >= 280);
            auto *viewFinder = formChild<QWidget>(&preview, "viewFinder");
            QTRY_VERIFY(viewFinder->width() > 0);
            QVERIFY(qAbs(viewFinder->height() - 0.5625 * viewFinder->width()) <= 2);
            QStringList atSignal;
            connect(&preview, &PreviewWidget::closeSignal, this, [&] { atSignal = log.lines(); });
            QVERIFY(preview.close());
            QCOMPARE(atSignal.value(atSignal.size() - 1), "PreviewWidget close event...");
        }
    }

    // Full HD over a larger one listed after it; else the first of the largest area (beyond 32
    // bits too), its frame rate kept.
    void choosesFullHdOrTheFirstLargest() {
        const struct {
            QList<QCameraViewfinderSettings> supported;
            QCameraViewfinderSettings chosen;
            bool fullHd;
        } rows[] = {
            {{mode(640, 480), mode(1920, 1080), mode(2592, 1944)}, mode(1920, 1080), true},
            {{mode(1080, 1920, 15), mode(1920, 1080), mode(1080, 1920, 30)},
             mode(1080, 1920, 15),
             false},
            {{mode(65536, 65536), mode(1920, 1080)}, mode(65536, 65536), false},
            {{}, mode(0, 0, 0), false},
        };
        for (const auto &row : rows) {
            const ViewfinderChoice choice = chooseViewfinderSettings(row.supported);
            QVERIFY(choice.settings == row.chosen && choice.fullHd == row.fullHd);
        }
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestPreviewWidget)
#include "tst_previewwidget.moc"
