// Runs the real program as child processes on a private X server and checks what a user and a
// second start see: the echoed arguments, the hidden start (shown minimised where no system tray
// could bring the window back), the single running copy.
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "FakeSystemTray.h"
#include "FileBytes.h"
#include "TintwellProcess.h"
#include "VirtualXServer.h"

namespace {
const int kWaitMs = 15000;
const QString kBinary = QStringLiteral(TINTWELL_BINARY);
}  // namespace

class TestStartup : public QObject {
    Q_OBJECT

private:
    VirtualXServer m_xServer;
    std::unique_ptr<FakeSystemTray> m_tray;
    std::unique_ptr<QTemporaryDir> m_home;
    std::vector<std::unique_ptr<TintwellProcess>> m_copies;

    TintwellProcess *newCopy() {
        m_copies.push_back(std::make_unique<TintwellProcess>(kBinary));
        return m_copies.back().get();
    }
    TintwellProcess *start(const QStringList &args, const QProcessEnvironment &env) {
        TintwellProcess *copy = newCopy();
        copy->launch(env, args);
        return copy;
    }
    TintwellProcess *start(const QStringList &args = {}) {
        return start(args, m_xServer.onScreen(TintwellProcess::freshEnvironment(m_home->path())));
    }

    // Started, echoed its arguments and kept running. Leaves the output unread, because
    // QTRY_* evaluates its condition once more after it has passed.
    static bool isRunningCopy(QProcess *copy) {
        return copy->state() == QProcess::Running && copy->bytesAvailable() > 0;
    }

    // Asks the X server whether the process has a mapped window, the way a user would see it.
    bool hasVisibleWindow(QProcess *copy) const {
        return !m_xServer.visibleWindowsOf(copy->processId(), kWaitMs).isEmpty();
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_xServer.start("1024x768x24", kWaitMs), qPrintable(m_xServer.failure()));
    }
    void init() {
        m_tray = std::make_unique<FakeSystemTray>(m_xServer.display());
        QVERIFY(m_tray->isRunning());
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
    }
    void cleanup() { m_copies.clear(); }

    void echoesArgumentsAndStartsHiddenOnlyOnExactOption_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("echo");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("tray");
        const QByteArray self = "param: " + kBinary.toUtf8() + "\n";
        QTest::newRow("middle -startup")
            << QStringList{"a", "-startup", "b"}
            << self + "param: a\nparam: -startup\nrestart flag is true" << true << true;
        // Minimised, which only a window manager tells apart from a normal window.
        QTest::newRow("-startup without a tray")
            << QStringList{"-startup"} << self + "param: -startup\nrestart flag is true" << false
            << false;
        QTest::newRow("first -startup ends the walk")
            << QStringList{"-startup", "-startup"} << self + "param: -startup\nrestart flag is true"
            << true << true;
        QTest::newRow("near misses")
            << QStringList{"-Startup", "--startup", "-startup=1"}
            << self + "param: -Startup\nparam: --startup\nparam: -startup=1\n"
            << false << true;
        QTest::newRow("Qt options taken out, bytes kept")
            << QStringList{"-style", "fusion", QString::fromUtf8("gr\u00f6\u00dfe")}
            << self +
                   "param: gr\xc3\xb6\xc3\x9f"
                   "e\n"
            << false << true;
    }
    void echoesArgumentsAndStartsHiddenOnlyOnExactOption() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, echo);
        QFETCH(bool, hidden);
        QFETCH(bool, tray);
        if (!tray)
            m_tray.reset();
        TintwellProcess *copy = start(args);
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += copy->readAllStandardOutput()).size() >= echo.size(),
                                 kWaitMs);
        if (hidden)
            QVERIFY(!hasVisibleWindow(copy));
        else
            QTRY_VERIFY_WITH_TIMEOUT(hasVisibleWindow(copy), kWaitMs);
        QCOMPARE(copy->state(), QProcess::Running);
        copy->kill();
        QVERIFY(copy->waitForFinished());
        QCOMPARE(out + copy->readAllStandardOutput(), echo);
    }

    // Answered at once with no display; the single-instance lock is never made.
    void helpAndVersionNeedNoDisplay() {
        QProcessEnvironment env = TintwellProcess::freshEnvironment(m_home->path());
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        for (const QString option : {"--help", "--version"}) {
            TintwellProcess *copy = start({"-startup", option}, env);
            QVERIFY(copy->waitForFinished(kWaitMs));
            QCOMPARE(copy->exitStatus(), QProcess::NormalExit);
            QCOMPARE(copy->exitCode(), 0);
            QVERIFY(copy->readAllStandardOutput().startsWith(
                option == "--help" ? QByteArray("Usage: tintwell [-startup]\n")
                                   : QByteArray("tintwell " TINTWELL_VERSION "\n")));
        }
        QVERIFY(!QDirIterator(m_home->path(), {"lock"}, QDir::Files, QDirIterator::Subdirectories)
                     .hasNext());
    }

    // A plain second start raising the window is the end-to-end tests' business; here the later
    // start asks to stay hidden, and the copy before it was killed and left its lock behind.
    void laterStartRaisesTheRunningCopyAndLeavesSilently() {
        TintwellProcess *killed = start();
        QTRY_VERIFY_WITH_TIMEOUT(isRunningCopy(killed), kWaitMs);
        killed->kill();
        QVERIFY(killed->waitForFinished());
        QVERIFY(QDirIterator(m_home->path(), {"lock"}, QDir::Files, QDirIterator::Subdirectories)
                    .hasNext());

        TintwellProcess *first = start({"-startup"});
        QTRY_VERIFY_WITH_TIMEOUT(isRunningCopy(first), kWaitMs);
        QVERIFY(!hasVisibleWindow(first));

        TintwellProcess *second = start({"-startup"});
        QVERIFY(second->waitForFinished(kWaitMs));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(second->readAllStandardOutput(), QByteArray());
        QTRY_VERIFY_WITH_TIMEOUT(hasVisibleWindow(first), kWaitMs);
        QCOMPARE(first->state(), QProcess::Running);
    }

    // A lock nobody answers for, and a profile lock of a process that is not a copy, never keep
    // the program from starting.
    void leftBehindLocksAreTakenOver_data() {
        QTest::addColumn<QByteArray>("lock");
        const QByteArray living =
            QByteArray::number(QCoreApplication::applicationPid()) + "\n" +
            QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() + "\n" +
            QSysInfo::machineHostName().toUtf8() + "\n";
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xff\x01 not a lock");
        QTest::newRow("folder") << QByteArray("/");
        QTest::newRow("reused process id") << living;
    }
    void leftBehindLocksAreTakenOver() {
        QFETCH(QByteArray, lock);
        const QString folder = m_home->filePath("tintwell-" + QString::number(geteuid()));
        QVERIFY(QDir().mkpath(folder) && chmod(QFile::encodeName(folder), 0700) == 0);
        if (lock == "/")
            QVERIFY(QDir().mkpath(folder + "/lock"));
        else
            QVERIFY(writeFile(folder + "/lock", lock));
        QVERIFY(writeFile(m_home->filePath("data/tintwell/settings.ini.lock"), lock));

        TintwellProcess *copy = start();
        QTRY_VERIFY_WITH_TIMEOUT(isRunningCopy(copy), kWaitMs);
        QVERIFY(copy->waitForLine("standard profile", kWaitMs));
        TintwellProcess *second = start({"-startup"});
        QVERIFY(second->waitForFinished(kWaitMs));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(copy->state(), QProcess::Running);
    }

    // Whatever the caller makes of argv[0] and of standard output, the program starts and keeps
    // its data in the folder named after its own file.
    void startsWhateverTheCallerChose_data() {
        QTest::addColumn<QString>("script");
        QTest::newRow("argv[0] naming the parent folder") << "exec -a x/.. \"$0\"";
        QTest::newRow("link of another name")
            << "ln -s \"$0\" \"$XDG_RUNTIME_DIR/other\" && exec \"$XDG_RUNTIME_DIR/other\"";
        QTest::newRow("output nobody reads")
            << "exec \"$0\" $(seq 20000) > \"$XDG_RUNTIME_DIR/unread\"";
        QTest::newRow("output whose reader has gone") << "exec \"$0\" > >(exit 0)";
        QTest::newRow("FIFO as the index file")
            << "mkdir -p \"$XDG_DATA_HOME/tintwell\" && mkfifo "
               "\"$XDG_DATA_HOME/tintwell/settings.ini\" && exec \"$0\"";
    }
    void startsWhateverTheCallerChose() {
        QFETCH(QString, script);
        const QByteArray fifo = QFile::encodeName(m_home->filePath("unread"));
        QVERIFY(mkfifo(fifo.constData(), 0600) == 0);
        const int reader = open(fifo.constData(), O_RDONLY | O_NONBLOCK);  // and never reads
        TintwellProcess *copy = newCopy();
        copy->launchThrough({"bash", "-c", script},
                            m_xServer.onScreen(TintwellProcess::freshEnvironment(m_home->path())));
        const bool started = copy->waitForLine("standard profile", kWaitMs);
        close(reader);
        QVERIFY(started);
        QVERIFY(QFile::exists(m_home->filePath("data/tintwell/settings.ini")));
        QVERIFY(!QFile::exists(m_home->filePath("settings.ini")));
    }

    void copiesStartedTogetherElectOne() {
        for (int round = 0; round < 4; ++round) {
            init();
            TintwellProcess *a = start();
            TintwellProcess *b = start();
            QTRY_VERIFY_WITH_TIMEOUT(
                a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning, kWaitMs);
            QProcess *loser = a->state() == QProcess::NotRunning ? a : b;
            QProcess *winner = loser == a ? b : a;
            QCOMPARE(loser->exitCode(), 0);
            QCOMPARE(loser->readAllStandardOutput(), QByteArray());
            QTRY_VERIFY_WITH_TIMEOUT(isRunningCopy(winner), kWaitMs);
            cleanup();
        }
    }

    // Another user's copy is not "running" for us, and a folder another user planted where ours
    // belongs is never used.
    void otherUsersAreKeptApart() {
        if (geteuid() != 0)
            QSKIP("needs root to start a copy as another user");
        const QString tmp = m_home->filePath("tmp");
        QVERIFY(QDir().mkpath(tmp) && chmod(QFile::encodeName(tmp), 01777) == 0);
        QVERIFY(chmod(QFile::encodeName(m_home->path()), 0711) == 0);
        QProcessEnvironment env = TintwellProcess::freshEnvironment(m_home->path());
        env.remove("XDG_RUNTIME_DIR");
        env.insert("TMPDIR", tmp);
        env.insert("XDG_DATA_HOME", tmp);
        env.insert("XDG_CONFIG_HOME", tmp);
        env.insert("XDG_CACHE_HOME", m_home->filePath("cache"));
        env.insert("XDG_STATE_HOME", tmp);
        const QString planted = tmp + "/tintwell-" + QString::number(geteuid());
        QVERIFY(QDir().mkpath(planted));
        QVERIFY(chown(QFile::encodeName(planted), 65534, 65534) == 0);

        TintwellProcess *ours = start({}, env);
        QTRY_VERIFY_WITH_TIMEOUT(isRunningCopy(ours), kWaitMs);
        QVERIFY(QDir(planted).isEmpty());
        TintwellProcess *oursSecond =
            start({"-startup"}, env);  // still checked without a runtime folder
        QVERIFY(oursSecond->waitForFinished(kWaitMs));
        QCOMPARE(oursSecond->readAllStandardOutput(), QByteArray());

        const QStringList asNobody{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        env.insert("XDG_CACHE_HOME", tmp + "/theirs");
        TintwellProcess *theirs = newCopy();
        theirs->launchThrough(asNobody, env);
        QTRY_VERIFY_WITH_TIMEOUT(isRunningCopy(theirs), kWaitMs);
        TintwellProcess *theirSecond = newCopy();
        theirSecond->launchThrough(asNobody, env);
        QVERIFY(theirSecond->waitForFinished(kWaitMs));
        QCOMPARE(theirSecond->readAllStandardOutput(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
