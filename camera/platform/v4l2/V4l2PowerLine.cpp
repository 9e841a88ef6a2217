#include "V4l2PowerLine.h"

#include <linux/videodev2.h>

#include "PowerLineData.h"

namespace v4l2backend {

namespace {

capture::Result checkRequest(const capture::Guid &propertySet, std::uint32_t id,
                             const void *propertyData, std::uint32_t dataLength) {
    if (!(propertySet == capture::kPropSetVideoProcAmp) || id != capture::kPowerLinePropertyId)
        return capture::kNotFound;
    if (!propertyData || dataLength < capture::kPowerLineDataSize)
        return capture::kInvalidArg;
    return capture::kOk;
}

}  // namespace

capture::Result V4l2PowerLine::get(const capture::Guid &propertySet, std::uint32_t id, const void *,
                                   std::uint32_t, void *propertyData, std::uint32_t dataLength,
                                   std::uint32_t *bytesReturned) {
    if (bytesReturned)
        *bytesReturned = 0;
    capture::Result r = checkRequest(propertySet, id, propertyData, dataLength);
    if (!capture::succeeded(r))
        return r;
    std::int32_t value = 0;
    r = readControl(m_file->fd(), V4L2_CID_POWER_LINE_FREQUENCY, value);
    if (!capture::succeeded(r))
        return r;
    auto *data = static_cast<unsigned char *>(propertyData);
    capture::setPowerLineValue(data, value);
    capture::setPowerLineFlags(data, static_cast<std::uint32_t>(capture::kFlagManual));
    if (bytesReturned)
        *bytesReturned = capture::kPowerLineDataSize;
    return capture::kOk;
}

capture::Result V4l2PowerLine::set(const capture::Guid &propertySet, std::uint32_t id, const void *,
                                   std::uint32_t, const void *propertyData,
                                   std::uint32_t dataLength) {
    capture::Result r = checkRequest(propertySet, id, propertyData, dataLength);
    if (!capture::succeeded(r))
        return r;
    const std::int32_t value =
        capture::powerLineValue(static_cast<const unsigned char *>(propertyData));
    r = checkWithinRange(m_file->fd(), V4L2_CID_POWER_LINE_FREQUENCY, value);
    if (!capture::succeeded(r))
        return r;
    return writeControl(m_file->fd(), V4L2_CID_POWER_LINE_FREQUENCY, value);
}

}  // namespace v4l2backend
