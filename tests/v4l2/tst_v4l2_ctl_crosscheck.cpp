// The backend against a V4L2 tool nobody here wrote: under the same emulated camera, v4l2-ctl
// must see the values the backend wrote and the backend must read what v4l2-ctl wrote.

#include <QtTest>

#include "BackendProbe.h"
#include "UvcTestbed.h"
#include "V4l2Backend.h"

class TestV4l2CtlCrossCheck : public QObject {
    Q_OBJECT

    struct Listed {
        QString name;
        int value = -99999;
    };

    // Lines such as
    //   brightness 0x00980900 (int)    : min=-64 max=64 step=1 default=0 value=0
    QMap<quint32, Listed> listControls() {
        QMap<quint32, Listed> controls;
        QString output;
        if (!runTool({"--list-ctrls"}, &output))
            return controls;
        const QRegularExpression line(
            R"(^\s*(\w+)\s+0x([0-9a-f]{8})\s+\(\w+\)\s*:.*\bvalue=(-?\d+))");
        for (const QString &text : output.split('\n')) {
            const QRegularExpressionMatch m = line.match(text);
            if (m.hasMatch())
                controls[m.captured(2).toUInt(nullptr, 16)] = {m.captured(1),
                                                               m.captured(3).toInt()};
        }
        return controls;
    }

    bool runTool(const QStringList &arguments, QString *output = nullptr) {
        QProcess tool;
        tool.start(QStringLiteral("v4l2-ctl"), QStringList{"-d", "/dev/video0"} + arguments);
        if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
            tool.exitCode() != 0) {
            qWarning() << "v4l2-ctl" << arguments << tool.readAllStandardError();
            return false;
        }
        if (output)
            *output = QString::fromUtf8(tool.readAllStandardOutput());
        return true;
    }

private slots:
    void toolAndBackendSeeEachOthersWrites() {
        UvcTestbed bed;
        QVERIFY2(bed.isActive(), "run under umockdev-wrapper");
        bed.plug(EmulatedCameraSpec());
        std::unique_ptr<capture::Backend> backend = createV4l2Backend();
        std::shared_ptr<capture::Device> device = onlyDevice(*backend);
        QVERIFY(device);
        auto image = openFamily(*device, Family::Image);
        auto camera = openFamily(*device, Family::Camera);
        QVERIFY(image && camera);
        QCOMPARE(image->set(0, 17, 3), capture::kOk);
        QCOMPARE(image->set(7, 5300, 3), capture::kOk);
        QCOMPARE(camera->set(4, -4, 2), capture::kOk);  // 1/16 s
        QCOMPARE(camera->set(6, 100, 2), capture::kOk);
        QCOMPARE(camera->set(0, 2, 2), capture::kOk);  // degrees
        QCOMPARE(camera->set(19, 1, 2), capture::kOk);

        const QMap<quint32, Listed> listed = listControls();
        const QMap<quint32, int> expected{{V4L2_CID_BRIGHTNESS, 17},
                                          {V4L2_CID_AUTO_WHITE_BALANCE, 0},
                                          {V4L2_CID_WHITE_BALANCE_TEMPERATURE, 5300},
                                          {V4L2_CID_EXPOSURE_AUTO, 1},
                                          {V4L2_CID_EXPOSURE_ABSOLUTE, 625},
                                          {V4L2_CID_FOCUS_AUTO, 0},
                                          {V4L2_CID_FOCUS_ABSOLUTE, 100},
                                          {V4L2_CID_PAN_ABSOLUTE, 7200},
                                          {V4L2_CID_EXPOSURE_AUTO_PRIORITY, 1}};
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QVERIFY2(listed.value(it.key()).value == it.value(),
                     qPrintable(QString::number(it.key(), 16)));

        // The other way round: the tool writes, the backend reads.
        QVERIFY(runTool({"-c", listed.value(V4L2_CID_GAIN).name + "=42," +
                                   listed.value(V4L2_CID_AUTO_WHITE_BALANCE).name + "=1," +
                                   listed.value(V4L2_CID_POWER_LINE_FREQUENCY).name + "=2"}));
        std::int32_t value = 0, flags = 0;
        QCOMPARE(image->get(9, &value, &flags), capture::kOk);
        QCOMPARE(value, 42);
        QCOMPARE(image->get(7, &value, &flags), capture::kOk);
        QCOMPARE(flags, capture::kFlagAuto);
        PowerLineProbe powerLine(*device);
        QVERIFY(powerLine.isOpen());
        QCOMPARE(powerLine.read(), capture::kOk);
        QCOMPARE(powerLine.value(), 2);
    }
};

QTEST_GUILESS_MAIN(TestV4l2CtlCrossCheck)
#include "tst_v4l2_ctl_crosscheck.moc"
