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

const QString kSentinelText = QStringLiteral("-10000");
const QString kTrueText = QStringLiteral("true");

// Numbers are written as `long` variants, which Qt's INI writer serialises the same way on every
// system; hand-edited files may hold plain text instead. Text that is not a number reads as 0.
long toLong(QVariant v) {
    if (v.userType() == QMetaType::Long)
        return v.value<long>();
    if (!v.convert(QMetaType::Long))
        return 0;
    return v.value<long>();
}

struct CameraDefault {
    long value;
    bool available;
};

// The camera layer zeroes the record before every read, so a failed read yields default 0 and
// available false; both are taken as they come. The power line's read reports whether the camera
// answered; without a stored choice the camera keeps its own, as a fixed 60 Hz would flicker on
// 50 Hz mains.
CameraDefault cameraDefault(const CameraSetting &s, const ControlEntry &control) {
    CameraDeviceManager *camera = CameraDeviceManager::instance();
    const QString path = s.defaultsCamera();
    if (control.family == PropertyFamily::PowerLine) {
        bool ok = true;
        const long value = path.isEmpty() ? camera->getPowerLineFrequency(&ok)
                                          : camera->getPowerLineFrequency(path, &ok);
        return {value, ok};
    }
    PropertyInfo info;
    info.id = control.id;
    path.isEmpty() ? camera->getControl(control.family, info)
                   : camera->getControl(path, control.family, info);
    return {info.defaultValue, info.available};
}

// A hand-written value with an unquoted comma comes back from the INI reader as a list; keep its
// text rather than treating it as empty.
QString storedText(const CameraSetting &s, const QString &key) {
    const QVariant v = s.value(key, QString());
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
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

long CameraSetting::controlValue(Control which, bool *companion) const {
    const ControlEntry &control = controlEntry(which);
    const bool emptyIsAbsent = control.storage != Storage::Number;
    const QVariant stored =
        value(QLatin1String(control.key), emptyIsAbsent ? QString() : kSentinelText);
    bool flag = true;
    if (control.companionKey)
        flag = value(QLatin1String(control.companionKey), kTrueText).toBool();
    const bool absent =
        emptyIsAbsent ? stored.toString().isEmpty() : toLong(stored) == kUseCameraDefault;
    if (!absent) {
        if (companion)
            *companion = flag;
        return control.storage == Storage::FlagOrEmpty ? stored.toBool() : toLong(stored);
    }
    const CameraDefault fallback = cameraDefault(*this, control);
    if (companion)
        *companion = control.companion == Companion::Automatic || fallback.available;
    return control.storage == Storage::FlagOrEmpty ? fallback.value != 0 : fallback.value;
}

void CameraSetting::setControlValue(Control which, long number, bool companion) {
    const ControlEntry &control = controlEntry(which);
    if (control.storage == Storage::FlagOrEmpty)
        setValue(QLatin1String(control.key), number != 0);
    else
        setValue(QLatin1String(control.key), QVariant::fromValue<long>(number));
    if (control.companionKey)
        setValue(QLatin1String(control.companionKey), companion);
}
