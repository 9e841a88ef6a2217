#pragma once

// Owning handles for libudev objects.

#include <libudev.h>

#include <memory>

namespace v4l2backend {

struct UdevUnref {
    void operator()(udev *p) const { udev_unref(p); }
    void operator()(udev_device *p) const { udev_device_unref(p); }
    void operator()(udev_enumerate *p) const { udev_enumerate_unref(p); }
    void operator()(udev_monitor *p) const { udev_monitor_unref(p); }
};

// Shared by the backend, its devices and its monitor; the devices may outlive the backend.
using UdevContext = std::shared_ptr<udev>;
using UdevDeviceHandle = std::unique_ptr<udev_device, UdevUnref>;
using UdevEnumerateHandle = std::unique_ptr<udev_enumerate, UdevUnref>;
using UdevMonitorHandle = std::unique_ptr<udev_monitor, UdevUnref>;

inline UdevContext newUdevContext() {
    udev *context = udev_new();
    return context ? UdevContext(context, UdevUnref()) : UdevContext();
}

}  // namespace v4l2backend
