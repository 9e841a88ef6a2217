#include <QtTest>

#include "PreviewPlacement.h"

class TestPreviewPlacement : public QObject {
    Q_OBJECT

private slots:
    void placesThePairSideBySide() {
        const QRect main(300, 100, 720, 430), preview(40, 700, 532, 300);
        const struct {
            QRect screen, main, preview;
            QPoint mainAt, previewAt;
        } rows[] = {
            {{0, 0, 1920, 1080}, main, preview, {866, 100}, {334, 100}},  // centred
            {{0, 0, 1921, 1080}, main, preview, {866, 100}, {334, 100}},  // odd gap truncated
            // The pair wider than the screen: the main window follows the preview.
            {{0, 0, 1024, 768}, main, preview, {532, 100}, {0, 100}},
            // The preview alone wider: the main window at the right edge.
            {{0, 0, 800, 600}, main, {0, 0, 900, 500}, {80, 100}, {0, 100}},
            {{1920, 0, 1920, 1080}, {2000, 50, 720, 430}, preview, {2786, 50}, {2254, 50}},
        };
        for (const auto &row : rows) {
            const PreviewPlacement placed = placePreviewBeside(row.screen, row.main, row.preview);
            QCOMPARE(placed.mainWindow, row.mainAt);
            QCOMPARE(placed.preview, row.previewAt);
        }
    }
};

QTEST_APPLESS_MAIN(TestPreviewPlacement)
#include "tst_previewplacement.moc"
