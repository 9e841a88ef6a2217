#pragma once

// The cameras and profiles the benchmarks run against: simulated camera files, and profiles
// filled the way the pages save them.

#include <QJsonArray>
#include <QString>
#include <functional>

class CameraSetting;

// The model every benchmark selects and switches profiles on.
extern const char kBenchVid[];
extern const char kBenchPid[];

// A camera with every control the pages use, named and numbered as a supported model.
QJsonArray twoSupportedCameras();
// `total` cameras of which every other one is supported; the rest fail one test each in turn
// (unknown product id, unknown name, no USB ids in the path).
QJsonArray discoveryCameras(int total);
// Writes {"cameras": cameras} to `fileName`; false when the file cannot be written.
bool writeCameraFile(const QString &fileName, const QJsonArray &cameras);

struct ControlRange {
    long min = 0;
    long max = 0;
    long step = 1;
};
// The range of image control `id` (cameraControl false) or camera control `id` (true).
using RangeOf = std::function<ControlRange(bool cameraControl, int id)>;
// The ranges of the simulated benchmark cameras.
ControlRange simulatedRange(bool cameraControl, int id);

// Every value a profile holds, chosen within the camera's ranges; neighbouring variants differ
// in every control, so a switch between them changes each one.
void fillProfile(CameraSetting &record, int variant, const RangeOf &rangeOf = simulatedRange);

// Creates "Standard Profile" and count - 1 profiles named "Profile 01", "Profile 02", ... for the
// model vid/pid through the profile store, each filled with its own variant, and makes
// `activeName` the active profile. The store's data folder must be set up already.
void createBenchProfiles(const QString &vid, const QString &pid, int count,
                         const QString &activeName, const RangeOf &rangeOf = simulatedRange);
QString benchProfileName(int index);
