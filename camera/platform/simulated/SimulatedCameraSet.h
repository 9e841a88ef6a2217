#pragma once

// The cameras currently plugged in, and what changes when a new description replaces them.

#include <memory>
#include <string>
#include <vector>

#include "SimulatedCamera.h"

class SimulatedCameraSet {
public:
    struct Changes {
        std::vector<std::string> left;     // paths no longer present, in the old order
        std::vector<std::string> arrived;  // paths not present before, in the new order
    };

    const std::vector<std::shared_ptr<SimulatedCamera>> &cameras() const { return m_cameras; }

    // A camera whose description is unchanged keeps its live state (values the program has
    // set); a redescribed camera takes the new description in place; cameras that left are
    // marked disconnected so that references still held to them fail like an unplugged device.
    Changes replace(std::vector<SimulatedCamera> described);

private:
    std::vector<std::shared_ptr<SimulatedCamera>> m_cameras;
};
