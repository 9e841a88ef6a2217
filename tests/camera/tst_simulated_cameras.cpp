#include <QSignalSpy>
#include <QtTest>

#include "CameraDeviceManager.h"
#include "CameraListFile.h"
#include "CameraTestSupport.h"
#include "FileBytes.h"
#include "SimulatedBackend.h"
#include "SimulatedCameraFile.h"
#include "SimulatedCameraSet.h"
#include "SimulatedDevice.h"
#include "StandardErrorCapture.h"

namespace {
// The interface part of `path` in upper case, as a notification names it.
QString notified(const QString &path) {
    return "@device:pnp:" + path.mid(QString("@device:pnp:").size()).toUpper();
}
}  // namespace

class TestSimulatedCameras : public QObject {
    Q_OBJECT

private slots:
    void faultsNameTheirPlace_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        auto row = [](const char *name, const char *json, const char *error) {
            QTest::newRow(name) << QByteArray(json) << QString("cams.json: ") + error;
        };
        // clang-format off
        row("syntax", "{ \"cameras\": [\n  { \"path\" \"x\" }\n] }", "not valid JSON at line 2, column 13:");
        row("empty", "", "not valid JSON at line 1, column 1:");
        row("no camera list", "[]", "at top level:");
        row("misspelt key", R"({"cameras": [{"path": "p", "friendlyname": "a"}]})", R"(at cameras[0]: unknown key "friendlyname")");
        row("property id", R"({"cameras": [{"path": "p"}, {"path": "q", "videoProcAmp": {"x1": {"min": 0, "max": 1}}}]})", R"(at cameras[1].videoProcAmp."x1":)");
        row("range upside down", R"({"cameras": [{"path": "p", "cameraControl": {"6": {"min": 5, "max": 1}}}]})", R"(at cameras[0].cameraControl."6": "min" is greater than "max")");
        row("too large", R"({"cameras": [{"path": "p", "cameraControl": {"6": {"min": 0, "max": 4294967296}}}]})", R"(at cameras[0].cameraControl."6".max:)");
        row("fraction", R"({"cameras": [{"path": "p", "cameraControl": {"6": {"min": 0, "max": 9, "value": 1.5}}}]})", R"(at cameras[0].cameraControl."6".value:)");
        row("failure code", R"({"cameras": [{"path": "p", "videoProcAmp": {"0": {"min": 0, "max": 9, "setFails": "E_FAIL"}}}]})", R"(at cameras[0].videoProcAmp."0".setFails:)");
        row("power line switch", R"({"cameras": [{"path": "p", "powerLine": {"getFails": 1}}]})", "at cameras[0].powerLine.getFails:");
        QTest::newRow("missing file") << QByteArray() << "/nonexistent/cams.json: cannot be read";
        QTest::newRow("endless device") << QByteArray() << "/dev/zero: cannot be read";
        // clang-format on
    }
    void faultsNameTheirPlace() {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const SimulatedCameraLoad load = error.startsWith('/')
                                             ? loadSimulatedCameraFile(error.section(':', 0, 0))
                                             : parseSimulatedCameras(json, "cams.json");
        QVERIFY(!load.ok && load.cameras.empty());
        QVERIFY2(load.error.startsWith(error), qPrintable(load.error));
        QVERIFY(!load.error.contains('\n'));
    }

    void replacingTheCameraSet() {
        auto described = [](const QList<QByteArray> &cameras) {
            const SimulatedCameraLoad load = parseSimulatedCameras(camerasJson(cameras), "t");
            return load.cameras;
        };
        const QByteArray controls = "\"videoProcAmp\": {\"0\": {\"min\": 0, \"max\": 9}}";
        const QByteArray a = cameraJson("A", "one", controls), b = cameraJson("B", "two");
        SimulatedCameraSet set;
        SimulatedCameraSet::Changes changes = set.replace(described({a, b, b}));
        QCOMPARE(changes.arrived, std::vector<std::string>({"A", "B"}));
        SimulatedDevice deviceA(set.cameras().at(0)), deviceB(set.cameras().at(1));
        std::unique_ptr<capture::BoundDevice> bound;
        std::unique_ptr<capture::ControlFamily> family;
        QCOMPARE(deviceA.bind(bound), capture::kOk);
        QCOMPARE(bound->queryVideoProcAmp(family), capture::kOk);
        QCOMPARE(family->set(0, 7, 2), capture::kOk);

        // Same description: nothing arrives or leaves and the value the program set stays.
        changes = set.replace(described({a, b, b}));
        QVERIFY(changes.arrived.empty() && changes.left.empty());
        std::int32_t value = 0, flags = 0;
        QCOMPARE(family->get(0, &value, &flags), capture::kOk);
        QCOMPARE(value, 7);

        // A redescribed camera stays plugged in with its new description; one that left fails
        // like an unplugged device.
        changes =
            set.replace(described({cameraJson("A", "renamed", controls), cameraJson("C", "x")}));
        QCOMPARE(changes.left, std::vector<std::string>({"B"}));
        QCOMPARE(changes.arrived, std::vector<std::string>({"C"}));
        std::string name;
        QCOMPARE(deviceA.friendlyName(name), capture::kOk);
        QCOMPARE(name, std::string("renamed"));
        QCOMPARE(family->get(0, &value, &flags), capture::kOk);
        QCOMPARE(value, 0);
        QCOMPARE(deviceB.bind(bound), capture::kDeviceNotConnected);
    }

    void hotPlugFollowsTheFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath("cameras.json");
        const QString a = usbCameraPath("1a2b", "3c4d", "a"),
                      b = usbCameraPath("1a2b", "1f05", "b"),
                      c = usbCameraPath("1a2b", "2b20", "c");
        QVERIFY(writeFile(file, camerasJson({cameraJson(a, "A")})));
        CameraDeviceManager *m = CameraDeviceManager::instance();
        m->setBackend(createSimulatedBackend(file));
        QVERIFY(m->unregisterDeviceNotification());  // nothing registered yet
        QVERIFY(m->registerDeviceNotification(0));
        QSignalSpy arrivals(m, &CameraDeviceManager::deviceArrival);
        QSignalSpy removals(m, &CameraDeviceManager::deviceRemoval);

        QVERIFY(writeFile(file, camerasJson({cameraJson(a, "A"), cameraJson(b, "B")})));
        QTRY_COMPARE(arrivals.size(), 1);
        QCOMPARE(arrivals.at(0).at(0).toString(), notified(b));
        // A file replaced by a rename is still followed.
        QVERIFY(writeFileByRename(file, camerasJson({cameraJson(b, "B")})));
        QTRY_COMPARE(removals.size(), 1);
        QCOMPARE(removals.at(0).at(0).toString(), notified(a));

        // A broken or vanished file is reported and changes nothing.
        StandardErrorCapture errors;
        QVERIFY(writeFileByRename(file, "{ \"cameras\": [ "));
        QTRY_VERIFY(errors.text().contains(file + ": not valid JSON at line 1"));
        QFile::remove(file);
        QTRY_VERIFY(errors.text().contains(file + ": cannot be read"));
        // The next good file is compared with the last good one.
        QVERIFY(writeFileByRename(file,
                                  camerasJson({cameraJson(b, "B"), cameraJson(c, "DocCam Mini")})));
        QTRY_COMPARE(arrivals.size(), 2);
        QCOMPARE(arrivals.at(1).at(0).toString(), notified(c));
        QCOMPARE(removals.size(), 1);
        QCOMPARE(errors.text().count('\n'), 2);

        QVERIFY(m->unregisterDeviceNotification());
        QVERIFY(writeFile(file, camerasJson({cameraJson(c, "DocCam Mini")})));
        QTRY_COMPARE(m->enumerateDevices(), 1);
        QCOMPARE(removals.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSimulatedCameras)
#include "tst_simulated_cameras.moc"
