#pragma once

// What the save loop writes into a profile for one generation: every number is the generation,
// every flag its parity, so a file mixing two saves is easy to tell.

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
