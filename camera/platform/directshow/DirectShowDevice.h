#pragma once

// A video-input device as the system device enumerator yields it: its capture moniker.

#include <windows.h>

#include <memory>

#include "CaptureServices.h"

namespace directshow {

// Takes a reference of its own to the moniker (the caller keeps the one it holds). The device's
// filter is bound afresh by every bind() and released with the BoundDevice, so nothing is cached.
std::shared_ptr<capture::Device> makeMonikerDevice(IMoniker *moniker);

}  // namespace directshow
