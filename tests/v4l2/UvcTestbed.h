#pragma once

// A umockdev testbed (the process runs under umockdev-wrapper; its children see it too) in which
// emulated USB video-class cameras are plugged in and pulled out. Plugging a camera whose access
// is denied takes the thread's root right to pass over file permissions away until the testbed
// goes.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "EmulatedUvcDriver.h"

struct _UMockdevTestbed;

struct EmulatedCameraSpec {
    unsigned vendorId = 0x1a2b;
    unsigned productId = 0x3c4d;
    std::string usbName = "1-3";                 // the USB device's sysfs name
    std::string product = "Velt DocCam V4";      // USB product string; empty: none
    std::string card = "Velt DocCam V4 (card)";  // the driver's card name
    unsigned interfaceNumber = 0;
    std::string interfaceName;   // the video function's own interface string; empty: none
    int captureNode = 0;         // /dev/video<N>
    int metadataNode = 1;        // -1: none
    int secondCaptureNode = -1;  // a second stream of the same function; -1: none
    bool accessDenied = false;   // the nodes refuse to open (EACCES), as outside the video group
    std::vector<EmulatedControl> controls = typicalUvcControls();
};

inline EmulatedCameraSpec cameraAt(const std::string &usbName, int captureNode,
                                   int metadataNode = -1) {
    EmulatedCameraSpec spec;
    spec.usbName = usbName;
    spec.captureNode = captureNode;
    spec.metadataNode = metadataNode;
    return spec;
}

class UvcTestbed {
public:
    UvcTestbed();
    ~UvcTestbed();
    UvcTestbed(const UvcTestbed &) = delete;
    UvcTestbed &operator=(const UvcTestbed &) = delete;

    bool isActive() const;
    std::shared_ptr<EmulatedUvcDriver> plug(const EmulatedCameraSpec &spec);
    // Descriptors still open get ENODEV from then on.
    void unplug(const std::string &usbName);

private:
    struct Plugged {
        std::vector<std::string> syspaths;  // the nodes first, the USB device last
        std::shared_ptr<EmulatedUvcDriver> driver;
    };
    std::string addNode(const std::string &parent, int number, NodeKind kind,
                        const EmulatedCameraSpec &spec, std::shared_ptr<EmulatedUvcDriver> driver);

    _UMockdevTestbed *m_testbed;
    std::string m_dev;  // the testbed's /dev
    bool m_accessOverrideDropped = false;
    std::map<std::string, Plugged> m_plugged;  // by USB name
    std::vector<std::string> m_attached;       // device nodes with a handler
    std::vector<int> m_nodeKeepers;            // write ends holding each node FIFO's byte
};
