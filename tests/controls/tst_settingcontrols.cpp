// The shared controls: what they paint, how they size their child, the screen factor, and the
// behaviour of a control row that both camera pages rely on.

#include <QApplication>
#include <QDesktopWidget>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include "AppGlobals.h"
#include "AspectRatioWidget.h"
#include "CameraDeviceManager.h"
#include "ControlRow.h"
#include "ScreenScale.h"
#include "SettingAddSubWidget.h"
#include "SettingLargeButton.h"
#include "SettingWidget.h"

namespace {

QImage renderOnWhite(QWidget *widget) {
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool isGrey200(QRgb pixel) {
    return qRed(pixel) == 200 && qGreen(pixel) == 200 && qBlue(pixel) == 200;
}

int bluePixels(const QImage &image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += qBlue(p) > 180 && qRed(p) < 120 && qGreen(p) < 120;
        }
    return n;
}

// A row built from loose widgets, the way a page's form provides them.
struct LooseRow {
    QWidget page;
    QSlider *slider = new QSlider(Qt::Horizontal, &page);
    QToolButton *minus = new QToolButton(&page);
    QLineEdit *field = new QLineEdit(&page);
    QToolButton *plus = new QToolButton(&page);
    ControlRow row{slider, minus, field, plus};
    QList<int> written;  // what the row sent towards the camera
    QStringList fieldWhenWritten;
    QList<bool> modifiedWhenWritten;

    LooseRow() {
        slider->setRange(0, 10);
        row.connectSlider(&page, [this](int v) {
            written << v;
            fieldWhenWritten << field->text();
            modifiedWhenWritten << AppGlobals::instance()->isModified();
        });
        row.setUpPlusButton(1.0);
        row.setUpMinusButton(1.0);
    }
};

}  // namespace

class TestSettingControls : public QObject {
    Q_OBJECT

private slots:
    void init() {
        AppGlobals::instance()->setApplyingProfile(false);
        AppGlobals::instance()->setModified(false, false);
    }

    void artworkIsCompiledIn() {
        const char *names[] = {"appicon.png",
                               "VELT_logo_K.png",
                               "Brightness.png",
                               "Contrast.png",
                               "Focus.png",
                               "adjustment.svg",
                               "adjustment_sel.svg",
                               "advanced.svg",
                               "advanced_sel.svg",
                               "profile.svg",
                               "profile_sel.svg",
                               "about.svg",
                               "about_sel.svg",
                               "brightness.svg",
                               "contrast.svg",
                               "hue.svg",
                               "saturation.svg",
                               "sharpness.svg",
                               "gamma.svg",
                               "whitebalance.svg",
                               "backlight_compensation.svg",
                               "gain.svg",
                               "exposure.svg",
                               "focus.svg",
                               "zoom.svg",
                               "pan.svg",
                               "tilt.svg",
                               "roll.svg",
                               "add.svg",
                               "minus.svg"};
        for (const char *name : names) {
            const QString path = QStringLiteral(":/resources/images/") + QLatin1String(name);
            const QImage image = QIcon(path).pixmap(48, 48).toImage();
            QVERIFY2(!image.isNull(), qPrintable(path));
            // Something is drawn: not every pixel is transparent.
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; ++y)
                for (int x = 0; x < image.width() && !drawn; ++x)
                    drawn = qAlpha(image.pixel(x, y)) > 0;
            QVERIFY2(drawn, qPrintable(path));
        }
        QVERIFY(QImage(":/resources/images/appicon.png").width() >= 256);
        const QImage logo(":/resources/images/VELT_logo_K.png");
        QVERIFY(logo.width() >= 3 * logo.height());
    }

    void selectedNavigationIconsAreBlue() {
        const QImage plain = QIcon(":/resources/images/adjustment.svg").pixmap(48, 48).toImage();
        const QImage selected =
            QIcon(":/resources/images/adjustment_sel.svg").pixmap(48, 48).toImage();
        QCOMPARE(bluePixels(plain), 0);
        QVERIFY(bluePixels(selected) > 20);
    }

    void settingWidgetPaintsWhiteWhateverThePalette() {
        SettingWidget page;
        QPalette palette = page.palette();
        palette.setColor(QPalette::Window, Qt::red);
        page.setPalette(palette);
        page.setAutoFillBackground(true);
        page.resize(40, 30);
        QImage image(page.size(), QImage::Format_ARGB32);
        image.fill(Qt::black);
        page.render(&image);
        QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(39, 29), qRgb(255, 255, 255));
    }

    void capsuleHasRoundEndsAndNoFrame_data() {
        QTest::addColumn<int>("height");
        QTest::newRow("even height") << 30;
        QTest::newRow("odd height") << 31;
    }
    void capsuleHasRoundEndsAndNoFrame() {
        QFETCH(int, height);
        SettingAddSubWidget capsule(nullptr, Qt::WindowFlags());
        capsule.setFrameShape(QFrame::StyledPanel);
        capsule.setFrameShadow(QFrame::Raised);
        capsule.resize(100, height);
        const QImage image = renderOnWhite(&capsule);
        const int mid = height / 2;
        // Corners stay white: round caps, and the styled frame is never drawn.
        for (QPoint corner :
             {QPoint(0, 0), QPoint(99, 0), QPoint(0, height - 1), QPoint(99, height - 1)})
            QCOMPARE(image.pixel(corner), qRgb(255, 255, 255));
        // The caps reach both ends, the middle is filled top to bottom in the capsule grey.
        QVERIFY(isGrey200(image.pixel(1, mid)));
        QVERIFY(isGrey200(image.pixel(98, mid)));
        QVERIFY(isGrey200(image.pixel(50, 0)));
        QVERIFY(isGrey200(image.pixel(50, height - 1)));
        // The joining rectangle starts at h / 2 in whole pixels, also for an odd height.
        QVERIFY(isGrey200(image.pixel(15, 0)));
        QVERIFY(isGrey200(image.pixel(83, 0)));
        // A cap's own corner region is outside the half circle.
        QCOMPARE(image.pixel(3, 2), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(96, height - 3), qRgb(255, 255, 255));
    }

    void largeButtonTurnsBlueWhenChecked() {
        SettingLargeButton button;
        button.setText(QStringLiteral("Basic"));
        button.setCheckable(true);
        QFont font = button.font();
        font.setPointSize(20);
        button.setFont(font);
        button.resize(120, 50);
        QImage image = renderOnWhite(&button);
        QCOMPARE(bluePixels(image), 0);
        QCOMPARE(image.pixel(1, 1), qRgb(255, 255, 255));  // no border, white ground
        button.setChecked(true);
        image = renderOnWhite(&button);
        QVERIFY(bluePixels(image) > 10);
        QCOMPARE(image.pixel(1, 1), qRgb(255, 255, 255));
    }

    void aspectRatioCapsTheChild_data() {
        QTest::addColumn<QSize>("container");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QSize>("maximum");
        QTest::newRow("taller than 16:9") << QSize(800, 600) << 0.5625 << QSize(800, 450);
        QTest::newRow("wider than 16:9") << QSize(1000, 400) << 0.5625 << QSize(711, 400);
        QTest::newRow("exactly 16:9") << QSize(1600, 900) << 0.5625 << QSize(1600, 900);
        QTest::newRow("square by default") << QSize(300, 200) << 0.0 << QSize(200, 200);
    }
    void aspectRatioCapsTheChild() {
        QFETCH(QSize, container);
        QFETCH(double, ratio);
        QFETCH(QSize, maximum);
        AspectRatioWidget box;
        auto *child = new QWidget;
        if (ratio > 0)
            box.setAspectWidget(child, ratio);
        else
            box.setAspectWidget(child);
        QCOMPARE(child->parentWidget(), &box);
        box.resize(container);
        box.show();
        QTRY_COMPARE(child->maximumSize(), maximum);
        // The layout honours the cap.
        QTRY_VERIFY(child->width() <= maximum.width() && child->height() <= maximum.height());
        QVERIFY(child->width() > 0);
    }

    void aspectRatioFollowsRatioAndResize() {
        AspectRatioWidget box;
        auto *child = new QWidget;
        box.setAspectWidget(child, 0.5625);
        box.resize(800, 600);
        box.show();
        QTRY_COMPARE(child->maximumSize(), QSize(800, 450));
        box.setRatio(1.0);  // applies at once
        QCOMPARE(child->maximumSize(), QSize(600, 600));
        box.resize(400, 600);
        QTRY_COMPARE(child->maximumSize(), QSize(400, 400));
    }

    void aspectRatioWithoutChildIsHarmless() {
        AspectRatioWidget box;
        box.applyAspectRatio();
        box.setRatio(0.5);
        box.resize(10, 10);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.aspectWidget(), nullptr);
    }

    void scaleFactorForScreens_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<float>("factor");
        QTest::newRow("1920x1080") << QSize(1920, 1080) << 1.0f;
        QTest::newRow("3840x2160") << QSize(3840, 2160) << 2.0f;
        QTest::newRow("1920x1200 scales by height") << QSize(1920, 1200) << float(1200 / 1080.0);
        QTest::newRow("1280x1024 never below 1") << QSize(1280, 1024) << 1.0f;
        QTest::newRow("2560x1440") << QSize(2560, 1440) << 1.3333334f;
        QTest::newRow("2560x1600 below 16:9") << QSize(2560, 1600) << float(1600 / 1080.0);
        QTest::newRow("3440x1440 ultra-wide by width") << QSize(3440, 1440) << float(3440 / 1920.0);
        QTest::newRow("no screen size") << QSize(0, 0) << 1.0f;
    }
    void scaleFactorForScreens() {
        QFETCH(QSize, screen);
        QFETCH(float, factor);
        QCOMPARE(scaleFactorForScreenSize(screen.width(), screen.height()), factor);
    }

    void scaleFactorUsesTheScreenUnderThePointer() {
        const QRect geometry = QGuiApplication::primaryScreen()->geometry();
        QCursor::setPos(geometry.center());
        QCOMPARE(screenScaleFactor(),
                 scaleFactorForScreenSize(geometry.width(), geometry.height()));
    }

    void rowWritesCameraThenFieldThenMarksModified() {
        LooseRow r;
        QSignalSpy modified(AppGlobals::instance(), &AppGlobals::modifyStateChanged);
        r.slider->setValue(4);
        QCOMPARE(r.written, QList<int>{4});
        // When the camera was written, neither the field nor the modified flag had moved yet.
        QCOMPARE(r.fieldWhenWritten, QStringList{QString()});
        QCOMPARE(r.modifiedWhenWritten, QList<bool>{false});
        QCOMPARE(r.field->text(), QStringLiteral("4"));
        QCOMPARE(modified.count(), 1);
        QCOMPARE(modified.at(0).at(0).toBool(), true);

        AppGlobals::instance()->setApplyingProfile(true);
        r.slider->setValue(7);
        QCOMPARE(r.written, (QList<int>{4, 7}));
        QCOMPARE(r.field->text(), QStringLiteral("7"));
        QCOMPARE(modified.count(), 1);  // the program's own change marks nothing
    }

    void stepButtonsMoveOneUnitAndStopAtTheEnds() {
        LooseRow r;
        QVERIFY(r.plus->autoRepeat() && r.minus->autoRepeat());
        QVERIFY(!r.plus->icon().isNull() && !r.minus->icon().isNull());
        QCOMPARE(r.plus->iconSize(), QSize(16, 16));
        QVERIFY(r.plus->text().isEmpty() && r.minus->text().isEmpty());

        r.slider->setValue(5);
        r.written.clear();
        r.plus->click();
        QCOMPARE(r.slider->value(), 6);
        r.minus->click();
        r.minus->click();
        QCOMPARE(r.written, (QList<int>{6, 5, 4}));

        r.slider->setValue(10);
        r.written.clear();
        AppGlobals::instance()->setModified(false, false);
        QSignalSpy modified(AppGlobals::instance(), &AppGlobals::modifyStateChanged);
        r.plus->click();
        QCOMPARE(r.slider->value(), 10);
        QVERIFY(r.written.isEmpty());
        QCOMPARE(r.field->text(), QStringLiteral("10"));
        QCOMPARE(modified.count(), 0);

        r.slider->setValue(0);
        r.written.clear();
        r.minus->click();
        QVERIFY(r.written.isEmpty());
    }

    void profileValueReachesCameraEvenWhenUnchanged() {
        LooseRow r;
        r.slider->setValue(3);
        r.written.clear();
        r.row.applyProfileValue(3);
        r.row.applyProfileValue(8);
        QCOMPARE(r.written, (QList<int>{3, 8}));
        QCOMPARE(r.field->text(), QStringLiteral("8"));
        // Out of range: the slider clamps, the camera gets the clamped value.
        r.row.applyProfileValue(-10000);
        QCOMPARE(r.slider->value(), 0);
        QCOMPARE(r.written.last(), 0);
    }

    void rangeIsTakenOnlyFromASuccessfulRead() {
        LooseRow r;
        r.slider->setValue(9);
        r.written.clear();
        PropertyInfo info;
        info.min = -5;
        info.max = 5;
        r.row.takeRangeFrom(info, false);
        QCOMPARE(r.slider->minimum(), 0);
        QCOMPARE(r.slider->maximum(), 10);
        r.row.takeRangeFrom(info, true);
        QCOMPARE(r.slider->minimum(), -5);
        QCOMPARE(r.slider->maximum(), 5);
        QVERIFY(r.written.isEmpty());  // narrowing the range writes nothing to the camera
    }

    void pageFontsFollowScaleAndDpi() {
        QWidget page;
        auto *layout = new QHBoxLayout(&page);
        auto *label = new QLabel(QStringLiteral("Gain"));
        auto *edit = new QLineEdit;
        layout->addWidget(label);
        layout->addWidget(edit);
        applyControlPageFonts(&page);
        const int dpi = QApplication::desktop()->logicalDpiX();
        const int expected = int(screenScaleFactor() * (96.0 / dpi) * 9);
        QVERIFY(expected > 0);
        QCOMPARE(label->font().pointSize(), expected);
        QCOMPARE(edit->font().pointSize(), expected);
        QCOMPARE(edit->minimumWidth(), scaledPixels(45, screenScaleFactor()));
    }
};

QTEST_MAIN(TestSettingControls)
#include "tst_settingcontrols.moc"
