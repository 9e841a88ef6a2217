#include "V4l2Device.h"

#include "DeviceFile.h"
#include "V4l2ControlEvents.h"
#include "V4l2ControlFamily.h"
#include "V4l2PowerLine.h"

namespace v4l2backend {

namespace {

class V4l2BoundDevice : public capture::BoundDevice {
public:
    explicit V4l2BoundDevice(std::shared_ptr<DeviceFile> file) : m_file(std::move(file)) {}

    capture::Result queryVideoProcAmp(std::unique_ptr<capture::ControlFamily> &out) override {
        out = std::make_unique<V4l2ControlFamily>(m_file, PropertyFamily::VideoProcAmp);
        return capture::kOk;
    }
    capture::Result queryCameraControl(std::unique_ptr<capture::ControlFamily> &out) override {
        out = std::make_unique<V4l2ControlFamily>(m_file, PropertyFamily::CameraControl);
        return capture::kOk;
    }
    capture::Result queryKsPropertySet(std::unique_ptr<capture::KsPropertySet> &out) override {
        out = std::make_unique<V4l2PowerLine>(m_file);
        return capture::kOk;
    }

private:
    std::shared_ptr<DeviceFile> m_file;
};

}  // namespace

capture::Result V4l2Device::displayName(std::string &utf8Out) {
    utf8Out = m_node.path;
    return capture::kOk;
}

capture::Result V4l2Device::friendlyName(std::string &utf8Out) {
    utf8Out = m_node.friendlyNames.empty() ? std::string() : m_node.friendlyNames.front();
    return capture::kOk;
}

capture::Result V4l2Device::friendlyNames(std::vector<std::string> &utf8Out) {
    utf8Out = m_node.friendlyNames;
    return capture::kOk;
}

std::string V4l2Device::currentDevnode() const {
    UdevDeviceHandle node = findNodeForPath(m_context.get(), m_node.path);
    const char *devnode = node ? udev_device_get_devnode(node.get()) : nullptr;
    return devnode ? devnode : std::string();
}

capture::Result V4l2Device::bind(std::unique_ptr<capture::BoundDevice> &out) {
    out.reset();
    const std::string devnode = currentDevnode();
    if (devnode.empty())
        return capture::kDeviceNotConnected;
    std::shared_ptr<DeviceFile> file;
    capture::Result r = DeviceFile::open(devnode, file);
    if (!capture::succeeded(r))
        return r;
    out = std::make_unique<V4l2BoundDevice>(std::move(file));
    return capture::kOk;
}

capture::Result V4l2Device::watchControlChanges(std::unique_ptr<capture::ControlChangeWatch> &out) {
    out.reset();
    const std::string devnode = currentDevnode();
    if (devnode.empty())
        return capture::kDeviceNotConnected;
    return watchControlEvents(devnode, out);
}

}  // namespace v4l2backend
