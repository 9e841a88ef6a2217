#pragma once

#include <memory>

#include "CaptureServices.h"

// The backend named by TINTWELL_CAMERA_BACKEND ("simulated", "v4l2" or "directshow"); unset, the
// platform's own backend where one is built, else the simulated cameras. A name that is unknown
// or not built in is reported on standard error together with the backend used instead.
std::unique_ptr<capture::Backend> createCaptureBackend();
