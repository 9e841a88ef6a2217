#include "DeviceFile.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "ErrnoResult.h"

namespace v4l2backend {

int retryingIoctl(int fd, unsigned long request, void *arg) {
    int r;
    do {
        r = ::ioctl(fd, request, arg);
    } while (r == -1 && errno == EINTR);
    return r;
}

namespace {

std::int32_t saturate(std::int64_t v) {
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

capture::Result extendedControlCall(int fd, unsigned long request, Call call, std::uint32_t cid,
                                    std::int32_t &value) {
    v4l2_ext_control control{};
    control.id = cid;
    control.value = value;
    v4l2_ext_controls controls{};
    controls.which = V4L2_CTRL_WHICH_CUR_VAL;
    controls.count = 1;
    controls.controls = &control;
    if (retryingIoctl(fd, request, &controls) == -1)
        return resultFromErrno(errno, call);
    value = control.value;
    return capture::kOk;
}

}  // namespace

capture::Result DeviceFile::open(const std::string &devnode, std::shared_ptr<DeviceFile> &out,
                                 int *systemError) {
    out.reset();
    if (systemError)
        *systemError = 0;
    if (devnode.empty())
        return capture::kDeviceNotConnected;
    int fd = ::open(devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd == -1) {
        const int error = errno;
        if (systemError)
            *systemError = error;
        return resultFromErrno(error, Call::Access);
    }
    out = std::make_shared<DeviceFile>(fd);
    return capture::kOk;
}

DeviceFile::~DeviceFile() {
    if (m_fd != -1)
        ::close(m_fd);
}

bool ControlDescription::writable() const {
    return (flags & (V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_DISABLED)) == 0;
}

bool ControlDescription::inactive() const {
    return (flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
}

capture::Result queryControl(int fd, std::uint32_t cid, ControlDescription &out) {
    v4l2_query_ext_ctrl query{};
    query.id = cid;
    if (retryingIoctl(fd, VIDIOC_QUERY_EXT_CTRL, &query) == -1)
        return resultFromErrno(errno, Call::Query);
    if (query.flags & V4L2_CTRL_FLAG_DISABLED)
        return capture::kNotFound;
    out.type = query.type;
    out.flags = query.flags;
    out.minimum = saturate(query.minimum);
    out.maximum = saturate(query.maximum);
    out.step = saturate(static_cast<std::int64_t>(
        std::min<std::uint64_t>(query.step, std::numeric_limits<std::int32_t>::max())));
    out.defaultValue = saturate(query.default_value);
    return capture::kOk;
}

capture::Result menuOffers(int fd, std::uint32_t cid, std::uint32_t index, bool &offered) {
    offered = false;
    v4l2_querymenu menu{};
    menu.id = cid;
    menu.index = index;
    if (retryingIoctl(fd, VIDIOC_QUERYMENU, &menu) == 0) {
        offered = true;
        return capture::kOk;
    }
    // A menu with holes answers EINVAL for the entries it leaves out.
    if (errno == EINVAL)
        return capture::kOk;
    return resultFromErrno(errno, Call::Query);
}

capture::Result readControl(int fd, std::uint32_t cid, std::int32_t &value) {
    value = 0;
    // A read has no value that could be invalid: EINVAL names an unknown control.
    return extendedControlCall(fd, VIDIOC_G_EXT_CTRLS, Call::Query, cid, value);
}

capture::Result writeControl(int fd, std::uint32_t cid, std::int32_t value) {
    return extendedControlCall(fd, VIDIOC_S_EXT_CTRLS, Call::Access, cid, value);
}

capture::Result checkWithinRange(int fd, std::uint32_t cid, std::int32_t value) {
    ControlDescription description;
    capture::Result r = queryControl(fd, cid, description);
    if (!capture::succeeded(r))
        return r;
    if (value < description.minimum || value > description.maximum)
        return capture::kInvalidArg;
    return capture::kOk;
}

capture::Result queryCaptureNode(int fd, bool &capturesVideo, std::string &card) {
    capturesVideo = false;
    card.clear();
    v4l2_capability caps{};
    if (retryingIoctl(fd, VIDIOC_QUERYCAP, &caps) == -1)
        return resultFromErrno(errno, Call::Access);
    // `capabilities` covers every node of the physical device; only `device_caps` tells the
    // capture node from the metadata node beside it.
    std::uint32_t nodeCaps =
        (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    capturesVideo = (nodeCaps & V4L2_CAP_VIDEO_CAPTURE) != 0;
    card.assign(reinterpret_cast<const char *>(caps.card),
                strnlen(reinterpret_cast<const char *>(caps.card), sizeof caps.card));
    return capture::kOk;
}

}  // namespace v4l2backend
