// Drives the Windows capture backend through the capture interface on a machine without cameras
// (Wine in CI): the system's enumerator and USER32 are real, the camera filter is emulated.
// Prints one line per check and exits non-zero when any failed.

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
// So is the layout of the device-change record the main window parses.
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_size) ==
                      capture::kBroadcastSizeOffset &&
                  offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_devicetype) ==
                      capture::kBroadcastTypeOffset &&
                  offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) ==
                      capture::kBroadcastNameOffset &&
                  sizeof(DEV_BROADCAST_HDR) == capture::kBroadcastHeaderSize,
              "");
static_assert(DBT_DEVICEARRIVAL == capture::kDbtDeviceArrival &&
                  DBT_DEVICEREMOVECOMPLETE == capture::kDbtDeviceRemoveComplete &&
                  DBT_DEVTYP_DEVICEINTERFACE == capture::kDbtDevTypDeviceInterface &&
                  WM_DEVICECHANGE == capture::kWmDeviceChange,
              "");

namespace {

int failures = 0;

void check(bool ok, const char *what, long code = 0) {
    std::printf("%s %s (0x%08lx)\n", ok ? "ok  " : "FAIL", what, static_cast<unsigned long>(code));
    failures += ok ? 0 : 1;
}

void checkIds() {
    using namespace directshow;
    const GUID ours[] = {kClsidSystemDeviceEnum,
                         kIidICreateDevEnum,
                         kClsidVideoInputDeviceCategory,
                         kIidIPropertyBag,
                         kIidIBaseFilter,
                         kIidIAMVideoProcAmp,
                         kIidIAMCameraControl,
                         kIidIKsPropertySet,
                         toWindowsGuid(capture::kKsCategoryCapture),
                         toWindowsGuid(capture::kPropSetVideoProcAmp)};
    const GUID sdk[] = {CLSID_SystemDeviceEnum,
                        IID_ICreateDevEnum,
                        CLSID_VideoInputDeviceCategory,
                        IID_IPropertyBag,
                        IID_IBaseFilter,
                        IID_IAMVideoProcAmp,
                        IID_IAMCameraControl,
                        IID_IKsPropertySet,
                        {STATIC_KSCATEGORY_CAPTURE},
                        {STATIC_PROPSETID_VIDCAP_VIDEOPROCAMP}};
    for (std::size_t i = 0; i < sizeof ours / sizeof *ours; ++i)
        check(IsEqualGUID(ours[i], sdk[i]), "class, interface and property-set ids are the SDK's",
              long(i));
}

void checkEnumeration(capture::Backend &backend) {
    std::vector<std::shared_ptr<capture::Device>> devices;
    const capture::Result r = backend.enumerateVideoInputDevices(devices);
    check(r == capture::kOk || (r == capture::kFalse && devices.empty()),
          "enumeration answers without error, no device with an empty category", r);
}

void checkInvalidReferences() {
    std::unique_ptr<capture::BoundDevice> bound;
    std::string text = "untouched";
    const auto nothing = directshow::makeMonikerDevice(nullptr);
    check(nothing->bind(bound) != capture::kOk && !bound &&
              nothing->displayName(text) != capture::kOk && text.empty() &&
              nothing->friendlyName(text) != capture::kOk,
          "a device without a moniker neither binds nor has a name");

    // A moniker that names an object which is no capture filter (a bind context).
    IBindCtx *notAFilter = nullptr;
    IMoniker *moniker = nullptr;
    HRESULT hr = CreateBindCtx(0, &notAFilter);
    if (hr == S_OK) {
        hr = CreatePointerMoniker(notAFilter, &moniker);
        notAFilter->Release();
    }
    check(hr == S_OK, "pointer moniker created", hr);
    if (hr == S_OK) {
        const auto device = directshow::makeMonikerDevice(moniker);
        moniker->Release();
        text = "untouched";
        check(device->bind(bound) != capture::kOk && !bound &&
                  device->friendlyName(text) != capture::kOk && text.empty(),
              "a moniker that names no filter neither binds nor gives a friendly name");
    }
    // Display names come back as UTF-8, also outside the basic plane.
    if (CreateFileMoniker(L"C:\\cam\u00e9ra\\\U0001F4F7.bin", &moniker) == S_OK) {
        const auto fileDevice = directshow::makeMonikerDevice(moniker);
        moniker->Release();
        const capture::Result r = fileDevice->displayName(text);
        check(r == capture::kOk && text == "C:\\cam\xC3\xA9ra\\\xF0\x9F\x93\xB7.bin",
              "display name converted to UTF-8", r);
    }
}

// A device's property bag whose read fails without touching the variant it was given, as a
// driver's bag may; it notes what the variant held.
class FailingPropertyBag final : public IPropertyBag {
public:
    bool handedNullString = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        *out = IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IPropertyBag)
                   ? static_cast<IPropertyBag *>(this)
                   : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR, VARIANT *value, IErrorLog *) override {
        handedNullString = value->vt == VT_BSTR && value->bstrVal == nullptr;
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT *) override { return E_NOTIMPL; }
};

// Puts `replacement` in this program's import table in place of `function` from `dll`.
bool replaceImport(const char *dll, const char *function, void *replacement) {
    auto *base = reinterpret_cast<BYTE *>(GetModuleHandleW(nullptr));
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
    auto *module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; module->Name; ++module) {
        if (lstrcmpiA(reinterpret_cast<char *>(base + module->Name), dll) != 0)
            continue;
        auto *name = reinterpret_cast<IMAGE_THUNK_DATA *>(base + module->OriginalFirstThunk);
        auto *slot = reinterpret_cast<IMAGE_THUNK_DATA *>(base + module->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) ||
                std::strcmp(
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + name->u1.AddressOfData)->Name,
                    function) != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(slot, sizeof *slot, protection, &protection);
            return true;
        }
    }
    return false;
}

// VariantInit promises only the type. This one leaves the rest as the memory held it, here a
// string that is not the caller's to free; Wine's clears the whole variant and would hide that.
BSTR g_leftInVariant = nullptr;
void WINAPI typeOnlyVariantInit(VARIANTARG *value) {
    value->vt = VT_EMPTY;
    value->bstrVal = g_leftInVariant;
}

void checkFailedFriendlyNameRead() {
    FailingPropertyBag bag;
    IMoniker *moniker = nullptr;
    if (CreatePointerMoniker(&bag, &moniker) != S_OK)
        return check(false, "pointer moniker for a failing property bag");
    const auto device = directshow::makeMonikerDevice(moniker);
    moniker->Release();
    g_leftInVariant = SysAllocString(L"not the reader's");
    check(replaceImport("oleaut32.dll", "VariantInit",
                        reinterpret_cast<void *>(&typeOnlyVariantInit)),
          "VariantInit replaced by one that sets only the type");
    std::string name = "untouched";
    const capture::Result r = device->friendlyName(name);
    check(r == capture::Result(E_FAIL) && name.empty() && bag.handedNullString,
          "a failed friendly-name read frees nothing it was not given", r);
}

void checkPowerLine(FakeCaptureFilter &camera, capture::KsPropertySet &properties) {
    const unsigned char instance[capture::kPowerLineInstanceSize] = {};
    unsigned char data[capture::kPowerLineDataSize] = {};
    std::uint32_t returned = 0;
    camera.properties.powerLine = 3;
    camera.properties.powerLineFlags = 0x80000002u;
    capture::Result r = properties.get(capture::kPropSetVideoProcAmp, capture::kPowerLinePropertyId,
                                       instance, sizeof instance, data, sizeof data, &returned);
    check(r == capture::kOk && capture::powerLineValue(data) == 3 &&
              capture::powerLineFlags(data) == 0x80000002u && returned == sizeof data,
          "power-line frequency read through the 44-byte buffer", r);
    check(camera.properties.lastDataFromTaskAllocator && camera.properties.lastInstanceZeroed,
          "the driver gets task-allocator data and the zeroed instance");
    capture::setPowerLineValue(data, 1);
    r = properties.set(capture::kPropSetVideoProcAmp, capture::kPowerLinePropertyId, instance,
                       sizeof instance, data, sizeof data);
    check(r == capture::kOk && camera.properties.powerLine == 1, "power-line frequency written", r);
    std::memset(data, 0xAB, sizeof data);
    returned = 99;
    r = properties.get(capture::kKsCategoryCapture, capture::kPowerLinePropertyId, instance,
                       sizeof instance, data, sizeof data, &returned);
    check(r == static_cast<capture::Result>(E_PROP_SET_UNSUPPORTED) && data[24] == 0xAB &&
              returned == 0,
          "a refused property read leaves the buffer alone", r);
}

void checkControls() {
    FakeCaptureFilter camera;
    IMoniker *moniker = nullptr;
    if (CreatePointerMoniker(static_cast<IBaseFilter *>(&camera), &moniker) != S_OK)
        return check(false, "pointer moniker for the emulated camera");
    const auto device = directshow::makeMonikerDevice(moniker);
    moniker->Release();
    const ULONG baseline = camera.references();
    {
        std::unique_ptr<capture::BoundDevice> bound;
        std::unique_ptr<capture::ControlFamily> procAmp, cameraControl;
        std::unique_ptr<capture::KsPropertySet> properties;
        const bool bindsWithEverything = device->bind(bound) == capture::kOk && bound &&
                                         bound->queryVideoProcAmp(procAmp) == capture::kOk &&
                                         bound->queryCameraControl(cameraControl) == capture::kOk &&
                                         bound->queryKsPropertySet(properties) == capture::kOk;
        check(bindsWithEverything, "emulated camera binds and offers its control interfaces");
        if (!bindsWithEverything)
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
        checkPowerLine(camera, *properties);
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

void checkNotifications(capture::Backend &backend) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TintwellSmokeWindow";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, windowClass.hInstance, nullptr);
    check(window != nullptr, "message-only window created", window ? 0 : GetLastError());
    if (!window)
        return;
    capture::NotificationHandle handle =
        backend.registerDeviceNotification(reinterpret_cast<std::uintptr_t>(window), nullptr);
    check(handle && backend.unregisterDeviceNotification(handle),
          "registered and unregistered for capture-device notifications", GetLastError());
    check(!backend.registerDeviceNotification(0, nullptr) &&
              backend.unregisterDeviceNotification(nullptr),
          "no registration without a window; nothing to unregister is no failure");
    DestroyWindow(window);
}

}  // namespace

int main() {
    const HRESULT hr = CoInitialize(nullptr);
    check(SUCCEEDED(hr), "COM initialised", hr);
    const std::unique_ptr<capture::Backend> backend = createDirectShowBackend();
    checkIds();
    checkEnumeration(*backend);
    checkInvalidReferences();
    checkFailedFriendlyNameRead();
    checkControls();
    checkNotifications(*backend);
    CoUninitialize();
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
