#pragma once

// Identity of a video4linux device node as the rest of the program sees it.
//
// The device path takes the form the capture-device interface path has on Windows, so that the
// camera layer's identification rules (vendor and product id, case-insensitive comparison with
// notification paths) apply unchanged:
//
//   @device:pnp:\\?\usb#vid_VVVV&pid_PPPP&mi_II#<usb
//   device>#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\<node>
//
// for example ...usb#vid_1a2b&pid_00c1&mi_00#1-3.2#{...}\video0. It is built from sysfs alone
// (the node's usb_interface and usb_device parents), so enumeration and hot-plug give the same
// text for the same node. A node without USB parents gets "v4l#<node>" in place of the USB part
// and never passes the camera layer's vendor/product test.

#include <libudev.h>

#include <string>
#include <vector>

#include "UdevHandles.h"

namespace v4l2backend {

struct VideoNode {
    std::string kernelName;  // video0
    std::string devnode;     // /dev/video0
    std::string path;
    // The camera function the node serves: the syspath of the USB interface it hangs below, which
    // every node uvcvideo makes for one function shares (a second stream, an infrared sensor);
    // the node's own syspath without one.
    std::string functionKey;
    // The USB product string (the driver's card name without one), then the function's own
    // interface string where it has another.
    std::vector<std::string> friendlyNames;
    int openError = 0;  // errno of a failed open
};

std::string devicePathOf(udev_device *node);

enum class NodeState {
    Capture,     // the driver says the node captures video (QUERYCAP)
    Other,       // a metadata node and the like, or a node without a device file
    Unopenable,  // open failed (openError) other than for a node that has gone: what the node
                 // is cannot be told
};

// Fills `out` from sysfs and, when the node can be opened, from the driver. Only a capture node
// gets the card name among its names.
NodeState describeVideoNode(udev_device *node, VideoNode &out);

// The node that `path` names, provided it is still the same device: a node number that another
// camera has taken over since gives null, as does a node that has gone.
UdevDeviceHandle findNodeForPath(udev *context, const std::string &path);

}  // namespace v4l2backend
