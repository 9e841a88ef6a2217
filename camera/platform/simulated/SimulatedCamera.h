#pragma once

// What one simulated camera is made of: the identity the enumerator reports, which of its
// interfaces exist, and the live state of every control.

#include <QJsonObject>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "CaptureServices.h"

struct SimulatedControl {
    std::int32_t min = 0;
    std::int32_t max = 0;
    std::int32_t step = 1;
    std::int32_t defaultValue = 0;
    std::int32_t caps = 0;
    std::int32_t value = 0;
    std::int32_t flags = 0;
    bool getFails = false;                      // the value read fails after a good range read
    capture::Result setFailure = capture::kOk;  // every write fails with this code unless kOk
};

using SimulatedControlFamily = std::map<std::int32_t, SimulatedControl>;

struct SimulatedPowerLine {
    std::int32_t value = 0;
    std::uint32_t flags = 0;
    bool getFails = false;
    bool setFails = false;
};

struct SimulatedCamera {
    std::string path;
    std::optional<std::string> friendlyName;  // absent: the property bag cannot be bound
    bool bindFails = false;                   // the controls cannot be bound
    std::optional<SimulatedControlFamily> videoProcAmp;
    std::optional<SimulatedControlFamily> cameraControl;
    std::optional<SimulatedPowerLine> powerLine;
    // Cleared when the camera leaves; references that programs still hold then fail to bind.
    bool connected = true;
    // The description the camera was loaded from, to tell a changed camera from an unchanged one.
    QJsonObject source;
};
