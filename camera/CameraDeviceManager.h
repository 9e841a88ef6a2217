#pragma once

// The process-wide list of supported cameras, the selection, and every property operation on the
// selected camera. All of it is written once here against capture::Backend; backends only answer.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

#include "CaptureServices.h"
#include "ControlTable.h"
#include "PropertyIds.h"
#include "PropertyInfo.h"

struct CameraDevice {
    QString path;
    QString friendlyName;
    std::shared_ptr<capture::Device> device;  // the entry's own counted reference
};

class CameraDeviceManager : public QObject, private capture::DeviceChangeSink {
    Q_OBJECT
public:
    // Created on first use with the backend chosen by TINTWELL_CAMERA_BACKEND; never destroyed.
    static CameraDeviceManager *instance();

    // Replaces the backend (tests, benchmarks). Clears the list and the selection.
    void setBackend(std::unique_ptr<capture::Backend> backend);
    capture::Backend *backend() const { return m_backend.get(); }

    // Device list and selection.
    int enumerateDevices();
    int count() const { return m_devices.size(); }
    int currentIndex() const { return m_currentIndex; }
    // The entry's friendly name. Second and later cameras of one name carry " (2)", " (3)"... in
    // the order of their paths, so that twins keep their names while they stay on the same ports.
    QString friendlyName(int index) const;
    QString devicePath(int index) const;
    QString currentDevicePath() const;
    void setCurrentIndex(int index);
    void selectByPath(const QString &path);
    void selectByVidPid(const QString &vid, const QString &pid);
    void removeByPath(const QString &path);
    void removeAt(int index);
    void clearDevices();
    // The supported cameras the last enumeration found attached but could not open (on Linux,
    // most often for want of access to the video devices), by the name each would be listed
    // under. Empty when every camera could be opened.
    QStringList inaccessibleCameras() const { return m_inaccessibleCameras; }

    // Device-change notifications. `window` is the native window handle (winId()).
    bool registerDeviceNotification(quintptr window);
    bool unregisterDeviceNotification();

    // The name under which the multimedia layer knows the device of `path`, for live preview.
    QString captureDeviceName(const QString &path) const;

    // Property access on the current device. getControl and setControl reach either numbered
    // family; the power line has operations of its own.
    bool getControl(PropertyFamily family, PropertyInfo &info);
    void setControl(PropertyFamily family, int id, long value, bool automatic);
    bool getProperty(PropertyInfo &info) { return getControl(PropertyFamily::VideoProcAmp, info); }
    bool getCameraControlInfo(PropertyInfo &info) {
        return getControl(PropertyFamily::CameraControl, info);
    }
    void setProperty(VideoProcAmpProperty id, long value, bool automatic) {
        setControl(PropertyFamily::VideoProcAmp, id, value, automatic);
    }
    void setCameraControl(CameraControlProperty id, long value, bool automatic) {
        setControl(PropertyFamily::CameraControl, id, value, automatic);
    }
    long getPowerLineFrequency(bool *ok);
    bool setPowerLineFrequency(long value);

    // The same operations on the listed camera of `path` (compared ignoring case), whichever
    // camera is selected: for cameras that are not shown. An unlisted path acts like no device.
    bool getControl(const QString &path, PropertyFamily family, PropertyInfo &info);
    void setControl(const QString &path, PropertyFamily family, int id, long value, bool automatic);
    bool getProperty(const QString &path, PropertyInfo &info) {
        return getControl(path, PropertyFamily::VideoProcAmp, info);
    }
    long getPowerLineFrequency(const QString &path, bool *ok);
    bool setPowerLineFrequency(const QString &path, long value);
    // Control-change reports of the listed camera of `path`; false where the system has none.
    bool watchControlChanges(const QString &path,
                             std::unique_ptr<capture::ControlChangeWatch> &out);

    // A control of the table (ControlTable.h) other than the power line, on the current device.
    void setControl(Control control, long value, bool automatic = false) {
        setControl(controlEntry(control).family, controlEntry(control).id, value, automatic);
    }
    void setBrightness(long value) { setControl(Control::Brightness, value); }
    void setContrast(long value) { setControl(Control::Contrast, value); }
    void setHue(long value) { setControl(Control::Hue, value); }
    void setSaturation(long value) { setControl(Control::Saturation, value); }
    void setSharpness(long value) { setControl(Control::Sharpness, value); }
    void setGamma(long value) { setControl(Control::Gamma, value); }
    void setWhiteBalance(long value, bool automatic) {
        setControl(Control::WhiteBalance, value, automatic);
    }
    void setBacklightCompensation(long value) { setControl(Control::BacklightCompensation, value); }
    void setGain(long value) { setControl(Control::Gain, value); }
    void setPan(long value) { setControl(Control::Pan, value); }
    void setTilt(long value) { setControl(Control::Tilt, value); }
    void setRoll(long value) { setControl(Control::Roll, value); }
    void setZoom(long value) { setControl(Control::Zoom, value); }
    void setExposure(long value, bool automatic) {
        setControl(Control::Exposure, value, automatic);
    }
    void setFocus(long value, bool automatic) { setControl(Control::Focus, value, automatic); }
    void setLowLightCompensation(bool on) { setControl(Control::LowLightCompensation, on ? 1 : 0); }

signals:
    // Arrivals and removals reported by backends that deliver them to the program (every backend
    // but the Windows one, whose notifications reach the main window as WM_DEVICECHANGE).
    void deviceArrival(const QString &devPath);
    void deviceRemoval(const QString &devPath);

private:
    explicit CameraDeviceManager(std::unique_ptr<capture::Backend> backend);
    void deviceArrived(const std::string &utf8Path) override;
    void deviceRemoved(const std::string &utf8Path) override;
    // The selected entry's device, or null when the current index is outside the list.
    std::shared_ptr<capture::Device> currentDevice() const;
    // Writes a debug line and an access-log line for each device the backend could not open.
    void noteInaccessibleDevices();
    std::shared_ptr<capture::Device> deviceOf(const QString &path) const;

    std::unique_ptr<capture::Backend> m_backend;
    QVector<CameraDevice> m_devices;
    int m_currentIndex = -1;
    QStringList m_inaccessibleCameras;
    capture::NotificationHandle m_notificationHandle = nullptr;
};
