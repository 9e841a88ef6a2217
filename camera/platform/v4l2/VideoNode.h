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

#include "UdevHandles.h"

namespace v4l2backend {

struct VideoNode {
    std::string kernelName;  // video0
    std::string devnode;     // /dev/video0
    std::string path;
    std::string friendlyName;
};

std::string devicePathOf(udev_device *node);

// Fills `out` when the driver says that `node` captures video (QUERYCAP); a node that cannot be
// opened cannot be controlled either and is left out. The friendly name is the USB product
// string, or the driver's card name without one.
bool describeCaptureNode(udev_device *node, VideoNode &out);

// The node that `path` names, provided it is still the same device: a node number that another
// camera has taken over since gives null, as does a node that has gone.
UdevDeviceHandle findNodeForPath(udev *context, const std::string &path);

}  // namespace v4l2backend
