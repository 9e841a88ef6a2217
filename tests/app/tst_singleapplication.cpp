// This test process is the running copy; copies of itself started with "--send" are the later
// starts that talk to it.
#include <unistd.h>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cstdlib>
#include <cstring>

#include "SingleApplication.h"

namespace {
const int kWaitMs = 15000;

QByteArray frame(quint32 length, const QByteArray &payload) {
    QByteArray bytes(4, '\0');
    qToBigEndian(length, bytes.data());
    return bytes + payload;
}
}  // namespace

class TestSingleApplication : public QObject {
    Q_OBJECT

    SingleApplication *app() const { return static_cast<SingleApplication *>(qApp); }

    // Exit status of a later start: 0 delivered, 1 not confirmed, 2 did not see this copy.
    QProcess *sendFromLaterCopy(const QString &text, int timeoutMs) {
        auto *copy = new QProcess(this);
        copy->start(QCoreApplication::applicationFilePath(),
                    {"--send", text, QString::number(timeoutMs)});
        return copy;
    }

    // Starts a later copy with the text and waits until it is delivered and confirmed.
    void deliverFromLaterCopy(const QString &text) {
        QSignalSpy received(app(), &SingleApplication::messageReceived);
        QProcess *later = sendFromLaterCopy(text, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, kWaitMs);
        QCOMPARE(received.at(0).at(0).toString(), text);
        QTRY_COMPARE_WITH_TIMEOUT(later->state(), QProcess::NotRunning, kWaitMs);
        QCOMPARE(later->exitCode(), 0);
    }

private slots:
    void runningCopyListensForItsUserOnly() {
        QVERIFY(!app()->isRunning());
        QVERIFY(!app()->sendMessage("to myself", 100));
        const QFileInfo socket(app()->serverName());
        QVERIFY(socket.exists());
        const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                            QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(socket.path()).permissions() & others, QFile::Permissions());
    }

    void messagesArriveWhole_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Grüße — 設定 ✓");
        QTest::newRow("long") << QString(20000, QChar('x')) + "end";
    }
    void messagesArriveWhole() {
        QFETCH(QString, text);
        deliverFromLaterCopy(text);
    }

    // While this copy is busy (no event loop), a sender gives up after its timeout instead of
    // hanging; the message is still taken in afterwards without harm.
    void busyRunningCopyMakesSenderGiveUpInTime() {
        QSignalSpy received(app(), &SingleApplication::messageReceived);
        QElapsedTimer clock;
        clock.start();
        QProcess *later = sendFromLaterCopy("late", 300);
        QVERIFY(later->waitForFinished(kWaitMs));
        QCOMPARE(later->exitCode(), 1);
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, kWaitMs);
    }

    // A local client is not trusted to follow the protocol.
    void malformedClientsAreCutOffWithoutHarm() {
        QSignalSpy received(app(), &SingleApplication::messageReceived);
        QLocalSocket silent, oversized, truncated;
        // The silent client comes first, so that its idle cut-off cannot pass for the refusal.
        for (QLocalSocket *client : {&silent, &oversized, &truncated}) {
            client->connectToServer(app()->serverName());
            QVERIFY(client->waitForConnected(kWaitMs));
        }
        oversized.write(frame(0xFFFFFFFFu, "x"));
        truncated.write(frame(10, "abc"));
        truncated.flush();
        truncated.disconnectFromServer();
        QTRY_COMPARE_WITH_TIMEOUT(oversized.state(), QLocalSocket::UnconnectedState, kWaitMs);
        QCOMPARE(silent.state(), QLocalSocket::ConnectedState);

        deliverFromLaterCopy("still heard");
        QVERIFY(!QTest::currentTestFailed());
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState, kWaitMs);
        QCOMPARE(received.count(), 1);
    }
};

int main(int argc, char **argv) {
    if (argc == 4 && std::strcmp(argv[1], "--send") == 0) {
        SingleApplication app(argc, argv);
        if (!app.isRunning())
            return 2;
        return app.sendMessage(QString::fromUtf8(argv[2]), std::atoi(argv[3])) ? 0 : 1;
    }
    // A runtime folder of this run's own, inherited by the copies it starts.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    // A killed copy left its lock there, and its process id is the one this process now has.
    const QString name = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    QDir(runtime.path()).mkdir(name + '-' + QString::number(geteuid()));
    QFile lock(runtime.filePath(name + '-' + QString::number(geteuid()) + "/lock"));
    if (!lock.open(QIODevice::WriteOnly) ||
        lock.write(QByteArray::number(QCoreApplication::applicationPid()) + '\n' + name.toUtf8() +
                   '\n' + QSysInfo::machineHostName().toUtf8() + '\n') < 0)
        return 3;
    lock.close();
    SingleApplication app(argc, argv);
    TestSingleApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleapplication.moc"
