// What the speed-ups must not change: a profile load still gives a file copied from another model
// this model's ids and leaves the files that already hold them alone; the access log is stamped
// in local time; row icons are drawn at the size each row asks for.

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "CameraSetting.h"
#include "CameraSettings.h"
#include "ControlRow.h"
#include "ExternalLogger.h"

namespace {

bool writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage iconImage(const QString &path, int side) {
    return QIcon(path).pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

class TestSpeedupsKeepBehaviour : public QObject {
    Q_OBJECT

private slots:
    void profileLoadWritesOnlyFilesWithOtherIds() {
        const QString dir = CameraSettings::profileDirPath("1a2b", "3c4d");
        QVERIFY(QDir().mkpath(dir));
        const QByteArray own = "[General]\npid=3c4d\nprofilename=Own\nvid=1a2b\n";
        QVERIFY(writeFile(dir + "/001_{a}.ini", own));
        QVERIFY(writeFile(dir + "/002_{b}.ini", "[General]\npid=ffff\nprofilename=Copied\n"));
        const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
        for (const char *name : {"/001_{a}.ini", "/002_{b}.ini"}) {
            QFile file(dir + name);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
        }

        CameraSettings *store = CameraSettings::instance();
        QCOMPARE(store->loadProfiles("1a2b", "3c4d").size(), 2);
        QCoreApplication::sendPostedEvents();  // the records' deferred writes
        store->loadProfiles("9999", "9999");   // drops them, writing what is still pending

        QCOMPARE(readFile(dir + "/001_{a}.ini"), own);
        QCOMPARE(QFileInfo(dir + "/001_{a}.ini").lastModified().toUTC(), longAgo);
        const QByteArray copied = readFile(dir + "/002_{b}.ini");
        QVERIFY2(copied.contains("vid=1a2b") && copied.contains("pid=3c4d") &&
                     copied.contains("profilename=Copied"),
                 copied.constData());
    }

    // main() runs the program in a zone 5:30 ahead of UTC, so a stamp in UTC, or one with its
    // fields taken wrongly from the C library's broken-down time, falls outside the interval.
    void accessLogIsStampedInLocalTime() {
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
        ExternalLogger::instance()->write(QStringLiteral("stamped"));
        const QDateTime after = QDateTime::currentDateTime().addMSecs(1);
        const QList<QByteArray> lines = readFile(ExternalLogger::filePath()).trimmed().split('\n');
        QVERIFY(lines.last().endsWith(" stamped"));
        const QDateTime stamp = QDateTime::fromString(QString::fromUtf8(lines.last().left(23)),
                                                      QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        QVERIFY2(stamp.isValid() && stamp >= before && stamp <= after, lines.last().constData());
        QCOMPARE(before.offsetFromUtc(), 5 * 3600 + 30 * 60);
    }

    void rowIconsFollowTheSizeEachRowAsksFor() {
        QWidget page;
        struct Row {
            QToolButton *minus;
            QToolButton *plus;
            QLabel *icon;
        };
        QList<Row> rows;
        for (double factor : {1.0, 2.0, 1.0}) {
            Row row{new QToolButton(&page), new QToolButton(&page), new QLabel(&page)};
            ControlRow controls(new QSlider(&page), row.minus, new QLineEdit(&page), row.plus);
            controls.setUpPlusButton(factor);
            controls.setUpMinusButton(factor);
            setRowIcon(row.icon, QStringLiteral(":/resources/images/brightness.svg"), factor);
            rows.append(row);
        }
        const int sides[] = {16, 32, 16};
        for (int i = 0; i < rows.size(); ++i) {
            const int side = sides[i];
            QCOMPARE(rows[i].plus->iconSize(), QSize(side, side));
            QCOMPARE(rows[i]
                         .plus->icon()
                         .pixmap(side, side)
                         .toImage()
                         .convertToFormat(QImage::Format_ARGB32),
                     iconImage(":/resources/images/add.svg", side));
            QCOMPARE(rows[i]
                         .minus->icon()
                         .pixmap(side, side)
                         .toImage()
                         .convertToFormat(QImage::Format_ARGB32),
                     iconImage(":/resources/images/minus.svg", side));
            QCOMPARE(rows[i]
                         .icon->pixmap(Qt::ReturnByValue)
                         .toImage()
                         .convertToFormat(QImage::Format_ARGB32),
                     iconImage(":/resources/images/brightness.svg", side * 3 / 2));
        }
    }
};

int main(int argc, char **argv) {
    // Before anything reads the clock or the data folder.
    qputenv("TZ", "IST-5:30");
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    TestSpeedupsKeepBehaviour test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_speedups_keep_behaviour.moc"
