#include "SimulatedBackend.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <cstdio>

#include "SimulatedCameraFile.h"
#include "SimulatedCameraSet.h"
#include "SimulatedDevice.h"

namespace {

constexpr char kMonikerPrefix[] = "@device:pnp:";
// Editors and scripts write a file in several steps; changes closer together than this are read
// once.
constexpr int kSettleMs = 30;

class SimulatedBackend : public capture::Backend {
public:
    explicit SimulatedBackend(const QString &jsonPath) : m_jsonPath(jsonPath) {
        if (m_jsonPath.isEmpty()) {
            m_cameras.replace(builtInSimulatedCameras());
            return;
        }
        reload();
        startWatching();
    }

    const char *name() const override { return "simulated"; }

    capture::Result enumerateVideoInputDevices(
        std::vector<std::shared_ptr<capture::Device>> &out) override {
        startWatching();
        out.clear();
        if (m_cameras.cameras().empty())
            return capture::kFalse;
        for (const auto &camera : m_cameras.cameras())
            out.push_back(std::make_shared<SimulatedDevice>(camera));
        return capture::kOk;
    }

    capture::NotificationHandle registerDeviceNotification(
        std::uintptr_t, capture::DeviceChangeSink *sink) override {
        if (!sink)
            return nullptr;
        startWatching();
        m_sink = sink;
        return this;
    }

    bool unregisterDeviceNotification(capture::NotificationHandle handle) override {
        if (handle != this || !m_sink)
            return false;
        m_sink = nullptr;
        return true;
    }

private:
    void startWatching() {
        if (m_jsonPath.isEmpty() || m_watcher || !QCoreApplication::instance())
            return;
        m_watcher = std::make_unique<QFileSystemWatcher>();
        m_settle.setSingleShot(true);
        m_settle.setInterval(kSettleMs);
        QObject::connect(&m_settle, &QTimer::timeout, [this] { reload(); });
        auto changed = [this](const QString &) {
            watchFile();
            m_settle.start();
        };
        QObject::connect(m_watcher.get(), &QFileSystemWatcher::fileChanged, changed);
        QObject::connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, changed);
        // The folder is watched too: a file replaced by a rename is a new file the old watch
        // does not follow, and a missing file may appear later.
        const QString folder = QFileInfo(m_jsonPath).absolutePath();
        if (QFileInfo(folder).isDir())
            m_watcher->addPath(folder);
        watchFile();
        // A change between the first read and the start of the watch would otherwise be lost.
        m_settle.start();
    }

    void watchFile() {
        if (!m_watcher->files().contains(m_jsonPath) && QFileInfo::exists(m_jsonPath))
            m_watcher->addPath(m_jsonPath);
    }

    void reload() {
        SimulatedCameraLoad load = loadSimulatedCameraFile(m_jsonPath);
        if (!load.ok) {
            // A broken or missing file leaves the cameras as they were; it is reported once
            // until it changes.
            if (load.error != m_lastError) {
                std::fprintf(stderr, "tintwell: simulated cameras: %s\n", qPrintable(load.error));
                std::fflush(stderr);
            }
            m_lastError = load.error;
            return;
        }
        m_lastError.clear();
        replaceCameras(std::move(load.cameras));
    }

    void replaceCameras(std::vector<SimulatedCamera> described) {
        const SimulatedCameraSet::Changes changes = m_cameras.replace(std::move(described));
        for (const std::string &path : changes.left)
            if (m_sink)
                m_sink->deviceRemoved(simulatedNotificationPath(path));
        for (const std::string &path : changes.arrived)
            if (m_sink)
                m_sink->deviceArrived(simulatedNotificationPath(path));
    }

    const QString m_jsonPath;
    SimulatedCameraSet m_cameras;
    capture::DeviceChangeSink *m_sink = nullptr;
    std::unique_ptr<QFileSystemWatcher> m_watcher;
    QTimer m_settle;
    QString m_lastError;
};

}  // namespace

std::string simulatedNotificationPath(const std::string &devicePath) {
    QString interfaceName = QString::fromStdString(devicePath);
    if (interfaceName.startsWith(QLatin1String(kMonikerPrefix), Qt::CaseInsensitive))
        interfaceName = interfaceName.mid(int(sizeof kMonikerPrefix) - 1);
    return (QLatin1String(kMonikerPrefix) + interfaceName.toUpper()).toStdString();
}

std::unique_ptr<capture::Backend> createSimulatedBackend(const QString &jsonPath) {
    return std::make_unique<SimulatedBackend>(jsonPath);
}
