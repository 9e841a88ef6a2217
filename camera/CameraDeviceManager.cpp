// The device list, the selection, the device-change registration and the property operations,
// which act on the selected camera or on the listed camera of a path.

#include "CameraDeviceManager.h"

#include <QDebug>
#include <QSet>

#include "CameraPropertyAccess.h"
#include "CaptureBackendFactory.h"
#include "DeviceIdentification.h"
#include "ExternalLogger.h"

CameraDeviceManager *CameraDeviceManager::instance() {
    static CameraDeviceManager *manager = new CameraDeviceManager(createCaptureBackend());
    return manager;
}

CameraDeviceManager::CameraDeviceManager(std::unique_ptr<capture::Backend> backend)
    : m_backend(std::move(backend)) {}

void CameraDeviceManager::setBackend(std::unique_ptr<capture::Backend> backend) {
    // A registration belongs to the backend that made it.
    unregisterDeviceNotification();
    m_notificationHandle = nullptr;
    clearDevices();
    m_inaccessibleCameras.clear();
    m_currentIndex = -1;
    m_backend = std::move(backend);
}

namespace {

// The name under which a device is listed: the first of its names that a supported model goes
// by, provided its product id is supported; empty when it is not to be listed.
QString supportedName(const QString &path, const std::vector<std::string> &utf8Names) {
    QString vid, pid;
    if (!parseVidPid(path, &vid, &pid) || !isSupportedPid(pid))
        return QString();
    for (const std::string &utf8Name : utf8Names) {
        const QString name = QString::fromStdString(utf8Name);
        if (isSupportedFriendlyName(name))
            return name;
    }
    return QString();
}

}  // namespace

int CameraDeviceManager::enumerateDevices() {
    clearDevices();
    m_inaccessibleCameras.clear();
    std::vector<std::shared_ptr<capture::Device>> found;
    const capture::Result enumerated =
        m_backend ? m_backend->enumerateVideoInputDevices(found) : capture::kFail;
    if (m_backend)
        noteInaccessibleDevices();
    if (enumerated != capture::kOk)
        return -1;
    QSet<QString> listed;  // a hash, so that long lists are not searched once per device
    for (const std::shared_ptr<capture::Device> &device : found) {
        std::string utf8Path;
        std::vector<std::string> utf8Names;
        if (!device || device->displayName(utf8Path) != capture::kOk)
            continue;
        if (device->friendlyNames(utf8Names) != capture::kOk)
            continue;
        const QString path = QString::fromStdString(utf8Path);
        const QString name = supportedName(path, utf8Names);
        if (name.isEmpty())
            continue;
        if (!listed.contains(path)) {
            listed.insert(path);
            m_devices.append(CameraDevice{path, name, device});
        }
    }
    return count();
}

void CameraDeviceManager::noteInaccessibleDevices() {
    for (const capture::InaccessibleDevice &device : m_backend->inaccessibleDevices()) {
        const QString node = QString::fromStdString(device.node);
        const QString error = QString::fromStdString(device.systemErrorText);
        qDebug() << "cannot open camera device:" << node << device.systemError << error;
        logToExternal(QStringLiteral("cannot open camera device %1: %2 (errno %3)")
                          .arg(node, error)
                          .arg(device.systemError));
        const QString name =
            supportedName(QString::fromStdString(device.utf8Path), device.friendlyNames);
        if (!name.isEmpty())
            m_inaccessibleCameras << name;
    }
}

QString CameraDeviceManager::friendlyName(int index) const {
    if (index < 0 || index >= count())
        return QString();
    const CameraDevice &entry = m_devices.at(index);
    // Names are matched the way the supported-name list matches them.
    const QString name = entry.friendlyName.trimmed();
    int before = 0;
    for (const CameraDevice &other : m_devices)
        if (other.friendlyName.trimmed().compare(name, Qt::CaseInsensitive) == 0 &&
            other.path.compare(entry.path, Qt::CaseInsensitive) < 0)
            ++before;
    if (before == 0)
        return entry.friendlyName;
    return QStringLiteral("%1 (%2)").arg(entry.friendlyName).arg(before + 1);
}

QString CameraDeviceManager::devicePath(int index) const {
    return index >= 0 && index < count() ? m_devices.at(index).path : QString();
}

QString CameraDeviceManager::currentDevicePath() const {
    return devicePath(m_currentIndex);
}

void CameraDeviceManager::setCurrentIndex(int index) {
    if (index != m_currentIndex && index >= 0 && index < count())
        m_currentIndex = index;
}

void CameraDeviceManager::selectByPath(const QString &path) {
    const QString wanted = path.toLower();
    for (int i = 0; i < count(); ++i) {
        const QString entry = m_devices.at(i).path.toLower();
        qDebug() << "===1====" << wanted;
        qDebug() << "===2====" << entry;
        if (wanted == entry) {
            setCurrentIndex(i);
            return;
        }
    }
}

void CameraDeviceManager::selectByVidPid(const QString &vid, const QString &pid) {
    for (int i = 0; i < count(); ++i) {
        QString entryVid, entryPid;
        parseVidPid(m_devices.at(i).path, &entryVid, &entryPid);
        qDebug() << "tvid, tpid" << entryVid << entryPid << ", (vid,pid):" << vid << pid;
        if (entryVid == vid && entryPid == pid) {
            setCurrentIndex(i);
            return;
        }
    }
}

void CameraDeviceManager::removeByPath(const QString &path) {
    const QString wanted = path.toLower();
    for (int i = 0; i < count(); ++i) {
        if (m_devices.at(i).path.toLower() == wanted) {
            removeAt(i);
            m_currentIndex = count() - 1;
            return;
        }
    }
}

void CameraDeviceManager::removeAt(int index) {
    if (index >= 0 && index < count())
        m_devices.remove(index);
}

void CameraDeviceManager::clearDevices() {
    m_devices.clear();
}

bool CameraDeviceManager::registerDeviceNotification(quintptr window) {
    if (!m_backend)
        return false;
    // A second registration replaces the first instead of leaking it.
    if (m_notificationHandle)
        unregisterDeviceNotification();
    m_notificationHandle = m_backend->registerDeviceNotification(window, this);
    return m_notificationHandle != nullptr;
}

bool CameraDeviceManager::unregisterDeviceNotification() {
    if (!m_notificationHandle)
        return true;
    const bool ok = m_backend && m_backend->unregisterDeviceNotification(m_notificationHandle);
    if (ok)
        m_notificationHandle = nullptr;
    return ok;
}

QString CameraDeviceManager::captureDeviceName(const QString &path) const {
    if (!m_backend)
        return QString();
    return QString::fromStdString(m_backend->captureDeviceName(path.toStdString()));
}

void CameraDeviceManager::deviceArrived(const std::string &utf8Path) {
    emit deviceArrival(QString::fromStdString(utf8Path));
}

void CameraDeviceManager::deviceRemoved(const std::string &utf8Path) {
    emit deviceRemoval(QString::fromStdString(utf8Path));
}

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

bool CameraDeviceManager::getControl(PropertyFamily family, PropertyInfo &info) {
    return readControl(currentDevice(), family, info);
}

void CameraDeviceManager::setControl(PropertyFamily family, int id, long value, bool automatic) {
    writeControl(currentDevice(), family, id, value, automatic);
}

bool CameraDeviceManager::getControl(const QString &path, PropertyFamily family,
                                     PropertyInfo &info) {
    return readControl(deviceOf(path), family, info);
}

void CameraDeviceManager::setControl(const QString &path, PropertyFamily family, int id, long value,
                                     bool automatic) {
    writeControl(deviceOf(path), family, id, value, automatic);
}

long CameraDeviceManager::getPowerLineFrequency(bool *ok) {
    return readPowerLine(currentDevice(), ok);
}

bool CameraDeviceManager::setPowerLineFrequency(long value) {
    return writePowerLine(currentDevice(), value);
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
