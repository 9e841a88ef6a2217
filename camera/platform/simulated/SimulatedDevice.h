#pragma once

// A simulated camera answering the capture services like a driver would.

#include <memory>

#include "CaptureServices.h"
#include "SimulatedCamera.h"

class SimulatedDevice : public capture::Device {
public:
    explicit SimulatedDevice(std::shared_ptr<SimulatedCamera> camera)
        : m_camera(std::move(camera)) {}

    capture::Result displayName(std::string &utf8Out) override;
    capture::Result friendlyName(std::string &utf8Out) override;
    capture::Result bind(std::unique_ptr<capture::BoundDevice> &out) override;

private:
    std::shared_ptr<SimulatedCamera> m_camera;
};
