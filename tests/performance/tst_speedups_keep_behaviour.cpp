// Row icons are rendered once per size and shared: a large row between two small ones must not
// take another row's size.

#include <QtTest>
#include <QtWidgets>

#include "ControlRow.h"

static QImage argb(const QPixmap &pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

static QImage svg(const char *name, int side) {
    return argb(QIcon(QString(":/resources/images/%1.svg").arg(name)).pixmap(side, side));
}

class TestSpeedupsKeepBehaviour : public QObject {
    Q_OBJECT

private slots:
    void rowIconsFollowTheSizeEachRowAsksFor() {
        QWidget page;
        for (double factor : {1.0, 2.0, 1.0}) {
            auto *minus = new QToolButton(&page), *plus = new QToolButton(&page);
            auto *icon = new QLabel(&page);
            ControlRow row(new QSlider(&page), minus, new QLineEdit(&page), plus);
            row.setUpPlusButton(factor);
            row.setUpMinusButton(factor);
            setRowIcon(icon, ":/resources/images/brightness.svg", factor);
            const int side = int(16 * factor);
            QCOMPARE(plus->iconSize(), QSize(side, side));
            QCOMPARE(argb(plus->icon().pixmap(side)), svg("add", side));
            QCOMPARE(argb(minus->icon().pixmap(side)), svg("minus", side));
            QCOMPARE(argb(icon->pixmap(Qt::ReturnByValue)), svg("brightness", side * 3 / 2));
        }
    }
};

QTEST_MAIN(TestSpeedupsKeepBehaviour)
#include "tst_speedups_keep_behaviour.moc"
