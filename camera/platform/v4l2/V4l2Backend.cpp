#include "V4l2Backend.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "UdevHandles.h"
#include "UdevHotplugMonitor.h"
#include "V4l2Device.h"
#include "VideoNode.h"

namespace v4l2backend {

namespace {

// video2 before video10.
long nodeNumber(const std::string &kernelName) {
    std::string::size_type digits = kernelName.find_first_of("0123456789");
    return digits == std::string::npos ? -1 : std::strtol(kernelName.c_str() + digits, nullptr, 10);
}

class V4l2Backend : public capture::Backend {
public:
    V4l2Backend() : m_context(newUdevContext()) {}

    const char *name() const override { return "v4l2"; }

    capture::Result enumerateVideoInputDevices(
        std::vector<std::shared_ptr<capture::Device>> &out) override {
        out.clear();
        m_inaccessible.clear();
        if (!m_context)
            return capture::kFail;
        UdevEnumerateHandle enumerate(udev_enumerate_new(m_context.get()));
        if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "video4linux") < 0 ||
            udev_enumerate_scan_devices(enumerate.get()) < 0)
            return capture::kFail;

        struct Found {
            std::string syspath;
            VideoNode node;
            NodeState state;
        };
        std::vector<Found> nodes;
        udev_list_entry *entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
            const char *syspath = udev_list_entry_get_name(entry);
            UdevDeviceHandle device(udev_device_new_from_syspath(m_context.get(), syspath));
            VideoNode node;
            const NodeState state =
                device ? describeVideoNode(device.get(), node) : NodeState::Other;
            if (state != NodeState::Other)
                nodes.push_back({syspath, std::move(node), state});
        }
        std::stable_sort(nodes.begin(), nodes.end(), [](const Found &a, const Found &b) {
            return nodeNumber(a.node.kernelName) < nodeNumber(b.node.kernelName);
        });
        // One entry per camera function, its first capture node; a function none of whose nodes
        // opens is reported once, by its first node.
        std::set<std::string> functions;
        for (NodeState wanted : {NodeState::Capture, NodeState::Unopenable}) {
            for (Found &found : nodes) {
                if (found.state != wanted || !functions.insert(found.node.functionKey).second)
                    continue;
                // Kept until the node's removal is reported; see deviceChanged.
                m_known[found.syspath] = {found.node.path, found.node.functionKey};
                if (wanted == NodeState::Capture)
                    out.push_back(std::make_shared<V4l2Device>(m_context, std::move(found.node)));
                else
                    m_inaccessible.push_back(inaccessible(found.node));
            }
        }
        return out.empty() ? capture::kFalse : capture::kOk;
    }

    std::vector<capture::InaccessibleDevice> inaccessibleDevices() const override {
        return m_inaccessible;
    }

    capture::NotificationHandle registerDeviceNotification(
        std::uintptr_t, capture::DeviceChangeSink *sink) override {
        if (!sink)
            return nullptr;
        if (!m_monitor) {
            m_monitor = UdevHotplugMonitor::create(
                m_context, [this](udev_device *device) { deviceChanged(device); });
            if (!m_monitor)
                return nullptr;
        }
        m_registrations.push_back(std::make_unique<Registration>(Registration{sink}));
        return m_registrations.back().get();
    }

    bool unregisterDeviceNotification(capture::NotificationHandle handle) override {
        auto it = std::find_if(m_registrations.begin(), m_registrations.end(),
                               [handle](const auto &r) { return r.get() == handle; });
        if (it == m_registrations.end())
            return false;
        m_registrations.erase(it);
        if (m_registrations.empty())
            m_monitor.reset();
        return true;
    }

    std::string captureDeviceName(const std::string &utf8Path) override {
        UdevDeviceHandle node = findNodeForPath(m_context.get(), utf8Path);
        const char *devnode = node ? udev_device_get_devnode(node.get()) : nullptr;
        return devnode ? devnode : std::string();
    }

private:
    struct Registration {
        capture::DeviceChangeSink *sink;
    };

    void deviceChanged(udev_device *device) {
        const char *action = udev_device_get_action(device);
        const char *syspath = udev_device_get_syspath(device);
        if (!action || !syspath)
            return;
        if (std::strcmp(action, "add") == 0) {
            // A node that cannot be opened is reported too: listing the cameras again is what
            // tells the user why it is missing.
            VideoNode node;
            if (describeVideoNode(device, node) == NodeState::Other)
                return;
            // Further nodes of a camera function already reported (a second stream) are not.
            const bool reported =
                std::none_of(m_known.begin(), m_known.end(), [&](const auto &known) {
                    return known.first != syspath && known.second.reported &&
                           known.second.functionKey == node.functionKey;
                });
            m_known[syspath] = {node.path, node.functionKey, reported};
            if (reported)
                notify(&capture::DeviceChangeSink::deviceArrived, node.path);
        } else if (std::strcmp(action, "remove") == 0) {
            // The node's USB parents are gone by now, so its path is the one kept when it was
            // seen. Nodes never seen as capture nodes (metadata nodes) are not reported.
            auto known = m_known.find(syspath);
            if (known == m_known.end())
                return;
            const KnownNode gone = known->second;
            m_known.erase(known);
            if (gone.reported)
                notify(&capture::DeviceChangeSink::deviceRemoved, gone.path);
        }
    }

    void notify(void (capture::DeviceChangeSink::*event)(const std::string &),
                const std::string &path) {
        // A sink may unregister (itself or another) while it is told; walk a snapshot.
        std::vector<capture::DeviceChangeSink *> sinks;
        for (const auto &registration : m_registrations)
            sinks.push_back(registration->sink);
        for (capture::DeviceChangeSink *sink : sinks)
            if (isRegistered(sink))
                (sink->*event)(path);
    }

    bool isRegistered(capture::DeviceChangeSink *sink) const {
        return std::any_of(m_registrations.begin(), m_registrations.end(),
                           [sink](const auto &r) { return r->sink == sink; });
    }

    struct KnownNode {
        std::string path;
        std::string functionKey;
        bool reported = true;  // its arrival was reported (the first node of its function)
    };

    static capture::InaccessibleDevice inaccessible(const VideoNode &node) {
        capture::InaccessibleDevice device;
        device.node = node.devnode;
        device.utf8Path = node.path;
        device.friendlyNames = node.friendlyNames;
        device.systemError = node.openError;
        device.systemErrorText = std::strerror(node.openError);
        return device;
    }

    UdevContext m_context;
    // Every capture node seen (or node that could not be opened), by sysfs path. Entries are
    // dropped only when the removal is reported: a new enumeration may already miss a node
    // whose removal event is still waiting to be read.
    std::map<std::string, KnownNode> m_known;
    std::vector<capture::InaccessibleDevice> m_inaccessible;
    std::vector<std::unique_ptr<Registration>> m_registrations;
    std::unique_ptr<UdevHotplugMonitor> m_monitor;
};

}  // namespace

}  // namespace v4l2backend

std::unique_ptr<capture::Backend> createV4l2Backend() {
    return std::make_unique<v4l2backend::V4l2Backend>();
}
