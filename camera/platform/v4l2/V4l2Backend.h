#pragma once

#include <memory>

#include "CaptureServices.h"

// The Linux capture backend: cameras are the video-capture nodes that udev knows, their controls
// are V4L2 controls, and plugging and unplugging arrive through a udev monitor.
std::unique_ptr<capture::Backend> createV4l2Backend();
