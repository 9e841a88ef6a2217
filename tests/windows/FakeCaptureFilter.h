#pragma once

// A capture filter as a camera driver would expose it, for a machine without cameras: the filter
// itself, its two control families and its kernel-streaming properties, all sharing one reference
// count so that a test can see whether every reference handed out came back.

#include <windows.h>

#include <dshow.h>

#include <cstring>
#include <map>
#include <set>

#include "DirectShowIds.h"
#include "PowerLineData.h"

// An interface of the filter whose IUnknown is the filter's own.
template <class Interface>
class FilterPart : public Interface {
public:
    explicit FilterPart(IUnknown &owner) : m_owner(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        return m_owner.QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return m_owner.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_owner.Release(); }

private:
    IUnknown &m_owner;
};

class FakeCaptureFilter final : public IBaseFilter {
public:
    struct Control {
        LONG value = 0;
        LONG flags = 0;
    };

    // One family of numbered controls; ids outside `supported` are refused with E_INVALIDARG.
    template <class Interface>
    class Family final : public FilterPart<Interface> {
    public:
        Family(IUnknown &owner, std::set<LONG> supported)
            : FilterPart<Interface>(owner), m_supported(std::move(supported)) {}
        std::map<LONG, Control> controls;

        // Distinct numbers per field, so that a swapped output shows.
        HRESULT STDMETHODCALLTYPE GetRange(LONG id, LONG *min, LONG *max, LONG *step, LONG *def,
                                           LONG *caps) override {
            if (!m_supported.count(id))
                return E_INVALIDARG;
            *min = -5 - id;
            *max = 250 + id;
            *step = 5;
            *def = 10 * id + 1;
            *caps = 3;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Set(LONG id, LONG value, LONG flags) override {
            if (!m_supported.count(id))
                return E_INVALIDARG;
            controls[id] = {value, flags};
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Get(LONG id, LONG *value, LONG *flags) override {
            if (!m_supported.count(id))
                return E_INVALIDARG;
            *value = controls[id].value;
            *flags = controls[id].flags;
            return S_OK;
        }

    private:
        std::set<LONG> m_supported;
    };

    // Power-line frequency only, as a UVC driver answers it.
    class Properties final : public FilterPart<IKsPropertySet> {
    public:
        using FilterPart::FilterPart;
        LONG powerLine = 1;
        ULONG powerLineFlags = 2;
        bool lastDataFromTaskAllocator = false;
        bool lastInstanceZeroed = false;

        HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, LPVOID instance, DWORD instanceLength,
                                      LPVOID data, DWORD dataLength) override {
            const HRESULT hr = accept(set, id, instance, instanceLength, data, dataLength);
            if (hr == S_OK)
                powerLine = capture::powerLineValue(static_cast<unsigned char *>(data));
            return hr;
        }
        HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, LPVOID instance, DWORD instanceLength,
                                      LPVOID data, DWORD dataLength, DWORD *returned) override {
            const HRESULT hr = accept(set, id, instance, instanceLength, data, dataLength);
            if (hr != S_OK)
                return hr;
            auto *bytes = static_cast<unsigned char *>(data);
            capture::setPowerLineValue(bytes, powerLine);
            capture::setPowerLineFlags(bytes, powerLineFlags);
            *returned = dataLength;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID, DWORD, DWORD *) override {
            return E_NOTIMPL;
        }

    private:
        HRESULT accept(REFGUID set, DWORD id, LPVOID instance, DWORD instanceLength, LPVOID data,
                       DWORD dataLength) {
            if (!IsEqualGUID(set, directshow::kIidIAMVideoProcAmp))
                return E_PROP_SET_UNSUPPORTED;
            if (id != capture::kPowerLinePropertyId)
                return E_PROP_ID_UNSUPPORTED;
            if (!data || dataLength < capture::kPowerLineDataSize)
                return E_INVALIDARG;
            IMalloc *malloc = nullptr;
            lastDataFromTaskAllocator = false;
            if (CoGetMalloc(1, &malloc) == S_OK) {
                lastDataFromTaskAllocator = malloc->DidAlloc(data) == 1;
                malloc->Release();
            }
            static const unsigned char zeros[capture::kPowerLineInstanceSize] = {};
            lastInstanceZeroed = instance && instanceLength == capture::kPowerLineInstanceSize &&
                                 std::memcmp(instance, zeros, sizeof zeros) == 0;
            return S_OK;
        }
    };

    Family<IAMVideoProcAmp> procAmp{*this, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}};
    Family<IAMCameraControl> cameraControl{
        *this, {0, 1, 2, 3, 4, 5, 6, directshow::kCameraControlAutoExposurePriority}};
    Properties properties{*this};
    bool offersCameraControl = true;

    ULONG references() const { return m_refs; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IPersist) ||
            IsEqualGUID(iid, IID_IMediaFilter) || IsEqualGUID(iid, directshow::kIidIBaseFilter))
            *out = static_cast<IBaseFilter *>(this);
        else if (IsEqualGUID(iid, directshow::kIidIAMVideoProcAmp))
            *out = static_cast<IAMVideoProcAmp *>(&procAmp);
        else if (IsEqualGUID(iid, directshow::kIidIAMCameraControl) && offersCameraControl)
            *out = static_cast<IAMCameraControl *>(&cameraControl);
        else if (IsEqualGUID(iid, directshow::kIidIKsPropertySet))
            *out = static_cast<IKsPropertySet *>(&properties);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    // Lives on the stack of the test; the count is only watched, never used to delete.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph *, LPCWSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR *) override { return E_NOTIMPL; }

private:
    ULONG m_refs = 1;
};
