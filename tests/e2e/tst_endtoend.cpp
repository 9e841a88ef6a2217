// The built program as a user starts it, on a private X server with a system tray, against
// simulated cameras in a JSON file that the test rewrites to plug them in.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDirIterator>
#include <QtTest>
#include <memory>
#include <vector>

#include "CameraListFile.h"
#include "FakeSystemTray.h"
#include "FileBytes.h"
#include "TintwellProcess.h"
#include "VeltCamera.h"
#include "VirtualXServer.h"
#include "XCloseRequest.h"

namespace {
const int kWaitMs = 15000;
const QString kBinary = QStringLiteral(TINTWELL_BINARY);
const VeltCamera kDocCam{"3c4d", "Velt DocCam V4", 17, 5};
const VeltCamera kWebCam{"1f05", "Velt WebCam W1080"};
}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
    VirtualXServer m_x;
    std::unique_ptr<FakeSystemTray> m_tray;
    std::unique_ptr<QTemporaryDir> m_home;
    std::vector<std::unique_ptr<TintwellProcess>> m_copies;

    QString home(const QString &path) const { return m_home->filePath(path); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = m_x.onScreen(TintwellProcess::freshEnvironment(m_home->path()));
        env.insert("TINTWELL_SIMULATED_CAMERAS", home("cameras.json"));
        return env;
    }
    TintwellProcess *start(const QStringList &args = {}, const QStringList &wrapper = {},
                           const QProcessEnvironment &env = {}) {
        m_copies.push_back(std::make_unique<TintwellProcess>(kBinary));
        TintwellProcess *copy = m_copies.back().get();
        if (wrapper.isEmpty())
            copy->launch(env.isEmpty() ? environment() : env, args);
        else
            copy->launchThrough(wrapper, env.isEmpty() ? environment() : env);
        return copy;
    }
    // Leaves the output unread: QTRY_* evaluates its condition once more after it has passed.
    static bool isRunningCopy(QProcess *copy) {
        return copy->state() == QProcess::Running && copy->bytesAvailable() > 0;
    }
    QStringList windows(QProcess *copy) const {
        return m_x.visibleWindowsOf(copy->processId(), kWaitMs);
    }
    bool hasLock() const {
        return QDirIterator(m_home->path(), {"lock"}, QDir::Files, QDirIterator::Subdirectories)
            .hasNext();
    }

private slots:
    void initTestCase() { QVERIFY2(m_x.start("1280x800x24", kWaitMs), qPrintable(m_x.failure())); }
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(CameraListFile(home("cameras.json")).write(described({kDocCam})));
        m_tray = std::make_unique<FakeSystemTray>(m_x.display());
        QVERIFY(m_tray->isRunning());
    }
    void cleanup() { m_copies.clear(); }

    void echoesArgumentsAndStartsHiddenOnlyOnExactOption_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("echo");
        QTest::addColumn<bool>("hidden");
        const QByteArray self = "param: " + kBinary.toUtf8() + "\n";
        const QByteArray hidden = self + "param: a\nparam: -startup\nrestart flag is true";
        QTest::newRow("first exact -startup")
            << QStringList{"a", "-startup", "-startup", "b"} << hidden << true;
        // Minimised, which only a window manager tells apart from a normal window.
        QTest::newRow("-startup without a tray") << QStringList{"a", "-startup"} << hidden << false;
        QTest::newRow("near misses, Qt options taken out, bytes kept")
            << QStringList{"-Startup", "--startup", "-startup=1",
                           "-style",   "fusion",    QString::fromUtf8("gr\u00f6\u00dfe")}
            << self +
                   "param: -Startup\nparam: --startup\nparam: -startup=1\nparam: gr\xc3\xb6\xc3\x9f"
                   "e\n"
            << false;
    }
    void echoesArgumentsAndStartsHiddenOnlyOnExactOption() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, echo);
        if (QTest::currentDataTag() == QString("-startup without a tray"))
            m_tray.reset();
        QFETCH(bool, hidden);
        TintwellProcess *copy = start(args);
        QTRY_VERIFY_WITH_TIMEOUT(copy->bytesAvailable() >= echo.size(), kWaitMs);
        QVERIFY(copy->waitForLine("==========camerasettingwidget==========", kWaitMs));
        // Once built, the window shows unless started hidden.
        QCOMPARE(QTest::qWaitFor([&] { return !windows(copy).isEmpty(); }, hidden ? 500 : kWaitMs),
                 !hidden);
        QCOMPARE(copy->state(), QProcess::Running);
        copy->kill();
        QVERIFY(copy->waitForFinished());
        QCOMPARE(copy->readAllStandardOutput(), echo);
    }

    // Answered at once with no display; the single-instance lock is never made.
    void helpAndVersionNeedNoDisplay() {
        QProcessEnvironment env = TintwellProcess::freshEnvironment(m_home->path());
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        for (const QString option : {"--help", "--version"}) {
            TintwellProcess *copy = start({"-startup", option}, {}, env);
            QVERIFY(copy->waitForFinished(kWaitMs));
            QVERIFY(copy->exitStatus() == QProcess::NormalExit && copy->exitCode() == 0);
            QVERIFY(copy->readAllStandardOutput().startsWith(
                option == "--help" ? QByteArray("Usage: tintwell [-startup]\n")
                                   : QByteArray("tintwell " TINTWELL_VERSION "\n")));
        }
        QVERIFY(!hasLock());
    }

    // The base profile is made and applied with the camera's defaults; profiles on disk (in the
    // program's own number form and typed by hand) are applied next time. Cameras plugged in
    // while it runs are listed, whether the camera file is rewritten in place or renamed over.
    void profilesAndHotPlug() {
        TintwellProcess *first = start();
        QVERIFY(first->waitForLine("successfully set VPA value: 5 , property type: 1", kWaitMs));
        QVERIFY(first->hasLine("successfully set VPA value: 17 , property type: 0"));
        const QString folder = home("data/tintwell/1a2b__3c4d");
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 1);
        const QString index = home("data/tintwell/settings.ini");
        QCOMPARE(QSettings(index, QSettings::IniFormat).value("1a2b__3c4d/ProfileCount"), "1");
        cleanup();

        QVERIFY(writeFile(index, "[1a2b__3c4d]\nActiveProfile=Office\nProfileCount=2\n"));
        QVERIFY(
            writeFile(folder + "/002_{0b7c6a52-8f1e-4d3a-9c55-2e41a7d0b002}.ini",
                      "[General]\nprofilename=Office\n[VideoProcAmp]\n"
                      "brightness=@Variant(\\0\\0\\0\\x81\\0\\0\\0\\0\\0\\0\\0*)\ncontrast=23\n"));
        TintwellProcess *copy = start();
        QVERIFY(copy->waitForLine("successfully set VPA value: 23 , property type: 1", kWaitMs));
        QVERIFY(copy->hasLine("successfully set VPA value: 42 , property type: 0"));
        QVERIFY(!copy->hasLine("successfully set VPA value: 17 , property type: 0"));
        const CameraListFile cameras(home("cameras.json"));
        QVERIFY(cameras.writeInPlace(described({kDocCam, kWebCam})));
        QTRY_VERIFY_WITH_TIMEOUT(copy->hasLine("camera count: 2"), kWaitMs);
        QVERIFY(cameras.write(described({kWebCam})));
        QTRY_VERIFY_WITH_TIMEOUT(copy->count("remove devPath:") > 0, kWaitMs);
        QCOMPARE(copy->state(), QProcess::Running);
    }

    // Without a tray to come back from, closing the window ends the program; with one, it only
    // hides, and a later start (even one asking to start hidden) brings it back and leaves. The
    // copy before was killed and left its lock behind.
    void closeHidesAndALaterStartBringsTheWindowBack() {
        m_tray.reset();
        TintwellProcess *trayless = start();
        QTRY_COMPARE_WITH_TIMEOUT(windows(trayless).size(), 1, kWaitMs);
        QVERIFY(requestWindowClose(m_x.display(), windows(trayless).first().toULong()));
        QVERIFY(trayless->waitForFinished(kWaitMs));
        QCOMPARE(trayless->exitCode(), 0);

        m_tray = std::make_unique<FakeSystemTray>(m_x.display());
        TintwellProcess *killed = start();
        QTRY_VERIFY_WITH_TIMEOUT(isRunningCopy(killed), kWaitMs);
        killed->kill();
        QVERIFY(killed->waitForFinished() && hasLock());

        TintwellProcess *first = start();
        QTRY_COMPARE_WITH_TIMEOUT(windows(first).size(), 1, kWaitMs);
        QVERIFY(requestWindowClose(m_x.display(), windows(first).first().toULong()));
        QTRY_VERIFY_WITH_TIMEOUT(windows(first).isEmpty(), kWaitMs);
        TintwellProcess *second = start({"-startup"});
        QVERIFY(second->waitForFinished(kWaitMs) && second->exitCode() == 0);
        QCOMPARE(second->readAllStandardOutput(), QByteArray());
        QTRY_COMPARE_WITH_TIMEOUT(windows(first).size(), 1, kWaitMs);
        QCOMPARE(first->state(), QProcess::Running);
    }

    // A lock nobody answers for, and a profile lock of a process that is not a copy, never keep
    // the program from starting.
    void leftBehindLocksAreTakenOver_data() {
        QTest::addColumn<QByteArray>("lock");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xff\x01 not a lock");
        QTest::newRow("folder") << QByteArray("/");
        QTest::newRow("reused process id")
            << QByteArray::number(QCoreApplication::applicationPid()) + "\n" +
                   QCoreApplication::applicationName().toUtf8() + "\n" +
                   QSysInfo::machineHostName().toUtf8() + "\n";
    }
    void leftBehindLocksAreTakenOver() {
        QFETCH(QByteArray, lock);
        const QString folder = home("tintwell-" + QString::number(geteuid()));
        QVERIFY(QDir().mkpath(folder) && chmod(QFile::encodeName(folder), 0700) == 0);
        QVERIFY(lock == "/" ? QDir().mkpath(folder + "/lock") : writeFile(folder + "/lock", lock));
        QVERIFY(writeFile(home("data/tintwell/settings.ini.lock"), lock));
        TintwellProcess *copy = start();
        QVERIFY(copy->waitForLine("standard profile", kWaitMs));
        QCOMPARE(readFile(folder + "/lock").split('\n').first().toLongLong(), copy->processId());
    }

    // Whatever the caller makes of argv[0] and of standard output, the program starts and keeps
    // its data in the folder named after its own file.
    void startsWhateverTheCallerChose_data() {
        QTest::addColumn<QString>("script");
        // The FIFO as the index file as well.
        QTest::newRow("argv[0] naming the parent folder")
            << "mkdir -p \"$XDG_DATA_HOME/tintwell\" && mkfifo "
               "\"$XDG_DATA_HOME/tintwell/settings.ini\" && exec -a x/.. \"$0\"";
        QTest::newRow("output nobody reads")
            << "exec \"$0\" $(seq 20000) > \"$XDG_RUNTIME_DIR/unread\"";
        QTest::newRow("output whose reader has gone") << "exec \"$0\" > >(exit 0)";
    }
    void startsWhateverTheCallerChose() {
        QFETCH(QString, script);
        const QByteArray fifo = QFile::encodeName(home("unread"));
        QVERIFY(mkfifo(fifo.constData(), 0600) == 0);
        const int reader = open(fifo.constData(), O_RDONLY | O_NONBLOCK);  // and never reads
        TintwellProcess *copy = start({}, {"bash", "-c", script});
        const bool started = copy->waitForLine("standard profile", kWaitMs);
        close(reader);
        QVERIFY(started);
        QVERIFY(QFile::exists(home("data/tintwell/settings.ini")));
        QVERIFY(!QFile::exists(home("settings.ini")));
    }

    void copiesStartedTogetherElectOne() {
        for (int round = 0; round < 2; ++round) {
            TintwellProcess *a = start(), *b = start();
            QTRY_VERIFY_WITH_TIMEOUT(
                a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning, kWaitMs);
            QProcess *loser = a->state() == QProcess::NotRunning ? a : b;
            QCOMPARE(loser->exitCode(), 0);
            QCOMPARE(loser->readAllStandardOutput(), QByteArray());
            QTRY_VERIFY_WITH_TIMEOUT(isRunningCopy(loser == a ? b : a), kWaitMs);
            cleanup();
        }
    }

    // Another user's copy is not "running" for us, and a folder another user planted in the
    // runtime folder where ours belongs is never used: the cache folder serves instead.
    void otherUsersAreKeptApart() {
        if (geteuid() != 0)
            QSKIP("needs root to start a copy as another user");
        const QString tmp = home("tmp");
        QVERIFY(QDir().mkpath(tmp) && chmod(QFile::encodeName(tmp), 01777) == 0);
        QVERIFY(chmod(QFile::encodeName(m_home->path()), 0711) == 0);
        QProcessEnvironment env = environment();
        for (const char *name :
             {"XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
            env.insert(name, tmp);
        env.insert("XDG_CACHE_HOME", home("cache"));
        const QString planted = tmp + "/tintwell-" + QString::number(geteuid());
        QVERIFY(QDir().mkpath(planted) && chown(QFile::encodeName(planted), 65534, 65534) == 0);
        const QStringList asNobody{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        for (const QStringList &wrapper : {QStringList{"env"}, asNobody}) {
            TintwellProcess *first = start({}, wrapper, env);
            QTRY_VERIFY_WITH_TIMEOUT(isRunningCopy(first), kWaitMs);
            QVERIFY(QDir(planted).isEmpty());
            TintwellProcess *second = start({}, wrapper, env);
            QVERIFY(second->waitForFinished(kWaitMs));
            QCOMPARE(second->readAllStandardOutput(), QByteArray());
        }
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
