#pragma once

#include <QString>
#include <memory>

#include "CaptureServices.h"

// Cameras described by the JSON file `jsonPath`, or the built-in set when it is empty. The file
// is watched: cameras that appear in or vanish from it arrive and leave like plugged devices.
std::unique_ptr<capture::Backend> createSimulatedBackend(const QString &jsonPath);

// The path form a device-change notification carries for `devicePath`: the interface name in
// upper case after "@device:pnp:", as the Windows notifications report it.
std::string simulatedNotificationPath(const std::string &devicePath);
