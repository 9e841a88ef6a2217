// The built program itself on the Linux backend, run as a child process inside the same umockdev
// testbed as this test: it must list the emulated camera, apply the camera model's active profile
// to it, and follow the camera being pulled out and plugged in again while it runs. What the
// program does is read from its debug output and from the emulated camera's control values.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "UvcTestbed.h"

namespace {

const int kWaitMs = 30000;
const QString kBinary = QStringLiteral(TINTWELL_BINARY);
// The last line the main window writes while it is being built.
const QString kReady = QStringLiteral("==========camerasettingwidget==========control font is:");

const char *const kUsbName = "1-3";
const QString kPath = QStringLiteral(
    R"(@device:pnp:\\?\usb#vid_1a2b&pid_3c4d&mi_00#1-3#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\video0)");

// A text as the debug stream writes it: in double quotes, backslashes doubled.
QString quoted(QString text) {
    return '"' + text.replace('\\', QStringLiteral("\\\\")) + '"';
}

EmulatedCameraSpec docCam() {
    EmulatedCameraSpec spec;
    spec.productId = 0x3c4d;
    spec.usbName = kUsbName;
    spec.product = "Velt DocCam V4";
    return spec;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The running program and everything it has written to standard error.
class Program {
public:
    ~Program() {
        m_process.kill();
        m_process.waitForFinished();
    }
    void start(const QProcessEnvironment &env) {
        m_process.setProcessEnvironment(env);
        m_process.start(kBinary, QStringList());
    }
    QProcess &process() { return m_process; }

    QStringList lines() {
        m_err += m_process.readAllStandardError();
        return QString::fromUtf8(m_err).split('\n');
    }
    bool hasLine(const QString &line) { return lines().contains(line); }
    int count(const QString &line) { return lines().count(line); }
    int countStartingWith(const QString &prefix) {
        int n = 0;
        for (const QString &line : lines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }

private:
    QProcess m_process;
    QByteArray m_err;
};

}  // namespace

class TestV4l2Program : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<UvcTestbed> m_bed;
    std::unique_ptr<Program> m_program;

    QString dataFolder() const { return m_home->filePath(QStringLiteral("data/tintwell")); }

    // Office is the active profile of the model; Default holds nothing of its own.
    void writeProfiles() {
        const QString folder = dataFolder() + QStringLiteral("/1a2b__3c4d");
        QVERIFY(writeFile(dataFolder() + "/settings.ini",
                          "[1a2b__3c4d]\nActiveProfile=Office\nProfileCount=2\n"));
        QVERIFY(writeFile(folder + "/001_{5d0c31e2-7a44-4b8e-9f10-6c2b8e9a0001}.ini",
                          "[General]\nvid=1a2b\npid=3c4d\nprofilename=Standard Profile\n"));
        QVERIFY(writeFile(folder + "/002_{5d0c31e2-7a44-4b8e-9f10-6c2b8e9a0002}.ini",
                          "[General]\nvid=1a2b\npid=3c4d\nprofilename=Office\n\n"
                          "[VideoProcAmp]\nbrightness=42\nwhitebalance=5300\n"
                          "whitebalanceauto=false\n\n"
                          "[CameraControl]\nfocus=100\nfocusauto=false\n"));
    }

    // Must be taken after the testbed exists: it carries the testbed's folder and preload library
    // to the program, which then sees the same devices and ioctl answers as this test.
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TINTWELL_CAMERA_BACKEND", "v4l2");
        env.insert("XDG_DATA_HOME", m_home->filePath("data"));
        env.insert("XDG_CONFIG_HOME", m_home->filePath("config"));
        env.insert("XDG_RUNTIME_DIR", m_home->path());
        return env;
    }

    Program *launch() {
        const QProcessEnvironment env = environment();
        if (!env.contains("UMOCKDEV_DIR") || !env.value("LD_PRELOAD").contains("umockdev")) {
            qWarning("the testbed's environment would not reach the program");
            return nullptr;
        }
        m_program = std::make_unique<Program>();
        m_program->start(env);
        Program *program = m_program.get();
        if (!QTest::qWaitFor([program] { return program->countStartingWith(kReady) == 1; },
                             kWaitMs))
            return nullptr;
        return program;
    }

    // The profile's values, each reached through its automatic mode switched off first.
    static bool holdsOfficeProfile(const EmulatedUvcDriver &camera) {
        return camera.value(V4L2_CID_BRIGHTNESS) == 42 &&
               camera.value(V4L2_CID_AUTO_WHITE_BALANCE) == 0 &&
               camera.value(V4L2_CID_WHITE_BALANCE_TEMPERATURE) == 5300 &&
               camera.value(V4L2_CID_FOCUS_AUTO) == 0 &&
               camera.value(V4L2_CID_FOCUS_ABSOLUTE) == 100;
    }

private slots:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        m_bed = std::make_unique<UvcTestbed>();
        QVERIFY2(m_bed->isActive(), "run under umockdev-wrapper");
    }
    void cleanup() {
        if (QTest::currentTestFailed() && m_program) {
            const QStringList lines = m_program->lines();
            qWarning().noquote() << "the program's last lines:\n"
                                 << lines.mid(qMax(0, lines.size() - 40)).join('\n');
        }
        m_program.reset();
        m_bed.reset();
        m_home.reset();
    }

    void listsTheCameraAndAppliesItsActiveProfile() {
        std::shared_ptr<EmulatedUvcDriver> camera = m_bed->plug(docCam());
        writeProfiles();
        Program *program = launch();
        QVERIFY2(program, "the program did not build its window inside the testbed");

        QVERIFY(program->hasLine("camera count: 1"));
        QVERIFY(program->hasLine("camera 1 : \"Velt DocCam V4\" " + quoted(kPath)));
        QVERIFY(
            program->hasLine("current device \"1a2b__3c4d\" , active profile name: \"Office\""));
        QTRY_VERIFY_WITH_TIMEOUT(holdsOfficeProfile(*camera), kWaitMs);
        // Controls kept inactive by their automatic mode are never written.
        QCOMPARE(camera->refusedWrites().size(), size_t(0));
        QCOMPARE(program->process().state(), QProcess::Running);
    }

    void followsTheCameraBeingPulledOutAndPluggedInAgain() {
        m_bed->plug(docCam());
        writeProfiles();
        Program *program = launch();
        QVERIFY2(program, "the program did not build its window inside the testbed");
        QVERIFY(program->hasLine("camera count: 1"));

        m_bed->unplug(kUsbName);
        QTRY_VERIFY_WITH_TIMEOUT(program->hasLine("remove devPath: " + quoted(kPath)), kWaitMs);
        QVERIFY(program->hasLine("device removal: " + quoted(kPath)));
        QCOMPARE(program->process().state(), QProcess::Running);

        // Still answering: the camera plugged in again is listed and gets the profile, although
        // it comes back with its own defaults. That nothing was selected any more shows that the
        // removal had emptied the list.
        std::shared_ptr<EmulatedUvcDriver> again = m_bed->plug(docCam());
        QVERIFY(!holdsOfficeProfile(*again));
        QTRY_VERIFY_WITH_TIMEOUT(
            program->hasLine("current camera: \"\" , new camera: \"1a2b__3c4d\""), kWaitMs);
        QCOMPARE(program->count("camera count: 1"), 2);
        QTRY_VERIFY_WITH_TIMEOUT(holdsOfficeProfile(*again), kWaitMs);
        QCOMPARE(again->refusedWrites().size(), size_t(0));

        // Everything of the pull-out was read before the plug-in: one event each way, under the
        // same path, and none for the metadata node.
        QCOMPARE(program->countStartingWith("device removal:"), 1);
        QCOMPARE(program->countStartingWith("device arrival:"), 1);
        QVERIFY(program->hasLine("device arrival: " + quoted(kPath)));

        QCOMPARE(program->process().state(), QProcess::Running);
        program->process().terminate();
        QVERIFY(program->process().waitForFinished(kWaitMs));
    }
};

QTEST_GUILESS_MAIN(TestV4l2Program)

#include "tst_v4l2_program.moc"
