// Sizes on a 2560 x 1440 screen at 96 DPI, where they grow by four thirds. Run on a virtual X
// server of that size (see CMakeLists.txt).

#include <QtTest>
#include <QtWidgets>

#include "AboutWidget.h"
#include "CameraSettingWidget.h"
#include "ControlRow.h"
#include "FontScale.h"
#include "FormChild.h"
#include "FreshDataMain.h"

class TestLargeScreen : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const QScreen *screen = QGuiApplication::primaryScreen();
        QVERIFY2(screen->size() == QSize(2560, 1440) && screen->logicalDotsPerInchX() == 96,
                 "needs a 2560 x 1440 screen at 96 DPI");
    }

    void windowsScaleByFourThirds() {
        CameraSettingWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const char *name : {"btnAdjustment", "btnAdvanced", "btnAbout"}) {
            auto *button = formChild<QToolButton>(&window, name);
            QCOMPARE(button->iconSize().width(), 64);
            QCOMPARE(button->height(), 113);
            QCOMPARE(button->font().pointSize(), 12);
        }
        QCOMPARE(formChild<QLabel>(&window, "label_3")->font().pointSize(), 12);
        QCOMPARE(window.contentsMargins(), QMargins(12, 12, 12, 0));
        const QSize logo =
            formChild<QLabel>(&window, "lblVeltLogo")->pixmap(Qt::ReturnByValue).size();
        QVERIFY(logo.boundedTo(QSize(148, 40)) == logo &&
                (logo.width() == 148 || logo.height() == 40));
        QMetaObject::invokeMethod(&window, "selectPage", Q_ARG(int, 3));
        QTRY_COMPARE(window.size(), QSize(960, 533));

        AboutWidget about;
        QCOMPARE(about.contentsMargins(), QMargins(12, 0, 12, 12));
        QCOMPARE(formChild<QGridLayout>(&about, "gridLayout")->spacing(), 13);
    }

    // Own point sizes grow with the screen, the camera pages' fixed 9 points likewise; a font
    // sized in pixels is left alone.
    void fontsGrowByFourThirds() {
        QWidget window;
        auto *own = new QLabel(&window), *pixels = new QLabel(&window);
        QFont font = own->font();
        font.setPointSize(15);
        own->setFont(font);
        font.setPixelSize(15);
        pixels->setFont(font);
        scaleOwnFonts(&window);
        QCOMPARE(qMakePair(own->font().pointSize(), pixels->font().pixelSize()), qMakePair(20, 15));
        applyControlPageFonts(&window);
        QCOMPARE(own->font().pointSize(), 12);
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestLargeScreen)

#include "tst_largescreen.moc"
