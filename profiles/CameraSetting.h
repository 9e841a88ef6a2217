#pragma once

#include <QString>

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

    long brightness() const;
    void setBrightness(long value);
    long contrast() const;
    void setContrast(long value);
    long hue() const;
    void setHue(long value);
    long saturation() const;
    void setSaturation(long value);
    long sharpness() const;
    void setSharpness(long value);

    // Companion "enabled" flags.
    long gamma(bool *enabled) const;
    void setGamma(long value, bool enabled);
    long gain(bool *enabled) const;
    void setGain(long value, bool enabled);
    long backlightCompensation(bool *enabled) const;
    void setBacklightCompensation(long value, bool enabled);
    long powerLineFrequency(bool *enabled) const;
    void setPowerLineFrequency(long value, bool enabled);
    long pan(bool *enabled) const;
    void setPan(long value, bool enabled);
    long tilt(bool *enabled) const;
    void setTilt(long value, bool enabled);
    long roll(bool *enabled) const;
    void setRoll(long value, bool enabled);
    long zoom(bool *enabled) const;
    void setZoom(long value, bool enabled);

    // Companion "auto" flags.
    long whiteBalance(bool *automatic) const;
    void setWhiteBalance(long value, bool automatic);
    long exposure(bool *automatic) const;
    void setExposure(long value, bool automatic);
    long focus(bool *automatic) const;
    void setFocus(long value, bool automatic);

    bool lowLightCompensation() const;
    void setLowLightCompensation(bool on);

private:
    QString m_filePath;
    QString m_defaultsCamera;
};
