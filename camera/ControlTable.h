#pragma once

// Every control the pages and profiles manage, described once: how the camera layer reaches it,
// how a profile stores it, and where the pages show it. Adding a control means a row here, its
// icon among the resources and its row in the page's form.

#include <cstdint>

#include "PowerLineData.h"
#include "PropertyIds.h"

// In the order the pages range, apply and save them: the Basic page's image controls, then the
// Advanced page's.
enum class Control {
    Brightness,
    Contrast,
    Hue,
    Saturation,
    Sharpness,
    Gamma,
    BacklightCompensation,
    Gain,
    PowerLineFrequency,
    LowLightCompensation,
    Focus,
    Zoom,
    Pan,
    Tilt,
    Roll,
    WhiteBalance,
    Exposure,
};

// The flag stored beside a value: whether the page's row is usable (absent: whether the camera
// offers the control), or whether the camera runs the control itself (absent: automatic).
enum class Companion { None, Enabled, Automatic };

// How a profile stores the value. An absent value stands for the camera's own default.
enum class Storage {
    Number,         // a long; absent, or the sentinel -10000
    NumberOrEmpty,  // a long; absent, or empty text, so that -10000 is a value of its own
    FlagOrEmpty,    // true or false; absent, or empty text; the camera's default is on when not 0
};

enum class ControlPage { Basic, Advanced };

struct ControlEntry {
    Control control;
    PropertyFamily family;
    std::int32_t id;
    const char *key;  // the profile's INI key
    Companion companion;
    const char *companionKey;
    Storage storage;
    ControlPage page;
    // Form object names: "sl" and "txt" with formName for the slider and the value field,
    // "btnAdd", "btnSub" and "rbtn" with shortName for the plus and minus buttons and the mode
    // buttons ("Auto", "Manual"); the icon label and its resource. None for the radio groups,
    // which the Advanced page wires itself.
    const char *formName;
    const char *shortName;
    const char *iconLabel;
    const char *icon;
    const char *sliderLog;   // debug line of every slider move, before the camera write
    const char *profileLog;  // debug label of the profile's value when a profile is applied
};

constexpr PropertyFamily kImageFamily = PropertyFamily::VideoProcAmp;
constexpr PropertyFamily kCameraFamily = PropertyFamily::CameraControl;

constexpr ControlEntry kControls[] = {
    {Control::Brightness, kImageFamily, VideoProcAmp_Brightness, "VideoProcAmp/brightness",
     Companion::None, nullptr, Storage::Number, ControlPage::Basic, "Brightness", "Brightness",
     "lblBrightnessIcon", ":/resources/images/brightness.svg", nullptr, nullptr},
    {Control::Contrast, kImageFamily, VideoProcAmp_Contrast, "VideoProcAmp/contrast",
     Companion::None, nullptr, Storage::Number, ControlPage::Basic, "Contrast", "Contrast",
     "lblContrastIcon", ":/resources/images/contrast.svg", nullptr, nullptr},
    {Control::Hue, kImageFamily, VideoProcAmp_Hue, "VideoProcAmp/hue", Companion::None, nullptr,
     Storage::Number, ControlPage::Basic, "Hue", "Hue", "lblHueIcon", ":/resources/images/hue.svg",
     nullptr, nullptr},
    {Control::Saturation, kImageFamily, VideoProcAmp_Saturation, "VideoProcAmp/saturation",
     Companion::None, nullptr, Storage::Number, ControlPage::Basic, "Saturation", "Saturation",
     "lblSaturationIcon", ":/resources/images/saturation.svg", nullptr, nullptr},
    {Control::Sharpness, kImageFamily, VideoProcAmp_Sharpness, "VideoProcAmp/sharpness",
     Companion::None, nullptr, Storage::Number, ControlPage::Basic, "Sharpness", "Sharpness",
     "lblSharpnessIcon", ":/resources/images/sharpness.svg", nullptr, nullptr},
    {Control::Gamma, kImageFamily, VideoProcAmp_Gamma, "VideoProcAmp/gamma", Companion::Enabled,
     "VideoProcAmp/gammaenabled", Storage::Number, ControlPage::Basic, "Gamma", "Gamma",
     "lblGammaIcon", ":/resources/images/gamma.svg", nullptr, nullptr},
    {Control::BacklightCompensation, kImageFamily, VideoProcAmp_BacklightCompensation,
     "VideoProcAmp/backlightcompensation", Companion::Enabled,
     "VideoProcAmp/backlightcompensationEnabled", Storage::NumberOrEmpty, ControlPage::Basic,
     "BacklightComp", "BLC", "lblBLCIcon", ":/resources/images/backlight_compensation.svg", nullptr,
     nullptr},
    {Control::Gain, kImageFamily, VideoProcAmp_Gain, "VideoProcAmp/gain", Companion::Enabled,
     "VideoProcAmp/gainenabled", Storage::Number, ControlPage::Basic, "Gain", "Gain", "lblGainIcon",
     ":/resources/images/gain.svg", nullptr, nullptr},
    {Control::PowerLineFrequency, PropertyFamily::PowerLine, capture::kPowerLinePropertyId,
     "VideoProcAmp/powerlinefrequency", Companion::Enabled,
     "VideoProcAmp/powerlinefrequencyenabled", Storage::Number, ControlPage::Advanced, nullptr,
     nullptr, nullptr, nullptr, nullptr, nullptr},
    {Control::LowLightCompensation, kCameraFamily, KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY,
     "CameraControl/lowlightcompensation", Companion::None, nullptr, Storage::FlagOrEmpty,
     ControlPage::Advanced, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {Control::Focus, kCameraFamily, CameraControl_Focus, "CameraControl/focus",
     Companion::Automatic, "CameraControl/focusauto", Storage::Number, ControlPage::Advanced,
     "Focus", "Focus", "lblFocusIcon", ":/resources/images/focus.svg", nullptr, nullptr},
    {Control::Zoom, kCameraFamily, CameraControl_Zoom, "CameraControl/zoom", Companion::Enabled,
     "CameraControl/zoomenabled", Storage::Number, ControlPage::Advanced, "Zoom", "Zoom",
     "lblZoomIcon", ":/resources/images/zoom.svg", nullptr, nullptr},
    {Control::Pan, kCameraFamily, CameraControl_Pan, "CameraControl/pan", Companion::Enabled,
     "CameraControl/panenabled", Storage::Number, ControlPage::Advanced, "Pan", "Pan", "lblPanIcon",
     ":/resources/images/pan.svg", nullptr, "current Active, pan: "},
    {Control::Tilt, kCameraFamily, CameraControl_Tilt, "CameraControl/tilt", Companion::Enabled,
     "CameraControl/tiltenabled", Storage::Number, ControlPage::Advanced, "Tilt", "Tilt", "lblTilt",
     ":/resources/images/tilt.svg", nullptr, "current Active, tilt: "},
    {Control::Roll, kCameraFamily, CameraControl_Roll, "CameraControl/roll", Companion::Enabled,
     "CameraControl/rollenabled", Storage::Number, ControlPage::Advanced, "Roll", "Roll", "lblRoll",
     ":/resources/images/roll.svg", nullptr, "current Active, roll: "},
    {Control::WhiteBalance, kImageFamily, VideoProcAmp_WhiteBalance, "VideoProcAmp/whitebalance",
     Companion::Automatic, "VideoProcAmp/whitebalanceauto", Storage::Number, ControlPage::Advanced,
     "WhiteBalance", "WB", "lblWBIcon", ":/resources/images/whitebalance.svg",
     "Slider value changed", nullptr},
    {Control::Exposure, kCameraFamily, CameraControl_Exposure, "CameraControl/exposure",
     Companion::Automatic, "CameraControl/exposureauto", Storage::Number, ControlPage::Advanced,
     "Exposure", "Exposure", "lblExposureIcon", ":/resources/images/exposure.svg", nullptr,
     nullptr},
};

constexpr bool rowsInControlOrder() {
    for (int i = 0; i < int(sizeof kControls / sizeof kControls[0]); ++i)
        if (int(kControls[i].control) != i)
            return false;
    return true;
}
static_assert(rowsInControlOrder(), "kControls must list the controls in their enum's order");

constexpr const ControlEntry &controlEntry(Control control) {
    return kControls[int(control)];
}
