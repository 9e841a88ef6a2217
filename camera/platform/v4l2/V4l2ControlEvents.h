#pragma once

// V4L2 control events (VIDIOC_SUBSCRIBE_EVENT with V4L2_EVENT_CTRL): the node stays open and
// subscribed to every control the camera layer uses for as long as the watch exists.

#include <memory>
#include <string>

#include "CaptureServices.h"

namespace v4l2backend {

// Fails when the node cannot be opened or the driver accepts no subscription at all.
capture::Result watchControlEvents(const std::string &devnode,
                                   std::unique_ptr<capture::ControlChangeWatch> &out);

}  // namespace v4l2backend
