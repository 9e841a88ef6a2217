#include "EmulatedUvcDriver.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

EmulatedControl integer(std::uint32_t id, const char *name, std::int32_t min, std::int32_t max,
                        std::int32_t step, std::int32_t def) {
    EmulatedControl c;
    c.id = id;
    c.name = name;
    c.minimum = min;
    c.maximum = max;
    c.step = step;
    c.defaultValue = c.value = def;
    return c;
}

EmulatedControl boolean(std::uint32_t id, const char *name, std::int32_t def) {
    EmulatedControl c = integer(id, name, 0, 1, 1, def);
    c.type = V4L2_CTRL_TYPE_BOOLEAN;
    return c;
}

EmulatedControl menu(std::uint32_t id, const char *name, std::vector<std::int32_t> entries,
                     std::int32_t def) {
    EmulatedControl c = integer(id, name, *std::min_element(entries.begin(), entries.end()),
                                *std::max_element(entries.begin(), entries.end()), 1, def);
    c.type = V4L2_CTRL_TYPE_MENU;
    c.menuEntries = std::move(entries);
    return c;
}

EmulatedControl slave(EmulatedControl c, std::uint32_t masterId, std::int32_t masterManual) {
    c.masterId = masterId;
    c.masterManual = masterManual;
    return c;
}

template <typename T>
T *resolved(UMockdevIoctlData *data) {
    return reinterpret_cast<T *>(data->data);
}

}  // namespace

std::vector<EmulatedControl> typicalUvcControls() {
    return {
        integer(V4L2_CID_BRIGHTNESS, "Brightness", -64, 64, 1, 0),
        integer(V4L2_CID_CONTRAST, "Contrast", 0, 95, 1, 32),
        integer(V4L2_CID_SATURATION, "Saturation", 0, 100, 1, 55),
        boolean(V4L2_CID_HUE_AUTO, "Hue, Auto", 0),
        slave(integer(V4L2_CID_HUE, "Hue", -2000, 2000, 100, 0), V4L2_CID_HUE_AUTO, 0),
        boolean(V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Automatic", 1),
        integer(V4L2_CID_GAMMA, "Gamma", 100, 500, 1, 300),
        integer(V4L2_CID_GAIN, "Gain", 0, 100, 1, 0),
        menu(V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", {0, 1, 2}, 1),
        slave(integer(V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", 2800, 6500,
                      10, 4600),
              V4L2_CID_AUTO_WHITE_BALANCE, 0),
        integer(V4L2_CID_SHARPNESS, "Sharpness", 0, 7, 1, 2),
        integer(V4L2_CID_BACKLIGHT_COMPENSATION, "Backlight Compensation", 0, 2, 1, 1),
        menu(V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", {1, 3}, 3),
        slave(integer(V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure Time, Absolute", 3, 2047, 1, 250),
              V4L2_CID_EXPOSURE_AUTO, 1),
        boolean(V4L2_CID_EXPOSURE_AUTO_PRIORITY, "Exposure, Dynamic Framerate", 0),
        integer(V4L2_CID_PAN_ABSOLUTE, "Pan, Absolute", -36000, 36000, 3600, 0),
        integer(V4L2_CID_TILT_ABSOLUTE, "Tilt, Absolute", -36000, 36000, 3600, 0),
        slave(integer(V4L2_CID_FOCUS_ABSOLUTE, "Focus, Absolute", 0, 250, 5, 60),
              V4L2_CID_FOCUS_AUTO, 0),
        boolean(V4L2_CID_FOCUS_AUTO, "Focus, Automatic Continuous", 1),
        integer(V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", 100, 500, 1, 100),
    };
}

EmulatedUvcDriver::EmulatedUvcDriver(std::string card, std::vector<EmulatedControl> controls,
                                     std::vector<EmulatedFrameSize> frameSizes)
    : m_card(std::move(card)), m_stream(std::move(frameSizes)) {
    for (EmulatedControl &c : controls)
        m_controls[c.id] = std::move(c);
}

bool EmulatedUvcDriver::handle(UMockdevIoctlClient *client, NodeKind node) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, _IOC_SIZE(request), nullptr);
    UMockdevIoctlData *items = nullptr;
    int error = ENOTTY;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!data)
            error = EFAULT;
        else if (m_unplugged)
            error = ENODEV;
        else if (request == VIDIOC_QUERYCAP)
            error = queryCap(data->data, node);
        else if (node == NodeKind::Metadata)
            error = ENOTTY;
        else if (request == VIDIOC_QUERY_EXT_CTRL)
            error = queryExtCtrl(*resolved<v4l2_query_ext_ctrl>(data));
        else if (request == VIDIOC_QUERYMENU)
            error = queryMenu(*resolved<v4l2_querymenu>(data));
        else if (request == VIDIOC_SUBSCRIBE_EVENT || request == VIDIOC_UNSUBSCRIBE_EVENT)
            error = subscription(request, *resolved<v4l2_event_subscription>(data));
        else if (request == VIDIOC_DQEVENT)
            error = dequeueEvent(*resolved<v4l2_event>(data));
        else if (request == VIDIOC_G_CTRL || request == VIDIOC_S_CTRL)
            error = singleControl(request, *resolved<v4l2_control>(data));
        else if (request == VIDIOC_G_EXT_CTRLS || request == VIDIOC_S_EXT_CTRLS ||
                 request == VIDIOC_TRY_EXT_CTRLS) {
            auto *controls = resolved<v4l2_ext_controls>(data);
            if (controls->count > 0)
                items = umockdev_ioctl_data_resolve(data, offsetof(v4l2_ext_controls, controls),
                                                    controls->count * sizeof(v4l2_ext_control),
                                                    nullptr);
            error = controls->count > 0 && !items
                        ? EFAULT
                        : extControls(request, *controls,
                                      items ? resolved<v4l2_ext_control>(items) : nullptr);
        } else {
            error = m_stream.ioctl(request, data->data, m_busy);
        }
    }
    umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
    if (items)
        g_object_unref(items);
    if (data)
        g_object_unref(data);
    return true;
}

int EmulatedUvcDriver::queryCap(void *arg, NodeKind node) {
    auto &caps = *static_cast<v4l2_capability *>(arg);
    std::memset(&caps, 0, sizeof caps);
    std::snprintf(reinterpret_cast<char *>(caps.driver), sizeof caps.driver, "uvcvideo");
    std::snprintf(reinterpret_cast<char *>(caps.card), sizeof caps.card, "%s", m_card.c_str());
    std::snprintf(reinterpret_cast<char *>(caps.bus_info), sizeof caps.bus_info,
                  "usb-0000:00:14.0-3");
    caps.version = 0x060100;
    // Frames come by read() only: a capture program that sees no STREAMING does not try mmap.
    caps.capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_READWRITE |
                        V4L2_CAP_EXT_PIX_FORMAT | V4L2_CAP_DEVICE_CAPS;
    caps.device_caps = (node == NodeKind::Capture ? V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE
                                                  : V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING) |
                       V4L2_CAP_EXT_PIX_FORMAT;
    return 0;
}

int EmulatedUvcDriver::queryExtCtrl(v4l2_query_ext_ctrl &query) {
    const std::uint32_t next = query.id & (V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
    const std::uint32_t id = query.id & ~next;
    if (int error = takeInjectedFailure(VIDIOC_QUERY_EXT_CTRL, id))
        return error;
    const EmulatedControl *c = nullptr;
    if (next & V4L2_CTRL_FLAG_NEXT_CTRL) {
        auto it = m_controls.upper_bound(id);
        c = it == m_controls.end() ? nullptr : &it->second;
    } else {
        c = find(id);
    }
    if (!c)
        return EINVAL;
    std::memset(&query, 0, sizeof query);
    query.id = c->id;
    query.type = c->type;
    std::snprintf(query.name, sizeof query.name, "%s", c->name.c_str());
    query.minimum = c->minimum;
    query.maximum = c->maximum;
    query.step = static_cast<std::uint64_t>(c->step);
    query.default_value = c->defaultValue;
    query.flags = (c->readOnly ? V4L2_CTRL_FLAG_READ_ONLY : 0) |
                  (isInactive(*c) ? V4L2_CTRL_FLAG_INACTIVE : 0);
    query.elem_size = sizeof(std::int32_t);
    query.elems = 1;
    return 0;
}

int EmulatedUvcDriver::queryMenu(v4l2_querymenu &menu) {
    if (int error = takeInjectedFailure(VIDIOC_QUERYMENU, menu.id))
        return error;
    const EmulatedControl *c = find(menu.id);
    if (!c || c->type != V4L2_CTRL_TYPE_MENU ||
        std::count(c->menuEntries.begin(), c->menuEntries.end(),
                   static_cast<std::int32_t>(menu.index)) == 0)
        return EINVAL;
    std::snprintf(reinterpret_cast<char *>(menu.name), sizeof menu.name, "Entry %u", menu.index);
    return 0;
}

int EmulatedUvcDriver::extControls(unsigned long request, v4l2_ext_controls &controls,
                                   v4l2_ext_control *items) {
    for (std::uint32_t i = 0; i < controls.count; ++i) {
        int error = takeInjectedFailure(request, items[i].id);
        if (error && request == VIDIOC_S_EXT_CTRLS)
            m_refused.push_back(Write(std::uint32_t(items[i].id), std::int32_t(items[i].value)));
        if (!error && request == VIDIOC_G_EXT_CTRLS) {
            const EmulatedControl *c = find(items[i].id);
            if (!c)
                error = EINVAL;
            else
                items[i].value =
                    controls.which == V4L2_CTRL_WHICH_DEF_VAL ? c->defaultValue : c->value;
        } else if (!error) {
            error = setOne(items[i], request == VIDIOC_S_EXT_CTRLS);
        }
        if (error) {
            controls.error_idx = request == VIDIOC_G_EXT_CTRLS ? controls.count : i;
            return error;
        }
    }
    return 0;
}

// The old single-control calls, which uvcvideo still answers (v4l2-ctl uses them for user
// controls).
int EmulatedUvcDriver::singleControl(unsigned long request, v4l2_control &control) {
    v4l2_ext_control item{};
    item.id = control.id;
    item.value = control.value;
    v4l2_ext_controls controls{};
    controls.count = 1;
    const int error = extControls(
        request == VIDIOC_G_CTRL ? VIDIOC_G_EXT_CTRLS : VIDIOC_S_EXT_CTRLS, controls, &item);
    control.value = item.value;
    return error;
}

int EmulatedUvcDriver::setOne(v4l2_ext_control &item, bool store) {
    EmulatedControl *c = find(item.id);
    if (!c)
        return EINVAL;
    const Write attempt(std::uint32_t(item.id), std::int32_t(item.value));
    int error = 0;
    std::int32_t value = item.value;
    if (c->readOnly || isInactive(*c)) {
        error = EACCES;
    } else if (c->type == V4L2_CTRL_TYPE_MENU) {
        if (value < c->minimum || value > c->maximum)
            error = ERANGE;
        else if (std::count(c->menuEntries.begin(), c->menuEntries.end(), value) == 0)
            error = EINVAL;
    } else {
        // Clamped into the range and rounded to the nearest step from the minimum, silently.
        const std::int64_t step = std::max(c->step, 1);
        const std::int64_t v = std::clamp<std::int64_t>(value, c->minimum, c->maximum);
        const std::int64_t rounded = c->minimum + (v - c->minimum + step / 2) / step * step;
        value = static_cast<std::int32_t>(std::min<std::int64_t>(rounded, c->maximum));
    }
    if (!store)
        return error;
    if (error) {
        m_refused.push_back(attempt);
        return error;
    }
    item.value = value;
    if (c->value != value) {
        c->value = value;
        queueEvent(*c);
    }
    m_accepted.push_back(attempt);
    return 0;
}

int EmulatedUvcDriver::subscription(unsigned long request,
                                    const v4l2_event_subscription &subscription) {
    if (request == VIDIOC_UNSUBSCRIBE_EVENT) {
        m_subscribed.clear();
        return 0;
    }
    if (subscription.type != V4L2_EVENT_CTRL || !find(subscription.id))
        return EINVAL;
    m_subscribed.push_back(subscription.id);
    return 0;
}

int EmulatedUvcDriver::dequeueEvent(v4l2_event &event) {
    if (m_events.empty())
        return ENOENT;
    event = m_events.front();
    m_events.pop_front();
    return 0;
}

void EmulatedUvcDriver::queueEvent(const EmulatedControl &control) {
    if (std::count(m_subscribed.begin(), m_subscribed.end(), control.id) == 0)
        return;
    v4l2_event event{};
    event.type = V4L2_EVENT_CTRL;
    event.id = control.id;
    event.u.ctrl.changes = V4L2_EVENT_CTRL_CH_VALUE;
    event.u.ctrl.value = control.value;
    m_events.push_back(event);
}

int EmulatedUvcDriver::takeInjectedFailure(unsigned long request, std::uint32_t cid) {
    for (auto it = m_failures.begin(); it != m_failures.end(); ++it) {
        if (it->first.first == request && (it->first.second == 0 || it->first.second == cid)) {
            const int error = it->second;
            m_failures.erase(it);
            return error;
        }
    }
    return 0;
}

EmulatedControl *EmulatedUvcDriver::find(std::uint32_t cid) {
    auto it = m_controls.find(cid);
    return it == m_controls.end() ? nullptr : &it->second;
}

bool EmulatedUvcDriver::isInactive(const EmulatedControl &control) const {
    if (!control.masterId)
        return false;
    auto master = m_controls.find(control.masterId);
    return master != m_controls.end() && master->second.value != control.masterManual;
}

namespace {

struct PendingRead {
    EmulatedUvcDriver *driver;
    UMockdevIoctlClient *client;
};

}  // namespace

bool EmulatedUvcDriver::handleRead(UMockdevIoctlClient *client, NodeKind node) {
    if (node == NodeKind::Metadata) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return true;
    }
    std::uint32_t delayMs = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_unplugged && !m_busy) {
            const std::int64_t now = g_get_monotonic_time();
            const std::int64_t due = std::max(now, m_nextFrameUs);
            m_nextFrameUs = due + std::int64_t(m_stream.frameIntervalMs()) * 1000;
            delayMs = std::uint32_t((due - now) / 1000);
        }
    }
    // The driver outlives its nodes' handlers (the testbed keeps it), so the pointer holds.
    GSource *timer = g_timeout_source_new(delayMs);
    g_source_set_callback(timer, completeRead,
                          new PendingRead{this, UMOCKDEV_IOCTL_CLIENT(g_object_ref(client))},
                          nullptr);
    GMainContext *context = g_main_context_ref_thread_default();
    g_source_attach(timer, context);
    g_main_context_unref(context);
    g_source_unref(timer);
    return true;
}

int EmulatedUvcDriver::completeRead(void *data) {
    auto *pending = static_cast<PendingRead *>(data);
    EmulatedUvcDriver &driver = *pending->driver;
    UMockdevIoctlData *buffer = umockdev_ioctl_client_get_arg(pending->client);
    int error = 0;
    std::size_t length = 0;
    {
        std::lock_guard<std::mutex> lock(driver.m_mutex);
        if (driver.m_unplugged)
            error = ENODEV;
        else if (driver.m_busy)
            error = EBUSY;
        else if (!buffer)
            error = EFAULT;
        else
            length = driver.m_stream.nextFrame(buffer->data, std::size_t(buffer->data_len));
    }
    umockdev_ioctl_client_complete(pending->client, error ? -1 : long(length), error);
    g_object_unref(pending->client);
    delete pending;
    return G_SOURCE_REMOVE;
}

void EmulatedUvcDriver::setBusy(bool busy) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_busy = busy;
}

std::vector<v4l2_pix_format> EmulatedUvcDriver::formatsSet() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stream.formatsSet();
}

std::uint64_t EmulatedUvcDriver::framesDelivered() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stream.framesDelivered();
}

void EmulatedUvcDriver::unplug() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_unplugged = true;
}

void EmulatedUvcDriver::injectFailure(unsigned long request, std::uint32_t cid, int error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failures.push_back({{request, cid}, error});
}

std::int32_t EmulatedUvcDriver::value(std::uint32_t cid) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_controls.at(cid).value;
}

void EmulatedUvcDriver::setValue(std::uint32_t cid, std::int32_t value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_controls.at(cid).value = value;
    queueEvent(m_controls.at(cid));
}

EmulatedControl EmulatedUvcDriver::control(std::uint32_t cid) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_controls.at(cid);
}

std::vector<EmulatedUvcDriver::Write> EmulatedUvcDriver::acceptedWrites() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_accepted;
}

std::vector<EmulatedUvcDriver::Write> EmulatedUvcDriver::refusedWrites() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_refused;
}

void EmulatedUvcDriver::clearWrites() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_accepted.clear();
    m_refused.clear();
}
