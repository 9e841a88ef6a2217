// Drives the Windows capture backend through the capture interface on a machine without cameras
// (Wine in CI): the system's enumerator, monikers and USER32 are real, the camera filter is
// emulated. Prints one line per check and exits non-zero when any failed.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DirectShowBackend.h"
#include "DirectShowDevice.h"
#include "DirectShowIds.h"
#include "FakeCaptureFilter.h"
#include "PowerLineData.h"

static_assert(KSPROPERTY_CAMERACONTROL_FOCAL_LENGTH + 1 ==
                  directshow::kCameraControlAutoExposurePriority,
              "low-light compensation follows the focal length in the camera-control ids");

namespace {

int failures = 0;

void check(bool ok, const char *what, long code = 0) {
    std::printf("%s %s (0x%08lx)\n", ok ? "ok  " : "FAIL", what, static_cast<unsigned long>(code));
    failures += ok ? 0 : 1;
}

// The ids that no call below would show wrong: a category Wine leaves empty, a notification filter.
void checkIds() {
    check(IsEqualGUID(directshow::kClsidVideoInputDeviceCategory, CLSID_VideoInputDeviceCategory) &&
              IsEqualGUID(directshow::toWindowsGuid(capture::kKsCategoryCapture),
                          GUID{STATIC_KSCATEGORY_CAPTURE}),
          "category ids are the SDK's");
}

IMoniker *pointerMoniker(IUnknown *object) {
    IMoniker *moniker = nullptr;
    return CreatePointerMoniker(object, &moniker) == S_OK ? moniker : nullptr;
}

std::shared_ptr<capture::Device> deviceOf(IMoniker *moniker) {
    auto device = directshow::makeMonikerDevice(moniker);
    if (moniker)
        moniker->Release();
    return device;
}

void checkMonikers(capture::Backend &backend) {
    std::vector<std::shared_ptr<capture::Device>> devices;
    capture::Result r = backend.enumerateVideoInputDevices(devices);
    check(r == capture::kOk || (r == capture::kFalse && devices.empty()),
          "enumeration answers without error, no device with an empty category", r);

    std::unique_ptr<capture::BoundDevice> bound;
    std::string text = "untouched";
    const auto nothing = directshow::makeMonikerDevice(nullptr);
    check(nothing->bind(bound) != capture::kOk && !bound &&
              nothing->displayName(text) != capture::kOk && text.empty() &&
              nothing->friendlyName(text) != capture::kOk,
          "a device without a moniker neither binds nor has a name");

    IBindCtx *notAFilter = nullptr;
    CreateBindCtx(0, &notAFilter);
    const auto bogus = deviceOf(pointerMoniker(notAFilter));
    notAFilter->Release();
    text = "untouched";
    check(bogus->bind(bound) != capture::kOk && !bound &&
              bogus->friendlyName(text) != capture::kOk && text.empty(),
          "a moniker that names no filter neither binds nor gives a friendly name");

    IMoniker *file = nullptr;
    CreateFileMoniker(L"C:\\cam\u00e9ra\\\U0001F4F7.bin", &file);
    r = deviceOf(file)->displayName(text);
    check(r == capture::kOk && text == "C:\\cam\xC3\xA9ra\\\xF0\x9F\x93\xB7.bin",
          "display name converted to UTF-8", r);
}

// A device's property bag whose read fails without touching the variant it was given, as a
// driver's bag may; it notes whether the variant held a null string.
class FailingPropertyBag final : public IPropertyBag {
public:
    bool handedNullString = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        const bool ours = IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IPropertyBag);
        *out = ours ? this : nullptr;
        return ours ? S_OK : E_NOINTERFACE;
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
            const auto *byName =
                reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + name->u1.AddressOfData);
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) || std::strcmp(byName->Name, function) != 0)
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
    const auto device = deviceOf(pointerMoniker(&bag));
    g_leftInVariant = SysAllocString(L"not the reader's");
    check(replaceImport("oleaut32.dll", "VariantInit",
                        reinterpret_cast<void *>(&typeOnlyVariantInit)),
          "VariantInit replaced by one that sets only the type");
    std::string name = "untouched";
    const capture::Result r = device->friendlyName(name);
    check(r == capture::Result(E_FAIL) && name.empty() && bag.handedNullString,
          "a failed friendly-name read frees nothing it was not given", r);
}

void checkPowerLine(FakeProperties &driver, capture::KsPropertySet &properties) {
    const unsigned char instance[capture::kPowerLineInstanceSize] = {};
    unsigned char data[capture::kPowerLineDataSize] = {};
    std::uint32_t returned = 0;
    driver.powerLine.Value = -3;
    driver.powerLine.Flags = 0x80000002u;
    capture::Result r = properties.get(capture::kPropSetVideoProcAmp, capture::kPowerLinePropertyId,
                                       instance, sizeof instance, data, sizeof data, &returned);
    check(r == capture::kOk && capture::powerLineValue(data) == -3 &&
              capture::powerLineFlags(data) == 0x80000002u && returned == sizeof data &&
              driver.dataFromTaskAllocator && driver.instanceZeroed,
          "power-line frequency read through the 44-byte task-allocator buffer", r);
    capture::setPowerLineValue(data, 1);
    r = properties.set(capture::kPropSetVideoProcAmp, capture::kPowerLinePropertyId, instance,
                       sizeof instance, data, sizeof data);
    check(r == capture::kOk && driver.powerLine.Value == 1, "power-line frequency written", r);
    std::memset(data, 0xAB, sizeof data);
    r = properties.get(capture::kKsCategoryCapture, capture::kPowerLinePropertyId, instance,
                       sizeof instance, data, sizeof data, &returned);
    check(r == E_PROP_SET_UNSUPPORTED && data[24] == 0xAB && returned == 0,
          "a refused property read leaves the buffer alone", r);
}

void checkControls() {
    FakeCaptureFilter camera;
    const auto device = deviceOf(pointerMoniker(static_cast<IBaseFilter *>(&camera)));
    const ULONG baseline = camera.references;
    {
        std::unique_ptr<capture::BoundDevice> bound;
        std::unique_ptr<capture::ControlFamily> procAmp, cameraControl;
        std::unique_ptr<capture::KsPropertySet> properties;
        const bool bindsWithEverything = device->bind(bound) == capture::kOk &&
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
        check(cameraControl->set(7, 4600, 3) == capture::kOk &&
                  cameraControl->get(7, &value, &flags) == capture::kOk && value == 4600 &&
                  flags == 3,
              "a control is written and read back");
        const capture::Result refused = procAmp->set(12, 1, 3);
        min = max = -10000;
        check(refused == capture::kInvalidArg &&
                  procAmp->getRange(12, &min, &max, &step, &def, &caps) == capture::kInvalidArg &&
                  min == -10000 && max == -10000,
              "a refused call keeps the driver's code and leaves the fields alone", refused);
        checkPowerLine(camera.properties, *properties);
    }
    check(camera.references == baseline, "every interface obtained was released");

    camera.offersCameraControl = false;
    std::unique_ptr<capture::BoundDevice> bound;
    std::unique_ptr<capture::ControlFamily> missing;
    device->bind(bound);
    const capture::Result r = bound ? bound->queryCameraControl(missing) : capture::kFail;
    bound.reset();
    check(r == capture::kNoInterface && !missing && camera.references == baseline,
          "a missing interface is reported, and nothing is held after it", r);
}

void checkNotifications(capture::Backend &backend) {
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    capture::NotificationHandle handle =
        backend.registerDeviceNotification(reinterpret_cast<std::uintptr_t>(window), nullptr);
    check(handle && backend.unregisterDeviceNotification(handle) &&
              backend.unregisterDeviceNotification(nullptr),
          "registered and unregistered for capture-device notifications; nothing to unregister "
          "is no failure",
          GetLastError());
    DestroyWindow(window);
}

}  // namespace

int main() {
    const HRESULT hr = CoInitialize(nullptr);
    check(SUCCEEDED(hr), "COM initialised", hr);
    const std::unique_ptr<capture::Backend> backend = createDirectShowBackend();
    checkIds();
    checkMonikers(*backend);
    checkFailedFriendlyNameRead();
    checkControls();
    checkNotifications(*backend);
    CoUninitialize();
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
