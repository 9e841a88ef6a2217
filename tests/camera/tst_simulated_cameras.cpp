#include <QSignalSpy>
#include <QtTest>

#include "CameraDeviceManager.h"
#include "CameraListFile.h"
#include "SimulatedCameraFile.h"
#include "SimulatedCameraSet.h"
#include "SimulatedDevice.h"
#include "StandardErrorCapture.h"

class TestSimulatedCameras : public QObject {
    Q_OBJECT

private slots:
    // A faulty camera file is refused whole, on one line naming the place of the fault.
    void faultsNameTheirPlace() {
        // clang-format off
        const char *rows[][2] = {
            {"{ \"cameras\": [\n  { \"path\" \"x\" }\n] }", "not valid JSON at line 2, column 13:"},
            {"", "not valid JSON at line 1, column 1:"},
            {"[]", "at top level:"},
            {R"({"cameras": [{"path": "p", "friendlyname": "a"}]})", R"(at cameras[0]: unknown key "friendlyname")"},
            {R"({"cameras": [{"path": "p"}, {"path": "q", "videoProcAmp": {"x1": {"min": 0, "max": 1}}}]})", R"(at cameras[1].videoProcAmp."x1":)"},
            {R"({"cameras": [{"path": "p", "cameraControl": {"6": {"min": 5, "max": 1}}}]})", R"(at cameras[0].cameraControl."6": "min" is greater than "max")"},
            {R"({"cameras": [{"path": "p", "cameraControl": {"6": {"min": 0, "max": 4294967296}}}]})", R"(at cameras[0].cameraControl."6".max:)"},
            {R"({"cameras": [{"path": "p", "cameraControl": {"6": {"min": 0, "max": 9, "value": 1.5}}}]})", R"(at cameras[0].cameraControl."6".value:)"},
            {R"({"cameras": [{"path": "p", "videoProcAmp": {"0": {"min": 0, "max": 9, "setFails": "E_FAIL"}}}]})", R"(at cameras[0].videoProcAmp."0".setFails:)"},
            {R"({"cameras": [{"path": "p", "powerLine": {"getFails": 1}}]})", "at cameras[0].powerLine.getFails:"},
            {"/nonexistent/cams.json", "cannot be read"},
            {"/dev/zero", "cannot be read"},  // endless
        };
        // clang-format on
        for (const auto &[json, error] : rows) {
            const bool file = json[0] == '/';
            const SimulatedCameraLoad load =
                file ? loadSimulatedCameraFile(json) : parseSimulatedCameras(json, "cams.json");
            QVERIFY(!load.ok && load.cameras.empty() && !load.error.contains('\n'));
            QVERIFY2(load.error.startsWith(QString(file ? json : "cams.json") + ": " + error),
                     qPrintable(load.error));
        }
    }

    void replacingTheCameraSet() {
        auto described = [](const QByteArray &cameras) {
            return parseSimulatedCameras("{\"cameras\": [" + cameras + "]}", "t").cameras;
        };
        const QByteArray controls = R"("videoProcAmp": {"0": {"min": 0, "max": 9}})";
        const QByteArray a = R"({"path": "A", )" + controls + "}", b = R"({"path": "B"})";
        SimulatedCameraSet set;
        QCOMPARE(set.replace(described(a + "," + b + "," + b)).arrived,
                 std::vector<std::string>({"A", "B"}));
        SimulatedDevice deviceA(set.cameras().at(0)), deviceB(set.cameras().at(1));
        std::unique_ptr<capture::BoundDevice> bound;
        std::unique_ptr<capture::ControlFamily> family;
        QVERIFY(deviceA.bind(bound) == capture::kOk && bound->queryVideoProcAmp(family) == 0);
        QCOMPARE(family->set(0, 7, 2), capture::kOk);
        std::int32_t value = 0, flags = 0;
        // The same description: nothing arrives or leaves and the value set stays.
        SimulatedCameraSet::Changes changes = set.replace(described(a + "," + b + "," + b));
        QVERIFY(changes.arrived.empty() && changes.left.empty());
        QVERIFY(family->get(0, &value, &flags) == capture::kOk && value == 7);
        // A redescribed camera stays plugged in as described; one that left fails as unplugged.
        changes = set.replace(described(R"({"path": "A", "friendlyName": "new", )" + controls +
                                        R"(}, {"path": "C"})"));
        QCOMPARE(changes.left, std::vector<std::string>({"B"}));
        QCOMPARE(changes.arrived, std::vector<std::string>({"C"}));
        std::string name;
        QVERIFY(deviceA.friendlyName(name) == capture::kOk && name == "new");
        QVERIFY(family->get(0, &value, &flags) == capture::kOk && value == 0);
        QCOMPARE(deviceB.bind(bound), capture::kDeviceNotConnected);
    }

    void hotPlugFollowsTheFile() {
        QTemporaryDir dir;
        const CameraListFile file(dir.filePath("cameras.json"));
        const QJsonObject a{{"path", usbCameraPath("1a2b", "3c4d", "a")}},
            b{{"path", usbCameraPath("1a2b", "1f05", "b")}, {"friendlyName", "DocCam Mini"}},
            c{{"path", usbCameraPath("1a2b", "2b20", "c")}, {"friendlyName", "DocCam Mini"}};
        // A notification names the interface in upper case.
        auto notified = [](const QJsonObject &camera) {
            const QString path = camera["path"].toString();
            return QVariantList{path.left(12) + path.mid(12).toUpper()};
        };
        QVERIFY(file.write({a}));
        file.useInCameraLayer();
        CameraDeviceManager *m = CameraDeviceManager::instance();
        QVERIFY(m->unregisterDeviceNotification());  // nothing registered yet
        QVERIFY(m->registerDeviceNotification(0));
        QSignalSpy arrivals(m, &CameraDeviceManager::deviceArrival);
        QSignalSpy removals(m, &CameraDeviceManager::deviceRemoval);
        QVERIFY(file.writeInPlace({a, b}));
        QTRY_COMPARE(arrivals, QList<QVariantList>({notified(b)}));
        QVERIFY(file.write({b}));  // a rename over the file
        QTRY_COMPARE(removals, QList<QVariantList>({notified(a)}));

        // A broken or vanished file is reported and changes nothing; the next good file is
        // compared with the last good one.
        StandardErrorCapture errors;
        QVERIFY(writeFileByRename(file.path(), "{ \"cameras\": [ "));
        QTRY_VERIFY(errors.text().contains(file.path() + ": not valid JSON at line 1"));
        QFile::remove(file.path());
        QTRY_VERIFY(errors.text().contains(file.path() + ": cannot be read"));
        QVERIFY(file.write({b, c}));
        QTRY_COMPARE(arrivals.size(), 2);
        QCOMPARE(arrivals.last(), notified(c));
        QCOMPARE(removals.size(), 1);
        QCOMPARE(errors.text().count('\n'), 2);

        QVERIFY(m->enumerateDevices() == 2 && m->unregisterDeviceNotification());
        QVERIFY(file.writeInPlace({c}));
        QTRY_COMPARE(m->enumerateDevices(), 1);
        QCOMPARE(removals.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSimulatedCameras)
#include "tst_simulated_cameras.moc"
