#include "ControlMap.h"

#include <linux/videodev2.h>

#include "PropertyIds.h"

namespace v4l2backend {

namespace {

constexpr PropertyFamily kImage = PropertyFamily::VideoProcAmp;
constexpr PropertyFamily kCamera = PropertyFamily::CameraControl;

constexpr struct {
    PropertyFamily family;
    std::int32_t id;
    ControlMapping mapping;
} kControlMap[] = {
    {kImage, VideoProcAmp_Brightness, {V4L2_CID_BRIGHTNESS, 0, Companion::None}},
    {kImage, VideoProcAmp_Contrast, {V4L2_CID_CONTRAST, 0, Companion::None}},
    {kImage, VideoProcAmp_Hue, {V4L2_CID_HUE, V4L2_CID_HUE_AUTO, Companion::Boolean}},
    {kImage, VideoProcAmp_Saturation, {V4L2_CID_SATURATION, 0, Companion::None}},
    {kImage, VideoProcAmp_Sharpness, {V4L2_CID_SHARPNESS, 0, Companion::None}},
    {kImage, VideoProcAmp_Gamma, {V4L2_CID_GAMMA, 0, Companion::None}},
    {kImage,
     VideoProcAmp_WhiteBalance,
     {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE, Companion::Boolean}},
    {kImage,
     VideoProcAmp_BacklightCompensation,
     {V4L2_CID_BACKLIGHT_COMPENSATION, 0, Companion::None}},
    {kImage, VideoProcAmp_Gain, {V4L2_CID_GAIN, 0, Companion::None}},
    {kCamera,
     CameraControl_Pan,
     {V4L2_CID_PAN_ABSOLUTE, 0, Companion::None, Unit::ArcSecondsAsDegrees}},
    {kCamera,
     CameraControl_Tilt,
     {V4L2_CID_TILT_ABSOLUTE, 0, Companion::None, Unit::ArcSecondsAsDegrees}},
    {kCamera, CameraControl_Zoom, {V4L2_CID_ZOOM_ABSOLUTE, 0, Companion::None}},
    {kCamera,
     CameraControl_Exposure,
     {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO, Companion::ExposureMenu,
      Unit::ExposureLog2Seconds}},
    {kCamera, CameraControl_Iris, {V4L2_CID_IRIS_ABSOLUTE, 0, Companion::None}},
    {kCamera,
     CameraControl_Focus,
     {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO, Companion::Boolean}},
    // Low-light compensation: the camera may lower the frame rate to lengthen the exposure.
    {kCamera,
     KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY,
     {V4L2_CID_EXPOSURE_AUTO_PRIORITY, 0, Companion::None}},
};

}  // namespace

const ControlMapping *findControlMapping(PropertyFamily family, std::int32_t id) {
    for (const auto &entry : kControlMap)
        if (entry.family == family && entry.id == id)
            return &entry.mapping;
    return nullptr;
}

}  // namespace v4l2backend
