#pragma once

// Published DirectShow / kernel-streaming property identifiers used throughout the program, and
// the names under which they appear in log lines.

#include <cstdint>

enum VideoProcAmpProperty {
    VideoProcAmp_Brightness = 0,
    VideoProcAmp_Contrast = 1,
    VideoProcAmp_Hue = 2,
    VideoProcAmp_Saturation = 3,
    VideoProcAmp_Sharpness = 4,
    VideoProcAmp_Gamma = 5,
    VideoProcAmp_ColorEnable = 6,
    VideoProcAmp_WhiteBalance = 7,
    VideoProcAmp_BacklightCompensation = 8,
    VideoProcAmp_Gain = 9,
};

enum CameraControlProperty {
    CameraControl_Pan = 0,
    CameraControl_Tilt = 1,
    CameraControl_Roll = 2,
    CameraControl_Zoom = 3,
    CameraControl_Exposure = 4,
    CameraControl_Iris = 5,
    CameraControl_Focus = 6,
    // Low-light compensation: lets the camera lower the frame rate to lengthen the exposure.
    KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY = 19,
};

// The interface a property is reached through: the image controls, the camera controls, or the
// kernel-streaming power-line property, which has operations of its own (PowerLineData.h).
enum class PropertyFamily { VideoProcAmp, CameraControl, PowerLine };

struct NamedProperty {
    PropertyFamily family;
    std::int32_t id;
    const char *logName;
};

// Every property known by name; any other id of a family is logged as unknown.
constexpr NamedProperty kNamedProperties[] = {
    {PropertyFamily::VideoProcAmp, VideoProcAmp_Brightness, "VideoProcAmp_Brightness"},
    {PropertyFamily::VideoProcAmp, VideoProcAmp_Contrast, "VideoProcAmp_Contrast"},
    {PropertyFamily::VideoProcAmp, VideoProcAmp_Hue, "VideoProcAmp_Hue"},
    {PropertyFamily::VideoProcAmp, VideoProcAmp_Saturation, "VideoProcAmp_Saturation"},
    {PropertyFamily::VideoProcAmp, VideoProcAmp_Sharpness, "VideoProcAmp_Sharpness"},
    {PropertyFamily::VideoProcAmp, VideoProcAmp_Gamma, "VideoProcAmp_Gamma"},
    {PropertyFamily::VideoProcAmp, VideoProcAmp_ColorEnable, "VideoProcAmp_ColorEnable"},
    {PropertyFamily::VideoProcAmp, VideoProcAmp_WhiteBalance, "VideoProcAmp_WhiteBalance"},
    {PropertyFamily::VideoProcAmp, VideoProcAmp_BacklightCompensation,
     "VideoProcAmp_BacklightCompensation"},
    {PropertyFamily::VideoProcAmp, VideoProcAmp_Gain, "VideoProcAmp_Gain"},
    {PropertyFamily::CameraControl, CameraControl_Pan, "CameraControl_Pan"},
    {PropertyFamily::CameraControl, CameraControl_Tilt, "CameraControl_Tilt"},
    {PropertyFamily::CameraControl, CameraControl_Roll, "CameraControl_Roll"},
    {PropertyFamily::CameraControl, CameraControl_Zoom, "CameraControl_Zoom"},
    {PropertyFamily::CameraControl, CameraControl_Exposure, "CameraControl_Exposure"},
    {PropertyFamily::CameraControl, CameraControl_Iris, "CameraControl_Iris"},
    {PropertyFamily::CameraControl, CameraControl_Focus, "CameraControl_Focus"},
    {PropertyFamily::CameraControl, KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY,
     "setLowLightCompensation KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY"},
};

// Power-line frequency values of KSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY.
enum PowerLineFrequency {
    PowerLine_Disabled = 0,
    PowerLine_50Hz = 1,
    PowerLine_60Hz = 2,
    PowerLine_Auto = 3,
};

// A stored value other than the three fixed frequencies stands for automatic.
constexpr long powerLineChoice(long value) {
    return value >= PowerLine_Disabled && value <= PowerLine_60Hz ? value : long(PowerLine_Auto);
}
