#include "V4l2ControlEvents.h"

#include <linux/videodev2.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <set>

#include "ControlMap.h"
#include "DeviceFile.h"
#include "ErrnoResult.h"

namespace v4l2backend {

namespace {

// Every control (and its automatic-mode companion) that stands for a property.
std::set<std::uint32_t> watchedControls() {
    std::set<std::uint32_t> cids;
    for (const NamedProperty &property : kNamedProperties) {
        if (const ControlMapping *mapping = findControlMapping(property.family, property.id)) {
            cids.insert(mapping->valueCid);
            if (mapping->companion != Companion::None)
                cids.insert(mapping->companionCid);
        }
    }
    cids.insert(V4L2_CID_POWER_LINE_FREQUENCY);
    return cids;
}

class V4l2ControlWatch : public capture::ControlChangeWatch {
public:
    explicit V4l2ControlWatch(std::shared_ptr<DeviceFile> file) : m_file(std::move(file)) {}

    int descriptor() const override { return m_file->fd(); }

    capture::Result takeChanges(bool *changed) override {
        *changed = false;
        for (;;) {
            v4l2_event event{};
            if (retryingIoctl(m_file->fd(), VIDIOC_DQEVENT, &event) == 0) {
                *changed = *changed || event.type == V4L2_EVENT_CTRL;
                continue;
            }
            // ENOENT: nothing more waits.
            return errno == ENOENT ? capture::kOk : resultFromErrno(errno, Call::Access);
        }
    }

private:
    std::shared_ptr<DeviceFile> m_file;
};

}  // namespace

capture::Result watchControlEvents(const std::string &devnode,
                                   std::unique_ptr<capture::ControlChangeWatch> &out) {
    out.reset();
    std::shared_ptr<DeviceFile> file;
    capture::Result r = DeviceFile::open(devnode, file);
    if (!capture::succeeded(r))
        return r;
    // Cameras lack some controls; those are refused one by one.
    bool subscribed = false;
    int lastError = 0;
    for (std::uint32_t cid : watchedControls()) {
        v4l2_event_subscription subscription{};
        subscription.type = V4L2_EVENT_CTRL;
        subscription.id = cid;
        if (retryingIoctl(file->fd(), VIDIOC_SUBSCRIBE_EVENT, &subscription) == 0)
            subscribed = true;
        else
            lastError = errno;
    }
    if (!subscribed)
        return resultFromErrno(lastError, Call::Access);
    out = std::make_unique<V4l2ControlWatch>(std::move(file));
    return capture::kOk;
}

}  // namespace v4l2backend
