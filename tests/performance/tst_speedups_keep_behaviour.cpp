// What the speed-ups must not change: a profile load still gives a file copied from another model
// this model's ids and leaves the files that already hold them alone; row icons are drawn at the
// size each row asks for.

#include <QtTest>
#include <QtWidgets>

#include "CameraSettings.h"
#include "ControlRow.h"
#include "FileBytes.h"
#include "FreshDataFolder.h"

static QImage argb(const QPixmap &pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

static QImage svg(const char *name, int side) {
    return argb(QIcon(QString(":/resources/images/%1.svg").arg(name)).pixmap(side, side));
}

class TestSpeedupsKeepBehaviour : public QObject {
    Q_OBJECT

private slots:
    void profileLoadWritesOnlyFilesWithOtherIds() {
        const QString own = CameraSettings::profileDirPath("1a2b", "3c4d") + "/001_{a}.ini";
        const QString copied = CameraSettings::profileDirPath("1a2b", "3c4d") + "/002_{b}.ini";
        const QByteArray ownBytes = "[General]\npid=3c4d\nprofilename=Own\nvid=1a2b\n";
        QVERIFY(writeFile(own, ownBytes));
        QVERIFY(writeFile(copied, "[General]\npid=ffff\nprofilename=Copied\n"));
        const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
        for (const QString &path : {own, copied}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(longAgo, QFileDevice::FileModificationTime));
        }

        CameraSettings *store = CameraSettings::instance();
        QCOMPARE(store->loadProfiles("1a2b", "3c4d").size(), 2);
        QCoreApplication::sendPostedEvents();  // the records' deferred writes
        store->loadProfiles("9999", "9999");   // drops them, writing what is still pending

        QCOMPARE(readFile(own), ownBytes);
        QCOMPARE(QFileInfo(own).lastModified().toUTC(), longAgo);
        const QByteArray rewritten = readFile(copied);
        QVERIFY2(rewritten.contains("vid=1a2b") && rewritten.contains("pid=3c4d") &&
                     rewritten.contains("profilename=Copied"),
                 rewritten.constData());
    }

    // A large row between two small ones: no row takes another's size.
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

int main(int argc, char **argv) {
    FreshDataFolder data;
    QApplication app(argc, argv);
    TestSpeedupsKeepBehaviour test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_speedups_keep_behaviour.moc"
