// Drives the Windows capture backend through the capture interface on a machine without cameras
// (Wine in CI): the system's enumerator and USER32 are real, the camera filter is emulated.
// Prints one line per check and exits with the number of failed checks.

#include <windows.h>

#include <dbt.h>
#include <dshow.h>
#include <ks.h>
#include <ksmedia.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DeviceBroadcastRecord.h"
#include "DirectShowBackend.h"
#include "DirectShowDevice.h"
#include "DirectShowIds.h"
#include "FakeCaptureFilter.h"
#include "PowerLineData.h"

// The layout the camera layer writes into the power-line buffer is the system's own.
static_assert(offsetof(KSPROPERTY_VIDEOPROCAMP_S, Value) == capture::kPowerLineValueOffset, "");
static_assert(offsetof(KSPROPERTY_VIDEOPROCAMP_S, Flags) == capture::kPowerLineFlagsOffset, "");
static_assert(sizeof(KSPROPERTY) == capture::kPowerLineInstanceSize, "");
static_assert(sizeof(KSPROPERTY_VIDEOPROCAMP_S) <= capture::kPowerLineDataSize, "");
static_assert(KSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY == capture::kPowerLinePropertyId, "");
static_assert(KSPROPERTY_CAMERACONTROL_FOCAL_LENGTH + 1 ==
                  directshow::kCameraControlAutoExposurePriority,
              "low-light compensation follows the focal length in the camera-control ids");

namespace {

int failures = 0;

void check(bool ok, const char *what, long code = 0) {
    std::printf("%s %s", ok ? "ok  " : "FAIL", what);
    if (code)
        std::printf(" (0x%08lx)", static_cast<unsigned long>(code));
    std::printf("\n");
    if (!ok)
        ++failures;
}

void checkGuids() {
    const GUID ksCategoryCapture = {STATIC_KSCATEGORY_CAPTURE};
    const GUID videoProcAmpSet = {STATIC_PROPSETID_VIDCAP_VIDEOPROCAMP};
    using namespace directshow;
    check(IsEqualGUID(kClsidSystemDeviceEnum, CLSID_SystemDeviceEnum) &&
              IsEqualGUID(kIidICreateDevEnum, IID_ICreateDevEnum) &&
              IsEqualGUID(kClsidVideoInputDeviceCategory, CLSID_VideoInputDeviceCategory) &&
              IsEqualGUID(kIidIPropertyBag, IID_IPropertyBag) &&
              IsEqualGUID(kIidIBaseFilter, IID_IBaseFilter) &&
              IsEqualGUID(kIidIAMVideoProcAmp, IID_IAMVideoProcAmp) &&
              IsEqualGUID(kIidIAMCameraControl, IID_IAMCameraControl) &&
              IsEqualGUID(kIidIKsPropertySet, IID_IKsPropertySet),
          "class and interface ids match the SDK's");
    check(IsEqualGUID(toWindowsGuid(capture::kKsCategoryCapture), ksCategoryCapture) &&
              IsEqualGUID(toWindowsGuid(capture::kPropSetVideoProcAmp), videoProcAmpSet),
          "capture category and video-proc-amp property set match the SDK's");
}

void checkEnumeration(capture::Backend &backend) {
    std::vector<std::shared_ptr<capture::Device>> first, second;
    const capture::Result r1 = backend.enumerateVideoInputDevices(first);
    const capture::Result r2 = backend.enumerateVideoInputDevices(second);
    std::printf("     enumeration: result 0x%08lx, %u devices\n", static_cast<unsigned long>(r1),
                static_cast<unsigned>(first.size()));
    check(r1 == capture::kFalse || r1 == capture::kOk, "enumeration answers without error", r1);
    check(r1 != capture::kFalse || first.empty(), "no device reported with an empty category");
    check(r1 == r2 && first.size() == second.size(), "enumerating twice gives the same answer");
}

void checkInvalidReferences() {
    const auto nothing = directshow::makeMonikerDevice(nullptr);
    std::unique_ptr<capture::BoundDevice> bound;
    std::string text = "untouched";
    check(nothing->bind(bound) != capture::kOk && !bound, "bind without a moniker fails");
    check(nothing->displayName(text) != capture::kOk && text.empty() &&
              nothing->friendlyName(text) != capture::kOk,
          "a device without a moniker has no name");

    // A moniker that names an object which is no capture filter (a bind context).
    IBindCtx *notAFilter = nullptr;
    IMoniker *moniker = nullptr;
    HRESULT hr = CreateBindCtx(0, &notAFilter);
    if (hr == S_OK) {
        hr = CreatePointerMoniker(notAFilter, &moniker);
        notAFilter->Release();
    }
    check(hr == S_OK, "pointer moniker created", hr);
    if (hr != S_OK)
        return;
    const auto device = directshow::makeMonikerDevice(moniker);
    moniker->Release();
    const capture::Result bindResult = device->bind(bound);
    check(bindResult != capture::kOk && !bound, "binding a moniker that names no filter fails",
          bindResult);
    check(device->friendlyName(text) != capture::kOk && text.empty(),
          "a moniker without a property bag gives no friendly name");

    // Display names come back as UTF-8, also outside the basic plane.
    hr = CreateFileMoniker(L"C:\\cam\u00e9ra\\\U0001F4F7.bin", &moniker);
    if (hr == S_OK) {
        const auto fileDevice = directshow::makeMonikerDevice(moniker);
        moniker->Release();
        const capture::Result r = fileDevice->displayName(text);
        check(r == capture::kOk && text == "C:\\cam\xC3\xA9ra\\\xF0\x9F\x93\xB7.bin",
              "display name converted to UTF-8", r);
    }
}

void checkControls() {
    FakeCaptureFilter camera;
    IMoniker *moniker = nullptr;
    if (CreatePointerMoniker(static_cast<IBaseFilter *>(&camera), &moniker) != S_OK) {
        check(false, "pointer moniker for the emulated camera");
        return;
    }
    const auto device = directshow::makeMonikerDevice(moniker);
    moniker->Release();
    const ULONG baseline = camera.references();
    {
        std::unique_ptr<capture::BoundDevice> bound;
        check(device->bind(bound) == capture::kOk && bound, "emulated camera binds");
        if (!bound)
            return;
        std::unique_ptr<capture::ControlFamily> procAmp, cameraControl;
        std::unique_ptr<capture::KsPropertySet> properties;
        check(bound->queryVideoProcAmp(procAmp) == capture::kOk &&
                  bound->queryCameraControl(cameraControl) == capture::kOk &&
                  bound->queryKsPropertySet(properties) == capture::kOk,
              "control interfaces obtained");
        if (!procAmp || !cameraControl || !properties)
            return;

        std::int32_t min = 0, max = 0, step = 0, def = 0, caps = 0, value = 0, flags = 0;
        check(procAmp->getRange(4, &min, &max, &step, &def, &caps) == capture::kOk && min == -9 &&
                  max == 254 && step == 5 && def == 41 && caps == 3,
              "range fields reach their places");
        check(procAmp->set(7, 4600, 3) == capture::kOk &&
                  procAmp->get(7, &value, &flags) == capture::kOk && value == 4600 && flags == 3,
              "an image control is written and read back");
        const capture::Result refused = procAmp->set(12, 1, 3);
        check(refused == capture::kInvalidArg, "a refused write keeps the driver's code", refused);
        min = max = -10000;
        check(procAmp->getRange(12, &min, &max, &step, &def, &caps) == capture::kInvalidArg &&
                  min == -10000 && max == -10000,
              "a failed range read leaves the fields alone");
        check(cameraControl->set(directshow::kCameraControlAutoExposurePriority, 1, 2) ==
                      capture::kOk &&
                  camera.cameraControl.controls[19].value == 1 &&
                  camera.cameraControl.controls[19].flags == 2,
              "low-light compensation goes out as camera control 19");

        const unsigned char instance[capture::kPowerLineInstanceSize] = {};
        unsigned char data[capture::kPowerLineDataSize] = {};
        std::uint32_t returned = 0;
        camera.properties.powerLine = 3;
        camera.properties.powerLineFlags = 0x80000002u;
        capture::Result r =
            properties->get(capture::kPropSetVideoProcAmp, capture::kPowerLinePropertyId, instance,
                            sizeof instance, data, sizeof data, &returned);
        check(r == capture::kOk && capture::powerLineValue(data) == 3 &&
                  capture::powerLineFlags(data) == 0x80000002u && returned == sizeof data,
              "power-line frequency read through the 44-byte buffer", r);
        check(camera.properties.lastDataFromTaskAllocator && camera.properties.lastInstanceZeroed,
              "the driver gets task-allocator data and the zeroed instance");
        std::memset(data, 0, sizeof data);
        capture::setPowerLineValue(data, 1);
        r = properties->set(capture::kPropSetVideoProcAmp, capture::kPowerLinePropertyId, instance,
                            sizeof instance, data, sizeof data);
        check(r == capture::kOk && camera.properties.powerLine == 1, "power-line frequency written",
              r);
        std::memset(data, 0xAB, sizeof data);
        returned = 99;
        r = properties->get(capture::kKsCategoryCapture, capture::kPowerLinePropertyId, instance,
                            sizeof instance, data, sizeof data, &returned);
        check(r == static_cast<capture::Result>(E_PROP_SET_UNSUPPORTED) && data[24] == 0xAB &&
                  returned == 0,
              "a refused property read leaves the buffer alone", r);
    }
    check(camera.references() == baseline, "every interface obtained was released");

    camera.offersCameraControl = false;
    std::unique_ptr<capture::BoundDevice> bound;
    std::unique_ptr<capture::ControlFamily> missing;
    if (device->bind(bound) == capture::kOk && bound) {
        const capture::Result r = bound->queryCameraControl(missing);
        check(r == capture::kNoInterface && !missing, "a missing interface is reported", r);
    }
    bound.reset();
    check(camera.references() == baseline, "nothing held after a failed query");
}

capture::DeviceBroadcast lastBroadcast;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE)
        lastBroadcast = capture::parseDeviceBroadcastMessage(wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

void checkNotifications(capture::Backend &backend) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TintwellSmokeWindow";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, windowClass.hInstance, nullptr);
    check(window != nullptr, "message-only window created", window ? 0 : GetLastError());
    if (!window)
        return;

    const auto windowId = reinterpret_cast<std::uintptr_t>(window);
    capture::NotificationHandle handle = backend.registerDeviceNotification(windowId, nullptr);
    check(handle != nullptr, "registered for capture-device notifications",
          handle ? 0 : GetLastError());
    check(backend.unregisterDeviceNotification(handle), "unregistered");
    check(backend.registerDeviceNotification(0, nullptr) == nullptr,
          "no registration without a window");
    check(backend.unregisterDeviceNotification(nullptr), "nothing to unregister is no failure");

    // A record as the system sends it, parsed the way the main window does.
    const wchar_t name[] = L"\\\\?\\usb#vid_abcd&pid_12ef#5&1\u00e9#{65e8773d}\\global";
    std::vector<unsigned char> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) +
                                     sizeof name);
    auto *record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W *>(bytes.data());
    record->dbcc_size = static_cast<DWORD>(bytes.size());
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(record->dbcc_name, name, sizeof name);
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                 reinterpret_cast<LPARAM>(record));
    check(lastBroadcast.kind == capture::DeviceBroadcastKind::Removal &&
              lastBroadcast.utf8Path ==
                  "@device:pnp:\\\\?\\usb#vid_abcd&pid_12ef#5&1\xC3\xA9#{65e8773d}\\global",
          "a removal record becomes the device path");
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    check(lastBroadcast.kind == capture::DeviceBroadcastKind::None,
          "other device changes are ignored");
    DestroyWindow(window);
}

}  // namespace

int main() {
    const HRESULT hr = CoInitialize(nullptr);
    check(SUCCEEDED(hr), "COM initialised", hr);
    const std::unique_ptr<capture::Backend> backend = createDirectShowBackend();
    checkGuids();
    checkEnumeration(*backend);
    checkInvalidReferences();
    checkControls();
    checkNotifications(*backend);
    CoUninitialize();
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
