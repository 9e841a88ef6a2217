#include "CameraListFile.h"

#include "CameraDeviceManager.h"
#include "SimulatedBackend.h"

void CameraListFile::useInCameraLayer() const {
    CameraDeviceManager::instance()->setBackend(createSimulatedBackend(m_path));
}
