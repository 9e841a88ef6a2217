// The preview window for cameras the multimedia layer does not offer (every simulated camera):
// the message on black, the 16:9 picture area and the order of a close.

#include <QtTest>
#include <QtWidgets>

#include "CameraListFile.h"
#include "DebugCapture.h"
#include "FormChild.h"
#include "FreshDataMain.h"
#include "PreviewWidget.h"

static const QString kDocCamPath = usbCameraPath("1a2b", "3c4d", "2b1c7f0");

class TestPreviewWidget : public QObject {
    Q_OBJECT

private slots:
    void cameraWithoutPictureShowsTheMessageOnBlack_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("simulated camera") << kDocCamPath;
        QTest::newRow("no camera selected") << QString();
    }
    void cameraWithoutPictureShowsTheMessageOnBlack() {
        QFETCH(QString, path);
        DebugCapture log;
        PreviewWidget preview(path);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        const QString logged = "preview camera devicePath: \"" + path.replace('\\', "\\\\") + '"';
        QCOMPARE(log.lines(), QStringList({logged, "camera init failed"}));
        auto *message = formChild<QLabel>(&preview, "lblErrorString");
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(), "The camera could not be found or opened");  // not "busy"
        QCOMPARE(preview.grab().toImage().pixelColor(1, 1), QColor(Qt::black));
        QVERIFY(preview.minimumWidth() >= 532 && preview.minimumHeight() >= 280);
    }

    void pictureAreaKeepsSixteenByNine() {
        PreviewWidget preview(kDocCamPath);
        preview.resize(1200, 320);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        auto *viewFinder = formChild<QWidget>(&preview, "viewFinder");
        QTRY_VERIFY(viewFinder->width() > 0);
        QVERIFY2(qAbs(viewFinder->height() - 0.5625 * viewFinder->width()) <= 2,
                 qPrintable(QString("%1 x %2").arg(viewFinder->width()).arg(viewFinder->height())));
    }

    void closeStopsFirstThenAnnounces() {
        DebugCapture log;
        PreviewWidget preview(kDocCamPath);
        preview.show();
        QStringList loggedAtSignal;
        connect(&preview, &PreviewWidget::closeSignal, this, [&] { loggedAtSignal = log.lines(); });
        QSignalSpy closed(&preview, &PreviewWidget::closeSignal);
        QVERIFY(preview.close());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(loggedAtSignal.value(loggedAtSignal.size() - 1), "PreviewWidget close event...");
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestPreviewWidget)

#include "tst_previewwidget.moc"
