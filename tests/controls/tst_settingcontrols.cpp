// The shared controls: what they paint, how they size their child, the screen factor, and the
// behaviour of a control row that both camera pages rely on.

#include <QtTest>
#include <QtWidgets>

#include "AppGlobals.h"
#include "AspectRatioWidget.h"
#include "CameraDeviceManager.h"
#include "ControlRow.h"
#include "ScreenScale.h"
#include "SettingAddSubWidget.h"
#include "SettingLargeButton.h"
#include "SettingWidget.h"

namespace {

const QRgb white = qRgb(255, 255, 255);

QImage renderOnWhite(QWidget *widget) {
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QImage artwork(const QString &name) {
    return QIcon(QStringLiteral(":/resources/images/") + name).pixmap(48, 48).toImage();
}

int countPixels(const QImage &image, bool (*wanted)(QRgb)) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += wanted(image.pixel(x, y));
    return n;
}

const auto isBlue = [](QRgb p) { return qBlue(p) > 180 && qRed(p) < 120 && qGreen(p) < 120; };
const auto isDrawn = [](QRgb p) { return qAlpha(p) > 0; };

// A row built from loose widgets, the way a page's form provides them.
struct LooseRow {
    QWidget page;
    QSlider *slider = new QSlider(Qt::Horizontal, &page);
    QLineEdit *field = new QLineEdit(&page);
    ControlRow row{slider, nullptr, field, nullptr};
    QList<int> written;  // what the row sent towards the camera
    QStringList stateWhenWritten;

    LooseRow() {
        slider->setRange(0, 10);
        row.connectSlider(&page, [this](int v) {
            written << v;
            stateWhenWritten << field->text() + (AppGlobals::instance()->isModified() ? "*" : "");
        });
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
        const QStringList names =
            QStringLiteral(
                "appicon.png VELT_logo_K.png Brightness.png Contrast.png Focus.png adjustment.svg "
                "adjustment_sel.svg advanced.svg advanced_sel.svg profile.svg profile_sel.svg "
                "about.svg about_sel.svg brightness.svg contrast.svg hue.svg saturation.svg "
                "sharpness.svg gamma.svg whitebalance.svg backlight_compensation.svg gain.svg "
                "exposure.svg focus.svg zoom.svg pan.svg tilt.svg roll.svg add.svg minus.svg")
                .split(' ');
        for (const QString &name : names)
            QVERIFY2(countPixels(artwork(name), isDrawn) > 0, qPrintable(name));
        QVERIFY(QImage(":/resources/images/appicon.png").width() >= 256);
        const QImage logo(":/resources/images/VELT_logo_K.png");
        QVERIFY(logo.width() >= 3 * logo.height());
        // The selected navigation icons are the blue ones.
        QCOMPARE(countPixels(artwork("adjustment.svg"), isBlue), 0);
        QVERIFY(countPixels(artwork("adjustment_sel.svg"), isBlue) > 20);
    }

    void settingWidgetPaintsWhiteWhateverThePalette() {
        SettingWidget page;
        page.setPalette(QPalette(Qt::red));
        page.setAutoFillBackground(true);
        page.resize(40, 30);
        QImage image(page.size(), QImage::Format_ARGB32);
        image.fill(Qt::black);
        page.render(&image);
        QCOMPARE(image.pixel(39, 29), white);
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
        // Caps reach both ends; the joining rectangle starts at h / 2 in whole pixels.
        for (QPoint grey : {QPoint(1, height / 2), QPoint(98, height / 2), QPoint(15, 0),
                            QPoint(83, 0), QPoint(50, height - 1)})
            QCOMPARE(image.pixel(grey), qRgb(200, 200, 200));
        // No styled frame at the corners, and a cap's corner is outside its half circle.
        for (QPoint outside :
             {QPoint(0, 0), QPoint(99, height - 1), QPoint(3, 2), QPoint(96, height - 3)})
            QCOMPARE(image.pixel(outside), white);
    }

    void largeButtonTurnsBlueWhenChecked() {
        SettingLargeButton button;
        button.setText(QStringLiteral("Basic"));
        button.setCheckable(true);
        button.resize(120, 50);
        QCOMPARE(countPixels(renderOnWhite(&button), isBlue), 0);
        button.setChecked(true);
        const QImage image = renderOnWhite(&button);
        QVERIFY(countPixels(image, isBlue) > 10);
        QCOMPARE(image.pixel(1, 1), white);  // no border, white ground
    }

    void aspectRatioCapsTheChild_data() {
        QTest::addColumn<QSize>("container");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QSize>("maximum");
        QTest::newRow("taller than 16:9") << QSize(800, 600) << 0.5625 << QSize(800, 450);
        QTest::newRow("wider than 16:9") << QSize(1000, 400) << 0.5625 << QSize(711, 400);
    }
    void aspectRatioCapsTheChild() {
        QFETCH(QSize, container);
        QFETCH(double, ratio);
        QFETCH(QSize, maximum);
        AspectRatioWidget box;
        box.setRatio(2.0);  // no child yet: nothing to limit
        auto *child = new QWidget;
        box.setAspectWidget(child, ratio);
        box.resize(container);
        box.show();
        QTRY_COMPARE(child->maximumSize(), maximum);
        QTRY_VERIFY(child->width() > 0 && child->width() <= maximum.width() &&
                    child->height() <= maximum.height());
        // A new ratio applies at once.
        box.setRatio(1.0);
        const int side = qMin(container.width(), container.height());
        QCOMPARE(child->maximumSize(), QSize(side, side));
    }

    void scaleFactorForScreens_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<float>("factor");
        QTest::newRow("1920x1200 by height") << QSize(1920, 1200) << float(1200 / 1080.0);
        QTest::newRow("3440x1440 ultra-wide by width") << QSize(3440, 1440) << float(3440 / 1920.0);
        QTest::newRow("1280x1024 never below 1") << QSize(1280, 1024) << 1.0f;
        QTest::newRow("no screen size") << QSize(0, 0) << 1.0f;
    }
    void scaleFactorForScreens() {
        QFETCH(QSize, screen);
        QFETCH(float, factor);
        QCOMPARE(scaleFactorForScreenSize(screen.width(), screen.height()), factor);
    }

    void rowWritesCameraThenFieldThenMarksModified() {
        LooseRow r;
        QSignalSpy modified(AppGlobals::instance(), &AppGlobals::modifyStateChanged);
        r.slider->setValue(4);
        QCOMPARE(r.written, QList<int>{4});
        // When the camera was written, neither the field nor the modified flag had moved yet.
        QCOMPARE(r.stateWhenWritten, QStringList{QString()});
        QCOMPARE(r.field->text(), QStringLiteral("4"));
        QCOMPARE(modified.count(), 1);
        QCOMPARE(modified.at(0).at(0).toBool(), true);

        AppGlobals::instance()->setApplyingProfile(true);
        r.slider->setValue(7);
        QCOMPARE(r.written, (QList<int>{4, 7}));
        QCOMPARE(r.field->text(), QStringLiteral("7"));
        QCOMPARE(modified.count(), 1);  // the program's own change marks nothing
    }

    // Applying a profile: the camera's range only from a successful read, taken without writing
    // anything, then the profile's value, which reaches the camera even when the slider has it.
    void profileValueAndRangeReachTheRow() {
        LooseRow r;
        r.slider->setValue(9);
        r.written.clear();
        PropertyInfo info;
        info.min = -5;
        info.max = 5;
        r.row.takeRangeFrom(info, false);
        QCOMPARE(r.slider->maximum(), 10);
        r.row.takeRangeFrom(info, true);
        QCOMPARE(r.slider->minimum(), -5);
        QCOMPARE(r.slider->maximum(), 5);
        r.row.applyProfileValue(5);
        QCOMPARE(r.field->text(), QStringLiteral("5"));
        r.row.applyProfileValue(-10000);  // clamped by the slider
        QCOMPARE(r.written, (QList<int>{5, -5}));
    }
};

QTEST_MAIN(TestSettingControls)
#include "tst_settingcontrols.moc"
