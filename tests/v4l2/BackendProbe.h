#pragma once

// Short ways into a capture backend's device for the tests: its path, one control family, the
// power-line property.

#include <QString>
#include <memory>
#include <vector>

#include "CaptureServices.h"
#include "PowerLineData.h"

enum class Family { Image, Camera };

inline QString pathOf(capture::Device &device) {
    std::string path;
    device.displayName(path);
    return QString::fromStdString(path);
}

// The one device the backend lists, or null.
inline std::shared_ptr<capture::Device> onlyDevice(capture::Backend &backend) {
    std::vector<std::shared_ptr<capture::Device>> devices;
    if (backend.enumerateVideoInputDevices(devices) != capture::kOk || devices.size() != 1)
        return nullptr;
    return devices.front();
}

inline std::unique_ptr<capture::ControlFamily> openFamily(capture::Device &device, Family family) {
    std::unique_ptr<capture::BoundDevice> bound;
    std::unique_ptr<capture::ControlFamily> controls;
    if (device.bind(bound) != capture::kOk)
        return nullptr;
    if (family == Family::Image)
        bound->queryVideoProcAmp(controls);
    else
        bound->queryCameraControl(controls);
    return controls;
}

// The power-line property with its 44-byte buffer.
class PowerLineProbe {
public:
    explicit PowerLineProbe(capture::Device &device) {
        std::unique_ptr<capture::BoundDevice> bound;
        if (device.bind(bound) == capture::kOk)
            bound->queryKsPropertySet(m_properties);
    }
    bool isOpen() const { return m_properties != nullptr; }

    capture::Result read(std::uint32_t dataLength = capture::kPowerLineDataSize,
                         const capture::Guid &set = capture::kPropSetVideoProcAmp) {
        bytesReturned = 0;
        return m_properties->get(set, capture::kPowerLinePropertyId, m_instance, sizeof m_instance,
                                 data, dataLength, &bytesReturned);
    }
    capture::Result write(std::int32_t value, std::uint32_t id = capture::kPowerLinePropertyId) {
        capture::setPowerLineValue(data, value);
        return m_properties->set(capture::kPropSetVideoProcAmp, id, m_instance, sizeof m_instance,
                                 data, sizeof data);
    }
    std::int32_t value() const { return capture::powerLineValue(data); }

    unsigned char data[capture::kPowerLineDataSize] = {};
    std::uint32_t bytesReturned = 0;

private:
    unsigned char m_instance[capture::kPowerLineInstanceSize] = {};
    std::unique_ptr<capture::KsPropertySet> m_properties;
};
