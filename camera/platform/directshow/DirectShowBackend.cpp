#include "DirectShowBackend.h"

#include <windows.h>

#include <dbt.h>
#include <dshow.h>

#include <cstddef>
#include <cstdint>

#include "ComRef.h"
#include "DeviceBroadcastRecord.h"
#include "DirectShowDevice.h"
#include "DirectShowIds.h"

namespace {

// The notification record that the window receives is read by a parser that knows only byte
// offsets; these tie its offsets to the system's own declaration.
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32, "filter record is 32 bytes");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_size) == capture::kBroadcastSizeOffset,
              "record size offset");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_devicetype) ==
                  capture::kBroadcastTypeOffset,
              "device type offset");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) == capture::kBroadcastNameOffset,
              "interface name offset");
static_assert(sizeof(DEV_BROADCAST_HDR) == capture::kBroadcastHeaderSize, "header size");
static_assert(std::uint32_t(WM_DEVICECHANGE) == capture::kWmDeviceChange, "message id");
static_assert(std::uintptr_t(DBT_DEVICEARRIVAL) == capture::kDbtDeviceArrival, "arrival");
static_assert(std::uintptr_t(DBT_DEVICEREMOVECOMPLETE) == capture::kDbtDeviceRemoveComplete,
              "removal");
static_assert(std::uint32_t(DBT_DEVTYP_DEVICEINTERFACE) == capture::kDbtDevTypDeviceInterface,
              "device type");
static_assert(CLSCTX_INPROC == 3, "in-process server or handler");

class DirectShowBackend final : public capture::Backend {
public:
    const char *name() const override { return "directshow"; }

    capture::Result enumerateVideoInputDevices(
        std::vector<std::shared_ptr<capture::Device>> &out) override {
        out.clear();
        ComRef<ICreateDevEnum> devEnum;
        HRESULT hr = CoCreateInstance(directshow::kClsidSystemDeviceEnum, nullptr, CLSCTX_INPROC,
                                      directshow::kIidICreateDevEnum, devEnum.putVoid());
        if (hr != S_OK || !devEnum)
            return failureOf(hr);

        ComRef<IEnumMoniker> monikers;
        hr = devEnum->CreateClassEnumerator(directshow::kClsidVideoInputDeviceCategory,
                                            monikers.put(), 0);
        // S_FALSE without an enumerator: the category is empty or not registered at all.
        if (SUCCEEDED(hr) && !monikers)
            return capture::kFalse;
        if (hr != S_OK)
            return failureOf(hr);

        monikers->Reset();
        for (;;) {
            ComRef<IMoniker> moniker;
            if (monikers->Next(1, moniker.put(), nullptr) != S_OK || !moniker)
                break;
            out.push_back(directshow::makeMonikerDevice(moniker.get()));
        }
        return capture::kOk;
    }

    // The sink stays unused here: the notifications reach the window as WM_DEVICECHANGE.
    capture::NotificationHandle registerDeviceNotification(std::uintptr_t window,
                                                           capture::DeviceChangeSink *) override {
        if (window == 0)
            return nullptr;
        DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_reserved = 0;
        filter.dbcc_classguid = directshow::toWindowsGuid(capture::kKsCategoryCapture);
        return RegisterDeviceNotificationW(reinterpret_cast<HWND>(window), &filter,
                                           DEVICE_NOTIFY_WINDOW_HANDLE);
    }

    bool unregisterDeviceNotification(capture::NotificationHandle handle) override {
        if (handle == nullptr)
            return true;
        return UnregisterDeviceNotification(static_cast<HDEVNOTIFY>(handle)) != FALSE;
    }

    // Qt Multimedia on Windows names a camera by its moniker display name.
    std::string captureDeviceName(const std::string &utf8Path) override { return utf8Path; }

private:
    // A call that answered with another success code than S_OK, or with S_OK but no object,
    // still ends the scan; it must not read as "no device".
    static capture::Result failureOf(HRESULT hr) { return FAILED(hr) ? hr : E_FAIL; }
};

}  // namespace

std::unique_ptr<capture::Backend> createDirectShowBackend() {
    return std::make_unique<DirectShowBackend>();
}
