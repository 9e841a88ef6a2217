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

QImage rendered(QWidget *widget, QSize size, Qt::GlobalColor ground = Qt::white) {
    widget->resize(size);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(ground);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
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

}  // namespace

class TestSettingControls : public QObject {
    Q_OBJECT

private slots:
    void init() {
        AppGlobals::instance()->setApplyingProfile(false);
        AppGlobals::instance()->setModified(false, false);
    }

    void looks() {
        SettingWidget page;  // white whatever the palette
        page.setPalette(QPalette(Qt::red));
        page.setAutoFillBackground(true);
        QCOMPARE(rendered(&page, QSize(40, 30), Qt::black).pixel(39, 29), white);

        SettingLargeButton button;  // blue when checked, no border
        button.setText("Basic");
        button.setCheckable(true);
        QCOMPARE(bluePixels(rendered(&button, QSize(120, 50))), 0);
        button.setChecked(true);
        const QImage checked = rendered(&button, QSize(120, 50));
        QVERIFY(bluePixels(checked) > 10 && checked.pixel(1, 1) == white);

        // The capsule: caps reach both ends, the joining rectangle starts at h / 2 in whole
        // pixels, no styled frame.
        SettingAddSubWidget capsule(nullptr, Qt::WindowFlags());
        capsule.setFrameShape(QFrame::StyledPanel);
        for (int h : {30, 31}) {
            const QImage image = rendered(&capsule, QSize(100, h));
            for (QPoint grey : {QPoint(1, h / 2), QPoint(98, h / 2), QPoint(15, 0), QPoint(83, 0),
                                QPoint(50, h - 1)})
                QCOMPARE(image.pixel(grey), qRgb(200, 200, 200));
            for (QPoint outside :
                 {QPoint(0, 0), QPoint(99, h - 1), QPoint(3, 2), QPoint(96, h - 3)})
                QCOMPARE(image.pixel(outside), white);
        }
    }

    void aspectRatioCapsTheChildAndScreenFactor() {
        for (QSize container : {QSize(800, 600), QSize(1000, 400)}) {
            AspectRatioWidget box;
            box.setRatio(2.0);  // no child yet: nothing to limit
            auto *child = new QWidget;
            box.setAspectWidget(child, 0.5625);
            box.resize(container);
            box.show();
            const QSize maximum = container.width() == 800 ? QSize(800, 450) : QSize(711, 400);
            QTRY_COMPARE(child->maximumSize(), maximum);
            QTRY_VERIFY(child->width() > 0 && child->width() <= maximum.width() &&
                        child->height() <= maximum.height());
            box.setRatio(1.0);  // at once
            QCOMPARE(child->maximumSize().width(), qMin(container.width(), container.height()));
        }
        // Against 1920 x 1080, whichever side is larger, never below 1, also with no screen size.
        QCOMPARE(scaleFactorForScreenSize(1920, 1200), float(1200 / 1080.0));
        QCOMPARE(scaleFactorForScreenSize(3440, 1440), float(3440 / 1920.0));
        QCOMPARE(scaleFactorForScreenSize(1280, 1024), 1.0f);
        QCOMPARE(scaleFactorForScreenSize(0, 0), 1.0f);
    }

    // Camera first, then field and modified flag; a profile's value reaches the camera even when
    // the slider has it, and the camera's range only from a successful read.
    void rowWritesCameraThenFieldThenMarksModified() {
        QWidget page;
        auto *slider = new QSlider(Qt::Horizontal, &page);
        auto *field = new QLineEdit(&page);
        const ControlRow row{slider, nullptr, field, nullptr};
        slider->setRange(0, 10);
        QList<int> written;
        QStringList stateWhenWritten;
        row.connectSlider(&page, [&](int v) {
            written << v;
            stateWhenWritten << field->text() + (AppGlobals::instance()->isModified() ? "*" : "");
        });
        QSignalSpy modified(AppGlobals::instance(), &AppGlobals::modifyStateChanged);
        slider->setValue(4);
        QCOMPARE(stateWhenWritten, QStringList{QString()});
        QCOMPARE(field->text() + QString::number(modified.count()), "41");
        QVERIFY(modified.at(0).at(0).toBool());

        AppGlobals::instance()->setApplyingProfile(true);
        slider->setValue(7);
        QCOMPARE(field->text() + QString::number(modified.count()), "71");  // marks nothing

        PropertyInfo info;
        info.min = -5;
        info.max = 5;
        row.takeRangeFrom(info, false);
        QCOMPARE(slider->minimum(), 0);
        row.takeRangeFrom(info, true);  // the slider now at 5, nothing written
        QCOMPARE(qMakePair(slider->minimum(), slider->maximum()), qMakePair(-5, 5));
        row.applyProfileValue(5);
        row.applyProfileValue(-10000);  // clamped by the slider
        QCOMPARE(written, (QList<int>{4, 7, 5, -5}));
    }
};

QTEST_MAIN(TestSettingControls)
#include "tst_settingcontrols.moc"
