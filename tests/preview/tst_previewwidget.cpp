// The preview window for cameras the multimedia layer does not offer (every simulated camera),
// and the viewfinder setting it asks a camera for.

#include <QtTest>
#include <QtWidgets>

#include "DebugCapture.h"
#include "FormChild.h"
#include "FreshDataMain.h"
#include "PreviewWidget.h"
#include "ViewfinderResolution.h"

using Modes = QList<QCameraViewfinderSettings>;

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
    void cameraWithoutPicture_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("simulated camera") << "usb#vid_1a2b&pid_3c4d\\x";
        QTest::newRow("no camera selected") << QString();
    }
    // The message on black in a 16:9 picture area; a close stops, then announces.
    void cameraWithoutPicture() {
        QFETCH(QString, path);
        DebugCapture log;
        PreviewWidget preview(path);
        preview.resize(1200, 320);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(log.take(),
                 QStringList({"preview camera devicePath: \"" + path.replace('\\', "\\\\") + '"',
                              "camera init failed"}));
        auto *message = formChild<QLabel>(&preview, "lblErrorString");
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(), "The camera could not be found or opened");  // not "busy"
        QCOMPARE(preview.grab().toImage().pixelColor(1, 1), QColor(Qt::black));
        QVERIFY(preview.minimumWidth() >= 532 && preview.minimumHeight() >= 280);
        auto *viewFinder = formChild<QWidget>(&preview, "viewFinder");
        QTRY_VERIFY(viewFinder->width() > 0);
        QVERIFY(qAbs(viewFinder->height() - 0.5625 * viewFinder->width()) <= 2);

        QStringList loggedAtSignal;
        connect(&preview, &PreviewWidget::closeSignal, this, [&] { loggedAtSignal = log.lines(); });
        QVERIFY(preview.close());
        QCOMPARE(loggedAtSignal.value(loggedAtSignal.size() - 1), "PreviewWidget close event...");
    }

    void choosesFullHdOrTheFirstLargest_data() {
        QTest::addColumn<Modes>("supported");
        QTest::addColumn<QCameraViewfinderSettings>("chosen");
        QTest::addColumn<bool>("fullHd");
        QTest::newRow("full HD over a larger one listed after it")
            << Modes{mode(640, 480), mode(1920, 1080), mode(2592, 1944)} << mode(1920, 1080)
            << true;
        QTest::newRow("first of equal areas, frame rate kept")
            << Modes{mode(1080, 1920, 15), mode(1920, 1080), mode(1080, 1920, 30)}
            << mode(1080, 1920, 15) << false;
        QTest::newRow("larger one first, area beyond 32 bits")
            << Modes{mode(65536, 65536), mode(1920, 1080)} << mode(65536, 65536) << false;
        QTest::newRow("nothing listed") << Modes{} << mode(0, 0, 0) << false;
    }
    void choosesFullHdOrTheFirstLargest() {
        QFETCH(Modes, supported);
        const ViewfinderChoice choice = chooseViewfinderSettings(supported);
        QTEST(choice.settings, "chosen");
        QTEST(choice.fullHd, "fullHd");
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestPreviewWidget)
#include "tst_previewwidget.moc"
