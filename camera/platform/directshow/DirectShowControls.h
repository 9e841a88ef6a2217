#pragma once

// The control interfaces of a bound capture filter behind the capture interface. Each wrapper
// owns its interface reference and releases it when it is destroyed.

#include <windows.h>

#include <dshow.h>

#include <memory>

#include "CaptureServices.h"
#include "ComRef.h"

namespace directshow {

std::unique_ptr<capture::ControlFamily> wrapVideoProcAmp(ComRef<IAMVideoProcAmp> procAmp);
std::unique_ptr<capture::ControlFamily> wrapCameraControl(ComRef<IAMCameraControl> control);
std::unique_ptr<capture::KsPropertySet> wrapKsPropertySet(ComRef<IKsPropertySet> propertySet);

}  // namespace directshow
