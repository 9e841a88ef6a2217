#pragma once

// The kernel-streaming power-line-frequency property (id 13 of the image-control set) answered
// with V4L2_CID_POWER_LINE_FREQUENCY, whose menu entries carry the same meaning: 0 disabled,
// 1 50 Hz, 2 60 Hz, 3 automatic.

#include <memory>

#include "CaptureServices.h"
#include "DeviceFile.h"

namespace v4l2backend {

class V4l2PowerLine : public capture::KsPropertySet {
public:
    explicit V4l2PowerLine(std::shared_ptr<DeviceFile> file) : m_file(std::move(file)) {}

    capture::Result get(const capture::Guid &propertySet, std::uint32_t id,
                        const void *instanceData, std::uint32_t instanceLength, void *propertyData,
                        std::uint32_t dataLength, std::uint32_t *bytesReturned) override;
    capture::Result set(const capture::Guid &propertySet, std::uint32_t id,
                        const void *instanceData, std::uint32_t instanceLength,
                        const void *propertyData, std::uint32_t dataLength) override;

private:
    std::shared_ptr<DeviceFile> m_file;
};

}  // namespace v4l2backend
