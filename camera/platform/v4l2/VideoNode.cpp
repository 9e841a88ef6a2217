#include "VideoNode.h"

#include <strings.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "CaptureServices.h"
#include "DeviceFile.h"

namespace v4l2backend {

namespace {

constexpr char kSubsystem[] = "video4linux";

std::string text(const char *s) {
    return s ? std::string(s) : std::string();
}

bool parseHexAttribute(udev_device *device, const char *name, unsigned long limit,
                       unsigned long &out) {
    const char *value = udev_device_get_sysattr_value(device, name);
    if (!value || !*value)
        return false;
    char *end = nullptr;
    out = std::strtoul(value, &end, 16);
    return end && *end == '\0' && out <= limit;
}

std::string captureCategoryText() {
    const capture::Guid &g = capture::kKsCategoryCapture;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  g.data1, g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                  g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return buffer;
}

std::string usbInterfacePart(udev_device *node) {
    udev_device *usbInterface =
        udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_interface");
    udev_device *usbDevice =
        udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
    unsigned long vendor = 0, product = 0, interfaceNumber = 0;
    if (!usbInterface || !usbDevice || !parseHexAttribute(usbDevice, "idVendor", 0xffff, vendor) ||
        !parseHexAttribute(usbDevice, "idProduct", 0xffff, product) ||
        !parseHexAttribute(usbInterface, "bInterfaceNumber", 0xff, interfaceNumber))
        return std::string();
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "usb#vid_%04lx&pid_%04lx&mi_%02lx#", vendor, product,
                  interfaceNumber);
    return buffer + text(udev_device_get_sysname(usbDevice));
}

}  // namespace

std::string devicePathOf(udev_device *node) {
    const std::string kernelName = text(udev_device_get_sysname(node));
    std::string interfacePart = usbInterfacePart(node);
    if (interfacePart.empty())
        interfacePart = "v4l#" + kernelName;
    return "@device:pnp:\\\\?\\" + interfacePart + "#" + captureCategoryText() + "\\" + kernelName;
}

NodeState describeVideoNode(udev_device *node, VideoNode &out) {
    out = VideoNode();
    out.kernelName = text(udev_device_get_sysname(node));
    out.devnode = text(udev_device_get_devnode(node));
    if (out.kernelName.empty() || out.devnode.empty())
        return NodeState::Other;
    out.path = devicePathOf(node);
    udev_device *usbInterface =
        udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_interface");
    out.functionKey = text(udev_device_get_syspath(usbInterface ? usbInterface : node));
    udev_device *usbDevice =
        udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
    const std::string product =
        usbDevice ? text(udev_device_get_sysattr_value(usbDevice, "product")) : "";
    const std::string function =
        usbInterface ? text(udev_device_get_sysattr_value(usbInterface, "interface")) : "";

    std::shared_ptr<DeviceFile> file;
    bool capturesVideo = false;
    std::string card;
    const bool opened = capture::succeeded(DeviceFile::open(out.devnode, file, &out.openError));
    // A node that has gone already (an event read late) is no camera anybody could open.
    if (!opened && (out.openError == ENOENT || out.openError == ENODEV || out.openError == ENXIO))
        return NodeState::Other;
    if (opened &&
        (!capture::succeeded(queryCaptureNode(file->fd(), capturesVideo, card)) || !capturesVideo))
        return NodeState::Other;

    const std::string first = product.empty() ? card : product;
    if (!first.empty())
        out.friendlyNames.push_back(first);
    if (!function.empty() && function != first)
        out.friendlyNames.push_back(function);
    return opened ? NodeState::Capture : NodeState::Unopenable;
}

UdevDeviceHandle findNodeForPath(udev *context, const std::string &path) {
    const std::string::size_type slash = path.rfind('\\');
    if (!context || slash == std::string::npos || slash + 1 >= path.size())
        return nullptr;
    // Node names are lower case; a path from elsewhere may not be.
    std::string kernelName = path.substr(slash + 1);
    for (char &ch : kernelName)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (kernelName.find('/') != std::string::npos)
        return nullptr;
    UdevDeviceHandle node(
        udev_device_new_from_subsystem_sysname(context, kSubsystem, kernelName.c_str()));
    if (!node || strcasecmp(devicePathOf(node.get()).c_str(), path.c_str()) != 0)
        return nullptr;
    return node;
}

}  // namespace v4l2backend
