#include "UdevHotplugMonitor.h"

#include <QSocketNotifier>

namespace v4l2backend {

std::unique_ptr<UdevHotplugMonitor> UdevHotplugMonitor::create(const UdevContext &context,
                                                               EventHandler handler) {
    if (!context)
        return nullptr;
    UdevMonitorHandle monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
    if (!monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "video4linux", nullptr) <
            0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0 || udev_monitor_get_fd(monitor.get()) < 0)
        return nullptr;
    return std::unique_ptr<UdevHotplugMonitor>(
        new UdevHotplugMonitor(std::move(monitor), std::move(handler)));
}

UdevHotplugMonitor::UdevHotplugMonitor(UdevMonitorHandle monitor, EventHandler handler)
    : m_monitor(std::move(monitor)), m_handler(std::move(handler)) {
    m_notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(m_monitor.get()),
                                                   QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated,
                     [this] { readPendingEvents(); });
}

UdevHotplugMonitor::~UdevHotplugMonitor() {
    // A handler may end the registration from inside the notifier's own signal (a removal that
    // leads, through a nested event loop, to the program's exit): the notifier goes quiet now and
    // away once the event loop is back.
    m_notifier->setEnabled(false);
    QObject::disconnect(m_notifier.get(), nullptr, nullptr, nullptr);
    m_notifier.release()->deleteLater();
    *m_alive = false;
}

void UdevHotplugMonitor::readPendingEvents() {
    // Held here, not through `this`, since a handler may end the monitor.
    std::shared_ptr<bool> alive = m_alive;
    EventHandler handler = m_handler;
    // The socket does not block: this drains what has arrived and returns.
    while (UdevDeviceHandle device{udev_monitor_receive_device(m_monitor.get())}) {
        handler(device.get());
        if (!*alive)
            return;
    }
}

}  // namespace v4l2backend
