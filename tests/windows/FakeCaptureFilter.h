#pragma once

// A capture filter as a camera driver exposes it, answering by the SDK's own identifiers and
// layouts: two control families and the power-line property share the filter's reference count,
// so a test sees whether every reference handed out came back.

#include <windows.h>

#include <dshow.h>
#include <ks.h>
#include <ksmedia.h>

#include <cstring>
#include <map>

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

// Controls 0 to 9 and 19; a range has a distinct number per field, so a swapped output shows.
template <class Interface>
class FakeControls final : public FilterPart<Interface> {
public:
    using FilterPart<Interface>::FilterPart;
    std::map<LONG, std::pair<LONG, LONG>> values;  // id: value, flags

    HRESULT STDMETHODCALLTYPE GetRange(LONG id, LONG *min, LONG *max, LONG *step, LONG *def,
                                       LONG *caps) override {
        if (!known(id))
            return E_INVALIDARG;
        *min = -5 - id, *max = 250 + id, *step = 5, *def = 10 * id + 1, *caps = 3;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Set(LONG id, LONG value, LONG flags) override {
        return known(id) ? (values[id] = {value, flags}, S_OK) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE Get(LONG id, LONG *value, LONG *flags) override {
        if (!known(id))
            return E_INVALIDARG;
        *value = values[id].first, *flags = values[id].second;
        return S_OK;
    }

private:
    static bool known(LONG id) { return (id >= 0 && id < 10) || id == 19; }
};

// Power-line frequency only, in a KSPROPERTY_VIDEOPROCAMP_S at the start of a 44-byte buffer.
class FakeProperties final : public FilterPart<IKsPropertySet> {
public:
    using FilterPart::FilterPart;
    KSPROPERTY_VIDEOPROCAMP_S powerLine = {};
    bool dataFromTaskAllocator = false, instanceZeroed = false;

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
            std::memcpy(data, &powerLine, sizeof powerLine), *returned = dataLength;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID, DWORD, DWORD *) override { return E_NOTIMPL; }

private:
    HRESULT accept(REFGUID set, DWORD id, LPVOID instance, DWORD instanceLength, LPVOID data,
                   DWORD dataLength) {
        if (!IsEqualGUID(set, PROPSETID_VIDCAP_VIDEOPROCAMP))
            return E_PROP_SET_UNSUPPORTED;
        if (id != KSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY)
            return E_PROP_ID_UNSUPPORTED;
        if (!data || dataLength != 44)
            return E_INVALIDARG;
        IMalloc *malloc = nullptr;
        dataFromTaskAllocator = CoGetMalloc(1, &malloc) == S_OK && malloc->DidAlloc(data) == 1;
        if (malloc)
            malloc->Release();
        static const KSPROPERTY zeros = {};
        instanceZeroed = instance && instanceLength == sizeof zeros &&
                         std::memcmp(instance, &zeros, sizeof zeros) == 0;
        return S_OK;
    }
};

class FakeCaptureFilter final : public IBaseFilter {
public:
    FakeControls<IAMVideoProcAmp> procAmp{*this};
    FakeControls<IAMCameraControl> cameraControl{*this};
    FakeProperties properties{*this};
    bool offersCameraControl = true;
    ULONG references = 1;  // lives on the test's stack: counted, never deleted

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IBaseFilter))
            *out = static_cast<IBaseFilter *>(this);
        else if (IsEqualGUID(iid, IID_IAMVideoProcAmp))
            *out = static_cast<IAMVideoProcAmp *>(&procAmp);
        else if (IsEqualGUID(iid, IID_IAMCameraControl) && offersCameraControl)
            *out = static_cast<IAMCameraControl *>(&cameraControl);
        else if (IsEqualGUID(iid, IID_IKsPropertySet))
            *out = static_cast<IKsPropertySet *>(&properties);
        return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

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
};
