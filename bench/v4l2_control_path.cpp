// Linux control path: the V4L2 backend against the emulated UVC camera of the V4L2 tests, with
// the camera's system calls counted inside the emulation: ioctls (by request) and opens of the
// device node. Reported per property write, for every control the program writes, and per
// profile switch in the main window. The floor is one ioctl per write.
//
// Must run under umockdev-wrapper.

#include <glib-object.h>
#include <umockdev.h>

#include <unistd.h>

#include <linux/videodev2.h>
#include <QApplication>
#include <QComboBox>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>

#include "BenchCameras.h"
#include "BenchReport.h"
#include "CameraDeviceManager.h"
#include "CameraSettingWidget.h"
#include "CountingBackend.h"
#include "UvcTestbed.h"
#include "V4l2Backend.h"

namespace {

std::atomic<int> emulatedIoctls{0};
std::atomic<int> emulatedOpens{0};
std::mutex requestsMutex;
std::vector<unsigned long> emulatedRequests;

gboolean countIoctl(GSignalInvocationHint *, guint count, const GValue *values, gpointer) {
    if (count >= 2) {
        auto *client = static_cast<UMockdevIoctlClient *>(g_value_get_object(&values[1]));
        const std::lock_guard<std::mutex> lock(requestsMutex);
        emulatedRequests.push_back(umockdev_ioctl_client_get_request(client));
    }
    ++emulatedIoctls;
    return TRUE;
}

QByteArray requestName(unsigned long request) {
    switch (request) {
        case VIDIOC_QUERYCAP:
            return "QUERYCAP";
        case VIDIOC_QUERY_EXT_CTRL:
            return "QUERY_EXT_CTRL";
        case VIDIOC_QUERYMENU:
            return "QUERYMENU";
        case VIDIOC_G_CTRL:
            return "G_CTRL";
        case VIDIOC_S_CTRL:
            return "S_CTRL";
        case VIDIOC_G_EXT_CTRLS:
            return "G_EXT_CTRLS";
        case VIDIOC_S_EXT_CTRLS:
            return "S_EXT_CTRLS";
        case VIDIOC_TRY_EXT_CTRLS:
            return "TRY_EXT_CTRLS";
        default:
            return "0x" + QByteArray::number(qulonglong(request), 16);
    }
}

// The requests since `from`, in order, as "QUERY_EXT_CTRL,S_EXT_CTRLS".
QByteArray requestsSince(std::size_t from) {
    const std::lock_guard<std::mutex> lock(requestsMutex);
    QByteArrayList names;
    for (std::size_t i = from; i < emulatedRequests.size(); ++i)
        names.append(requestName(emulatedRequests[i]));
    return names.join(',');
}

std::size_t requestCount() {
    const std::lock_guard<std::mutex> lock(requestsMutex);
    return emulatedRequests.size();
}

gboolean countOpen(GSignalInvocationHint *, guint, const GValue *, gpointer) {
    ++emulatedOpens;
    return TRUE;
}

// Every emulated device node answers through these two signals of umockdev's ioctl handler, on
// umockdev's own thread; a hook sees each emission before the testbed's handlers answer it.
void countEmulatedCalls() {
    g_type_class_unref(g_type_class_ref(UMOCKDEV_TYPE_IOCTL_BASE));
    for (const auto &hook : {std::make_pair("handle-ioctl", &countIoctl),
                             std::make_pair("client-connected", &countOpen)}) {
        const guint signal = g_signal_lookup(hook.first, UMOCKDEV_TYPE_IOCTL_BASE);
        if (!signal)
            benchFailure(QStringLiteral("umockdev has no \"%1\" signal").arg(hook.first));
        g_signal_add_emission_hook(signal, 0, hook.second, nullptr, nullptr);
    }
}

// A write to no file at all: harmless, but a system-call tracer (strace -f -e trace=all) shows it,
// which marks where a measured call begins and ends in the trace.
void traceMarker(const char *text) {
    const ssize_t ignored = ::write(-1, text, std::strlen(text));
    (void)ignored;
}

struct Calls {
    int ioctls = emulatedIoctls;
    int opens = emulatedOpens;
};

CameraDeviceManager *camera() {
    return CameraDeviceManager::instance();
}

ControlRange rangeFromCamera(bool cameraControl, int id) {
    PropertyInfo info;
    info.id = id;
    const bool ok =
        cameraControl ? camera()->getCameraControlInfo(info) : camera()->getProperty(info);
    return ok ? ControlRange{info.min, info.max, info.step} : ControlRange{0, 0, 1};
}

long valueFor(bool cameraControl, int id, int variant) {
    const ControlRange r = rangeFromCamera(cameraControl, id);
    const long step = r.step > 0 ? r.step : 1;
    return r.min + ((r.max - r.min) * (variant % 2 ? 2 : 7) / 9) / step * step;
}

// One kind of write as the pages make it; `value` picks a value for a variant with camera reads,
// before anything is counted.
struct WriteCase {
    const char *name;
    std::function<long(int variant)> value;
    std::function<void(long value)> write;
};

std::vector<WriteCase> writeCases() {
    using M = CameraDeviceManager;
    auto ranged = [](bool cameraControl, int id) {
        return [=](int variant) { return valueFor(cameraControl, id, variant); };
    };
    auto plain = [&](const char *name, bool cameraControl, int id, void (M::*set)(long)) {
        return WriteCase{name, ranged(cameraControl, id), [set](long v) { (camera()->*set)(v); }};
    };
    auto moded = [&](const char *name, bool cameraControl, int id, void (M::*set)(long, bool),
                     bool automatic) {
        return WriteCase{name, ranged(cameraControl, id),
                         [=](long v) { (camera()->*set)(v, automatic); }};
    };
    auto alternating = [](int variant) { return long(variant % 2); };
    return {
        plain("brightness", false, VideoProcAmp_Brightness, &M::setBrightness),
        plain("contrast", false, VideoProcAmp_Contrast, &M::setContrast),
        plain("hue", false, VideoProcAmp_Hue, &M::setHue),
        plain("saturation", false, VideoProcAmp_Saturation, &M::setSaturation),
        plain("sharpness", false, VideoProcAmp_Sharpness, &M::setSharpness),
        plain("gamma", false, VideoProcAmp_Gamma, &M::setGamma),
        plain("backlight", false, VideoProcAmp_BacklightCompensation, &M::setBacklightCompensation),
        plain("gain", false, VideoProcAmp_Gain, &M::setGain),
        moded("white_balance_manual", false, VideoProcAmp_WhiteBalance, &M::setWhiteBalance, false),
        moded("white_balance_auto", false, VideoProcAmp_WhiteBalance, &M::setWhiteBalance, true),
        plain("pan", true, CameraControl_Pan, &M::setPan),
        plain("tilt", true, CameraControl_Tilt, &M::setTilt),
        plain("zoom", true, CameraControl_Zoom, &M::setZoom),
        moded("exposure_manual", true, CameraControl_Exposure, &M::setExposure, false),
        moded("exposure_auto", true, CameraControl_Exposure, &M::setExposure, true),
        moded("focus_manual", true, CameraControl_Focus, &M::setFocus, false),
        moded("focus_auto", true, CameraControl_Focus, &M::setFocus, true),
        WriteCase{"low_light", alternating,
                  [](long v) { camera()->setLowLightCompensation(v != 0); }},
        WriteCase{"power_line", [](int variant) { return variant % 2 ? 1L : 2L; },
                  [](long v) { camera()->setPowerLineFrequency(v); }},
    };
}

void measureSingleWrites(AccessLog &log) {
    for (const WriteCase &c : writeCases()) {
        const long measured = c.value(0), other = c.value(1);
        // The measured write changes the control, as a user's does.
        c.write(measured);
        c.write(other);
        log.clear();
        traceMarker(c.name);
        const std::size_t firstRequest = requestCount();
        const Calls before;
        c.write(measured);
        const Calls after;
        traceMarker("end");
        if (log.writes() != 1)
            benchFailure(QStringLiteral("%1: %2 camera writes").arg(c.name).arg(log.writes()));
        reportMetric((QByteArray("v4l2_write_ioctls:") + c.name).constData(),
                     after.ioctls - before.ioctls);
        reportMetric((QByteArray("v4l2_write_opens:") + c.name).constData(),
                     after.opens - before.opens);
        std::printf("detail v4l2_write_requests:%s %s\n", c.name,
                    requestsSince(firstRequest).constData());
    }
}

void measureProfileSwitch(AccessLog &log) {
    const QString first = benchProfileName(1), second = benchProfileName(2);
    createBenchProfiles(QString::fromLatin1(kBenchVid), QString::fromLatin1(kBenchPid), 10, first,
                        rangeFromCamera);
    CameraSettingWidget window(nullptr);
    window.show();
    QCoreApplication::processEvents();
    auto *list = window.findChild<QComboBox *>(QStringLiteral("cbbProfiles"));
    if (!list || list->count() != 10)
        benchFailure(QStringLiteral("the main window does not list the ten profiles"));
    for (int i = 0; i < 4; ++i) {
        log.clear();
        const Calls before;
        list->setCurrentIndex(list->findText(i % 2 ? first : second));
        QCoreApplication::processEvents();
        const Calls after;
        if (i == 0)
            continue;  // the first switch may still find controls in their starting modes
        reportMetric("v4l2_switch_ioctls", after.ioctls - before.ioctls);
        reportMetric("v4l2_switch_opens", after.opens - before.opens);
        reportMetric("v4l2_switch_writes", log.writes());
        reportMetric("v4l2_switch_reads", log.count(CameraAccess::ReadRange) +
                                              log.count(CameraAccess::ReadValue) +
                                              log.count(CameraAccess::PowerLineRead));
    }
}

}  // namespace

int main(int argc, char **argv) {
    const QString folder = freshWorkFolder(QStringLiteral("v4l2"));
    // The camera log goes to the state folder; keep it in the work folder too.
    qputenv("XDG_DATA_HOME", folder.toLocal8Bit());
    qputenv("XDG_STATE_HOME", folder.toLocal8Bit());
    qputenv("TINTWELL_CAMERA_BACKEND", "v4l2");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tintwell"));

    UvcTestbed bed;
    if (!bed.isActive())
        benchFailure(QStringLiteral("run under umockdev-wrapper"));
    countEmulatedCalls();
    EmulatedCameraSpec spec;
    spec.productId = 0x3c4d;  // the benchmark model, whose profiles the store holds
    bed.plug(spec);

    AccessLog log;
    camera()->setBackend(makeCountingBackend(createV4l2Backend(), &log));
    if (camera()->enumerateDevices() != 1)
        benchFailure(QStringLiteral("the emulated camera is not listed"));
    camera()->setCurrentIndex(0);

    measureSingleWrites(log);
    measureProfileSwitch(log);
    camera()->setBackend(nullptr);
    return 0;
}
