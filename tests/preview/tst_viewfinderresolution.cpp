// Which viewfinder setting the preview asks for, from the list a camera reports.

#include <QtTest>

#include "ViewfinderResolution.h"

using Modes = QList<QCameraViewfinderSettings>;

static QCameraViewfinderSettings entry(int width, int height, double fps = 30) {
    QCameraViewfinderSettings settings;
    settings.setResolution(width, height);
    settings.setMinimumFrameRate(fps);
    settings.setMaximumFrameRate(fps);
    return settings;
}

class TestViewfinderResolution : public QObject {
    Q_OBJECT

private slots:
    void choosesFullHdOrTheFirstLargest_data() {
        QTest::addColumn<Modes>("supported");
        QTest::addColumn<QCameraViewfinderSettings>("chosen");
        QTest::addColumn<bool>("fullHd");
        QTest::newRow("full HD preferred over a larger one listed after it")
            << Modes{entry(640, 480), entry(1280, 720), entry(1920, 1080), entry(2592, 1944)}
            << entry(1920, 1080) << true;
        QTest::newRow("a larger one listed first wins")
            << Modes{entry(2592, 1944), entry(1920, 1080), entry(1280, 720)} << entry(2592, 1944)
            << false;
        QTest::newRow("first of equal largest entries, frame rate kept")
            << Modes{entry(640, 480), entry(1280, 720, 30), entry(1280, 720, 15)}
            << entry(1280, 720, 30) << false;
        QTest::newRow("full HD twice: the first")
            << Modes{entry(1920, 1080, 30), entry(1920, 1080, 60)} << entry(1920, 1080, 30) << true;
        QTest::newRow("portrait of the same area listed first is not replaced")
            << Modes{entry(1080, 1920), entry(1920, 1080)} << entry(1080, 1920) << false;
        QTest::newRow("areas beyond 32 bits compare correctly")
            << Modes{entry(65536, 65536), entry(1920, 1080)} << entry(65536, 65536) << false;
        QTest::newRow("nothing listed") << Modes{} << entry(0, 0, 0) << false;
    }
    void choosesFullHdOrTheFirstLargest() {
        QFETCH(Modes, supported);
        const ViewfinderChoice choice = chooseViewfinderSettings(supported);
        QTEST(choice.settings, "chosen");
        QTEST(choice.fullHd, "fullHd");
    }
};

QTEST_APPLESS_MAIN(TestViewfinderResolution)
#include "tst_viewfinderresolution.moc"
