#include "CountingBackend.h"

#include <set>
#include <utility>

int AccessLog::count(CameraAccess::Kind kind) const {
    int n = 0;
    for (const CameraAccess &entry : m_entries)
        n += entry.kind == kind;
    return n;
}

int AccessLog::writes() const {
    int n = 0;
    for (const CameraAccess &entry : m_entries)
        n += entry.isWrite();
    return n;
}

int AccessLog::distinctControlsWritten() const {
    std::set<std::pair<int, std::int32_t>> controls;
    for (const CameraAccess &entry : m_entries)
        if (entry.isWrite())
            controls.insert({entry.family, entry.id});
    return int(controls.size());
}

bool AccessLog::lastWrite(std::chrono::steady_clock::time_point *when) const {
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if (it->isWrite()) {
            *when = it->when;
            return true;
        }
    }
    return false;
}

namespace {

class CountingFamily : public capture::ControlFamily {
public:
    CountingFamily(std::unique_ptr<capture::ControlFamily> inner, CameraAccess::Family family,
                   AccessLog *log)
        : m_inner(std::move(inner)), m_family(family), m_log(log) {}

    capture::Result getRange(std::int32_t id, std::int32_t *min, std::int32_t *max,
                             std::int32_t *step, std::int32_t *defaultValue,
                             std::int32_t *capsFlags) override {
        const capture::Result r = m_inner->getRange(id, min, max, step, defaultValue, capsFlags);
        m_log->record(CameraAccess::ReadRange, m_family, id);
        return r;
    }
    capture::Result get(std::int32_t id, std::int32_t *value, std::int32_t *flags) override {
        const capture::Result r = m_inner->get(id, value, flags);
        m_log->record(CameraAccess::ReadValue, m_family, id);
        return r;
    }
    capture::Result set(std::int32_t id, std::int32_t value, std::int32_t flags) override {
        const capture::Result r = m_inner->set(id, value, flags);
        m_log->record(CameraAccess::Write, m_family, id);
        return r;
    }

private:
    std::unique_ptr<capture::ControlFamily> m_inner;
    CameraAccess::Family m_family;
    AccessLog *m_log;
};

class CountingKsPropertySet : public capture::KsPropertySet {
public:
    CountingKsPropertySet(std::unique_ptr<capture::KsPropertySet> inner, AccessLog *log)
        : m_inner(std::move(inner)), m_log(log) {}

    capture::Result get(const capture::Guid &set, std::uint32_t id, const void *instance,
                        std::uint32_t instanceLength, void *data, std::uint32_t dataLength,
                        std::uint32_t *bytesReturned) override {
        const capture::Result r =
            m_inner->get(set, id, instance, instanceLength, data, dataLength, bytesReturned);
        m_log->record(CameraAccess::PowerLineRead, CameraAccess::PowerLine, std::int32_t(id));
        return r;
    }
    capture::Result set(const capture::Guid &set, std::uint32_t id, const void *instance,
                        std::uint32_t instanceLength, const void *data,
                        std::uint32_t dataLength) override {
        const capture::Result r = m_inner->set(set, id, instance, instanceLength, data, dataLength);
        m_log->record(CameraAccess::PowerLineWrite, CameraAccess::PowerLine, std::int32_t(id));
        return r;
    }

private:
    std::unique_ptr<capture::KsPropertySet> m_inner;
    AccessLog *m_log;
};

class CountingBoundDevice : public capture::BoundDevice {
public:
    CountingBoundDevice(std::unique_ptr<capture::BoundDevice> inner, AccessLog *log)
        : m_inner(std::move(inner)), m_log(log) {}

    capture::Result queryVideoProcAmp(std::unique_ptr<capture::ControlFamily> &out) override {
        return wrap(m_inner->queryVideoProcAmp(out), out, CameraAccess::ImageControl);
    }
    capture::Result queryCameraControl(std::unique_ptr<capture::ControlFamily> &out) override {
        return wrap(m_inner->queryCameraControl(out), out, CameraAccess::CameraControl);
    }
    capture::Result queryKsPropertySet(std::unique_ptr<capture::KsPropertySet> &out) override {
        const capture::Result r = m_inner->queryKsPropertySet(out);
        if (out)
            out = std::make_unique<CountingKsPropertySet>(std::move(out), m_log);
        return r;
    }

private:
    capture::Result wrap(capture::Result r, std::unique_ptr<capture::ControlFamily> &out,
                         CameraAccess::Family family) {
        if (out)
            out = std::make_unique<CountingFamily>(std::move(out), family, m_log);
        return r;
    }

    std::unique_ptr<capture::BoundDevice> m_inner;
    AccessLog *m_log;
};

class CountingDevice : public capture::Device {
public:
    CountingDevice(std::shared_ptr<capture::Device> inner, AccessLog *log)
        : m_inner(std::move(inner)), m_log(log) {}

    capture::Result displayName(std::string &utf8Out) override {
        return m_inner->displayName(utf8Out);
    }
    capture::Result friendlyName(std::string &utf8Out) override {
        return m_inner->friendlyName(utf8Out);
    }
    capture::Result bind(std::unique_ptr<capture::BoundDevice> &out) override {
        const capture::Result r = m_inner->bind(out);
        m_log->record(CameraAccess::Bind, CameraAccess::NoFamily, 0);
        if (out)
            out = std::make_unique<CountingBoundDevice>(std::move(out), m_log);
        return r;
    }

private:
    std::shared_ptr<capture::Device> m_inner;
    AccessLog *m_log;
};

class CountingBackend : public capture::Backend {
public:
    CountingBackend(std::unique_ptr<capture::Backend> inner, AccessLog *log)
        : m_inner(std::move(inner)), m_log(log) {}

    const char *name() const override { return m_inner->name(); }

    capture::Result enumerateVideoInputDevices(
        std::vector<std::shared_ptr<capture::Device>> &out) override {
        const capture::Result r = m_inner->enumerateVideoInputDevices(out);
        for (std::shared_ptr<capture::Device> &device : out)
            if (device)
                device = std::make_shared<CountingDevice>(std::move(device), m_log);
        return r;
    }
    capture::NotificationHandle registerDeviceNotification(
        std::uintptr_t window, capture::DeviceChangeSink *sink) override {
        return m_inner->registerDeviceNotification(window, sink);
    }
    bool unregisterDeviceNotification(capture::NotificationHandle handle) override {
        return m_inner->unregisterDeviceNotification(handle);
    }
    std::string captureDeviceName(const std::string &utf8Path) override {
        return m_inner->captureDeviceName(utf8Path);
    }

private:
    std::unique_ptr<capture::Backend> m_inner;
    AccessLog *m_log;
};

}  // namespace

std::unique_ptr<capture::Backend> makeCountingBackend(std::unique_ptr<capture::Backend> inner,
                                                      AccessLog *log) {
    return std::make_unique<CountingBackend>(std::move(inner), log);
}
