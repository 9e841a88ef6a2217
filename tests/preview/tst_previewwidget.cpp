// The preview window for cameras the multimedia layer does not offer (every simulated camera):
// the message on black, the 16:9 picture area and the order of a close.

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

#include "PreviewWidget.h"

namespace {

QStringList g_log;

void captureDebug(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type == QtDebugMsg)
        g_log << message;
}

const QString kDocCamPath = QStringLiteral(
    "@device:pnp:\\\\?\\usb#vid_1a2b&pid_3c4d&mi_00#6&2b1c7f0&0&0000#"
    "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");

}  // namespace

class TestPreviewWidget : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qInstallMessageHandler(captureDebug); }
    void init() { g_log.clear(); }

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
        QTEST(g_log.value(0), "logged");
        QCOMPARE(g_log.mid(1), QStringList{"camera init failed"});

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
        connect(&preview, &PreviewWidget::closeSignal, this, [&] { loggedAtSignal = g_log; });
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
