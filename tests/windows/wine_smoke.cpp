// Drives the Windows capture backend through the capture interface on a machine without cameras
// (Wine in CI): the system's enumerator, monikers and USER32 are real, the camera filter is
// emulated. Prints one line per check and exits non-zero when any failed.

#include <cstdio>
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

// VariantInit promises only the type. The one this program imports leaves the rest as the memory
// held it (Wine's clears the whole variant, which would hide a reader relying on that): here a
// string that is not the reader's to free.
BSTR g_leftInVariant = nullptr;
void WINAPI typeOnlyVariantInit(VARIANTARG *value) {
    value->vt = VT_EMPTY;
    value->bstrVal = g_leftInVariant;
}
extern "C" {
void(WINAPI *__imp_VariantInit)(VARIANTARG *) = typeOnlyVariantInit;
}

using namespace capture;

namespace {

int failures = 0;

void check(bool ok, const char *what, long code = 0) {
    std::printf("%s %s (0x%08lx)\n", ok ? "ok  " : "FAIL", what, static_cast<unsigned long>(code));
    failures += ok ? 0 : 1;
}

std::shared_ptr<Device> deviceOf(IUnknown *object) {
    IMoniker *moniker = nullptr;
    CreatePointerMoniker(object, &moniker);
    auto device = directshow::makeMonikerDevice(moniker);
    if (moniker)
        moniker->Release();
    return device;
}

void checkNames() {
    // The ids that no call here would show wrong: a category Wine leaves empty, a notification
    // filter, an interface the emulated camera lacks.
    check(IsEqualGUID(directshow::kClsidVideoInputDeviceCategory, CLSID_VideoInputDeviceCategory) &&
              IsEqualGUID(directshow::toWindowsGuid(kKsCategoryCapture),
                          GUID{STATIC_KSCATEGORY_CAPTURE}) &&
              IsEqualGUID(directshow::kIidIAMCameraControl, IID_IAMCameraControl),
          "ids are the SDK's");
    std::unique_ptr<BoundDevice> bound;
    std::string text = "untouched";
    IBindCtx *notAFilter = nullptr;
    CreateBindCtx(0, &notAFilter);
    const auto nothing = directshow::makeMonikerDevice(nullptr), bogus = deviceOf(notAFilter);
    notAFilter->Release();
    check(nothing->bind(bound) != kOk && nothing->displayName(text) != kOk &&
              nothing->friendlyName(text) != kOk && bogus->bind(bound) != kOk && !bound &&
              bogus->friendlyName(text) != kOk && text.empty(),
          "no moniker or one that names no filter: nothing to bind, no name");
    IMoniker *file = nullptr;
    CreateFileMoniker(L"C:\\cam\u00e9ra\\\U0001F4F7.bin", &file);
    const Result r = directshow::makeMonikerDevice(file)->displayName(text);
    file->Release();
    check(r == kOk && text == "C:\\cam\xC3\xA9ra\\\xF0\x9F\x93\xB7.bin",
          "display name converted to UTF-8", r);
}

void checkControls(ControlFamily &procAmp) {
    std::int32_t min = 0, max = 0, step = 0, def = 0, caps = 0, value = 0, flags = 0;
    check(procAmp.getRange(4, &min, &max, &step, &def, &caps) == kOk && min == -9 && max == 254 &&
              step == 5 && def == 41 && caps == 3 && procAmp.set(7, 4600, 3) == kOk &&
              procAmp.get(7, &value, &flags) == kOk && value == 4600 && flags == 3,
          "range fields, a written value and its mode reach their places");
    const Result refused = procAmp.set(12, 1, 3);
    min = max = -10000;
    check(refused == kInvalidArg &&
              procAmp.getRange(12, &min, &max, &step, &def, &caps) == refused && min == -10000 &&
              max == -10000,
          "a refused call keeps the driver's code and leaves the fields alone", refused);
}

void checkPowerLine(FakeCaptureFilter &camera, KsPropertySet &properties) {
    const unsigned char instance[kPowerLineInstanceSize] = {};
    unsigned char data[kPowerLineDataSize] = {};
    std::uint32_t returned = 0;
    camera.powerLine.Value = -3;
    camera.powerLine.Flags = 0x80000002u;
    Result r = properties.get(kPropSetVideoProcAmp, kPowerLinePropertyId, instance, sizeof instance,
                              data, sizeof data, &returned);
    check(r == kOk && powerLineValue(data) == -3 && powerLineFlags(data) == 0x80000002u &&
              returned == sizeof data && camera.dataFromTaskAllocator && camera.instanceZeroed,
          "power-line frequency read through the 44-byte task-allocator buffer", r);
    setPowerLineValue(data, 1);
    r = properties.set(kPropSetVideoProcAmp, kPowerLinePropertyId, instance, sizeof instance, data,
                       sizeof data);
    check(r == kOk && camera.powerLine.Value == 1, "power-line frequency written", r);
    data[24] = 0xAB;
    r = properties.get(kKsCategoryCapture, kPowerLinePropertyId, instance, sizeof instance, data,
                       sizeof data, &returned);
    check(r == E_PROP_SET_UNSUPPORTED && data[24] == 0xAB && returned == 0,
          "a refused property read leaves the buffer alone", r);
}

void checkCamera() {
    FakeCaptureFilter camera;
    const auto device = deviceOf(static_cast<IAMVideoProcAmp *>(&camera));
    const ULONG baseline = camera.references;
    std::string name = "untouched";
    g_leftInVariant = SysAllocString(L"not the reader's");
    Result r = device->friendlyName(name);
    check(r == Result(E_FAIL) && name.empty() && camera.handedNullString,
          "a failed friendly-name read frees nothing it was not given", r);
    {
        std::unique_ptr<BoundDevice> bound;
        std::unique_ptr<ControlFamily> procAmp, missing;
        std::unique_ptr<KsPropertySet> properties;
        r = device->bind(bound);
        if (r == kOk && bound->queryVideoProcAmp(procAmp) == kOk &&
            bound->queryKsPropertySet(properties) == kOk)
            r = bound->queryCameraControl(missing);
        check(r == kNoInterface && !missing && properties,
              "the camera binds with its control interfaces, a missing one reported", r);
        if (!properties)
            return;
        checkControls(*procAmp);
        checkPowerLine(camera, *properties);
    }
    check(camera.references == baseline, "every interface obtained was released");
}

}  // namespace

int main() {
    CoInitialize(nullptr);
    const std::unique_ptr<Backend> backend = createDirectShowBackend();
    std::vector<std::shared_ptr<Device>> devices;
    const Result r = backend->enumerateVideoInputDevices(devices);
    check(r == kOk || (r == kFalse && devices.empty()),
          "enumeration answers without error, no device with an empty category", r);
    checkNames();
    checkCamera();
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    NotificationHandle handle =
        backend->registerDeviceNotification(reinterpret_cast<std::uintptr_t>(window), nullptr);
    check(handle && backend->unregisterDeviceNotification(handle) &&
              backend->unregisterDeviceNotification(nullptr),
          "registered and unregistered for device notifications; nothing to unregister is fine");
    CoUninitialize();
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
