#pragma once

// Reading and writing the controls of one camera, with the begin, end and failure lines that
// record every access. A null device reads and writes nothing.

#include <memory>

#include "CaptureServices.h"
#include "PropertyIds.h"
#include "PropertyInfo.h"

// Fills `info` for the control `info.id` and tells whether its value could be read.
bool readControl(const std::shared_ptr<capture::Device> &device, PropertyFamily family,
                 PropertyInfo &info);
void writeControl(const std::shared_ptr<capture::Device> &device, PropertyFamily family, int id,
                  long value, bool automatic);
long readPowerLine(const std::shared_ptr<capture::Device> &device, bool *ok);
bool writePowerLine(const std::shared_ptr<capture::Device> &device, long value);
