#include "BenchCameras.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "CameraSetting.h"
#include "CameraSettings.h"
#include "PropertyIds.h"
#include "SupportedDevices.h"

const char kBenchVid[] = "1a2b";
const char kBenchPid[] = "3c4d";

namespace {

struct Range {
    int id;
    int min;
    int max;
    int step;
    int defaultValue;
    int caps;
};

const Range kImageRanges[] = {
    {VideoProcAmp_Brightness, -64, 64, 1, 0, 2},
    {VideoProcAmp_Contrast, 0, 64, 1, 32, 2},
    {VideoProcAmp_Hue, -180, 180, 1, 0, 2},
    {VideoProcAmp_Saturation, 0, 128, 1, 64, 2},
    {VideoProcAmp_Sharpness, 0, 7, 1, 3, 2},
    {VideoProcAmp_Gamma, 100, 500, 1, 300, 2},
    {VideoProcAmp_ColorEnable, 0, 1, 1, 1, 2},
    {VideoProcAmp_WhiteBalance, 2800, 6500, 10, 4600, 3},
    {VideoProcAmp_BacklightCompensation, 0, 2, 1, 1, 2},
    {VideoProcAmp_Gain, 0, 100, 1, 0, 2},
};

const Range kCameraRanges[] = {
    {CameraControl_Pan, -180, 180, 1, 0, 2},
    {CameraControl_Tilt, -180, 180, 1, 0, 2},
    {CameraControl_Roll, -180, 180, 1, 0, 2},
    {CameraControl_Zoom, 100, 500, 1, 100, 2},
    {CameraControl_Exposure, -13, -1, 1, -6, 3},
    {CameraControl_Iris, 0, 10, 1, 5, 2},
    {CameraControl_Focus, 0, 1023, 1, 300, 3},
    {KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY, 0, 1, 1, 0, 2},
};

QJsonObject family(const Range *begin, const Range *end) {
    QJsonObject controls;
    for (const Range *r = begin; r != end; ++r)
        controls.insert(QString::number(r->id), QJsonObject{{"min", r->min},
                                                            {"max", r->max},
                                                            {"step", r->step},
                                                            {"default", r->defaultValue},
                                                            {"caps", r->caps},
                                                            {"value", r->defaultValue},
                                                            {"flags", r->caps == 3 ? 1 : 2}});
    return controls;
}

QJsonObject camera(const QString &path, const QString &friendlyName) {
    return QJsonObject{
        {"path", path},
        {"friendlyName", friendlyName},
        {"videoProcAmp", family(std::begin(kImageRanges), std::end(kImageRanges))},
        {"cameraControl", family(std::begin(kCameraRanges), std::end(kCameraRanges))},
        {"powerLine", QJsonObject{{"value", 2}, {"flags", 0}}},
    };
}

QString usbPath(const QString &vid, const QString &pid, int serial) {
    return QStringLiteral(
               "@device:pnp:\\\\?\\usb#vid_%1&pid_%2&mi_00#6&%3&0&0000#"
               "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global")
        .arg(vid, pid)
        .arg(serial, 7, 16, QLatin1Char('0'));
}

// A value within the range, on a step, different for neighbouring variants.
long valueIn(const ControlRange &r, int variant) {
    const long step = r.step > 0 ? r.step : 1;
    const long raw = r.min + (r.max - r.min) * (variant % 7 + 1) / 9;
    return r.min + (raw - r.min) / step * step;
}

}  // namespace

QJsonArray twoSupportedCameras() {
    return QJsonArray{
        camera(usbPath(kBenchVid, kBenchPid, 1), QStringLiteral("Velt DocCam V4")),
        camera(usbPath(kBenchVid, QStringLiteral("1f05"), 2), QStringLiteral("Velt WebCam W1080"))};
}

QJsonArray discoveryCameras(int total) {
    const QStringList &pids = supportedProductIds();
    const QStringList &names = supportedFriendlyNames();
    QJsonArray cameras;
    for (int i = 0; i < total; ++i) {
        const QString pid = pids.at(i % pids.size());
        const QString name = names.at(i % names.size());
        if (i % 2 == 0) {
            cameras.append(camera(usbPath(kBenchVid, pid, i), name));
            continue;
        }
        switch (i / 2 % 3) {
            case 0: {
                const QString unknownPid = QStringLiteral("9%1").arg(i, 3, 10, QLatin1Char('0'));
                cameras.append(camera(usbPath(kBenchVid, unknownPid, i), name));
                break;
            }
            case 1:
                cameras.append(
                    camera(usbPath(kBenchVid, pid, i), QStringLiteral("Camera %1").arg(i)));
                break;
            default:
                cameras.append(
                    camera(QStringLiteral("@device:pnp:\\\\?\\root#image#%1").arg(i), name));
                break;
        }
    }
    return cameras;
}

bool writeCameraFile(const QString &fileName, const QJsonArray &cameras) {
    QFile file(fileName);
    const QByteArray json = QJsonDocument(QJsonObject{{"cameras", cameras}}).toJson();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(json) == json.size();
}

ControlRange simulatedRange(bool cameraControl, int id) {
    const Range *begin = cameraControl ? std::begin(kCameraRanges) : std::begin(kImageRanges);
    const Range *end = cameraControl ? std::end(kCameraRanges) : std::end(kImageRanges);
    for (const Range *r = begin; r != end; ++r)
        if (r->id == id)
            return ControlRange{r->min, r->max, r->step};
    return ControlRange();
}

void fillProfile(CameraSetting &record, int variant, const RangeOf &rangeOf) {
    auto image = [&](int id) { return valueIn(rangeOf(false, id), variant); };
    auto camera = [&](int id) { return valueIn(rangeOf(true, id), variant); };
    record.setBrightness(image(VideoProcAmp_Brightness));
    record.setContrast(image(VideoProcAmp_Contrast));
    record.setHue(image(VideoProcAmp_Hue));
    record.setSaturation(image(VideoProcAmp_Saturation));
    record.setSharpness(image(VideoProcAmp_Sharpness));
    record.setGamma(image(VideoProcAmp_Gamma), true);
    record.setBacklightCompensation(image(VideoProcAmp_BacklightCompensation), true);
    record.setGain(image(VideoProcAmp_Gain), true);
    record.setWhiteBalance(image(VideoProcAmp_WhiteBalance), false);
    record.setPowerLineFrequency(variant % 2 ? PowerLine_50Hz : PowerLine_60Hz, true);
    record.setPan(camera(CameraControl_Pan), true);
    record.setTilt(camera(CameraControl_Tilt), true);
    record.setRoll(camera(CameraControl_Roll), true);
    record.setZoom(camera(CameraControl_Zoom), true);
    record.setExposure(camera(CameraControl_Exposure), false);
    record.setFocus(camera(CameraControl_Focus), false);
    record.setLowLightCompensation(variant % 2);
}

QString benchProfileName(int index) {
    return index == 0 ? QStringLiteral("Standard Profile")
                      : QStringLiteral("Profile %1").arg(index, 2, 10, QLatin1Char('0'));
}

void createBenchProfiles(const QString &vid, const QString &pid, int count,
                         const QString &activeName, const RangeOf &rangeOf) {
    CameraSettings *store = CameraSettings::instance();
    store->loadProfiles(vid, pid);
    for (int i = 0; i < count; ++i) {
        CameraSetting *record = store->findOrCreateProfile(vid, pid, benchProfileName(i));
        // The base profile holds no values: it stands for the camera's own defaults.
        if (i > 0)
            fillProfile(*record, i, rangeOf);
        record->sync();
    }
    store->setActiveProfile(vid, pid, activeName);
}
