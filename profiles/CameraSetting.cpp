#include "CameraSetting.h"

#include <QFileInfo>
#include <QMetaType>
#include <QStringList>
#include <QVariant>

#include "CameraDeviceManager.h"

namespace {

const QString kVid = QStringLiteral("vid");
const QString kPid = QStringLiteral("pid");
const QString kProfileName = QStringLiteral("profilename");

const QString kBrightness = QStringLiteral("VideoProcAmp/brightness");
const QString kContrast = QStringLiteral("VideoProcAmp/contrast");
const QString kHue = QStringLiteral("VideoProcAmp/hue");
const QString kSaturation = QStringLiteral("VideoProcAmp/saturation");
const QString kSharpness = QStringLiteral("VideoProcAmp/sharpness");
const QString kGamma = QStringLiteral("VideoProcAmp/gamma");
const QString kGammaEnabled = QStringLiteral("VideoProcAmp/gammaenabled");
const QString kWhiteBalance = QStringLiteral("VideoProcAmp/whitebalance");
const QString kWhiteBalanceAuto = QStringLiteral("VideoProcAmp/whitebalanceauto");
const QString kBacklight = QStringLiteral("VideoProcAmp/backlightcompensation");
const QString kBacklightEnabled = QStringLiteral("VideoProcAmp/backlightcompensationEnabled");
const QString kGain = QStringLiteral("VideoProcAmp/gain");
const QString kGainEnabled = QStringLiteral("VideoProcAmp/gainenabled");
const QString kPowerLine = QStringLiteral("VideoProcAmp/powerlinefrequency");
const QString kPowerLineEnabled = QStringLiteral("VideoProcAmp/powerlinefrequencyenabled");
const QString kPan = QStringLiteral("CameraControl/pan");
const QString kPanEnabled = QStringLiteral("CameraControl/panenabled");
const QString kTilt = QStringLiteral("CameraControl/tilt");
const QString kTiltEnabled = QStringLiteral("CameraControl/tiltenabled");
const QString kRoll = QStringLiteral("CameraControl/roll");
const QString kRollEnabled = QStringLiteral("CameraControl/rollenabled");
const QString kZoom = QStringLiteral("CameraControl/zoom");
const QString kZoomEnabled = QStringLiteral("CameraControl/zoomenabled");
const QString kExposure = QStringLiteral("CameraControl/exposure");
const QString kExposureAuto = QStringLiteral("CameraControl/exposureauto");
const QString kFocus = QStringLiteral("CameraControl/focus");
const QString kFocusAuto = QStringLiteral("CameraControl/focusauto");
const QString kLowLight = QStringLiteral("CameraControl/lowlightcompensation");

const QString kSentinelText = QStringLiteral("-10000");
const QString kTrueText = QStringLiteral("true");

enum class Family { ImageControl, CameraControl };

struct Property {
    Family family;
    int id;
};

// Numbers are written as `long` variants, which Qt's INI writer serialises the same way on every
// system; hand-edited files may hold plain text instead. Text that is not a number reads as 0.
long toLong(QVariant v) {
    if (v.userType() == QMetaType::Long)
        return v.value<long>();
    if (!v.convert(QMetaType::Long))
        return 0;
    return v.value<long>();
}

// The camera layer zeroes the record before every read, so a failed read yields default 0 and
// available false; both are taken as they come.
PropertyInfo queryCamera(const CameraSetting &s, Property property) {
    PropertyInfo info;
    info.id = property.id;
    CameraDeviceManager *camera = CameraDeviceManager::instance();
    const QString path = s.defaultsCamera();
    if (property.family == Family::ImageControl)
        path.isEmpty() ? camera->getProperty(info) : camera->getProperty(path, info);
    else
        path.isEmpty() ? camera->getCameraControlInfo(info)
                       : camera->getCameraControlInfo(path, info);
    return info;
}

enum class Companion { Enabled, Automatic };

// Shared by the getters of every number that has a companion flag.
long numberWithCompanion(const CameraSetting &s, const QString &key, const QString &companionKey,
                         Property property, Companion companion, bool *flag) {
    const long stored = toLong(s.value(key, kSentinelText));
    *flag = s.value(companionKey, kTrueText).toBool();
    if (stored != CameraSetting::kUseCameraDefault)
        return stored;
    const PropertyInfo info = queryCamera(s, property);
    *flag = companion == Companion::Enabled ? info.available : true;
    return info.defaultValue;
}

long plainNumber(const CameraSetting &s, const QString &key, Property property) {
    const long stored = toLong(s.value(key, kSentinelText));
    if (stored != CameraSetting::kUseCameraDefault)
        return stored;
    return queryCamera(s, property).defaultValue;
}

// A hand-written value with an unquoted comma comes back from the INI reader as a list; keep its
// text rather than treating it as empty.
QString storedText(const CameraSetting &s, const QString &key) {
    const QVariant v = s.value(key, QString());
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void setNumber(CameraSetting &s, const QString &key, long value) {
    s.setValue(key, QVariant::fromValue<long>(value));
}

void setNumberWithFlag(CameraSetting &s, const QString &key, long value, const QString &flagKey,
                       bool flag) {
    setNumber(s, key, value);
    s.setValue(flagKey, flag);
}

}  // namespace

CameraSetting::CameraSetting(const QString &filePath)
    : IniSettings(filePath), m_filePath(filePath) {}

QString CameraSetting::vid() const {
    return storedText(*this, kVid);
}
void CameraSetting::setVid(const QString &vid) {
    setValue(kVid, vid);
}
QString CameraSetting::pid() const {
    return storedText(*this, kPid);
}
void CameraSetting::setPid(const QString &pid) {
    setValue(kPid, pid);
}

QString CameraSetting::storedProfileName() const {
    return storedText(*this, kProfileName);
}

QString CameraSetting::profileName() {
    if (!contains(kProfileName))
        return QString();
    const QString stored = storedText(*this, kProfileName);
    if (!stored.isEmpty())
        return stored;

    QString name = tr("Unnamed Profile");
    const QStringList parts =
        QFileInfo(m_filePath).fileName().split(QLatin1Char('_'), Qt::SkipEmptyParts);
    if (parts.size() == 2)
        name = QStringLiteral("%1 %2").arg(name, parts.first());
    setProfileName(name);
    sync();
    return name;
}

void CameraSetting::setProfileName(const QString &name) {
    setValue(kProfileName, name);
}

long CameraSetting::brightness() const {
    return plainNumber(*this, kBrightness, {Family::ImageControl, VideoProcAmp_Brightness});
}
void CameraSetting::setBrightness(long value) {
    setNumber(*this, kBrightness, value);
}

long CameraSetting::contrast() const {
    return plainNumber(*this, kContrast, {Family::ImageControl, VideoProcAmp_Contrast});
}
void CameraSetting::setContrast(long value) {
    setNumber(*this, kContrast, value);
}

long CameraSetting::hue() const {
    return plainNumber(*this, kHue, {Family::ImageControl, VideoProcAmp_Hue});
}
void CameraSetting::setHue(long value) {
    setNumber(*this, kHue, value);
}

long CameraSetting::saturation() const {
    return plainNumber(*this, kSaturation, {Family::ImageControl, VideoProcAmp_Saturation});
}
void CameraSetting::setSaturation(long value) {
    setNumber(*this, kSaturation, value);
}

long CameraSetting::sharpness() const {
    return plainNumber(*this, kSharpness, {Family::ImageControl, VideoProcAmp_Sharpness});
}
void CameraSetting::setSharpness(long value) {
    setNumber(*this, kSharpness, value);
}

long CameraSetting::gamma(bool *enabled) const {
    return numberWithCompanion(*this, kGamma, kGammaEnabled,
                               {Family::ImageControl, VideoProcAmp_Gamma}, Companion::Enabled,
                               enabled);
}
void CameraSetting::setGamma(long value, bool enabled) {
    setNumberWithFlag(*this, kGamma, value, kGammaEnabled, enabled);
}

long CameraSetting::gain(bool *enabled) const {
    return numberWithCompanion(*this, kGain, kGainEnabled,
                               {Family::ImageControl, VideoProcAmp_Gain}, Companion::Enabled,
                               enabled);
}
void CameraSetting::setGain(long value, bool enabled) {
    setNumberWithFlag(*this, kGain, value, kGainEnabled, enabled);
}

// Unlike every other number, an absent backlight value is told by empty text, so a stored
// -10000 is a value of its own here.
long CameraSetting::backlightCompensation(bool *enabled) const {
    const QVariant stored = value(kBacklight, QString());
    *enabled = value(kBacklightEnabled, kTrueText).toBool();
    if (stored.toString().isEmpty()) {
        const PropertyInfo info =
            queryCamera(*this, {Family::ImageControl, VideoProcAmp_BacklightCompensation});
        *enabled = info.available;
        return info.defaultValue;
    }
    return toLong(stored);
}
void CameraSetting::setBacklightCompensation(long value, bool enabled) {
    setNumberWithFlag(*this, kBacklight, value, kBacklightEnabled, enabled);
}

long CameraSetting::powerLineFrequency(bool *enabled) const {
    const long stored = toLong(value(kPowerLine, kSentinelText));
    *enabled = value(kPowerLineEnabled, kTrueText).toBool();
    if (stored != kUseCameraDefault)
        return stored;
    // Without a stored choice the camera keeps its own: a fixed 60 Hz would flicker on 50 Hz mains.
    CameraDeviceManager *camera = CameraDeviceManager::instance();
    return m_defaultsCamera.isEmpty() ? camera->getPowerLineFrequency(enabled)
                                      : camera->getPowerLineFrequency(m_defaultsCamera, enabled);
}
void CameraSetting::setPowerLineFrequency(long value, bool enabled) {
    setNumberWithFlag(*this, kPowerLine, value, kPowerLineEnabled, enabled);
}

long CameraSetting::pan(bool *enabled) const {
    return numberWithCompanion(*this, kPan, kPanEnabled, {Family::CameraControl, CameraControl_Pan},
                               Companion::Enabled, enabled);
}
void CameraSetting::setPan(long value, bool enabled) {
    setNumberWithFlag(*this, kPan, value, kPanEnabled, enabled);
}

long CameraSetting::tilt(bool *enabled) const {
    return numberWithCompanion(*this, kTilt, kTiltEnabled,
                               {Family::CameraControl, CameraControl_Tilt}, Companion::Enabled,
                               enabled);
}
void CameraSetting::setTilt(long value, bool enabled) {
    setNumberWithFlag(*this, kTilt, value, kTiltEnabled, enabled);
}

long CameraSetting::roll(bool *enabled) const {
    return numberWithCompanion(*this, kRoll, kRollEnabled,
                               {Family::CameraControl, CameraControl_Roll}, Companion::Enabled,
                               enabled);
}
void CameraSetting::setRoll(long value, bool enabled) {
    setNumberWithFlag(*this, kRoll, value, kRollEnabled, enabled);
}

long CameraSetting::zoom(bool *enabled) const {
    return numberWithCompanion(*this, kZoom, kZoomEnabled,
                               {Family::CameraControl, CameraControl_Zoom}, Companion::Enabled,
                               enabled);
}
void CameraSetting::setZoom(long value, bool enabled) {
    setNumberWithFlag(*this, kZoom, value, kZoomEnabled, enabled);
}

long CameraSetting::whiteBalance(bool *automatic) const {
    return numberWithCompanion(*this, kWhiteBalance, kWhiteBalanceAuto,
                               {Family::ImageControl, VideoProcAmp_WhiteBalance},
                               Companion::Automatic, automatic);
}
void CameraSetting::setWhiteBalance(long value, bool automatic) {
    setNumberWithFlag(*this, kWhiteBalance, value, kWhiteBalanceAuto, automatic);
}

long CameraSetting::exposure(bool *automatic) const {
    return numberWithCompanion(*this, kExposure, kExposureAuto,
                               {Family::CameraControl, CameraControl_Exposure},
                               Companion::Automatic, automatic);
}
void CameraSetting::setExposure(long value, bool automatic) {
    setNumberWithFlag(*this, kExposure, value, kExposureAuto, automatic);
}

long CameraSetting::focus(bool *automatic) const {
    return numberWithCompanion(*this, kFocus, kFocusAuto,
                               {Family::CameraControl, CameraControl_Focus}, Companion::Automatic,
                               automatic);
}
void CameraSetting::setFocus(long value, bool automatic) {
    setNumberWithFlag(*this, kFocus, value, kFocusAuto, automatic);
}

bool CameraSetting::lowLightCompensation() const {
    const QVariant stored = value(kLowLight, QString());
    if (stored.toString().isEmpty())
        return queryCamera(*this,
                           {Family::CameraControl, KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY})
                   .defaultValue != 0;
    return stored.toBool();
}
void CameraSetting::setLowLightCompensation(bool on) {
    setValue(kLowLight, on);
}
