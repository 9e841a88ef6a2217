#include <QtTest>

#include "CameraDeviceManager.h"
#include "DebugCapture.h"
#include "DeviceIdentification.h"
#include "PropertyNames.h"

class TestCameraIdentification : public QObject {
    Q_OBJECT
private slots:
    void parsesIds_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("vid");
        QTest::addColumn<QString>("pid");
        QTest::newRow("upper case is lowered") << "@device:pnp:\\\\?\\USB#VID_ABCD&PID_12EF&MI_00#X"
                                               << "abcd"
                                               << "12ef";
        QTest::newRow("word characters need not be hex") << "usb#vid_zz_9&pid_q__1"
                                                         << "zz_9"
                                                         << "q__1";
        QTest::newRow("first match wins") << "usb#vid_1111&pid_2222#usb#vid_3333&pid_4444"
                                          << "1111"
                                          << "2222";
        QTest::newRow("virtual camera") << "@device:sw:{860BB310}\\{ABC}"
                                        << "XXXX"
                                        << "XXXX";
        QTest::newRow("three-character pid") << "usb#vid_1a2b&pid_3c4"
                                             << "XXXX"
                                             << "XXXX";
    }
    void parsesIds() {
        QFETCH(QString, path);
        QFETCH(QString, vid);
        QString gotVid = "stale", gotPid = "stale";
        DebugCapture debug(DebugCapture::EveryMessage);
        const bool found = vid != "XXXX";
        QCOMPARE(parseVidPid(path, &gotVid, &gotPid), found);
        QCOMPARE(gotVid, vid);
        QTEST(gotPid, "pid");
        const QStringList expected = {"capCount: 2",
                                      QString("cap 1: \"%1\" , cap 2: \"%2\"").arg(vid, gotPid)};
        QCOMPARE(debug.lines(), found ? expected : QStringList());
    }

    void supported_data() {
        QTest::addColumn<bool>("byName");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("supported");
        QTest::newRow("pid, other case") << false << "3C4D" << true;
        QTest::newRow("pid, upper-case entry") << false << "5f2a" << true;
        QTest::newRow("pid, not listed") << false << "ffff" << false;
        QTest::newRow("pid, blank is not trimmed") << false << " 3c4d" << false;
        QTest::newRow("pid, part of an entry") << false << "3c4" << false;
        QTest::newRow("name, other case") << true << "velt doccam v4" << true;
        QTest::newRow("name, trimmed") << true << "  Velt WebCam W1080\t" << true;
        QTest::newRow("name without maker") << true << "USB Document Camera V4" << true;
        QTest::newRow("name, suffix added") << true << "Velt DocCam V4 (2)" << false;
        QTest::newRow("name, prefix added") << true << "My Velt DocCam V4" << false;
    }
    void supported() {
        QFETCH(bool, byName);
        QFETCH(QString, id);
        QTEST(byName ? isSupportedFriendlyName(id) : isSupportedPid(id), "supported");
    }

    void notificationPathTestLooksAtProductIdOnly() {
        const QString supported = "@device:pnp:\\\\?\\USB#VID_FFFF&PID_1F05&MI_00#6&1&0&0000#{X}";
        const QString unsupported = "@device:pnp:\\\\?\\usb#vid_1a2b&pid_ffff&mi_00#x";
        DebugCapture debug(DebugCapture::EveryMessage);
        QVERIFY(isVeltDevice(supported));
        QVERIFY(!isVeltDevice(unsupported));
        QVERIFY(!isVeltDevice("@device:sw:{860BB310}"));
        // qDebug quotes the path and doubles its backslashes.
        auto quoted = [](QString path) { return '"' + path.replace("\\", "\\\\") + '"'; };
        QCOMPARE(debug.lines(), QStringList({"capCount: 2", "cap 1: \"ffff\" , cap 2: \"1f05\"",
                                             "is velt device: " + quoted(supported), "capCount: 2",
                                             "cap 1: \"1a2b\" , cap 2: \"ffff\"",
                                             "is not velt device: " + quoted(unsupported)}));
    }

    void logNames() {
        QCOMPARE(videoProcAmpPropertyName(8), QString("VideoProcAmp_BacklightCompensation"));
        QCOMPARE(videoProcAmpPropertyName(12), QString("Unknown VideoProcAmpProperty12"));
        QCOMPARE(
            cameraControlPropertyName(19),
            QString("setLowLightCompensation KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY"));
        QCOMPARE(cameraControlPropertyName(-1), QString("Unknown CameraControlInfo-1"));
    }
};

QTEST_GUILESS_MAIN(TestCameraIdentification)
#include "tst_camera_identification.moc"
