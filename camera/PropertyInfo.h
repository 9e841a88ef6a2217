#pragma once

// Filled by getProperty / getCameraControlInfo. Field order as the camera layer reports it.
struct PropertyInfo {
    long id = 0;
    long max = 0;
    long min = 0;
    long step = 0;
    long defaultValue = 0;
    long value = 0;
    bool available = false;
    long capsFlags = 0;
    long flags = 0;
};
