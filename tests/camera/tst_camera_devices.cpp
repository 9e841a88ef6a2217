#include <QtTest>

#include "CameraDeviceManager.h"
#include "CameraListFile.h"
#include "CaptureBackendFactory.h"
#include "DebugCapture.h"
#include "DeviceIdentification.h"
#include "FreshDataFolder.h"
#include "StandardErrorCapture.h"

namespace {
QString p(const QString &pid, const QString &instance) {
    return usbCameraPath("1a2b", pid, instance);
}
QJsonObject cam(const QString &path, const QString &name) {
    return name.isNull() ? QJsonObject{{"path", path}}
                         : QJsonObject{{"path", path}, {"friendlyName", name}};
}
// How qDebug writes a string.
QString quoted(QString text) {
    return '"' + text.replace("\\", "\\\\") + '"';
}
}  // namespace

class TestCameraDevices : public QObject {
    Q_OBJECT

    FreshDataFolder m_data;
    QTemporaryDir m_dir;
    CameraDeviceManager *m = CameraDeviceManager::instance();
    int m_files = 0;

    int useCameras(const QList<QJsonObject> &cameras) {
        const CameraListFile file(m_dir.filePath(QString("cameras%1.json").arg(++m_files)));
        file.write(cameras);
        file.useInCameraLayer();
        return m->enumerateDevices();
    }
    QStringList listed() const {
        QStringList entries;
        for (int i = 0; i < m->count(); ++i)
            entries << m->devicePath(i) + " = " + m->friendlyName(i);
        return entries;
    }

private slots:
    void parsesIds() {
        const QString rows[][3] = {
            // the path, then the ids found in it
            {"@device:pnp:\\\\?\\USB#VID_ABCD&PID_12EF&MI_00#X", "abcd", "12ef"},
            {"usb#vid_zz_9&pid_q__1", "zz_9", "q__1"},  // not only hex digits
            {"usb#vid_1111&pid_2222#usb#vid_3333&pid_4444", "1111", "2222"},
            {"usb#vid_1a2b&pid_3c4", "XXXX", "XXXX"},
        };
        for (const auto &row : rows) {
            QString vid = "stale", pid = "stale";
            const bool found = parseVidPid(row[0], &vid, &pid);
            QCOMPARE(QStringList({vid, pid}), QStringList({row[1], row[2]}));
            QCOMPARE(found, row[1] != "XXXX");
        }
    }

    // The notification test looks at the product id alone and logs each of its steps.
    void notifiedPaths() {
        const QString supported = "@device:pnp:\\\\?\\USB#VID_FFFF&PID_1F05&MI_00#6&1&0&0000#{X}";
        const QString unsupported = "@device:pnp:\\\\?\\usb#vid_1a2b&pid_ffff&mi_00#x";
        DebugCapture debug;
        QVERIFY(isVeltDevice(supported) && !isVeltDevice(unsupported));
        QVERIFY(!isVeltDevice("@device:sw:{860BB310}"));
        QCOMPARE(debug.lines(), QStringList({"capCount: 2", "cap 1: \"ffff\" , cap 2: \"1f05\"",
                                             "is velt device: " + quoted(supported), "capCount: 2",
                                             "cap 1: \"1a2b\" , cap 2: \"ffff\"",
                                             "is not velt device: " + quoted(unsupported)}));
    }

    void listsSupportedCamerasOnceUnderTheirNames() {
        const QString docCam = p("3c4d", "a").toUpper(), twin = p("2a10", "0");
        QCOMPARE(useCameras({}), -1);
        QCOMPARE(useCameras({cam(p("ffff", "c"), "Velt DocCam V4")}), 0);
        QCOMPARE(useCameras({
                     cam(docCam, "velt doccam v4"), cam(p("3c4d", "b"), "Generic USB Camera"),
                     cam(p("3c00", "d"), QString()),  // no property bag
                     cam("@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\x", "DocCam Mini"),
                     cam(docCam, "DocCam Mini"),                    // the same path again
                     cam(p("3c4d", "a"), "  Velt WebCam W1080\t"),  // another path by case
                     cam(p("5F2A", "e"), "P20 PTZ"), cam(p("1f05", "f"), "Velt DocCam V4 (2)"),
                     cam(p("1f05", "g"), "My Velt DocCam V4"),
                     cam(twin, " Velt DocCam V4"),  // its path sorts first, ignoring case
                 }),
                 4);
        const QStringList expected = {docCam + " = velt doccam v4 (2)",
                                      p("3c4d", "a") + " =   Velt WebCam W1080\t",
                                      p("5F2A", "e") + " = P20 PTZ", twin + " =  Velt DocCam V4"};
        QCOMPARE(listed(), expected);
        // Enumerating again neither duplicates entries nor touches the selection.
        m->setCurrentIndex(2);
        QCOMPARE(m->enumerateDevices(), 4);
        QCOMPARE(listed(), expected);
        QCOMPARE(m->currentIndex(), 2);
    }

    void selection() {
        const QStringList paths = {p("3c4d", "1"), p("2a10", "2"), p("3c4d", "3")};
        useCameras({cam(paths[0], "DocCam Mini"), cam(paths[1], "DocCam Mini"),
                    cam(paths[2], "DocCam Mini")});
        m->setCurrentIndex(1);
        for (int outside : {-1, 3}) {
            m->setCurrentIndex(outside);
            m->removeAt(outside);
            QVERIFY(m->friendlyName(outside).isEmpty() && m->devicePath(outside).isEmpty());
        }
        QCOMPARE(m->currentIndex(), 1);
        QCOMPARE(m->count(), 3);

        DebugCapture debug;
        m->selectByVidPid("1a2b", "3c4d");  // the first of two of one model
        QCOMPARE(m->currentIndex(), 0);
        m->selectByVidPid("1A2B", "2A10");  // compared as written
        QCOMPARE(m->currentIndex(), 0);
        QCOMPARE(debug.lines().mid(2, 1),
                 QStringList("tvid, tpid \"1a2b\" \"3c4d\" , (vid,pid): \"1a2b\" \"3c4d\""));
        debug.clear();
        m->selectByPath(paths[1].toUpper());
        QCOMPARE(m->currentIndex(), 1);
        QCOMPARE(debug.lines(),
                 QStringList(
                     {"===1==== " + quoted(paths[1].toLower()), "===2==== " + quoted(paths[0]),
                      "===1==== " + quoted(paths[1].toLower()), "===2==== " + quoted(paths[1])}));
        m->selectByPath("@device:pnp:unknown");
        QCOMPARE(m->currentIndex(), 1);

        // Removing selects the last entry.
        m->setCurrentIndex(0);
        m->removeByPath(paths[0].toUpper());
        QCOMPARE(m->currentDevicePath(), paths[2]);
        m->removeByPath(paths[2]);
        m->removeByPath(paths[1]);
        QCOMPARE(m->currentIndex(), -1);
        m->enumerateDevices();
        m->setCurrentIndex(2);
        m->clearDevices();
        QVERIFY(m->currentDevicePath().isEmpty());
    }

    void backendChoice_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("complaint");
        QTest::newRow("simulated") << QByteArray("simulated") << QString();
        QTest::newRow("unknown") << QByteArray("bogus") << "\"bogus\" from %1 is unknown";
#ifndef _WIN32
        QTest::newRow("not built")
            << QByteArray("directshow") << "\"directshow\" from %1 is not available in this build";
#endif
    }
    void backendChoice() {
        QFETCH(QByteArray, name);
        QFETCH(QString, complaint);
        const QByteArray saved = qgetenv("TINTWELL_CAMERA_BACKEND");
        qputenv("TINTWELL_CAMERA_BACKEND", name);
        StandardErrorCapture errors;
        const std::unique_ptr<capture::Backend> backend = createCaptureBackend();
        qputenv("TINTWELL_CAMERA_BACKEND", saved);
        if (complaint.isEmpty())
            QCOMPARE(backend->name(), name);
        else
            complaint = QString("tintwell: camera backend %1; using \"%2\"\n")
                            .arg(complaint.arg("TINTWELL_CAMERA_BACKEND"), backend->name());
        QCOMPARE(errors.text(), complaint);
    }
};

QTEST_GUILESS_MAIN(TestCameraDevices)
#include "tst_camera_devices.moc"
