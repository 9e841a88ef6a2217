#include "DirectShowControls.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "DirectShowIds.h"

namespace directshow {
namespace {

static_assert(sizeof(LONG) == sizeof(std::int32_t), "control values are 32-bit on Windows");
static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "property ids and sizes are 32-bit");

// IAMVideoProcAmp and IAMCameraControl have the same three calls. Results are handed on only
// when the call succeeded: a failed read leaves the caller's fields as they were.
template <class Interface>
class ControlInterface final : public capture::ControlFamily {
public:
    explicit ControlInterface(ComRef<Interface> iface) : m_iface(std::move(iface)) {}

    capture::Result getRange(std::int32_t id, std::int32_t *min, std::int32_t *max,
                             std::int32_t *step, std::int32_t *defaultValue,
                             std::int32_t *capsFlags) override {
        LONG lo = 0, hi = 0, delta = 0, def = 0, caps = 0;
        const HRESULT hr = m_iface->GetRange(id, &lo, &hi, &delta, &def, &caps);
        if (hr == S_OK) {
            store(min, lo);
            store(max, hi);
            store(step, delta);
            store(defaultValue, def);
            store(capsFlags, caps);
        }
        return hr;
    }

    capture::Result get(std::int32_t id, std::int32_t *value, std::int32_t *flags) override {
        LONG current = 0, mode = 0;
        const HRESULT hr = m_iface->Get(id, &current, &mode);
        if (hr == S_OK) {
            store(value, current);
            store(flags, mode);
        }
        return hr;
    }

    capture::Result set(std::int32_t id, std::int32_t value, std::int32_t flags) override {
        return m_iface->Set(id, value, flags);
    }

private:
    static void store(std::int32_t *out, LONG v) {
        if (out)
            *out = v;
    }

    ComRef<Interface> m_iface;
};

// The two buffers of one kernel-streaming call as the interface takes them: a private copy of the
// instance data (passed through a non-const pointer) and the property data in a block from the
// COM task allocator, as the proxy expects, freed on every way out.
class KsCallBuffers {
public:
    KsCallBuffers(const void *instance, std::uint32_t instanceLength, const void *data,
                  std::uint32_t dataLength)
        : m_dataLength(dataLength) {
        if ((!instance && instanceLength) || (!data && dataLength)) {
            m_status = E_POINTER;
            return;
        }
        const auto *first = static_cast<const unsigned char *>(instance);
        m_instance.assign(first, first + instanceLength);
        if (dataLength) {
            m_data = static_cast<unsigned char *>(CoTaskMemAlloc(dataLength));
            if (!m_data) {
                m_status = E_OUTOFMEMORY;
                return;
            }
            std::memcpy(m_data, data, dataLength);
        }
    }
    KsCallBuffers(const KsCallBuffers &) = delete;
    KsCallBuffers &operator=(const KsCallBuffers &) = delete;
    ~KsCallBuffers() { CoTaskMemFree(m_data); }

    HRESULT status() const { return m_status; }
    void *instance() { return m_instance.empty() ? nullptr : m_instance.data(); }
    DWORD instanceLength() const { return static_cast<DWORD>(m_instance.size()); }
    void *data() const { return m_data; }
    DWORD dataLength() const { return m_dataLength; }

private:
    HRESULT m_status = S_OK;
    std::vector<unsigned char> m_instance;
    unsigned char *m_data = nullptr;
    std::uint32_t m_dataLength;
};

// Kernel-streaming properties. The caller's buffer only receives what a successful read
// returned, never more than it holds.
class KsProperties final : public capture::KsPropertySet {
public:
    explicit KsProperties(ComRef<IKsPropertySet> iface) : m_iface(std::move(iface)) {}

    capture::Result get(const capture::Guid &propertySet, std::uint32_t id,
                        const void *instanceData, std::uint32_t instanceLength, void *propertyData,
                        std::uint32_t dataLength, std::uint32_t *bytesReturned) override {
        if (bytesReturned)
            *bytesReturned = 0;
        KsCallBuffers buffers(instanceData, instanceLength, propertyData, dataLength);
        if (buffers.status() != S_OK)
            return buffers.status();
        DWORD returned = 0;
        const HRESULT hr =
            m_iface->Get(toWindowsGuid(propertySet), id, buffers.instance(),
                         buffers.instanceLength(), buffers.data(), buffers.dataLength(), &returned);
        if (hr == S_OK) {
            if (dataLength)
                std::memcpy(propertyData, buffers.data(), dataLength);
            if (bytesReturned)
                *bytesReturned = returned < dataLength ? returned : dataLength;
        }
        return hr;
    }

    capture::Result set(const capture::Guid &propertySet, std::uint32_t id,
                        const void *instanceData, std::uint32_t instanceLength,
                        const void *propertyData, std::uint32_t dataLength) override {
        KsCallBuffers buffers(instanceData, instanceLength, propertyData, dataLength);
        if (buffers.status() != S_OK)
            return buffers.status();
        return m_iface->Set(toWindowsGuid(propertySet), id, buffers.instance(),
                            buffers.instanceLength(), buffers.data(), buffers.dataLength());
    }

private:
    ComRef<IKsPropertySet> m_iface;
};

}  // namespace

std::unique_ptr<capture::ControlFamily> wrapVideoProcAmp(ComRef<IAMVideoProcAmp> procAmp) {
    return std::make_unique<ControlInterface<IAMVideoProcAmp>>(std::move(procAmp));
}

std::unique_ptr<capture::ControlFamily> wrapCameraControl(ComRef<IAMCameraControl> control) {
    return std::make_unique<ControlInterface<IAMCameraControl>>(std::move(control));
}

std::unique_ptr<capture::KsPropertySet> wrapKsPropertySet(ComRef<IKsPropertySet> propertySet) {
    return std::make_unique<KsProperties>(std::move(propertySet));
}

}  // namespace directshow
