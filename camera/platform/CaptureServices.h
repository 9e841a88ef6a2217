#pragma once

// The capture services the camera layer needs from the operating system, and nothing more.
// Standard C++ only: the Windows backend is built without Qt.
//
// Every call answers with an HRESULT-style code. Only kOk (0) counts as success; a failure keeps
// the system's own code so that it can be logged as it came.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace capture {

using Result = std::int32_t;

constexpr Result kOk = 0;                                             // S_OK
constexpr Result kFalse = 1;                                          // S_FALSE
constexpr Result kNotImplemented = static_cast<Result>(0x80004001u);  // E_NOTIMPL
constexpr Result kNoInterface = static_cast<Result>(0x80004002u);     // E_NOINTERFACE
constexpr Result kFail = static_cast<Result>(0x80004005u);            // E_FAIL
constexpr Result kAccessDenied = static_cast<Result>(0x80070005u);    // E_ACCESSDENIED
constexpr Result kGenFailure = static_cast<Result>(0x8007001Fu);      // ERROR_GEN_FAILURE
constexpr Result kInvalidArg = static_cast<Result>(0x80070057u);      // E_INVALIDARG
constexpr Result kBusy = static_cast<Result>(0x800700AAu);            // ERROR_BUSY
constexpr Result kDeviceNotConnected =
    static_cast<Result>(0x8007048Fu);                           // ERROR_DEVICE_NOT_CONNECTED
constexpr Result kNotFound = static_cast<Result>(0x80070490u);  // ERROR_NOT_FOUND

inline bool succeeded(Result r) {
    return r == kOk;
}

// Mode flags of a control, as the camera reports and accepts them.
constexpr std::int32_t kFlagAuto = 1;
constexpr std::int32_t kFlagManual = 2;

// IAMVideoProcAmp / IAMCameraControl: one family of numbered controls.
class ControlFamily {
public:
    virtual ~ControlFamily() = default;
    virtual Result getRange(std::int32_t id, std::int32_t *min, std::int32_t *max,
                            std::int32_t *step, std::int32_t *defaultValue,
                            std::int32_t *capsFlags) = 0;
    virtual Result get(std::int32_t id, std::int32_t *value, std::int32_t *flags) = 0;
    virtual Result set(std::int32_t id, std::int32_t value, std::int32_t flags) = 0;
};

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

inline bool operator==(const Guid &a, const Guid &b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.data4[i] != b.data4[i])
            return false;
    return true;
}

// PROPSETID_VIDCAP_VIDEOPROCAMP, the same bytes as IID_IAMVideoProcAmp.
constexpr Guid kPropSetVideoProcAmp = {
    0xC6E13360, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
// KSCATEGORY_CAPTURE, the interface class that device-change notifications are filtered by.
constexpr Guid kKsCategoryCapture = {
    0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// IKsPropertySet: kernel-streaming properties addressed by set GUID and id, with raw buffers.
class KsPropertySet {
public:
    virtual ~KsPropertySet() = default;
    virtual Result get(const Guid &propertySet, std::uint32_t id, const void *instanceData,
                       std::uint32_t instanceLength, void *propertyData, std::uint32_t dataLength,
                       std::uint32_t *bytesReturned) = 0;
    virtual Result set(const Guid &propertySet, std::uint32_t id, const void *instanceData,
                       std::uint32_t instanceLength, const void *propertyData,
                       std::uint32_t dataLength) = 0;
};

// The device's bound filter (IBaseFilter). Each query hands out an interface that the caller
// releases by destroying it; the filter is released the same way.
class BoundDevice {
public:
    virtual ~BoundDevice() = default;
    virtual Result queryVideoProcAmp(std::unique_ptr<ControlFamily> &out) = 0;
    virtual Result queryCameraControl(std::unique_ptr<ControlFamily> &out) = 0;
    virtual Result queryKsPropertySet(std::unique_ptr<KsPropertySet> &out) = 0;
};

// Reports of control changes that other programs make on one device, for as long as the watch
// exists. It keeps the device open; destroying it closes the device again.
class ControlChangeWatch {
public:
    virtual ~ControlChangeWatch() = default;
    // A descriptor that signals urgent data (POLLPRI) while reports wait.
    virtual int descriptor() const = 0;
    // Takes every waiting report; *changed tells whether there was any. A failure means the watch
    // has stopped working (for instance, the camera has gone).
    virtual Result takeChanges(bool *changed) = 0;
};

// One video-input device as the enumerator yields it (the moniker). Shared ownership is the
// counted reference that each list entry holds.
class Device {
public:
    virtual ~Device() = default;
    // The moniker's display name: "@device:pnp:" followed by the device-interface path.
    virtual Result displayName(std::string &utf8Out) = 0;
    // Binds the property bag and reads "FriendlyName"; a failure means the bag cannot be bound.
    virtual Result friendlyName(std::string &utf8Out) = 0;
    // Every name the device goes by, the one friendlyName gives first. A composite camera may
    // report its product and its video function under different names, and either may be the
    // one a supported model is known by.
    virtual Result friendlyNames(std::vector<std::string> &utf8Out) {
        utf8Out.clear();
        std::string name;
        const Result r = friendlyName(name);
        if (r == kOk)
            utf8Out.push_back(name);
        return r;
    }
    // BindToObject for the filter; may fail, for instance when the camera has gone.
    virtual Result bind(std::unique_ptr<BoundDevice> &out) = 0;
    // Starts reporting control changes; kNotImplemented where the system sends no such reports.
    virtual Result watchControlChanges(std::unique_ptr<ControlChangeWatch> &out) {
        out.reset();
        return kNotImplemented;
    }
};

// Receives arrivals and removals of capture-device interfaces on the thread that registered.
// The path has the same form as Device::displayName, possibly in another letter case.
class DeviceChangeSink {
public:
    virtual ~DeviceChangeSink() = default;
    virtual void deviceArrived(const std::string &utf8Path) = 0;
    virtual void deviceRemoved(const std::string &utf8Path) = 0;
};

using NotificationHandle = void *;

// A device the system shows but that could not be opened to be looked at, most often for want of
// access rights. It cannot be listed; the camera layer reports it so that the user learns why.
struct InaccessibleDevice {
    std::string node;  // the system's name for it, such as /dev/video0
    std::string utf8Path;
    std::vector<std::string> friendlyNames;
    int systemError = 0;  // the system's error number and its text
    std::string systemErrorText;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char *name() const = 0;

    // Lists the video-input devices in the system's order. kOk with the devices (possibly none
    // after filtering), kFalse when the category holds no device at all, or the failure code of
    // the enumerator.
    virtual Result enumerateVideoInputDevices(std::vector<std::shared_ptr<Device>> &out) = 0;
    // The devices the last enumeration found but could not open, one per camera whose devices
    // all failed.
    virtual std::vector<InaccessibleDevice> inaccessibleDevices() const { return {}; }

    // Registers for arrivals and removals of capture-device interfaces. On Windows the window
    // receives WM_DEVICECHANGE itself and the sink is not called; other backends call the sink.
    // A null handle on return means the registration failed.
    virtual NotificationHandle registerDeviceNotification(std::uintptr_t window,
                                                          DeviceChangeSink *sink) = 0;
    virtual bool unregisterDeviceNotification(NotificationHandle handle) = 0;

    // The name the system's multimedia layer gives the device for live capture (a device node
    // such as /dev/video0, or the moniker display name on Windows); empty when it has none.
    virtual std::string captureDeviceName(const std::string &utf8Path) {
        (void)utf8Path;
        return std::string();
    }
};

}  // namespace capture
