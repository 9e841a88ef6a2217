#include "ProfileApplier.h"

#include <QDir>
#include <algorithm>

#include "CameraDeviceManager.h"
#include "CameraSetting.h"
#include "CameraSettings.h"
#include "DeviceIdentification.h"

namespace {

const QString kStandardProfile = QStringLiteral("Standard Profile");

// Absent values become the camera's defaults; controls the profile marks as not enabled stay as
// the camera has them.
void applyControl(const ControlEntry &control, CameraSetting &record, const QString &path) {
    CameraDeviceManager *camera = CameraDeviceManager::instance();
    bool flag = true;
    long value = record.controlValue(control.control, &flag);
    if (control.companion == Companion::Enabled && !flag)
        return;
    if (control.family == PropertyFamily::PowerLine) {
        camera->setPowerLineFrequency(path, powerLineChoice(value));
        return;
    }
    if (control.storage != Storage::FlagOrEmpty) {
        // The pages' sliders hold a value within the camera's range; so does this camera.
        PropertyInfo range;
        range.id = control.id;
        if (camera->getControl(path, control.family, range) && range.min <= range.max)
            value = std::clamp(value, range.min, range.max);
    }
    camera->setControl(path, control.family, control.id, value,
                       control.companion == Companion::Automatic && flag);
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
    for (const ControlEntry &control : kControls)
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
