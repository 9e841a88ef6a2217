#pragma once

// A V4L2 device node opened for one camera-layer operation, and the few control ioctls the
// backend needs on it. Every call reports failure as the camera layer's code (ErrnoResult.h).

#include <cstdint>
#include <memory>
#include <string>

#include "CaptureServices.h"

namespace v4l2backend {

// ioctl, asked again when a signal interrupts it.
int retryingIoctl(int fd, unsigned long request, void *arg);

class DeviceFile {
public:
    // Opens without blocking and without claiming the device: another program may stream from
    // the camera meanwhile, and control ioctls work alongside it.
    // `systemError`, when given, receives the errno of a failed open (0 otherwise).
    static capture::Result open(const std::string &devnode, std::shared_ptr<DeviceFile> &out,
                                int *systemError = nullptr);

    explicit DeviceFile(int fd) : m_fd(fd) {}
    ~DeviceFile();
    DeviceFile(const DeviceFile &) = delete;
    DeviceFile &operator=(const DeviceFile &) = delete;

    int fd() const { return m_fd; }

private:
    int m_fd;
};

struct ControlDescription {
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t step = 0;
    std::int32_t defaultValue = 0;

    bool writable() const;
    bool inactive() const;
};

// VIDIOC_QUERY_EXT_CTRL. A control the driver marks disabled counts as absent (kNotFound).
capture::Result queryControl(int fd, std::uint32_t cid, ControlDescription &out);
// VIDIOC_QUERYMENU: whether the menu control offers `index`.
capture::Result menuOffers(int fd, std::uint32_t cid, std::uint32_t index, bool &offered);
// VIDIOC_G_EXT_CTRLS / VIDIOC_S_EXT_CTRLS with one control (camera-class controls are reachable
// only through the extended calls).
capture::Result readControl(int fd, std::uint32_t cid, std::int32_t &value);
capture::Result writeControl(int fd, std::uint32_t cid, std::int32_t value);
// kInvalidArg for a value outside the control's range. Writes are checked with it first rather
// than left to the driver, which would clamp the value silently and change the camera to a value
// nobody asked for (such as a profile's "camera default" marker).
capture::Result checkWithinRange(int fd, std::uint32_t cid, std::int32_t value);

// VIDIOC_QUERYCAP: whether the node captures video (a camera's metadata node does not), and the
// driver's card name.
capture::Result queryCaptureNode(int fd, bool &capturesVideo, std::string &card);

}  // namespace v4l2backend
