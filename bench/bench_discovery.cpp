// Discovery: enumerateDevices over 64 simulated cameras of which half are supported.

#include <QCoreApplication>

#include "BenchCameras.h"
#include "BenchReport.h"
#include "CameraDeviceManager.h"
#include "SimulatedBackend.h"

int main(int argc, char **argv) {
    const int samples = sampleCount(argc, argv, 20);
    constexpr int kCameras = 64;
    qputenv("TINTWELL_CAMERA_BACKEND", "simulated");
    QCoreApplication app(argc, argv);

    const QString cameraFile = freshWorkFolder(QStringLiteral("discovery")) + "/cameras.json";
    if (!writeCameraFile(cameraFile, discoveryCameras(kCameras)))
        benchFailure(QStringLiteral("cannot write %1").arg(cameraFile));
    CameraDeviceManager *manager = CameraDeviceManager::instance();
    manager->setBackend(createSimulatedBackend(cameraFile));

    // The first call also starts the file watch; it is not what a refresh costs.
    if (manager->enumerateDevices() != kCameras / 2)
        benchFailure(QStringLiteral("expected %1 supported cameras, found %2")
                         .arg(kCameras / 2)
                         .arg(manager->count()));
    for (int i = 0; i < samples; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const int found = manager->enumerateDevices();
        const auto end = std::chrono::steady_clock::now();
        if (found != kCameras / 2)
            benchFailure(QStringLiteral("enumeration found %1 cameras").arg(found));
        reportMetric("discovery_ms", millisecondsBetween(start, end));
    }
    return 0;
}
