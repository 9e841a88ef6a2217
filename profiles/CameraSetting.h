#pragma once

#include <QString>

#include "ControlTable.h"
#include "IniSettings.h"

// One profile: a settings object on one INI file. Numbers are stored as `long` variants; an absent
// number (or the sentinel -10000) reads as the selected camera's own default.
class CameraSetting : public IniSettings {
public:
    static constexpr long kUseCameraDefault = -10000;

    explicit CameraSetting(const QString &filePath);

    QString filePath() const { return m_filePath; }

    // The camera whose own defaults stand in for absent numbers: the listed camera of this path,
    // or the selected camera while the path is empty (as it is unless set).
    void setDefaultsCamera(const QString &devicePath) { m_defaultsCamera = devicePath; }
    QString defaultsCamera() const { return m_defaultsCamera; }

    QString vid() const;
    void setVid(const QString &vid);
    QString pid() const;
    void setPid(const QString &pid);
    // The stored name as it is, without naming an unnamed profile.
    QString storedProfileName() const;
    // May write: an empty stored name becomes "Unnamed Profile NNN" and is synced at once.
    QString profileName();
    void setProfileName(const QString &name);

    // Any control of the table, by its storage and default rules. `companion` (may be null)
    // receives the enabled or automatic flag of controls that have one; a flag control reads 0
    // or 1.
    long controlValue(Control control, bool *companion = nullptr) const;
    // Writes the value, then the companion flag of controls that have one.
    void setControlValue(Control control, long value, bool companion = false);

    long brightness() const { return controlValue(Control::Brightness); }
    void setBrightness(long value) { setControlValue(Control::Brightness, value); }
    long contrast() const { return controlValue(Control::Contrast); }
    void setContrast(long value) { setControlValue(Control::Contrast, value); }
    long hue() const { return controlValue(Control::Hue); }
    void setHue(long value) { setControlValue(Control::Hue, value); }
    long saturation() const { return controlValue(Control::Saturation); }
    void setSaturation(long value) { setControlValue(Control::Saturation, value); }
    long sharpness() const { return controlValue(Control::Sharpness); }
    void setSharpness(long value) { setControlValue(Control::Sharpness, value); }

    // Companion "enabled" flags.
    long gamma(bool *enabled) const { return controlValue(Control::Gamma, enabled); }
    void setGamma(long value, bool enabled) { setControlValue(Control::Gamma, value, enabled); }
    long gain(bool *enabled) const { return controlValue(Control::Gain, enabled); }
    void setGain(long value, bool enabled) { setControlValue(Control::Gain, value, enabled); }
    long backlightCompensation(bool *enabled) const {
        return controlValue(Control::BacklightCompensation, enabled);
    }
    void setBacklightCompensation(long value, bool enabled) {
        setControlValue(Control::BacklightCompensation, value, enabled);
    }
    long powerLineFrequency(bool *enabled) const {
        return controlValue(Control::PowerLineFrequency, enabled);
    }
    void setPowerLineFrequency(long value, bool enabled) {
        setControlValue(Control::PowerLineFrequency, value, enabled);
    }
    long pan(bool *enabled) const { return controlValue(Control::Pan, enabled); }
    void setPan(long value, bool enabled) { setControlValue(Control::Pan, value, enabled); }
    long tilt(bool *enabled) const { return controlValue(Control::Tilt, enabled); }
    void setTilt(long value, bool enabled) { setControlValue(Control::Tilt, value, enabled); }
    long roll(bool *enabled) const { return controlValue(Control::Roll, enabled); }
    void setRoll(long value, bool enabled) { setControlValue(Control::Roll, value, enabled); }
    long zoom(bool *enabled) const { return controlValue(Control::Zoom, enabled); }
    void setZoom(long value, bool enabled) { setControlValue(Control::Zoom, value, enabled); }

    // Companion "auto" flags.
    long whiteBalance(bool *automatic) const {
        return controlValue(Control::WhiteBalance, automatic);
    }
    void setWhiteBalance(long value, bool automatic) {
        setControlValue(Control::WhiteBalance, value, automatic);
    }
    long exposure(bool *automatic) const { return controlValue(Control::Exposure, automatic); }
    void setExposure(long value, bool automatic) {
        setControlValue(Control::Exposure, value, automatic);
    }
    long focus(bool *automatic) const { return controlValue(Control::Focus, automatic); }
    void setFocus(long value, bool automatic) { setControlValue(Control::Focus, value, automatic); }

    bool lowLightCompensation() const { return controlValue(Control::LowLightCompensation) != 0; }
    void setLowLightCompensation(bool on) { setControlValue(Control::LowLightCompensation, on); }

private:
    QString m_filePath;
    QString m_defaultsCamera;
};
