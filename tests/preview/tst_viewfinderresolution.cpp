// Which viewfinder setting the preview asks for, from the list a camera reports.

#include <QtTest>

#include "ViewfinderResolution.h"

namespace {

QCameraViewfinderSettings entry(int width, int height, double fps = 30) {
    QCameraViewfinderSettings settings;
    settings.setResolution(width, height);
    settings.setMinimumFrameRate(fps);
    settings.setMaximumFrameRate(fps);
    return settings;
}

}  // namespace

class TestViewfinderResolution : public QObject {
    Q_OBJECT

private slots:
    void choosesFullHdOrTheFirstLargest_data() {
        QTest::addColumn<QList<QCameraViewfinderSettings>>("supported");
        QTest::addColumn<QCameraViewfinderSettings>("chosen");
        QTest::addColumn<bool>("fullHd");
        QTest::newRow("full HD preferred over a larger one listed after it")
            << QList<QCameraViewfinderSettings>{entry(640, 480), entry(1280, 720),
                                                entry(1920, 1080), entry(2592, 1944)}
            << entry(1920, 1080) << true;
        QTest::newRow("a larger one listed first wins")
            << QList<QCameraViewfinderSettings>{entry(2592, 1944), entry(1920, 1080),
                                                entry(1280, 720)}
            << entry(2592, 1944) << false;
        QTest::newRow("first of equal largest entries, frame rate kept")
            << QList<QCameraViewfinderSettings>{entry(640, 480), entry(1280, 720, 30),
                                                entry(1280, 720, 15)}
            << entry(1280, 720, 30) << false;
        QTest::newRow("full HD twice: the first")
            << QList<QCameraViewfinderSettings>{entry(1920, 1080, 30), entry(1920, 1080, 60)}
            << entry(1920, 1080, 30) << true;
        QTest::newRow("portrait of the same area listed first is not replaced")
            << QList<QCameraViewfinderSettings>{entry(1080, 1920), entry(1920, 1080)}
            << entry(1080, 1920) << false;
        QTest::newRow("areas beyond 32 bits compare correctly")
            << QList<QCameraViewfinderSettings>{entry(70000, 70000), entry(1920, 1080)}
            << entry(70000, 70000) << false;
        QCameraViewfinderSettings nothing;
        nothing.setResolution(0, 0);
        QTest::newRow("nothing listed") << QList<QCameraViewfinderSettings>{} << nothing << false;
    }
    void choosesFullHdOrTheFirstLargest() {
        QFETCH(QList<QCameraViewfinderSettings>, supported);
        const ViewfinderChoice choice = chooseViewfinderSettings(supported);
        QTEST(choice.settings, "chosen");
        QTEST(choice.fullHd, "fullHd");
    }
};

QTEST_APPLESS_MAIN(TestViewfinderResolution)
#include "tst_viewfinderresolution.moc"
