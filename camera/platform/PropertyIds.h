#pragma once

// Published DirectShow / kernel-streaming property identifiers used throughout the program.

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

// Power-line frequency values of KSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY.
enum PowerLineFrequency {
    PowerLine_Disabled = 0,
    PowerLine_50Hz = 1,
    PowerLine_60Hz = 2,
    PowerLine_Auto = 3,
};
