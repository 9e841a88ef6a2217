#pragma once

// What the save loop writes into a profile for one generation, and how the crash test recognises
// a file that holds exactly one generation.

#include <QSettings>
#include <QStringList>

#include "CameraSetting.h"

inline void writeGeneration(CameraSetting &record, long g) {
    const bool odd = g % 2;
    record.setBrightness(g);
    record.setContrast(g);
    record.setHue(g);
    record.setSaturation(g);
    record.setSharpness(g);
    record.setGamma(g, odd);
    record.setGain(g, odd);
    record.setBacklightCompensation(g, odd);
    record.setPowerLineFrequency(g, odd);
    record.setPan(g, odd);
    record.setTilt(g, odd);
    record.setRoll(g, odd);
    record.setZoom(g, odd);
    record.setWhiteBalance(g, !odd);
    record.setExposure(g, !odd);
    record.setFocus(g, !odd);
    record.setLowLightCompensation(odd);
}

// The generation a profile file holds: 0 for a profile never saved (identification only), or -1
// when its entries do not all belong to one generation.
inline long generationOf(const QSettings &file) {
    const QStringList numbers = {"VideoProcAmp/brightness",
                                 "VideoProcAmp/contrast",
                                 "VideoProcAmp/hue",
                                 "VideoProcAmp/saturation",
                                 "VideoProcAmp/sharpness",
                                 "VideoProcAmp/gamma",
                                 "VideoProcAmp/gain",
                                 "VideoProcAmp/backlightcompensation",
                                 "VideoProcAmp/powerlinefrequency",
                                 "VideoProcAmp/whitebalance",
                                 "CameraControl/pan",
                                 "CameraControl/tilt",
                                 "CameraControl/roll",
                                 "CameraControl/zoom",
                                 "CameraControl/exposure",
                                 "CameraControl/focus"};
    const QStringList oddFlags = {"VideoProcAmp/gammaenabled",
                                  "VideoProcAmp/gainenabled",
                                  "VideoProcAmp/backlightcompensationEnabled",
                                  "VideoProcAmp/powerlinefrequencyenabled",
                                  "CameraControl/panenabled",
                                  "CameraControl/tiltenabled",
                                  "CameraControl/rollenabled",
                                  "CameraControl/zoomenabled",
                                  "CameraControl/lowlightcompensation"};
    const QStringList evenFlags = {"VideoProcAmp/whitebalanceauto", "CameraControl/exposureauto",
                                   "CameraControl/focusauto"};
    const int identification = 3;
    const int keys = file.allKeys().size();
    if (keys == identification)
        return 0;
    if (keys != identification + numbers.size() + oddFlags.size() + evenFlags.size())
        return -1;
    const long g = file.value(numbers.first()).value<long>();
    for (const QString &n : numbers)
        if (file.value(n).userType() != QMetaType::Long || file.value(n).value<long>() != g)
            return -1;
    for (const QString &f : oddFlags + evenFlags)
        if (file.value(f).toBool() != (oddFlags.contains(f) == bool(g % 2)))
            return -1;
    return g;
}
