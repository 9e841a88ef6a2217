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

struct Binding {
    std::shared_ptr<EmulatedUvcDriver> driver;
    NodeKind kind;
};

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

// Root opens any file whatever its mode, unless these two capabilities are out of effect. They
// stay permitted, so they can be taken up again. Capabilities are per thread.
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

UvcTestbed::UvcTestbed()
    : m_testbed(umockdev_testbed_new()),
      m_dev(taken(umockdev_testbed_get_root_dir(m_testbed)) + "/dev") {
    // Qt Multimedia's sound-device scan opens these; under umockdev every failed open of a /dev
    // path takes a slot of a table that aborts the program when full.
    g_mkdir_with_parents((m_dev + "/snd").c_str(), 0755);
    for (int i = 0; i < 32; ++i) {
        for (const char *name : {"/snd/controlC", "/aloadC"})
            g_file_set_contents((m_dev + name + std::to_string(i)).c_str(), "", 0, nullptr);
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
    std::vector<const char *> attributes = {"idVendor", vendor.c_str(), "idProduct",
                                            product.c_str()};
    if (!spec.product.empty())
        attributes.insert(attributes.end(), {"product", spec.product.c_str()});
    attributes.push_back(nullptr);
    const char *properties[] = {"DEVTYPE", "usb_device", nullptr};
    const std::string usb = taken(umockdev_testbed_add_devicev(
        m_testbed, "usb", spec.usbName.c_str(), nullptr, const_cast<gchar **>(attributes.data()),
        const_cast<gchar **>(properties)));
    const std::string interfaceName = spec.usbName + ":1." + std::to_string(spec.interfaceNumber);
    // An empty interface string stands for none.
    const std::string interface = taken(umockdev_testbed_add_device(
        m_testbed, "usb", interfaceName.c_str(), usb.c_str(), "bInterfaceNumber",
        hex(spec.interfaceNumber, 2).c_str(), "bInterfaceClass", "0e", "interface",
        spec.interfaceName.c_str(), nullptr, "DEVTYPE", "usb_interface", nullptr));
    if (spec.accessDenied && !m_accessOverrideDropped) {
        passOverFilePermissions(false);
        m_accessOverrideDropped = true;
    }
    for (auto [number, kind] : {std::pair(spec.captureNode, NodeKind::Capture),
                                std::pair(spec.metadataNode, NodeKind::Metadata),
                                std::pair(spec.secondCaptureNode, NodeKind::Capture)}) {
        if (number >= 0)
            camera.syspaths.push_back(addNode(interface, number, kind, spec, camera.driver));
    }
    camera.syspaths.insert(camera.syspaths.end(), {interface, usb});
    m_plugged[spec.usbName] = camera;
    return camera.driver;
}

std::string UvcTestbed::addNode(const std::string &parent, int number, NodeKind kind,
                                const EmulatedCameraSpec &spec,
                                std::shared_ptr<EmulatedUvcDriver> driver) {
    const std::string name = "video" + std::to_string(number), devnode = "/dev/" + name;
    // The node answers before its "add" event goes out, as with udev's own events: a program
    // that listens opens the node as soon as it hears of it. A FIFO with one byte in it: camera
    // lists that skip regular files in /dev take it, and poll() (which umockdev does not emulate)
    // finds it readable at once, as a node with a frame ready.
    const std::string file = m_dev + "/" + name, keeperName = file + ".keeper";
    unlink(file.c_str());
    mkfifo(file.c_str(), 0666);
    // Held open under a second name that then goes, so that it is never taken for an open node.
    link(file.c_str(), keeperName.c_str());
    const int keeper = open(keeperName.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    unlink(keeperName.c_str());
    if (keeper >= 0 && write(keeper, "", 1) == 1)
        m_nodeKeepers.push_back(keeper);
    if (spec.accessDenied)
        chmod(file.c_str(), 0);
    const auto attached = std::find(m_attached.begin(), m_attached.end(), devnode);
    if (attached != m_attached.end()) {
        umockdev_testbed_detach_ioctl(m_testbed, devnode.c_str(), nullptr);
        m_attached.erase(attached);
    }
    UMockdevIoctlBase *handler = umockdev_ioctl_base_new();
    auto *binding = new Binding{std::move(driver), kind};
    g_signal_connect_data(
        handler, "handle-ioctl",
        G_CALLBACK(+[](UMockdevIoctlBase *, UMockdevIoctlClient *client, Binding *b) {
            return gboolean(b->driver->handle(client, b->kind));
        }),
        binding, [](gpointer b, GClosure *) { delete static_cast<Binding *>(b); },
        GConnectFlags(0));
    g_signal_connect(
        handler, "handle-read",
        G_CALLBACK(+[](UMockdevIoctlBase *, UMockdevIoctlClient *client, Binding *b) {
            return gboolean(b->kind == NodeKind::Capture && b->driver->handleRead(client));
        }),
        binding);
    if (umockdev_testbed_attach_ioctl(m_testbed, devnode.c_str(), handler, nullptr))
        m_attached.push_back(devnode);
    g_object_unref(handler);
    return taken(umockdev_testbed_add_device(
        m_testbed, "video4linux", name.c_str(), parent.c_str(), "name", spec.card.c_str(), "dev",
        ("81:" + std::to_string(number)).c_str(), "index", kind == NodeKind::Capture ? "0" : "1",
        nullptr, "DEVNAME", devnode.c_str(), nullptr));
}

void UvcTestbed::unplug(const std::string &usbName) {
    const auto it = m_plugged.find(usbName);
    if (it == m_plugged.end())
        return;
    it->second.driver->change([](EmulatedState &s) { s.unplugged = true; });
    // The removal events first: when they are read, the devices are gone from sysfs. Then one by
    // one: removing a parent leaves its children's /sys/class and /sys/bus links behind.
    for (const std::string &syspath : it->second.syspaths)
        umockdev_testbed_uevent(m_testbed, syspath.c_str(), "remove");
    for (const std::string &syspath : it->second.syspaths)
        umockdev_testbed_remove_device(m_testbed, syspath.c_str());
    m_plugged.erase(it);
}
