#pragma once

// A capture filter as a driver exposes it, by the SDK's ids and layouts: image controls 0 to 9, no
// camera controls, the power-line property, a property bag whose read fails without touching the
// variant. It lives on the test's stack: references are counted, never used to delete it.

#include <windows.h>

#include <dshow.h>
#include <ks.h>
#include <ksmedia.h>

#include <cstring>

class FakeCaptureFilter final : public IAMVideoProcAmp, public IKsPropertySet, public IPropertyBag {
public:
    LONG lastValue = 0, lastFlags = 0;  // of the control written last
    KSPROPERTY_VIDEOPROCAMP_S powerLine = {};
    bool dataFromTaskAllocator = false, instanceZeroed = false, handedNullString = false;
    ULONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IBaseFilter) ||
            IsEqualGUID(iid, IID_IAMVideoProcAmp))
            *out = static_cast<IAMVideoProcAmp *>(this);
        else if (IsEqualGUID(iid, IID_IKsPropertySet))
            *out = static_cast<IKsPropertySet *>(this);
        else if (IsEqualGUID(iid, IID_IPropertyBag))
            *out = static_cast<IPropertyBag *>(this);
        return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    // A distinct number per field, so that a swapped output shows.
    HRESULT STDMETHODCALLTYPE GetRange(LONG id, LONG *min, LONG *max, LONG *step, LONG *def,
                                       LONG *caps) override {
        if (id < 0 || id > 9)
            return E_INVALIDARG;
        *min = -5 - id, *max = 250 + id, *step = 5, *def = 10 * id + 1, *caps = 3;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Set(LONG id, LONG value, LONG flags) override {
        if (id < 0 || id > 9)
            return E_INVALIDARG;
        lastValue = value, lastFlags = flags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Get(LONG id, LONG *value, LONG *flags) override {
        if (id < 0 || id > 9)
            return E_INVALIDARG;
        *value = lastValue, *flags = lastFlags;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, LPVOID instance, DWORD instanceLength,
                                  LPVOID data, DWORD dataLength) override {
        const HRESULT hr = accept(set, id, instance, instanceLength, data, dataLength);
        if (hr == S_OK)
            powerLine.Value = static_cast<KSPROPERTY_VIDEOPROCAMP_S *>(data)->Value;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, LPVOID instance, DWORD instanceLength,
                                  LPVOID data, DWORD dataLength, DWORD *returned) override {
        const HRESULT hr = accept(set, id, instance, instanceLength, data, dataLength);
        if (hr == S_OK)
            std::memcpy(data, &powerLine, sizeof powerLine);
        else if (data)  // as a driver may, even when it fails
            std::memset(data, 0xCD, dataLength);
        *returned = dataLength;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID, DWORD, DWORD *) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR, VARIANT *value, IErrorLog *) override {
        handedNullString = value->vt == VT_BSTR && value->bstrVal == nullptr;
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT *) override { return E_NOTIMPL; }

private:
    HRESULT accept(REFGUID set, DWORD id, LPVOID instance, DWORD instanceLength, LPVOID data,
                   DWORD dataLength) {
        if (!IsEqualGUID(set, PROPSETID_VIDCAP_VIDEOPROCAMP))
            return E_PROP_SET_UNSUPPORTED;
        if (id != KSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY || !data || dataLength != 44)
            return E_INVALIDARG;
        IMalloc *malloc = nullptr;
        dataFromTaskAllocator = CoGetMalloc(1, &malloc) == S_OK && malloc->DidAlloc(data) == 1;
        static const KSPROPERTY zeros = {};
        instanceZeroed = instance && instanceLength == sizeof zeros &&
                         std::memcmp(instance, &zeros, sizeof zeros) == 0;
        return S_OK;
    }
};
