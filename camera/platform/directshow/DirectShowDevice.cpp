#include "DirectShowDevice.h"

#include <dshow.h>
#include <ocidl.h>

#include "ComRef.h"
#include "DirectShowControls.h"
#include "DirectShowIds.h"
#include "WideText.h"

namespace directshow {
namespace {

// QueryInterface that hands out an interface only on S_OK with a non-null pointer.
template <class Interface>
HRESULT queryInterface(IUnknown *from, const GUID &iid, ComRef<Interface> &out) {
    const HRESULT hr = from->QueryInterface(iid, out.putVoid());
    if (hr != S_OK) {
        out.reset();
        return hr;
    }
    return out ? S_OK : E_NOINTERFACE;
}

class BoundFilter final : public capture::BoundDevice {
public:
    explicit BoundFilter(ComRef<IBaseFilter> filter) : m_filter(std::move(filter)) {}

    capture::Result queryVideoProcAmp(std::unique_ptr<capture::ControlFamily> &out) override {
        return queryWrapped<IAMVideoProcAmp>(kIidIAMVideoProcAmp, wrapVideoProcAmp, out);
    }

    capture::Result queryCameraControl(std::unique_ptr<capture::ControlFamily> &out) override {
        return queryWrapped<IAMCameraControl>(kIidIAMCameraControl, wrapCameraControl, out);
    }

    capture::Result queryKsPropertySet(std::unique_ptr<capture::KsPropertySet> &out) override {
        return queryWrapped<IKsPropertySet>(kIidIKsPropertySet, wrapKsPropertySet, out);
    }

private:
    // Asks the filter for one control interface and hands it out behind its wrapper.
    template <class Interface, class Wrapped, class Wrap>
    capture::Result queryWrapped(const GUID &iid, Wrap wrap, std::unique_ptr<Wrapped> &out) {
        out.reset();
        ComRef<Interface> found;
        const HRESULT hr = queryInterface(m_filter.get(), iid, found);
        if (hr == S_OK)
            out = wrap(std::move(found));
        return hr;
    }

    ComRef<IBaseFilter> m_filter;
};

class MonikerDevice final : public capture::Device {
public:
    explicit MonikerDevice(IMoniker *moniker) : m_moniker(ComRef<IMoniker>::share(moniker)) {}

    capture::Result displayName(std::string &utf8Out) override {
        utf8Out.clear();
        if (!m_moniker)
            return E_POINTER;
        LPOLESTR name = nullptr;
        HRESULT hr = m_moniker->GetDisplayName(nullptr, nullptr, &name);
        if (hr == S_OK && name == nullptr)
            hr = E_POINTER;
        if (hr == S_OK)
            utf8Out = utf8FromWide(name);
        CoTaskMemFree(name);
        return hr;
    }

    capture::Result friendlyName(std::string &utf8Out) override {
        utf8Out.clear();
        if (!m_moniker)
            return E_POINTER;
        ComRef<IPropertyBag> bag;
        HRESULT hr = m_moniker->BindToStorage(nullptr, nullptr, kIidIPropertyBag, bag.putVoid());
        if (hr != S_OK || !bag)
            return hr == S_OK ? E_NOINTERFACE : hr;

        // VariantInit promises only the type, and a read that fails may leave the variant
        // alone: without a null string VariantClear would free whatever the stack held.
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = nullptr;
        hr = bag->Read(L"FriendlyName", &value, nullptr);
        if (hr == S_OK && value.vt != VT_BSTR)
            hr = DISP_E_TYPEMISMATCH;
        if (hr == S_OK)
            utf8Out = utf8FromWide(value.bstrVal, static_cast<int>(SysStringLen(value.bstrVal)));
        VariantClear(&value);
        return hr;
    }

    capture::Result bind(std::unique_ptr<capture::BoundDevice> &out) override {
        out.reset();
        if (!m_moniker)
            return E_POINTER;
        ComRef<IBaseFilter> filter;
        const HRESULT hr =
            m_moniker->BindToObject(nullptr, nullptr, kIidIBaseFilter, filter.putVoid());
        if (hr != S_OK || !filter)
            return hr == S_OK ? E_NOINTERFACE : hr;
        out = std::make_unique<BoundFilter>(std::move(filter));
        return S_OK;
    }

private:
    ComRef<IMoniker> m_moniker;
};

}  // namespace

std::shared_ptr<capture::Device> makeMonikerDevice(IMoniker *moniker) {
    return std::make_shared<MonikerDevice>(moniker);
}

}  // namespace directshow
