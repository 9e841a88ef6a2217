#include "CameraPropertyAccess.h"

#include <QDebug>
#include <QElapsedTimer>
#include <algorithm>
#include <limits>
#include <vector>

#include "ExternalLogger.h"
#include "PowerLineData.h"
#include "PropertyNames.h"

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

const ControlFamilyAccess &accessOf(PropertyFamily family) {
    return family == PropertyFamily::VideoProcAmp ? kVideoProcAmp : kCameraControl;
}

std::unique_ptr<capture::KsPropertySet> openKsPropertySet(
    const std::shared_ptr<capture::Device> &device, std::unique_ptr<capture::BoundDevice> &bound) {
    std::unique_ptr<capture::KsPropertySet> properties;
    if (device && device->bind(bound) == capture::kOk && bound &&
        bound->queryKsPropertySet(properties) != capture::kOk)
        properties.reset();
    return properties;
}

}  // namespace

bool readControl(const std::shared_ptr<capture::Device> &device, PropertyFamily family,
                 PropertyInfo &info) {
    const ControlFamilyAccess &access = accessOf(family);
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

void writeControl(const std::shared_ptr<capture::Device> &device, PropertyFamily family, int id,
                  long value, bool automatic) {
    const ControlFamilyAccess &access = accessOf(family);
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
