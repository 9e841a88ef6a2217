#pragma once

// Reading simulated cameras from their JSON description.

#include <QByteArray>
#include <QString>
#include <vector>

#include "SimulatedCamera.h"

struct SimulatedCameraLoad {
    bool ok = false;
    std::vector<SimulatedCamera> cameras;
    // One line naming the source and the position of the fault, when ok is false.
    QString error;
};

// `sourceName` only appears in error texts.
SimulatedCameraLoad parseSimulatedCameras(const QByteArray &json, const QString &sourceName);
SimulatedCameraLoad loadSimulatedCameraFile(const QString &fileName);

// The set used when no file is named: a document camera with every control, a web camera
// without the motion controls, and a camera that is not supported.
std::vector<SimulatedCamera> builtInSimulatedCameras();
