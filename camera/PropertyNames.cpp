#include "PropertyNames.h"

#include "PropertyIds.h"

QString videoProcAmpPropertyName(int id) {
    switch (id) {
        case VideoProcAmp_Brightness:
            return QStringLiteral("VideoProcAmp_Brightness");
        case VideoProcAmp_Contrast:
            return QStringLiteral("VideoProcAmp_Contrast");
        case VideoProcAmp_Hue:
            return QStringLiteral("VideoProcAmp_Hue");
        case VideoProcAmp_Saturation:
            return QStringLiteral("VideoProcAmp_Saturation");
        case VideoProcAmp_Sharpness:
            return QStringLiteral("VideoProcAmp_Sharpness");
        case VideoProcAmp_Gamma:
            return QStringLiteral("VideoProcAmp_Gamma");
        case VideoProcAmp_ColorEnable:
            return QStringLiteral("VideoProcAmp_ColorEnable");
        case VideoProcAmp_WhiteBalance:
            return QStringLiteral("VideoProcAmp_WhiteBalance");
        case VideoProcAmp_BacklightCompensation:
            return QStringLiteral("VideoProcAmp_BacklightCompensation");
        case VideoProcAmp_Gain:
            return QStringLiteral("VideoProcAmp_Gain");
        default:
            return QStringLiteral("Unknown VideoProcAmpProperty%1").arg(id);
    }
}

QString cameraControlPropertyName(int id) {
    switch (id) {
        case CameraControl_Pan:
            return QStringLiteral("CameraControl_Pan");
        case CameraControl_Tilt:
            return QStringLiteral("CameraControl_Tilt");
        case CameraControl_Roll:
            return QStringLiteral("CameraControl_Roll");
        case CameraControl_Zoom:
            return QStringLiteral("CameraControl_Zoom");
        case CameraControl_Exposure:
            return QStringLiteral("CameraControl_Exposure");
        case CameraControl_Iris:
            return QStringLiteral("CameraControl_Iris");
        case CameraControl_Focus:
            return QStringLiteral("CameraControl_Focus");
        case KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY:
            return QStringLiteral(
                "setLowLightCompensation KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY");
        default:
            return QStringLiteral("Unknown CameraControlInfo%1").arg(id);
    }
}
