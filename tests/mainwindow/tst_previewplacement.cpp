// Where the preview and the main window end up, for screens of several widths and positions.

#include <QtTest>

#include "PreviewPlacement.h"

class TestPreviewPlacement : public QObject {
    Q_OBJECT

private slots:
    void placesThePairSideBySide_data() {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("mainWindow");
        QTest::addColumn<QRect>("preview");
        QTest::addColumn<QPoint>("mainAt");
        QTest::addColumn<QPoint>("previewAt");
        const QRect main(300, 100, 720, 430);
        const QRect preview(40, 700, 532, 300);
        QTest::newRow("centred") << QRect(0, 0, 1920, 1080) << main << preview << QPoint(866, 100)
                                 << QPoint(334, 100);
        QTest::newRow("odd gap truncated")
            << QRect(0, 0, 1921, 1080) << main << preview << QPoint(866, 100) << QPoint(334, 100);
        QTest::newRow("pair wider than the screen: main window follows the preview")
            << QRect(0, 0, 1024, 768) << main << preview << QPoint(532, 100) << QPoint(0, 100);
        QTest::newRow("preview alone wider: main window at the right edge")
            << QRect(0, 0, 800, 600) << main << QRect(0, 0, 900, 500) << QPoint(80, 100)
            << QPoint(0, 100);
        QTest::newRow("screen right of the primary one")
            << QRect(1920, 0, 1920, 1080) << QRect(2000, 50, 720, 430) << preview
            << QPoint(2786, 50) << QPoint(2254, 50);
    }
    void placesThePairSideBySide() {
        QFETCH(QRect, screen);
        QFETCH(QRect, mainWindow);
        QFETCH(QRect, preview);
        const PreviewPlacement placement = placePreviewBeside(screen, mainWindow, preview);
        QTEST(placement.mainWindow, "mainAt");
        QTEST(placement.preview, "previewAt");
    }
};

QTEST_APPLESS_MAIN(TestPreviewPlacement)
#include "tst_previewplacement.moc"
