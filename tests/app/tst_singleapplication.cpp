// This test process is the running copy; copies of itself started with "--send" are the later
// starts that talk to it.
#include <unistd.h>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

#include "FileBytes.h"
#include "SingleApplication.h"

static const int kWaitMs = 15000;

class TestSingleApplication : public QObject {
    Q_OBJECT

    SingleApplication *app() const { return static_cast<SingleApplication *>(qApp); }

    // Exit status of the later start: 0 delivered, 1 not confirmed, 2 did not see this copy.
    int sendFromLaterCopy(const QString &text) {
        QProcess copy;
        copy.start(QCoreApplication::applicationFilePath(), {"--send", text, "5000"});
        return QTest::qWaitFor([&] { return copy.state() == QProcess::NotRunning; }, kWaitMs)
                   ? copy.exitCode()
                   : -1;
    }

private slots:
    void runningCopyListensForItsUserOnly() {
        QVERIFY(!app()->isRunning());
        QVERIFY(!app()->sendMessage("to myself", 100));
        const QFileInfo folder(QFileInfo(app()->serverName()).path());
        QCOMPARE(int(folder.permissions() & 0x77), 0);  // nothing for the group and others
    }

    void messagesArriveWhole_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Grüße — 設定 ✓");
        QTest::newRow("long") << QString(20000, QChar('x')) + "end";
    }
    void messagesArriveWhole() {
        QFETCH(QString, text);
        QSignalSpy received(app(), &SingleApplication::messageReceived);
        QCOMPARE(sendFromLaterCopy(text), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), text);
    }

    // While this copy is busy (no event loop), a sender gives up after its timeout instead of
    // hanging; the message is still taken in afterwards without harm.
    void busyRunningCopyMakesSenderGiveUpInTime() {
        QSignalSpy received(app(), &SingleApplication::messageReceived);
        QProcess later;
        later.start(QCoreApplication::applicationFilePath(), {"--send", "late", "300"});
        QVERIFY(later.waitForFinished(4000));
        QCOMPARE(later.exitCode(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, kWaitMs);
    }

    // A local client is not trusted to follow the protocol: one announcing too much is cut off
    // at once, a silent one after the idle interval, and neither keeps others from being heard.
    void malformedClientsAreCutOffWithoutHarm() {
        QSignalSpy received(app(), &SingleApplication::messageReceived);
        QLocalSocket silent, oversized, truncated;
        for (QLocalSocket *client : {&silent, &oversized, &truncated}) {
            client->connectToServer(app()->serverName());
            QVERIFY(client->waitForConnected(kWaitMs));
        }
        oversized.write(QByteArray("\xff\xff\xff\xffx", 5));  // announces 4 GiB
        truncated.write(QByteArray("\0\0\0\012abc", 7));      // announces 10 bytes
        truncated.flush();
        truncated.disconnectFromServer();
        QTRY_COMPARE_WITH_TIMEOUT(oversized.state(), QLocalSocket::UnconnectedState, kWaitMs);
        QCOMPARE(silent.state(), QLocalSocket::ConnectedState);
        QCOMPARE(sendFromLaterCopy("still heard"), 0);
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState, kWaitMs);
        QCOMPARE(received.count(), 1);
    }
};

int main(int argc, char **argv) {
    if (argc == 4 && std::strcmp(argv[1], "--send") == 0) {
        SingleApplication app(argc, argv);
        return !app.isRunning() ? 2 : app.sendMessage(argv[2], std::atoi(argv[3])) ? 0 : 1;
    }
    // A runtime folder of this run's own, inherited by the copies it starts. A killed copy left
    // its lock there, and its process id is the one this process now has.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QByteArray name = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName().toUtf8();
    if (!writeFile(runtime.filePath(name + '-' + QByteArray::number(geteuid()) + "/lock"),
                   QByteArray::number(QCoreApplication::applicationPid()) + '\n' + name + '\n' +
                       QSysInfo::machineHostName().toUtf8() + '\n'))
        return 3;
    SingleApplication app(argc, argv);
    TestSingleApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleapplication.moc"
