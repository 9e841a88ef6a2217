#pragma once

// Capture services over COM, DirectShow, kernel-streaming property sets and USER32 device
// notifications. COM must already be initialised on the calling thread.

#include <memory>

#include "CaptureServices.h"

std::unique_ptr<capture::Backend> createDirectShowBackend();
