// The preview window for cameras the multimedia layer does not offer (every simulated camera):
// the message on black, the 16:9 picture area and the order of a close.

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>
#include <optional>

#include "CameraListFile.h"
#include "DebugCapture.h"
#include "PreviewWidget.h"

namespace {

const QString kDocCamPath = usbCameraPath("1a2b", "3c4d", "2b1c7f0");

}  // namespace

class TestPreviewWidget : public QObject {
    Q_OBJECT

    std::optional<DebugCapture> m_log;

private slots:
    void initTestCase() { m_log.emplace(); }
    void cleanupTestCase() { m_log.reset(); }
    void init() { m_log->clear(); }

    void cameraWithoutPictureShowsTheMessageOnBlack_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("logged");
        QTest::newRow("simulated camera")
            << kDocCamPath
            << "preview camera devicePath: \"" + QString(kDocCamPath).replace('\\', "\\\\") + '"';
        QTest::newRow("no camera selected")
            << QString() << QStringLiteral("preview camera devicePath: \"\"");
    }
    void cameraWithoutPictureShowsTheMessageOnBlack() {
        QFETCH(QString, path);
        PreviewWidget preview(path);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        const QStringList logged = m_log->lines();
        QTEST(logged.value(0), "logged");
        QCOMPARE(logged.mid(1), QStringList{"camera init failed"});

        auto *message = preview.findChild<QLabel *>("lblErrorString");
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(),
                 QStringLiteral("It looks like another app is using the camera already"));
        const QImage picture = preview.grab().toImage();
        QCOMPARE(picture.pixelColor(1, 1), QColor(Qt::black));
        QVERIFY(preview.minimumWidth() >= 532 && preview.minimumHeight() >= 280);
    }

    void pictureAreaKeepsSixteenByNine() {
        PreviewWidget preview(kDocCamPath);
        preview.resize(1200, 320);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        auto *viewFinder = preview.findChild<QWidget *>("viewFinder");
        QTRY_VERIFY(viewFinder->width() > 0);
        QVERIFY2(qAbs(viewFinder->height() - 0.5625 * viewFinder->width()) <= 2,
                 qPrintable(
                     QStringLiteral("%1 x %2").arg(viewFinder->width()).arg(viewFinder->height())));
    }

    void closeStopsFirstThenAnnounces() {
        PreviewWidget preview(kDocCamPath);
        preview.show();
        QStringList loggedAtSignal;
        connect(&preview, &PreviewWidget::closeSignal, this,
                [&] { loggedAtSignal = m_log->lines(); });
        QSignalSpy closed(&preview, &PreviewWidget::closeSignal);
        QVERIFY(preview.close());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(loggedAtSignal.last(), QStringLiteral("PreviewWidget close event..."));
        QVERIFY(!preview.isVisible());
    }
};

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    TestPreviewWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_previewwidget.moc"
