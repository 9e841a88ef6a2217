#include "UvcTestbed.h"

#include <umockdev.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

struct HandlerBinding {
    std::shared_ptr<EmulatedUvcDriver> driver;
    NodeKind kind;
};

gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data) {
    auto *binding = static_cast<HandlerBinding *>(data);
    return binding->driver->handle(client, binding->kind);
}

gboolean onRead(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data) {
    auto *binding = static_cast<HandlerBinding *>(data);
    return binding->driver->handleRead(client, binding->kind);
}

void deleteBinding(gpointer data, GClosure *) {
    delete static_cast<HandlerBinding *>(data);
}

std::string hex(unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*x", digits, value);
    return buffer;
}

std::string taken(gchar *text) {
    std::string s = text ? text : "";
    g_free(text);
    return s;
}

// Root opens any file whatever its mode; without these two capabilities in effect it does not.
// They stay permitted, so they can be taken up again. Capabilities are per thread.
void passOverFilePermissions(bool pass) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return;
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        __user_cap_data_struct &word = data[CAP_TO_INDEX(cap)];
        word.effective = pass ? word.effective | (word.permitted & CAP_TO_MASK(cap))
                              : word.effective & ~CAP_TO_MASK(cap);
    }
    syscall(SYS_capset, &header, data);
}

}  // namespace

UvcTestbed::UvcTestbed() : m_testbed(umockdev_testbed_new()) {
    // Qt Multimedia's sound-device scan opens these; under umockdev every failed open of a /dev
    // path uses up a slot of a table that aborts the program when full.
    const std::string dev = taken(umockdev_testbed_get_root_dir(m_testbed)) + "/dev";
    g_mkdir_with_parents((dev + "/snd").c_str(), 0755);
    for (int i = 0; i < 32; ++i) {
        for (const char *name : {"/snd/controlC", "/aloadC"})
            g_file_set_contents((dev + name + std::to_string(i)).c_str(), "", 0, nullptr);
    }
}

UvcTestbed::~UvcTestbed() {
    for (int fd : m_nodeKeepers)
        close(fd);
    if (m_accessOverrideDropped)
        passOverFilePermissions(true);
    g_object_unref(m_testbed);
}

bool UvcTestbed::isActive() const {
    return umockdev_in_mock_environment();
}

std::shared_ptr<EmulatedUvcDriver> UvcTestbed::plug(const EmulatedCameraSpec &spec) {
    Plugged camera;
    camera.driver = std::make_shared<EmulatedUvcDriver>(spec.card, spec.controls);
    const std::string vendor = hex(spec.vendorId, 4), product = hex(spec.productId, 4);
    std::vector<const char *> attributes = {
        "idVendor", vendor.c_str(), "idProduct", product.c_str(), "busnum", "1", "devnum", "7"};
    if (!spec.product.empty())
        attributes.insert(attributes.end(), {"product", spec.product.c_str()});
    attributes.push_back(nullptr);
    const char *properties[] = {"DEVTYPE", "usb_device", nullptr};
    camera.usbSyspath = taken(umockdev_testbed_add_devicev(
        m_testbed, "usb", spec.usbName.c_str(), nullptr, const_cast<gchar **>(attributes.data()),
        const_cast<gchar **>(properties)));
    const std::string interfaceName = spec.usbName + ":1." + std::to_string(spec.interfaceNumber);
    const std::string interfaceNumber = hex(spec.interfaceNumber, 2);
    // An empty interface string stands for none.
    camera.interfaceSyspath = taken(umockdev_testbed_add_device(
        m_testbed, "usb", interfaceName.c_str(), camera.usbSyspath.c_str(), "bInterfaceNumber",
        interfaceNumber.c_str(), "bInterfaceClass", "0e", "interface", spec.interfaceName.c_str(),
        nullptr, "DEVTYPE", "usb_interface", nullptr));
    if (spec.accessDenied && !m_accessOverrideDropped) {
        passOverFilePermissions(false);
        m_accessOverrideDropped = true;
    }
    std::vector<std::pair<int, NodeKind>> nodes = {{spec.captureNode, NodeKind::Capture}};
    if (spec.metadataNode >= 0)
        nodes.push_back({spec.metadataNode, NodeKind::Metadata});
    if (spec.secondCaptureNode >= 0)
        nodes.push_back({spec.secondCaptureNode, NodeKind::Capture});
    for (const auto &[number, kind] : nodes)
        camera.nodeSyspaths.push_back(addNode(camera, number, kind, spec.card, spec.accessDenied));
    auto driver = camera.driver;
    m_plugged[spec.usbName] = std::move(camera);
    return driver;
}

std::string UvcTestbed::addNode(const Plugged &camera, int number, NodeKind kind,
                                const std::string &card, bool accessDenied) {
    const std::string name = "video" + std::to_string(number);
    const std::string devnode = "/dev/" + name;
    const std::string dev = "81:" + std::to_string(number);
    const char *index = kind == NodeKind::Capture ? "0" : "1";
    // The testbed leaves /dev to the test. The node answers before its "add" event goes out, as
    // with udev's own events: a program that listens opens the node as soon as it hears of it.
    const std::string root = taken(umockdev_testbed_get_root_dir(m_testbed));
    g_mkdir_with_parents((root + "/dev").c_str(), 0755);
    // A FIFO with one byte in it: camera lists that skip regular files in /dev take it, and poll()
    // (which umockdev does not emulate) finds it readable at once, as a node with a frame ready.
    const std::string file = root + devnode;
    unlink(file.c_str());
    mkfifo(file.c_str(), 0666);
    // Held open under a second name that then goes, so that it is never taken for an open node.
    const std::string keeperName = file + ".keeper";
    link(file.c_str(), keeperName.c_str());
    const int keeper = open(keeperName.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    unlink(keeperName.c_str());
    if (keeper >= 0 && write(keeper, "", 1) == 1)
        m_nodeKeepers.push_back(keeper);
    if (accessDenied)
        chmod((root + devnode).c_str(), 0);
    attachDriver(devnode, camera.driver, kind);
    return taken(umockdev_testbed_add_device(m_testbed, "video4linux", name.c_str(),
                                             camera.interfaceSyspath.c_str(), "name", card.c_str(),
                                             "dev", dev.c_str(), "index", index, nullptr, "DEVNAME",
                                             devnode.c_str(), nullptr));
}

void UvcTestbed::attachDriver(const std::string &devnode, std::shared_ptr<EmulatedUvcDriver> driver,
                              NodeKind kind) {
    auto attached = std::find(m_attached.begin(), m_attached.end(), devnode);
    if (attached != m_attached.end()) {
        umockdev_testbed_detach_ioctl(m_testbed, devnode.c_str(), nullptr);
        m_attached.erase(attached);
    }
    UMockdevIoctlBase *handler = umockdev_ioctl_base_new();
    auto *binding = new HandlerBinding{std::move(driver), kind};
    g_signal_connect_data(handler, "handle-ioctl", G_CALLBACK(onIoctl), binding, deleteBinding,
                          GConnectFlags(0));
    g_signal_connect(handler, "handle-read", G_CALLBACK(onRead), binding);
    if (umockdev_testbed_attach_ioctl(m_testbed, devnode.c_str(), handler, nullptr))
        m_attached.push_back(devnode);
    g_object_unref(handler);
}

void UvcTestbed::unplug(const std::string &usbName) {
    auto it = m_plugged.find(usbName);
    if (it == m_plugged.end())
        return;
    Plugged &camera = it->second;
    camera.driver->unplug();
    // Removal events come first: when they are read, the devices are gone from sysfs.
    for (const std::string &node : camera.nodeSyspaths)
        umockdev_testbed_uevent(m_testbed, node.c_str(), "remove");
    umockdev_testbed_uevent(m_testbed, camera.interfaceSyspath.c_str(), "remove");
    umockdev_testbed_uevent(m_testbed, camera.usbSyspath.c_str(), "remove");
    // One by one: removing a parent leaves its children's /sys/class and /sys/bus links behind.
    for (const std::string &node : camera.nodeSyspaths)
        umockdev_testbed_remove_device(m_testbed, node.c_str());
    umockdev_testbed_remove_device(m_testbed, camera.interfaceSyspath.c_str());
    umockdev_testbed_remove_device(m_testbed, camera.usbSyspath.c_str());
    m_plugged.erase(it);
}
