#include "ProfileApplier.h"

#include <QDir>
#include <algorithm>

#include "CameraDeviceManager.h"
#include "CameraSetting.h"
#include "CameraSettings.h"
#include "DeviceIdentification.h"

namespace {

const QString kStandardProfile = QStringLiteral("Standard Profile");

enum class Family { ImageControl, CameraControl };
enum class Flag { None, Enabled, Automatic };

struct Control {
    Family family;
    int id;
    Flag flag;
    long (*read)(const CameraSetting &record, bool *flag);
};

// In the order the pages apply them: the image controls, then power line and low-light
// compensation, then the camera controls.
const Control kImageControls[] = {
    {Family::ImageControl, VideoProcAmp_Brightness, Flag::None,
     [](const CameraSetting &s, bool *) { return s.brightness(); }},
    {Family::ImageControl, VideoProcAmp_Contrast, Flag::None,
     [](const CameraSetting &s, bool *) { return s.contrast(); }},
    {Family::ImageControl, VideoProcAmp_Hue, Flag::None,
     [](const CameraSetting &s, bool *) { return s.hue(); }},
    {Family::ImageControl, VideoProcAmp_Saturation, Flag::None,
     [](const CameraSetting &s, bool *) { return s.saturation(); }},
    {Family::ImageControl, VideoProcAmp_Sharpness, Flag::None,
     [](const CameraSetting &s, bool *) { return s.sharpness(); }},
    {Family::ImageControl, VideoProcAmp_Gamma, Flag::Enabled,
     [](const CameraSetting &s, bool *f) { return s.gamma(f); }},
    {Family::ImageControl, VideoProcAmp_BacklightCompensation, Flag::Enabled,
     [](const CameraSetting &s, bool *f) { return s.backlightCompensation(f); }},
    {Family::ImageControl, VideoProcAmp_Gain, Flag::Enabled,
     [](const CameraSetting &s, bool *f) { return s.gain(f); }},
};

const Control kCameraControls[] = {
    {Family::CameraControl, CameraControl_Focus, Flag::Automatic,
     [](const CameraSetting &s, bool *f) { return s.focus(f); }},
    {Family::CameraControl, CameraControl_Zoom, Flag::Enabled,
     [](const CameraSetting &s, bool *f) { return s.zoom(f); }},
    {Family::CameraControl, CameraControl_Pan, Flag::Enabled,
     [](const CameraSetting &s, bool *f) { return s.pan(f); }},
    {Family::CameraControl, CameraControl_Tilt, Flag::Enabled,
     [](const CameraSetting &s, bool *f) { return s.tilt(f); }},
    {Family::CameraControl, CameraControl_Roll, Flag::Enabled,
     [](const CameraSetting &s, bool *f) { return s.roll(f); }},
    {Family::ImageControl, VideoProcAmp_WhiteBalance, Flag::Automatic,
     [](const CameraSetting &s, bool *f) { return s.whiteBalance(f); }},
    {Family::CameraControl, CameraControl_Exposure, Flag::Automatic,
     [](const CameraSetting &s, bool *f) { return s.exposure(f); }},
};

void applyControl(const Control &control, CameraSetting &record, const QString &path) {
    CameraDeviceManager *camera = CameraDeviceManager::instance();
    bool flag = control.flag != Flag::Automatic;
    long value = control.read(record, &flag);
    if (control.flag == Flag::Enabled && !flag)
        return;
    const bool automatic = control.flag == Flag::Automatic && flag;
    // The pages' sliders hold a value within the camera's range; so does this camera.
    PropertyInfo range;
    range.id = control.id;
    const bool ranged = control.family == Family::ImageControl
                            ? camera->getProperty(path, range)
                            : camera->getCameraControlInfo(path, range);
    if (ranged && range.min <= range.max)
        value = std::clamp(value, range.min, range.max);
    if (control.family == Family::ImageControl)
        camera->setProperty(path, VideoProcAmpProperty(control.id), value, automatic);
    else
        camera->setCameraControl(path, CameraControlProperty(control.id), value, automatic);
}

QString activeProfileFile(const QString &vid, const QString &pid) {
    QString name = CameraSettings::instance()->activeProfileName(vid, pid);
    if (name.isEmpty())
        name = kStandardProfile;
    // As the store loads them: the first file of a name in name order is the profile.
    const QFileInfoList files =
        QDir(CameraSettings::profileDirPath(vid, pid))
            .entryInfoList({QStringLiteral("*.ini")}, QDir::Files | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo &file : files)
        if (CameraSetting(file.absoluteFilePath()).storedProfileName() == name)
            return file.absoluteFilePath();
    return QString();
}

}  // namespace

void applyProfile(CameraSetting &record, const QString &devicePath) {
    const QString previous = record.defaultsCamera();
    record.setDefaultsCamera(devicePath);
    CameraDeviceManager *camera = CameraDeviceManager::instance();
    for (const Control &control : kImageControls)
        applyControl(control, record, devicePath);
    bool enabled = true;
    const long powerLine = record.powerLineFrequency(&enabled);
    if (enabled)
        camera->setPowerLineFrequency(devicePath,
                                      powerLine >= PowerLine_Disabled && powerLine <= PowerLine_60Hz
                                          ? powerLine
                                          : long(PowerLine_Auto));
    camera->setCameraControl(devicePath, KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY,
                             record.lowLightCompensation() ? 1 : 0, false);
    for (const Control &control : kCameraControls)
        applyControl(control, record, devicePath);
    record.setDefaultsCamera(previous);
}

void applyActiveProfile(const QString &devicePath) {
    QString vid, pid;
    if (!parseVidPid(devicePath, &vid, &pid))
        return;
    // Without a file every value is absent, so the camera's defaults stand in.
    CameraSetting record(activeProfileFile(vid, pid));
    applyProfile(record, devicePath);
}

void applyActiveProfilesBesideShown(const QStringList &skipped) {
    CameraDeviceManager *camera = CameraDeviceManager::instance();
    const QString shown = camera->currentDevicePath();
    QStringList paths;
    for (int i = 0; i < camera->count(); ++i)
        paths << camera->devicePath(i);
    for (const QString &path : qAsConst(paths))
        if (path.compare(shown, Qt::CaseInsensitive) != 0 &&
            !skipped.contains(path, Qt::CaseInsensitive))
            applyActiveProfile(path);
}
