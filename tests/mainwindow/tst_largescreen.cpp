// Sizes of the main window and the About page on a 2560 x 1440 screen at 96 DPI. Run on a virtual
// X server of that size (see CMakeLists.txt).

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QScreen>
#include <QtTest>

#include "AboutWidget.h"
#include "CameraSettingWidget.h"
#include "FreshDataMain.h"
#include "SettingLargeButton.h"

class TestLargeScreen : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const QScreen *screen = QGuiApplication::primaryScreen();
        if (screen->geometry().size() != QSize(2560, 1440) || screen->logicalDotsPerInchX() != 96)
            QFAIL(
                qPrintable(QStringLiteral("needs a 2560 x 1440 screen at 96 DPI, not %1 x %2 at %3")
                               .arg(screen->geometry().width())
                               .arg(screen->geometry().height())
                               .arg(screen->logicalDotsPerInchX())));
    }

    void mainWindowScalesByFourThirds() {
        CameraSettingWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const char *name : {"btnAdjustment", "btnAdvanced", "btnAbout"}) {
            auto *button = window.findChild<SettingLargeButton *>(name);
            QCOMPARE(button->iconSize(), QSize(64, 64));
            QCOMPARE(button->height(), 113);
            QCOMPARE(button->font().pointSize(), 12);
        }
        QCOMPARE(window.findChild<QLabel *>("label_3")->font().pointSize(), 12);
        QCOMPARE(window.contentsMargins(), QMargins(12, 12, 12, 0));
        const QSize logo =
            window.findChild<QLabel *>("lblVeltLogo")->pixmap(Qt::ReturnByValue).size();
        QVERIFY(logo.width() <= 148 && logo.height() <= 40);
        QVERIFY(logo.width() == 148 || logo.height() == 40);

        QMetaObject::invokeMethod(&window, "selectPage", Q_ARG(int, 3));
        QTRY_COMPARE(window.size(), QSize(960, 533));
        QCOMPARE(window.minimumSize(), QSize(0, 0));
    }

    void aboutPageMarginsAndSpacing() {
        AboutWidget about;
        QCOMPARE(about.contentsMargins(), QMargins(12, 0, 12, 12));
        QCOMPARE(about.findChild<QGridLayout *>("gridLayout")->spacing(), 13);
    }
};

TINTWELL_TEST_MAIN_WITH_FRESH_DATA(TestLargeScreen)

#include "tst_largescreen.moc"
