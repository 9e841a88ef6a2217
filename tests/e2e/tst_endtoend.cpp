// The built program as a user starts it, with simulated cameras described in a JSON file that the
// test rewrites to plug and unplug them. What the program does is read from its debug output and
// from the profile files it leaves in its data folder.

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
// The last line the main window writes while it is being built.
const QString kReady = QStringLiteral("==========camerasettingwidget==========control font is:");

const VeltCamera kDocCam{"3c4d", "Velt DocCam V4", 17, 5};
const VeltCamera kWebCam{"1f05", "Velt WebCam W1080"};
const VeltCamera kVisualizer{"2a10", "Velt Visualizer VZ-2"};
const VeltCamera kGeneric{"ffff", "Generic USB Camera"};

const QRegularExpression kProfileFileName(QStringLiteral(
    "^\\d{3}_\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}\\.ini$"));

}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::vector<std::unique_ptr<TintwellProcess>> m_copies;

    CameraListFile camerasFile() const { return CameraListFile(m_home->filePath("cameras.json")); }
    QString dataFolder() const { return m_home->filePath("data/tintwell"); }
    QString modelFolder(const VeltCamera &camera) const {
        return dataFolder() + '/' + camera.key();
    }

    // Rewritten in place, or written beside and renamed over the old file as editors do.
    void plug(const QList<VeltCamera> &cameras, bool byRename = false) {
        const CameraListFile file = camerasFile();
        QVERIFY(byRename ? file.write(described(cameras)) : file.writeInPlace(described(cameras)));
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = TintwellProcess::freshEnvironment(m_home->path());
        env.insert("TINTWELL_SIMULATED_CAMERAS", camerasFile().path());
        return env;
    }

    TintwellProcess *launch(const QProcessEnvironment &env) {
        m_copies.push_back(std::make_unique<TintwellProcess>(kBinary));
        m_copies.back()->launch(env);
        return m_copies.back().get();
    }

    // Started and has built its window, once.
    static bool isReady(TintwellProcess *copy) {
        return copy->waitForLine(kReady, kWaitMs) && copy->count(kReady) == 1;
    }

    QStringList profileFiles(const VeltCamera &camera) const {
        return QDir(modelFolder(camera)).entryList({"*.ini"}, QDir::Files, QDir::Name);
    }

private slots:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
    }
    void cleanup() { m_copies.clear(); }

    void firstStartCreatesTheBaseProfileAndAppliesCameraDefaults() {
        plug({kDocCam});
        TintwellProcess *copy = launch(environment());
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
        TintwellProcess *copy = launch(environment());
        QVERIFY(isReady(copy));
        QVERIFY(copy->hasLine("current device \"1a2b__3c4d\" , active profile name: \"Office\""));
        QVERIFY(copy->hasLine("successfully set VPA value: 42 , property type: 0"));
        QVERIFY(copy->hasLine("successfully set VPA value: 23 , property type: 1"));
        QVERIFY(!copy->hasLine("successfully set VPA value: 17 , property type: 0"));
        QCOMPARE(profileFiles(kDocCam).size(), 2);
    }

    void followsCamerasBeingPluggedAndUnplugged() {
        plug({kDocCam, kGeneric});
        TintwellProcess *copy = launch(environment());
        QVERIFY(isReady(copy));
        QVERIFY(copy->hasLine("camera count: 1"));

        plug({kDocCam, kGeneric, kWebCam});
        QTRY_VERIFY_WITH_TIMEOUT(copy->hasLine("camera count: 2"), kWaitMs);
        QCOMPARE(copy->count("camera 2 : \"Velt WebCam W1080\""), 1);

        plug({kDocCam, kGeneric, kWebCam, kVisualizer}, true);
        QTRY_VERIFY_WITH_TIMEOUT(copy->hasLine("camera count: 3"), kWaitMs);
        QCOMPARE(copy->count("camera 3 : \"Velt Visualizer VZ-2\""), 1);

        // All three go at once, the selected one among them; the next plug-in finds nothing
        // selected.
        plug({kGeneric});
        QTRY_VERIFY_WITH_TIMEOUT(copy->count("remove devPath:") == 3, kWaitMs);
        plug({kGeneric, kWebCam});
        QTRY_VERIFY_WITH_TIMEOUT(copy->hasLine("current camera: \"\" , new camera: \"1a2b__1f05\""),
                                 kWaitMs);
        QCOMPARE(copy->state(), QProcess::Running);
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
        TintwellProcess *copy = launch(environment());
        QVERIFY(isReady(copy));
        QVERIFY(copy->hasLine("standard profile"));

        // Still alive and answering: a camera plugged in now is listed.
        plug({kDocCam, kWebCam});
        QTRY_VERIFY_WITH_TIMEOUT(copy->hasLine("camera count: 2"), kWaitMs);
        QCOMPARE(copy->state(), QProcess::Running);
    }

    // On a virtual X server, to see the window the way a user does. Without a tray to come back
    // from, closing the window ends the program.
    void closeOnlyHidesAndASecondStartBringsTheWindowBack() {
        VirtualXServer xServer;
        QVERIFY2(xServer.start("1280x800x24", kWaitMs), qPrintable(xServer.failure()));
        auto visibleWindows = [&](TintwellProcess *copy) {
            return xServer.visibleWindowsOf(copy->processId(), kWaitMs);
        };

        plug({kDocCam});
        const QProcessEnvironment env = xServer.onScreen(environment());
        TintwellProcess *trayless = launch(env);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(trayless).size() == 1, kWaitMs);
        QVERIFY(requestWindowClose(xServer.display(), visibleWindows(trayless).first().toULong()));
        QVERIFY(trayless->waitForFinished(kWaitMs));
        QCOMPARE(trayless->exitCode(), 0);

        const FakeSystemTray tray(xServer.display());
        QVERIFY(tray.isRunning());
        TintwellProcess *first = launch(env);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(first).size() == 1, kWaitMs);

        QVERIFY(requestWindowClose(xServer.display(), visibleWindows(first).first().toULong()));
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(first).isEmpty(), kWaitMs);
        QCOMPARE(first->state(), QProcess::Running);

        TintwellProcess *second = launch(env);
        QVERIFY(second->waitForFinished(kWaitMs));
        QCOMPARE(second->exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(first).size() == 1, kWaitMs);
        QCOMPARE(first->state(), QProcess::Running);

        cleanup();
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
