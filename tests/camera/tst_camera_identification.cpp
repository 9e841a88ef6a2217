#include <QtTest>

#include "CameraDeviceManager.h"
#include "DebugCapture.h"

class TestCameraIdentification : public QObject {
    Q_OBJECT
private slots:
    void parsesIds_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("vid");
        QTest::addColumn<QString>("pid");
        QTest::newRow("lower case")
            << "@device:pnp:\\\\?\\usb#vid_1a2b&pid_3c4d&mi_00#x" << true << "1a2b"
            << "3c4d";
        QTest::newRow("upper case is lowered")
            << "@device:pnp:\\\\?\\USB#VID_ABCD&PID_12EF&MI_00#X" << true << "abcd"
            << "12ef";
        QTest::newRow("word characters need not be hex")
            << "usb#vid_zz_9&pid_q__1" << true << "zz_9"
            << "q__1";
        QTest::newRow("first match wins")
            << "usb#vid_1111&pid_2222#usb#vid_3333&pid_4444" << true << "1111"
            << "2222";
        QTest::newRow("virtual camera") << "@device:sw:{860BB310}\\{ABC}" << false << "XXXX"
                                        << "XXXX";
        QTest::newRow("three-character pid") << "usb#vid_1a2b&pid_3c4" << false << "XXXX"
                                             << "XXXX";
    }
    void parsesIds() {
        QFETCH(QString, path);
        QFETCH(bool, found);
        QString vid = "stale", pid = "stale";
        DebugCapture debug(DebugCapture::EveryMessage);
        QCOMPARE(parseVidPid(path, &vid, &pid), found);
        QTEST(vid, "vid");
        QTEST(pid, "pid");
        const QStringList expected = {"capCount: 2",
                                      QString("cap 1: \"%1\" , cap 2: \"%2\"").arg(vid, pid)};
        QCOMPARE(debug.lines(), found ? expected : QStringList());
    }

    void supportedProductIds_data() {
        QTest::addColumn<QString>("pid");
        QTest::addColumn<bool>("supported");
        QTest::newRow("listed") << "3c4d" << true;
        QTest::newRow("listed, other case") << "3C4D" << true;
        QTest::newRow("upper-case entry, lower-case id") << "5f2a" << true;
        QTest::newRow("upper-case entry") << "5F2A" << true;
        QTest::newRow("not listed") << "ffff" << false;
        QTest::newRow("blank is not trimmed") << " 3c4d" << false;
        QTest::newRow("part of an entry") << "3c4" << false;
        QTest::newRow("empty") << "" << false;
    }
    void supportedProductIds() {
        QFETCH(QString, pid);
        QTEST(isSupportedPid(pid), "supported");
    }

    void supportedNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("supported");
        QTest::newRow("listed") << "Velt DocCam V4" << true;
        QTest::newRow("other case") << "velt doccam v4" << true;
        QTest::newRow("trimmed") << "  Velt WebCam W1080\t" << true;
        QTest::newRow("without maker") << "USB Document Camera V4" << true;
        QTest::newRow("suffix added") << "Velt DocCam V4 (2)" << false;
        QTest::newRow("prefix added") << "My Velt DocCam V4" << false;
        QTest::newRow("unsupported") << "Generic USB Camera" << false;
    }
    void supportedNames() {
        QFETCH(QString, name);
        QTEST(isSupportedFriendlyName(name), "supported");
    }

    void notificationPathTestLooksAtProductIdOnly() {
        const QString supported = "@device:pnp:\\\\?\\USB#VID_FFFF&PID_1F05&MI_00#6&1&0&0000#{X}";
        const QString unsupported = "@device:pnp:\\\\?\\usb#vid_1a2b&pid_ffff&mi_00#x";
        DebugCapture debug(DebugCapture::EveryMessage);
        const bool a = isVeltDevice(supported);
        const bool b = isVeltDevice(unsupported);
        const bool c = isVeltDevice("@device:sw:{860BB310}");
        QVERIFY(a);
        QVERIFY(!b);
        QVERIFY(!c);
        // qDebug quotes the path and doubles its backslashes.
        auto quoted = [](QString path) { return '"' + path.replace("\\", "\\\\") + '"'; };
        QCOMPARE(debug.lines(), QStringList({"capCount: 2", "cap 1: \"ffff\" , cap 2: \"1f05\"",
                                             "is velt device: " + quoted(supported), "capCount: 2",
                                             "cap 1: \"1a2b\" , cap 2: \"ffff\"",
                                             "is not velt device: " + quoted(unsupported)}));
    }

    void logNames_data() {
        QTest::addColumn<bool>("imageFamily");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("color enable") << true << 6 << "VideoProcAmp_ColorEnable";
        QTest::newRow("backlight") << true << 8 << "VideoProcAmp_BacklightCompensation";
        QTest::newRow("unknown image") << true << 12 << "Unknown VideoProcAmpProperty12";
        QTest::newRow("iris") << false << 5 << "CameraControl_Iris";
        QTest::newRow("low light") << false << 19
                                   << "setLowLightCompensation "
                                      "KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY";
        QTest::newRow("unknown camera") << false << 7 << "Unknown CameraControlInfo7";
        QTest::newRow("negative") << false << -1 << "Unknown CameraControlInfo-1";
    }
    void logNames() {
        QFETCH(bool, imageFamily);
        QFETCH(int, id);
        QTEST(imageFamily ? videoProcAmpPropertyName(id) : cameraControlPropertyName(id), "name");
    }
};

QTEST_GUILESS_MAIN(TestCameraIdentification)
#include "tst_camera_identification.moc"
