#include <QtTest>

#include "CameraTestSupport.h"
#include "ExternalLogger.h"
#include "FreshDataFolder.h"

class TestExternalLogger : public QObject {
    Q_OBJECT

private slots:
    void linesAreStampedAndFlushed() {
        FreshDataFolder data;
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
        logToExternal("first");
        ExternalLogger::instance()->write("second line");
        const QDateTime after = QDateTime::currentDateTime().addMSecs(1);
        // Readable at once, without closing the logger.
        QCOMPARE(externalLogLines(), QStringList({"first", "second line"}));
        // In the state folder, not among the profiles; a relative one counts as unset.
        const QString state = qEnvironmentVariable("XDG_STATE_HOME");
        const QString own = '/' + QCoreApplication::applicationName() + "/tintwell.log";
        QCOMPARE(ExternalLogger::filePath(), state + own);
        qputenv("XDG_STATE_HOME", "relative");
        QCOMPARE(ExternalLogger::filePath(), QDir::homePath() + "/.local/state" + own);
        qputenv("XDG_STATE_HOME", QFile::encodeName(state));
        QFile file(ExternalLogger::filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        // In local time: main() runs the test 5:30 ahead of UTC, so a stamp in UTC, or one with
        // its fields taken wrongly from the C library's broken-down time, falls outside.
        const QByteArray line = file.readLine();
        const QDateTime stamp =
            QDateTime::fromString(QString::fromUtf8(line.left(23)), "yyyy-MM-dd hh:mm:ss.zzz");
        QVERIFY2(line.mid(23) == " first\n" && stamp >= before && stamp <= after, line.constData());
    }

    void rotatesKeepingOneOldFile() {
        FreshDataFolder data;
        const QString path = ExternalLogger::filePath();
        const QString filler(1000, 'x');
        for (int i = 0; i < 2500; ++i)
            ExternalLogger::instance()->write(QString::number(i) + filler);
        QVERIFY(QFileInfo(path).size() <= ExternalLogger::kMaxFileSize);
        QVERIFY(QFileInfo(path + ".1").size() > ExternalLogger::kMaxFileSize - 2000);
        QVERIFY(!QFileInfo::exists(path + ".2"));
        // Nothing is lost between the two files: the old one ends where the current one begins.
        QFile old(path + ".1");
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QList<QByteArray> oldLines = old.readAll().trimmed().split('\n');
        const int lastOld = oldLines.last().mid(24).chopped(1000).toInt();
        const QStringList current = externalLogLines();
        QCOMPARE(current.first(), QString::number(lastOld + 1) + filler);
        QCOMPARE(current.last(), QString::number(2499) + filler);
    }

    void unwritableFolderIsHarmless() {
        FreshDataFolder data;
        // The log's name is taken by a folder: messages are dropped, the caller goes on.
        QVERIFY(QDir().mkpath(ExternalLogger::filePath()));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 1000; ++i)
            logToExternal("dropped");
        QVERIFY(QFileInfo(ExternalLogger::filePath()).isDir());
        QVERIFY(timer.elapsed() < 2000);
    }
};

int main(int argc, char **argv) {
    qputenv("TZ", "IST-5:30");  // before anything reads the clock
    QCoreApplication app(argc, argv);
    TestExternalLogger test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_external_logger.moc"
