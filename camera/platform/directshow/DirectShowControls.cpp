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

// Frees a CoTaskMemAlloc block on every way out.
class TaskMemBuffer {
public:
    explicit TaskMemBuffer(std::uint32_t size)
        : m_data(static_cast<unsigned char *>(CoTaskMemAlloc(size ? size : 1))) {
        if (m_data)
            std::memset(m_data, 0, size ? size : 1);
    }
    TaskMemBuffer(const TaskMemBuffer &) = delete;
    TaskMemBuffer &operator=(const TaskMemBuffer &) = delete;
    ~TaskMemBuffer() { CoTaskMemFree(m_data); }
    unsigned char *data() const { return m_data; }

private:
    unsigned char *m_data;
};

// Kernel-streaming properties. The property data goes to the driver in a block from the COM task
// allocator, as the proxy expects; the caller's buffer only receives what a successful read
// returned, never more than it holds.
class KsProperties final : public capture::KsPropertySet {
public:
    explicit KsProperties(ComRef<IKsPropertySet> iface) : m_iface(std::move(iface)) {}

    capture::Result get(const capture::Guid &propertySet, std::uint32_t id,
                        const void *instanceData, std::uint32_t instanceLength, void *propertyData,
                        std::uint32_t dataLength, std::uint32_t *bytesReturned) override {
        if (bytesReturned)
            *bytesReturned = 0;
        if (!validBuffers(instanceData, instanceLength, propertyData, dataLength))
            return E_POINTER;
        std::vector<unsigned char> instance = copyOf(instanceData, instanceLength);
        TaskMemBuffer data(dataLength);
        if (!data.data())
            return E_OUTOFMEMORY;
        if (dataLength)
            std::memcpy(data.data(), propertyData, dataLength);

        const GUID set = toWindowsGuid(propertySet);
        DWORD returned = 0;
        const HRESULT hr =
            m_iface->Get(set, id, instance.empty() ? nullptr : instance.data(), instanceLength,
                         dataLength ? data.data() : nullptr, dataLength, &returned);
        if (hr == S_OK) {
            if (dataLength)
                std::memcpy(propertyData, data.data(), dataLength);
            if (bytesReturned)
                *bytesReturned = returned < dataLength ? returned : dataLength;
        }
        return hr;
    }

    capture::Result set(const capture::Guid &propertySet, std::uint32_t id,
                        const void *instanceData, std::uint32_t instanceLength,
                        const void *propertyData, std::uint32_t dataLength) override {
        if (!validBuffers(instanceData, instanceLength, propertyData, dataLength))
            return E_POINTER;
        std::vector<unsigned char> instance = copyOf(instanceData, instanceLength);
        TaskMemBuffer data(dataLength);
        if (!data.data())
            return E_OUTOFMEMORY;
        if (dataLength)
            std::memcpy(data.data(), propertyData, dataLength);

        const GUID set = toWindowsGuid(propertySet);
        return m_iface->Set(set, id, instance.empty() ? nullptr : instance.data(), instanceLength,
                            dataLength ? data.data() : nullptr, dataLength);
    }

private:
    static bool validBuffers(const void *instance, std::uint32_t instanceLength, const void *data,
                             std::uint32_t dataLength) {
        return (instance || !instanceLength) && (data || !dataLength);
    }

    // The interface takes the instance data through a non-const pointer.
    static std::vector<unsigned char> copyOf(const void *bytes, std::uint32_t length) {
        const auto *begin = static_cast<const unsigned char *>(bytes);
        return length ? std::vector<unsigned char>(begin, begin + length)
                      : std::vector<unsigned char>();
    }

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
