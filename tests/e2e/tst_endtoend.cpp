// The built program as a user starts it, with simulated cameras described in a JSON file that the
// test rewrites to plug and unplug them. What the program does is read from its debug output and
// from the profile files it leaves in its data folder.

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <vector>

#include "XCloseRequest.h"

namespace {

const int kWaitMs = 15000;
const QString kBinary = QStringLiteral(TINTWELL_BINARY);
// The last line the main window writes while it is being built.
const QString kReady = QStringLiteral("==========camerasettingwidget==========control font is:");

struct Camera {
    QString pid;
    QString name;
    int brightnessDefault;
    int contrastDefault;

    QString key() const { return QStringLiteral("1a2b__") + pid; }
    QJsonObject describe() const {
        auto control = [](int min, int max, int def) {
            return QJsonObject{{"min", min}, {"max", max}, {"default", def}};
        };
        return QJsonObject{
            {"path", QStringLiteral("@device:pnp:\\\\?\\usb#vid_1a2b&pid_%1&mi_00#7&%1&0&0000#"
                                    "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global")
                         .arg(pid)},
            {"friendlyName", name},
            {"videoProcAmp", QJsonObject{{"0", control(0, 255, brightnessDefault)},
                                         {"1", control(0, 64, contrastDefault)}}}};
    }
};

const Camera kDocCam{QStringLiteral("3c4d"), QStringLiteral("Velt DocCam V4"), 17, 5};
const Camera kWebCam{QStringLiteral("1f05"), QStringLiteral("Velt WebCam W1080"), 128, 32};
const Camera kVisualizer{QStringLiteral("2a10"), QStringLiteral("Velt Visualizer VZ-2"), 90, 9};
const Camera kGeneric{QStringLiteral("ffff"), QStringLiteral("Generic USB Camera"), 1, 1};

const QRegularExpression kProfileFileName(QStringLiteral(
    "^\\d{3}_\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}\\.ini$"));

bool writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// One running copy of the program and everything it has written to standard error.
class Copy {
public:
    void start(const QProcessEnvironment &env, const QStringList &args = {}) {
        m_process.setProcessEnvironment(env);
        m_process.start(kBinary, args);
    }
    QProcess &process() { return m_process; }

    QStringList lines() {
        m_err += m_process.readAllStandardError();
        return QString::fromUtf8(m_err).split('\n');
    }
    bool hasLine(const QString &line) { return lines().contains(line); }
    int count(const QString &prefix) {
        int n = 0;
        for (const QString &line : lines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }
    QString lastStartingWith(const QString &prefix) {
        const QStringList all = lines();
        for (int i = all.size() - 1; i >= 0; --i) {
            if (all.at(i).startsWith(prefix))
                return all.at(i);
        }
        return QString();
    }

private:
    QProcess m_process;
    QByteArray m_err;
};

}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::vector<std::unique_ptr<Copy>> m_copies;

    QString camerasFile() const { return m_home->filePath(QStringLiteral("cameras.json")); }
    QString dataFolder() const { return m_home->filePath(QStringLiteral("data/tintwell")); }
    QString modelFolder(const Camera &camera) const { return dataFolder() + '/' + camera.key(); }

    // Rewritten in place, or written beside and renamed over the old file as editors do.
    void plug(const QList<Camera> &cameras, bool byRename = false) {
        QJsonArray list;
        for (const Camera &camera : cameras)
            list.append(camera.describe());
        const QByteArray json = QJsonDocument(QJsonObject{{"cameras", list}}).toJson();
        if (!byRename) {
            QVERIFY(writeFile(camerasFile(), json));
            return;
        }
        const QString staged = camerasFile() + ".new";
        QVERIFY(writeFile(staged, json));
        QCOMPARE(std::rename(QFile::encodeName(staged).constData(),
                             QFile::encodeName(camerasFile()).constData()),
                 0);
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TINTWELL_CAMERA_BACKEND", "simulated");
        env.insert("TINTWELL_SIMULATED_CAMERAS", camerasFile());
        env.insert("XDG_DATA_HOME", m_home->filePath("data"));
        env.insert("XDG_CONFIG_HOME", m_home->filePath("config"));
        env.insert("XDG_RUNTIME_DIR", m_home->path());
        return env;
    }

    Copy *launch(const QProcessEnvironment &env, const QStringList &args = {}) {
        m_copies.push_back(std::make_unique<Copy>());
        m_copies.back()->start(env, args);
        return m_copies.back().get();
    }

    // Started and has built its window.
    static bool isReady(Copy *copy) {
        return QTest::qWaitFor([copy] { return copy->count(kReady) == 1; }, kWaitMs);
    }

    QStringList profileFiles(const Camera &camera) const {
        return QDir(modelFolder(camera)).entryList({"*.ini"}, QDir::Files, QDir::Name);
    }

private slots:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
    }
    void cleanup() {
        for (auto &copy : m_copies) {
            copy->process().kill();
            copy->process().waitForFinished();
        }
        m_copies.clear();
    }

    void firstStartCreatesTheBaseProfileAndAppliesCameraDefaults() {
        plug({kDocCam});
        Copy *copy = launch(environment());
        QVERIFY(isReady(copy));
        QVERIFY(copy->hasLine("standard profile"));
        QVERIFY(copy->hasLine("successfully set VPA value: 17 , property type: 0"));
        QVERIFY(copy->hasLine("successfully set VPA value: 5 , property type: 1"));

        const QStringList files = profileFiles(kDocCam);
        QCOMPARE(files.size(), 1);
        QVERIFY2(
            files.first().startsWith("001_") && kProfileFileName.match(files.first()).hasMatch(),
            qPrintable(files.first()));
        QSettings profile(modelFolder(kDocCam) + '/' + files.first(), QSettings::IniFormat);
        QCOMPARE(profile.value("profilename").toString(), QStringLiteral("Standard Profile"));
        QSettings index(dataFolder() + "/settings.ini", QSettings::IniFormat);
        QCOMPARE(index.value(kDocCam.key() + "/ProfileCount").toString(), QStringLiteral("1"));
        QCOMPARE(copy->process().state(), QProcess::Running);
    }

    void activeProfileOnDiskIsAppliedAtStart() {
        plug({kDocCam});
        const QString folder = modelFolder(kDocCam);
        QVERIFY(writeFile(dataFolder() + "/settings.ini",
                          "[1a2b__3c4d]\nActiveProfile=Office\nProfileCount=2\n"));
        QVERIFY(writeFile(folder + "/001_{0b7c6a52-8f1e-4d3a-9c55-2e41a7d0b001}.ini",
                          "[General]\nvid=1a2b\npid=3c4d\nprofilename=Standard Profile\n"));
        // Brightness 42 in the form the program itself stores numbers, contrast typed by hand.
        QVERIFY(writeFile(folder + "/002_{0b7c6a52-8f1e-4d3a-9c55-2e41a7d0b002}.ini",
                          "[General]\nvid=1a2b\npid=3c4d\nprofilename=Office\n\n"
                          "[VideoProcAmp]\n"
                          "brightness=@Variant(\\0\\0\\0\\x81\\0\\0\\0\\0\\0\\0\\0*)\n"
                          "contrast=23\n"));
        Copy *copy = launch(environment());
        QVERIFY(isReady(copy));
        QVERIFY(copy->hasLine("current device \"1a2b__3c4d\" , active profile name: \"Office\""));
        QVERIFY(copy->hasLine("successfully set VPA value: 42 , property type: 0"));
        QVERIFY(copy->hasLine("successfully set VPA value: 23 , property type: 1"));
        QVERIFY(!copy->hasLine("successfully set VPA value: 17 , property type: 0"));
        QCOMPARE(profileFiles(kDocCam).size(), 2);
    }

    void followsCamerasBeingPluggedAndUnplugged() {
        plug({kDocCam, kGeneric});
        Copy *copy = launch(environment());
        QVERIFY(isReady(copy));
        QVERIFY(copy->hasLine("camera count: 1"));
        QVERIFY(copy->hasLine("onDeviceSelChanged deviceid: \"1a2b__3c4d\""));

        plug({kDocCam, kGeneric, kWebCam});
        QTRY_VERIFY_WITH_TIMEOUT(copy->hasLine("camera count: 2"), kWaitMs);
        QCOMPARE(copy->count("camera 2 : \"Velt WebCam W1080\""), 1);

        plug({kDocCam, kGeneric, kWebCam, kVisualizer}, true);
        QTRY_VERIFY_WITH_TIMEOUT(copy->hasLine("camera count: 3"), kWaitMs);
        QCOMPARE(copy->count("camera 3 : \"Velt Visualizer VZ-2\""), 1);

        // The selected camera goes: another one is selected and gets its profile.
        const int selections = copy->count("onDeviceSelChanged deviceid:");
        plug({kGeneric, kWebCam, kVisualizer});
        QTRY_VERIFY_WITH_TIMEOUT(copy->count("onDeviceSelChanged deviceid:") > selections, kWaitMs);
        const QString selected = copy->lastStartingWith("onDeviceSelChanged deviceid:");
        QVERIFY2(selected.contains(kWebCam.key()) || selected.contains(kVisualizer.key()),
                 qPrintable(selected));

        // Both remaining cameras go at once; the next plug-in finds nothing selected.
        plug({kGeneric});
        QTRY_VERIFY_WITH_TIMEOUT(copy->count("remove devPath:") == 3, kWaitMs);
        plug({kGeneric, kWebCam});
        QTRY_VERIFY_WITH_TIMEOUT(copy->hasLine("current camera: \"\" , new camera: \"1a2b__1f05\""),
                                 kWaitMs);

        QCOMPARE(copy->count("camera 1 : \"Generic USB Camera\""), 0);
        QCOMPARE(copy->count("camera 2 : \"Generic USB Camera\""), 0);
        QCOMPARE(copy->process().state(), QProcess::Running);
    }

    void damagedProfilesAndIndexStillStartWithTheBaseProfile() {
        plug({kDocCam});
        const QString folder = modelFolder(kDocCam);
        QVERIFY(writeFile(dataFolder() + "/settings.ini",
                          QByteArray("\x00\xff\xfe[[1a2b__3c4d\n=\n\x81\x82", 14) +
                              "\n[1a2b__3c4d]\nProfileCount=zz\n@Variant(\\0\\0"));
        QVERIFY(writeFile(folder + "/001_{0b7c6a52-8f1e-4d3a-9c55-2e41a7d0b001}.ini",
                          QByteArray("\x00\x01\x02\xff garbage ]]][\n\x7f", 18)));
        QVERIFY(writeFile(folder + "/002_{0b7c6a52-8f1e-4d3a-9c55-2e41a7d0b002}.ini",
                          "[General]\nprofilename=Standard Profile\n[VideoProcAmp]\n"
                          "brightness=@Variant(\\0\\0\\0\\x81\\0\\0)\ncontrast=abc\n"
                          "gamma=@Variant(\\xff\\xff\\xff\\xff)\n"));
        Copy *copy = launch(environment());
        QVERIFY(isReady(copy));
        QVERIFY(copy->hasLine("standard profile"));

        // Still alive and answering: a camera plugged in now is listed.
        plug({kDocCam, kWebCam});
        QTRY_VERIFY_WITH_TIMEOUT(copy->hasLine("camera count: 2"), kWaitMs);
        QCOMPARE(copy->process().state(), QProcess::Running);
    }

    // On a virtual X server, to see the window the way a user does.
    void closeOnlyHidesAndASecondStartBringsTheWindowBack() {
        QProcess xServer;
        xServer.start("Xvfb",
                      {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x800x24"});
        QVERIFY2(xServer.waitForStarted(), "Xvfb is needed (package xvfb)");
        QTRY_VERIFY_WITH_TIMEOUT(xServer.canReadLine(), kWaitMs);
        const QString display = ':' + QString::fromLatin1(xServer.readLine().trimmed());
        auto visibleWindows = [&](Copy *copy) {
            QProcess search;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("DISPLAY", display);
            search.setProcessEnvironment(env);
            search.start("xdotool", {"search", "--onlyvisible", "--pid",
                                     QString::number(copy->process().processId())});
            search.waitForFinished(kWaitMs);
            return QString::fromLatin1(search.readAllStandardOutput())
                .split('\n', Qt::SkipEmptyParts);
        };

        plug({kDocCam});
        QProcessEnvironment env = environment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", display);
        Copy *first = launch(env);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(first).size() == 1, kWaitMs);

        QVERIFY(requestWindowClose(display, visibleWindows(first).first().toULong()));
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(first).isEmpty(), kWaitMs);
        QCOMPARE(first->process().state(), QProcess::Running);

        Copy *second = launch(env);
        QVERIFY(second->process().waitForFinished(kWaitMs));
        QCOMPARE(second->process().exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(first).size() == 1, kWaitMs);
        QCOMPARE(first->process().state(), QProcess::Running);

        cleanup();
        xServer.terminate();
        xServer.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
