#include <QtTest>

#include "CameraDeviceManager.h"
#include "CameraListFile.h"
#include "CameraTestSupport.h"
#include "CaptureBackendFactory.h"
#include "DebugCapture.h"
#include "DeviceIdentification.h"
#include "FileBytes.h"
#include "FreshDataFolder.h"
#include "SimulatedBackend.h"
#include "StandardErrorCapture.h"

class TestCameraDevices : public QObject {
    Q_OBJECT

    FreshDataFolder m_data;
    QTemporaryDir m_dir;
    CameraDeviceManager *m = CameraDeviceManager::instance();
    int m_files = 0;

    void useCameras(const QList<QByteArray> &cameras) {
        const QString file = m_dir.filePath(QString("cameras%1.json").arg(++m_files));
        QVERIFY(writeFile(file, camerasJson(cameras)));
        m->setBackend(createSimulatedBackend(file));
    }
    QStringList listedPaths() const {
        QStringList paths;
        for (int i = 0; i < m->count(); ++i)
            paths << m->devicePath(i);
        return paths;
    }
    // Three supported cameras, the first and last of one model.
    QStringList useThreeCameras() {
        const QStringList paths = {usbCameraPath("1a2b", "3c4d", "1"),
                                   usbCameraPath("1a2b", "2a10", "2"),
                                   usbCameraPath("1a2b", "3c4d", "3")};
        useCameras({cameraJson(paths[0], "Velt DocCam V4"), cameraJson(paths[1], "DocCam Mini"),
                    cameraJson(paths[2], "Velt DocCam V4")});
        m->enumerateDevices();
        return paths;
    }

private slots:
    void enumerationKeepsSupportedCamerasOnce() {
        const QString good = usbCameraPath("1a2b", "3c4d", "a");
        const QString nameRejected = usbCameraPath("1a2b", "3c4d", "b");
        const QString upperPid = usbCameraPath("1a2b", "5F2A", "c");
        useCameras({
            cameraJson(good, "Velt DocCam V4"),
            cameraJson(nameRejected, "Generic USB Camera"),
            cameraJson(usbCameraPath("1a2b", "ffff", "d"), "Velt DocCam V4"),
            cameraJson(usbCameraPath("1a2b", "3c00", "e"), QString()),  // no property bag
            cameraJson("@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\virtual", "DocCam Mini"),
            cameraJson(good, "DocCam Mini"),                    // same path again
            cameraJson(good.toUpper(), " Velt WebCam W1080 "),  // another path by case
            cameraJson(upperPid, "P20 PTZ"),
        });
        m->setCurrentIndex(-1);
        QCOMPARE(m->enumerateDevices(), 3);
        const QStringList expected = {good, good.toUpper(), upperPid};
        QCOMPARE(listedPaths(), expected);
        QCOMPARE(m->friendlyName(1), QString(" Velt WebCam W1080 "));
        // A second enumeration neither duplicates entries nor touches the selection.
        m->setCurrentIndex(2);
        QCOMPARE(m->enumerateDevices(), 3);
        QCOMPARE(listedPaths(), expected);
        QCOMPARE(m->currentIndex(), 2);
        // The notification test ignores names.
        QVERIFY(isVeltDevice(nameRejected));
    }

    void enumerationWithoutCameras() {
        useCameras({});
        QCOMPARE(m->enumerateDevices(), -1);
        useCameras({cameraJson(usbCameraPath("1a2b", "ffff"), "Generic USB Camera")});
        QCOMPARE(m->enumerateDevices(), 0);
    }

    void indicesOutOfRange() {
        useThreeCameras();
        m->setCurrentIndex(1);
        m->setCurrentIndex(-1);
        m->setCurrentIndex(3);
        QCOMPARE(m->currentIndex(), 1);
        QVERIFY(m->friendlyName(-1).isEmpty() && m->devicePath(3).isEmpty());
        m->removeAt(3);
        m->removeAt(-1);
        QCOMPARE(m->count(), 3);
        m->clearDevices();
        QCOMPARE(m->currentIndex(), 1);  // the stale index is left, but names nothing
        QVERIFY(m->currentDevicePath().isEmpty());
    }

    void selectByPathIgnoresCase() {
        const QStringList paths = useThreeCameras();
        m->setCurrentIndex(0);
        DebugCapture debug(DebugCapture::EveryMessage);
        m->selectByPath(paths[1].toUpper());
        QCOMPARE(m->currentIndex(), 1);
        QCOMPARE(debug.lines().size(), 4);  // two lines for each entry looked at
        QCOMPARE(debug.lines().at(2),
                 "===1==== \"" + paths[1].toLower().replace("\\", "\\\\") + '"');
        m->selectByPath("@device:pnp:unknown");
        QCOMPARE(m->currentIndex(), 1);
    }

    void selectByVidPidComparesExactly() {
        useThreeCameras();
        m->setCurrentIndex(1);
        DebugCapture debug(DebugCapture::EveryMessage);
        m->selectByVidPid("1a2b", "3c4d");
        QCOMPARE(m->currentIndex(), 0);  // the first of two equal models
        QCOMPARE(debug.lines(), QStringList({"capCount: 2", "cap 1: \"1a2b\" , cap 2: \"3c4d\"",
                                             "tvid, tpid \"1a2b\" \"3c4d\" , (vid,pid): \"1a2b\" "
                                             "\"3c4d\""}));
        m->selectByVidPid("1A2B", "2A10");
        QCOMPARE(m->currentIndex(), 0);
    }

    void removeByPathSelectsTheLastEntry() {
        const QStringList paths = useThreeCameras();
        m->setCurrentIndex(2);
        m->removeByPath(paths[0].toUpper());
        QCOMPARE(listedPaths(), paths.mid(1));
        QCOMPARE(m->currentDevicePath(), paths[2]);
        m->removeByPath(paths[2]);
        m->removeByPath(paths[1]);
        QCOMPARE(m->currentIndex(), -1);
    }

    void backendChoice_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("complaint");
        QTest::newRow("simulated") << QByteArray("simulated") << QString();
        QTest::newRow("unknown") << QByteArray("bogus")
                                 << "\"bogus\" from TINTWELL_CAMERA_BACKEND is unknown";
#ifndef _WIN32
        QTest::newRow("not built")
            << QByteArray("directshow")
            << "\"directshow\" from TINTWELL_CAMERA_BACKEND is not available in this build";
#endif
    }
    void backendChoice() {
        QFETCH(QByteArray, name);
        QFETCH(QString, complaint);
        const QByteArray saved = qgetenv("TINTWELL_CAMERA_BACKEND");
        qputenv("TINTWELL_CAMERA_BACKEND", name);
        StandardErrorCapture errors;
        std::unique_ptr<capture::Backend> backend = createCaptureBackend();
        qputenv("TINTWELL_CAMERA_BACKEND", saved);
        QVERIFY(backend);
        if (complaint.isEmpty())
            QCOMPARE(QString(backend->name()), QString(name));
        else
            complaint = QString("tintwell: camera backend %1; using \"%2\"\n")
                            .arg(complaint, backend->name());
        QCOMPARE(errors.text(), complaint);
    }
};

QTEST_GUILESS_MAIN(TestCameraDevices)
#include "tst_camera_devices.moc"
