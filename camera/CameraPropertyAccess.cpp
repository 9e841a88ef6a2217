// Reading and writing the controls of the selected camera, with the begin, end and failure lines
// that record every access.

#include <QDebug>
#include <QElapsedTimer>
#include <algorithm>
#include <limits>
#include <vector>

#include "CameraDeviceManager.h"
#include "PowerLineData.h"

namespace {

// What differs between the image controls and the camera controls.
struct ControlFamilyAccess {
    capture::Result (capture::BoundDevice::*query)(std::unique_ptr<capture::ControlFamily> &);
    QString (*logName)(int id);
    const char *getName;
    const char *setName;
    const char *failedExternal;
    const char *failedDebug;
    const char *succeededDebug;
    std::int32_t manualFlags;
};

const ControlFamilyAccess kVideoProcAmp = {
    &capture::BoundDevice::queryVideoProcAmp,
    videoProcAmpPropertyName,
    "getProperty",
    "setProperty",
    "failed to set VPA value...",
    "failed to set VPA value:",
    "successfully set VPA value:",
    // Image controls are written with both mode bits when set by hand.
    capture::kFlagAuto | capture::kFlagManual,
};

const ControlFamilyAccess kCameraControl = {
    &capture::BoundDevice::queryCameraControl,
    cameraControlPropertyName,
    "getCameraControlInfo",
    "setCameraControl",
    "failed to set cc value...",
    "failed to set cc value:",
    "successfully set cc value:",
    capture::kFlagManual,
};

QString elapsedText(const QElapsedTimer &timer) {
    return QStringLiteral("%1(ms)").arg(timer.elapsed());
}

// Where long is wider than the camera's 32-bit values (a profile file can hold anything), a value
// beyond them is pinned to the nearest end instead of wrapping around to an unrelated value the
// camera would accept.
std::int32_t cameraValue(long value) {
    return static_cast<std::int32_t>(std::clamp<long>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

QString failureCode(capture::Result result) {
    return QString::asprintf("0x%08x", static_cast<unsigned>(result));
}

std::unique_ptr<capture::ControlFamily> openFamily(const std::shared_ptr<capture::Device> &device,
                                                   const ControlFamilyAccess &access,
                                                   std::unique_ptr<capture::BoundDevice> &bound) {
    std::unique_ptr<capture::ControlFamily> family;
    if (device && device->bind(bound) == capture::kOk && bound &&
        ((*bound).*access.query)(family) != capture::kOk)
        family.reset();
    return family;
}

bool readControl(const std::shared_ptr<capture::Device> &device, const ControlFamilyAccess &access,
                 PropertyInfo &info) {
    QElapsedTimer timer;
    timer.start();
    logToExternal(QStringLiteral("begin %1:%2").arg(access.getName, access.logName(info.id)));
    const long id = info.id;
    info = PropertyInfo();
    info.id = id;
    bool result = false;
    std::unique_ptr<capture::BoundDevice> bound;
    if (std::unique_ptr<capture::ControlFamily> family = openFamily(device, access, bound)) {
        // Drivers may leave partial results behind on failure: only a successful read is
        // copied into the record, which otherwise stays zero.
        std::int32_t min = 0, max = 0, step = 0, defaultValue = 0, caps = 0;
        if (family->getRange(id, &min, &max, &step, &defaultValue, &caps) == capture::kOk) {
            info.min = min;
            info.max = max;
            info.step = step;
            info.defaultValue = defaultValue;
            info.capsFlags = caps;
            info.available = caps != 0;
            std::int32_t value = 0, flags = 0;
            result = family->get(id, &value, &flags) == capture::kOk;
            if (result) {
                info.value = value;
                info.flags = flags;
            }
        }
    }
    logToExternal(QStringLiteral("end %1 elapsed:%2").arg(access.getName, elapsedText(timer)));
    return result;
}

void writeControl(const std::shared_ptr<capture::Device> &device, const ControlFamilyAccess &access,
                  int id, long value, bool automatic) {
    QElapsedTimer timer;
    timer.start();
    logToExternal(QStringLiteral("begin %1:%2").arg(access.setName, access.logName(id)));
    std::unique_ptr<capture::BoundDevice> bound;
    if (std::unique_ptr<capture::ControlFamily> family = openFamily(device, access, bound)) {
        const std::int32_t flags = automatic ? capture::kFlagAuto : access.manualFlags;
        const capture::Result result = family->set(id, cameraValue(value), flags);
        if (result != capture::kOk) {
            logToExternal(QLatin1String(access.failedExternal));
            qDebug() << access.failedDebug << value << ", property type:" << id
                     << failureCode(result);
        } else {
            qDebug() << access.succeededDebug << value << ", property type:" << id;
        }
    }
    logToExternal(QStringLiteral("end %1 elapsed:%2").arg(access.setName, elapsedText(timer)));
}

std::unique_ptr<capture::KsPropertySet> openKsPropertySet(
    const std::shared_ptr<capture::Device> &device, std::unique_ptr<capture::BoundDevice> &bound) {
    std::unique_ptr<capture::KsPropertySet> properties;
    if (device && device->bind(bound) == capture::kOk && bound &&
        bound->queryKsPropertySet(properties) != capture::kOk)
        properties.reset();
    return properties;
}

long readPowerLine(const std::shared_ptr<capture::Device> &device, bool *ok) {
    if (ok)
        *ok = true;
    std::unique_ptr<capture::BoundDevice> bound;
    std::unique_ptr<capture::KsPropertySet> properties = openKsPropertySet(device, bound);
    if (!properties)
        return 0;
    const std::vector<unsigned char> instance(capture::kPowerLineInstanceSize, 0);
    std::vector<unsigned char> data(capture::kPowerLineDataSize, 0);
    std::uint32_t bytesReturned = 0;
    const capture::Result result = properties->get(
        capture::kPropSetVideoProcAmp, capture::kPowerLinePropertyId, instance.data(),
        capture::kPowerLineInstanceSize, data.data(), capture::kPowerLineDataSize, &bytesReturned);
    if (result != capture::kOk) {
        if (ok)
            *ok = false;
        return 0;
    }
    qDebug() << "power line frequency flags:" << capture::powerLineFlags(data.data());
    return capture::powerLineValue(data.data());
}

bool writePowerLine(const std::shared_ptr<capture::Device> &device, long value) {
    std::unique_ptr<capture::BoundDevice> bound;
    std::unique_ptr<capture::KsPropertySet> properties = openKsPropertySet(device, bound);
    if (!properties)
        return false;
    const std::vector<unsigned char> instance(capture::kPowerLineInstanceSize, 0);
    std::vector<unsigned char> data(capture::kPowerLineDataSize, 0);
    capture::setPowerLineValue(data.data(), cameraValue(value));
    const bool accepted =
        properties->set(capture::kPropSetVideoProcAmp, capture::kPowerLinePropertyId,
                        instance.data(), capture::kPowerLineInstanceSize, data.data(),
                        capture::kPowerLineDataSize) == capture::kOk;
    if (accepted)
        qDebug() << "set powerline freq OK, value:" << value;
    else
        qDebug() << "set powerline freq failure, value:" << value;
    return accepted;
}

}  // namespace

std::shared_ptr<capture::Device> CameraDeviceManager::currentDevice() const {
    if (m_currentIndex < 0 || m_currentIndex >= count())
        return nullptr;
    return m_devices.at(m_currentIndex).device;
}

std::shared_ptr<capture::Device> CameraDeviceManager::deviceOf(const QString &path) const {
    for (const CameraDevice &entry : m_devices)
        if (entry.path.compare(path, Qt::CaseInsensitive) == 0)
            return entry.device;
    return nullptr;
}

bool CameraDeviceManager::getProperty(PropertyInfo &info) {
    return readControl(currentDevice(), kVideoProcAmp, info);
}

bool CameraDeviceManager::getCameraControlInfo(PropertyInfo &info) {
    return readControl(currentDevice(), kCameraControl, info);
}

void CameraDeviceManager::setProperty(VideoProcAmpProperty id, long value, bool automatic) {
    writeControl(currentDevice(), kVideoProcAmp, id, value, automatic);
}

void CameraDeviceManager::setCameraControl(CameraControlProperty id, long value, bool automatic) {
    writeControl(currentDevice(), kCameraControl, id, value, automatic);
}

long CameraDeviceManager::getPowerLineFrequency(bool *ok) {
    return readPowerLine(currentDevice(), ok);
}

bool CameraDeviceManager::setPowerLineFrequency(long value) {
    return writePowerLine(currentDevice(), value);
}

bool CameraDeviceManager::getProperty(const QString &path, PropertyInfo &info) {
    return readControl(deviceOf(path), kVideoProcAmp, info);
}

bool CameraDeviceManager::getCameraControlInfo(const QString &path, PropertyInfo &info) {
    return readControl(deviceOf(path), kCameraControl, info);
}

void CameraDeviceManager::setProperty(const QString &path, VideoProcAmpProperty id, long value,
                                      bool automatic) {
    writeControl(deviceOf(path), kVideoProcAmp, id, value, automatic);
}

void CameraDeviceManager::setCameraControl(const QString &path, CameraControlProperty id,
                                           long value, bool automatic) {
    writeControl(deviceOf(path), kCameraControl, id, value, automatic);
}

long CameraDeviceManager::getPowerLineFrequency(const QString &path, bool *ok) {
    return readPowerLine(deviceOf(path), ok);
}

bool CameraDeviceManager::setPowerLineFrequency(const QString &path, long value) {
    return writePowerLine(deviceOf(path), value);
}

bool CameraDeviceManager::watchControlChanges(const QString &path,
                                              std::unique_ptr<capture::ControlChangeWatch> &out) {
    out.reset();
    const std::shared_ptr<capture::Device> device = deviceOf(path);
    return device && device->watchControlChanges(out) == capture::kOk && out;
}

void CameraDeviceManager::setBrightness(long value) {
    setProperty(VideoProcAmp_Brightness, value, false);
}
void CameraDeviceManager::setContrast(long value) {
    setProperty(VideoProcAmp_Contrast, value, false);
}
void CameraDeviceManager::setHue(long value) {
    setProperty(VideoProcAmp_Hue, value, false);
}
void CameraDeviceManager::setSaturation(long value) {
    setProperty(VideoProcAmp_Saturation, value, false);
}
void CameraDeviceManager::setSharpness(long value) {
    setProperty(VideoProcAmp_Sharpness, value, false);
}
void CameraDeviceManager::setGamma(long value) {
    setProperty(VideoProcAmp_Gamma, value, false);
}
void CameraDeviceManager::setWhiteBalance(long value, bool automatic) {
    setProperty(VideoProcAmp_WhiteBalance, value, automatic);
}
void CameraDeviceManager::setBacklightCompensation(long value) {
    setProperty(VideoProcAmp_BacklightCompensation, value, false);
}
void CameraDeviceManager::setGain(long value) {
    setProperty(VideoProcAmp_Gain, value, false);
}
void CameraDeviceManager::setPan(long value) {
    setCameraControl(CameraControl_Pan, value, false);
}
void CameraDeviceManager::setTilt(long value) {
    setCameraControl(CameraControl_Tilt, value, false);
}
void CameraDeviceManager::setRoll(long value) {
    setCameraControl(CameraControl_Roll, value, false);
}
void CameraDeviceManager::setZoom(long value) {
    setCameraControl(CameraControl_Zoom, value, false);
}
void CameraDeviceManager::setExposure(long value, bool automatic) {
    setCameraControl(CameraControl_Exposure, value, automatic);
}
void CameraDeviceManager::setFocus(long value, bool automatic) {
    setCameraControl(CameraControl_Focus, value, automatic);
}
void CameraDeviceManager::setLowLightCompensation(bool on) {
    setCameraControl(KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY, on ? 1 : 0, false);
}
