#pragma once

// Listens to udev's video4linux events ("udev" events: sent after udev has set the node up) and
// hands each one to a callback on the thread that created the monitor, through the event loop.

#include <functional>
#include <memory>

#include "UdevHandles.h"

class QSocketNotifier;

namespace v4l2backend {

class UdevHotplugMonitor {
public:
    using EventHandler = std::function<void(udev_device *device)>;

    // Null when the monitor cannot be set up (no netlink access, for instance).
    static std::unique_ptr<UdevHotplugMonitor> create(const UdevContext &context,
                                                      EventHandler handler);
    ~UdevHotplugMonitor();

private:
    UdevHotplugMonitor(UdevMonitorHandle monitor, EventHandler handler);
    void readPendingEvents();

    UdevMonitorHandle m_monitor;
    EventHandler m_handler;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace v4l2backend
