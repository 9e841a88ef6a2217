// The backend against a V4L2 tool nobody here wrote: under the same emulated camera, v4l2-ctl
// must list the ranges the backend reports and see the values the backend wrote, and the backend
// must read what v4l2-ctl wrote.

#include <QtTest>

#include "BackendProbe.h"
#include "UvcTestbed.h"
#include "V4l2Backend.h"

namespace {

struct ListedControl {
    QString name;
    QMap<QString, int> fields;  // min, max, step, default, value
};

struct MappedControl {
    Family family;
    int id;
    quint32 cid;
};

const MappedControl kMapped[] = {
    {Family::Image, 0, V4L2_CID_BRIGHTNESS},
    {Family::Image, 1, V4L2_CID_CONTRAST},
    {Family::Image, 2, V4L2_CID_HUE},
    {Family::Image, 3, V4L2_CID_SATURATION},
    {Family::Image, 4, V4L2_CID_SHARPNESS},
    {Family::Image, 5, V4L2_CID_GAMMA},
    {Family::Image, 7, V4L2_CID_WHITE_BALANCE_TEMPERATURE},
    {Family::Image, 8, V4L2_CID_BACKLIGHT_COMPENSATION},
    {Family::Image, 9, V4L2_CID_GAIN},
    {Family::Camera, 0, V4L2_CID_PAN_ABSOLUTE},
    {Family::Camera, 1, V4L2_CID_TILT_ABSOLUTE},
    {Family::Camera, 3, V4L2_CID_ZOOM_ABSOLUTE},
    {Family::Camera, 4, V4L2_CID_EXPOSURE_ABSOLUTE},
    {Family::Camera, 6, V4L2_CID_FOCUS_ABSOLUTE},
    {Family::Camera, 19, V4L2_CID_EXPOSURE_AUTO_PRIORITY},
};

}  // namespace

class TestV4l2CtlCrossCheck : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void toolListsTheRangesTheBackendReports();
    void toolAndBackendSeeEachOthersWrites();

private:
    QMap<quint32, ListedControl> listControls();
    bool runTool(const QStringList &arguments, QString *output = nullptr);
    std::unique_ptr<capture::ControlFamily> family(Family which) {
        return openFamily(*m_device, which);
    }

    std::unique_ptr<UvcTestbed> m_bed;
    std::unique_ptr<capture::Backend> m_backend;
    std::shared_ptr<capture::Device> m_device;
    QString m_node;
};

void TestV4l2CtlCrossCheck::init() {
    m_bed = std::make_unique<UvcTestbed>();
    QVERIFY2(m_bed->isActive(), "run under umockdev-wrapper");
    m_bed->plug(EmulatedCameraSpec());
    m_backend = createV4l2Backend();
    m_device = onlyDevice(*m_backend);
    QVERIFY(m_device);
    m_node = QString::fromStdString(m_backend->captureDeviceName(pathOf(*m_device).toStdString()));
    QCOMPARE(m_node, QStringLiteral("/dev/video0"));
}

void TestV4l2CtlCrossCheck::cleanup() {
    m_device.reset();
    m_backend.reset();
    m_bed.reset();
}

bool TestV4l2CtlCrossCheck::runTool(const QStringList &arguments, QString *output) {
    QProcess tool;
    tool.start(QStringLiteral("v4l2-ctl"), QStringList{"-d", m_node} + arguments);
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        qWarning() << "v4l2-ctl" << arguments << tool.readAllStandardError();
        return false;
    }
    if (output)
        *output = QString::fromUtf8(tool.readAllStandardOutput());
    return true;
}

// Lines such as
//   brightness 0x00980900 (int)    : min=-64 max=64 step=1 default=0 value=0
//   white_balance_temperature 0x0098091a (int) : min=2800 ... value=4600 flags=inactive
QMap<quint32, ListedControl> TestV4l2CtlCrossCheck::listControls() {
    QMap<quint32, ListedControl> controls;
    QString output;
    if (!runTool({"--list-ctrls"}, &output))
        return controls;
    const QRegularExpression line(R"(^\s*(\w+)\s+0x([0-9a-f]{8})\s+\((\w+)\)\s*:\s*(.*)$)");
    const QRegularExpression field(R"((\w+)=(-?\d+))");
    for (const QString &text : output.split('\n')) {
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch())
            continue;
        ListedControl control;
        control.name = m.captured(1);
        auto fields = field.globalMatch(m.captured(4));
        while (fields.hasNext()) {
            const QRegularExpressionMatch f = fields.next();
            control.fields[f.captured(1)] = f.captured(2).toInt();
        }
        controls[m.captured(2).toUInt(nullptr, 16)] = control;
    }
    return controls;
}

void TestV4l2CtlCrossCheck::toolListsTheRangesTheBackendReports() {
    const QMap<quint32, ListedControl> listed = listControls();
    QVERIFY(!listed.isEmpty());
    for (const MappedControl &mapped : kMapped) {
        auto controls = family(mapped.family);
        QVERIFY(controls);
        std::int32_t min, max, step, def, caps, value, flags;
        QCOMPARE(controls->getRange(mapped.id, &min, &max, &step, &def, &caps), capture::kOk);
        QCOMPARE(controls->get(mapped.id, &value, &flags), capture::kOk);
        QVERIFY2(listed.contains(mapped.cid), qPrintable(QString::number(mapped.cid, 16)));
        const ListedControl &tool = listed[mapped.cid];
        const QMap<QString, int> backend{
            {"min", min}, {"max", max}, {"step", step}, {"default", def}, {"value", value}};
        for (auto it = backend.begin(); it != backend.end(); ++it) {
            if (!tool.fields.contains(it.key()) && tool.fields.contains("value") &&
                (it.key() == "min" || it.key() == "max" || it.key() == "step"))
                continue;  // v4l2-ctl prints no range for a boolean control
            QVERIFY2(tool.fields.value(it.key()) == it.value(),
                     qPrintable(tool.name + " " + it.key()));
        }
    }
}

void TestV4l2CtlCrossCheck::toolAndBackendSeeEachOthersWrites() {
    auto image = family(Family::Image);
    auto camera = family(Family::Camera);
    QVERIFY(image && camera);
    QCOMPARE(image->set(0, 17, 3), capture::kOk);
    QCOMPARE(image->set(7, 5300, 3), capture::kOk);
    QCOMPARE(camera->set(4, 500, 2), capture::kOk);
    QCOMPARE(camera->set(6, 100, 2), capture::kOk);
    QCOMPARE(camera->set(0, 7200, 2), capture::kOk);
    QCOMPARE(camera->set(19, 1, 2), capture::kOk);

    QMap<quint32, ListedControl> listed = listControls();
    const QMap<quint32, int> expected{{V4L2_CID_BRIGHTNESS, 17},
                                      {V4L2_CID_AUTO_WHITE_BALANCE, 0},
                                      {V4L2_CID_WHITE_BALANCE_TEMPERATURE, 5300},
                                      {V4L2_CID_EXPOSURE_AUTO, 1},
                                      {V4L2_CID_EXPOSURE_ABSOLUTE, 500},
                                      {V4L2_CID_FOCUS_AUTO, 0},
                                      {V4L2_CID_FOCUS_ABSOLUTE, 100},
                                      {V4L2_CID_PAN_ABSOLUTE, 7200},
                                      {V4L2_CID_EXPOSURE_AUTO_PRIORITY, 1}};
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QVERIFY2(listed.value(it.key()).fields.value("value", -99999) == it.value(),
                 qPrintable(listed.value(it.key()).name));

    // The other way round: the tool writes, the backend reads.
    const QString gain = listed.value(V4L2_CID_GAIN).name;
    const QString autoWhiteBalance = listed.value(V4L2_CID_AUTO_WHITE_BALANCE).name;
    const QString powerLineName = listed.value(V4L2_CID_POWER_LINE_FREQUENCY).name;
    QVERIFY(!gain.isEmpty() && !autoWhiteBalance.isEmpty() && !powerLineName.isEmpty());
    QVERIFY(runTool({"-c", gain + "=42," + autoWhiteBalance + "=1," + powerLineName + "=2"}));
    std::int32_t value = 0, flags = 0;
    QCOMPARE(image->get(9, &value, &flags), capture::kOk);
    QCOMPARE(value, 42);
    QCOMPARE(image->get(7, &value, &flags), capture::kOk);
    QCOMPARE(flags, capture::kFlagAuto);

    PowerLineProbe powerLine(*m_device);
    QVERIFY(powerLine.isOpen());
    QCOMPARE(powerLine.read(), capture::kOk);
    QCOMPARE(powerLine.value(), 2);
}

QTEST_GUILESS_MAIN(TestV4l2CtlCrossCheck)
#include "tst_v4l2_ctl_crosscheck.moc"
