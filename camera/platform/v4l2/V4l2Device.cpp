#include "V4l2Device.h"

#include "DeviceFile.h"
#include "V4l2ControlFamily.h"
#include "V4l2PowerLine.h"

namespace v4l2backend {

namespace {

class V4l2BoundDevice : public capture::BoundDevice {
public:
    explicit V4l2BoundDevice(std::shared_ptr<DeviceFile> file) : m_file(std::move(file)) {}

    capture::Result queryVideoProcAmp(std::unique_ptr<capture::ControlFamily> &out) override {
        out = std::make_unique<V4l2ControlFamily>(m_file, Family::VideoProcAmp);
        return capture::kOk;
    }
    capture::Result queryCameraControl(std::unique_ptr<capture::ControlFamily> &out) override {
        out = std::make_unique<V4l2ControlFamily>(m_file, Family::CameraControl);
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

capture::Result V4l2Device::bind(std::unique_ptr<capture::BoundDevice> &out) {
    out.reset();
    UdevDeviceHandle node = findNodeForPath(m_context.get(), m_node.path);
    if (!node)
        return capture::kDeviceNotConnected;
    const char *devnode = udev_device_get_devnode(node.get());
    std::shared_ptr<DeviceFile> file;
    capture::Result r = DeviceFile::open(devnode ? devnode : "", file);
    if (!capture::succeeded(r))
        return r;
    out = std::make_unique<V4l2BoundDevice>(std::move(file));
    return capture::kOk;
}

}  // namespace v4l2backend
