#include "EmulatedUvcDriver.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>

namespace {

constexpr std::uint32_t kInt = V4L2_CTRL_TYPE_INTEGER, kBool = V4L2_CTRL_TYPE_BOOLEAN,
                        kMenu = V4L2_CTRL_TYPE_MENU;
// Offered sizes; a camera starts in the last, as uvcvideo leaves it.
constexpr std::uint32_t kSizes[][2] = {{1920, 1080}, {1280, 720}, {640, 480}};
constexpr std::uint32_t kFramesPerSecond = 30;
template <typename T, std::size_t N>
void text(T (&field)[N], const std::string &value) {
    std::snprintf(reinterpret_cast<char *>(field), N, "%s", value.c_str());
}

}  // namespace

std::vector<EmulatedControl> typicalUvcControls() {
    // id, name, type, minimum, maximum, step, default, menu entries, master, its manual value
    return {{V4L2_CID_BRIGHTNESS, "Brightness", kInt, -64, 64, 1, 0},
            {V4L2_CID_CONTRAST, "Contrast", kInt, 0, 95, 1, 32},
            {V4L2_CID_SATURATION, "Saturation", kInt, 0, 100, 1, 55},
            {V4L2_CID_HUE_AUTO, "Hue, Auto", kBool, 0, 1, 1, 0},
            {V4L2_CID_HUE, "Hue", kInt, -2000, 2000, 100, 0, 0, V4L2_CID_HUE_AUTO, 0},
            {V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Auto", kBool, 0, 1, 1, 1},
            {V4L2_CID_GAMMA, "Gamma", kInt, 100, 500, 1, 300},
            {V4L2_CID_GAIN, "Gain", kInt, 0, 100, 1, 0},
            {V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", kMenu, 0, 2, 1, 1, 0b111},
            {V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", kInt, 2800, 6500, 10,
             4600, 0, V4L2_CID_AUTO_WHITE_BALANCE, 0},
            {V4L2_CID_SHARPNESS, "Sharpness", kInt, 0, 7, 1, 2},
            {V4L2_CID_BACKLIGHT_COMPENSATION, "Backlight Compensation", kInt, 0, 2, 1, 1},
            {V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", kMenu, 1, 3, 1, 3, 0b1010},
            {V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure Time, Absolute", kInt, 3, 2047, 1, 250, 0,
             V4L2_CID_EXPOSURE_AUTO, 1},
            {V4L2_CID_EXPOSURE_AUTO_PRIORITY, "Exposure, Dynamic Framerate", kBool, 0, 1, 1, 0},
            {V4L2_CID_PAN_ABSOLUTE, "Pan, Absolute", kInt, -36000, 36000, 3600, 0},
            {V4L2_CID_TILT_ABSOLUTE, "Tilt, Absolute", kInt, -36000, 36000, 3600, 0},
            {V4L2_CID_FOCUS_ABSOLUTE, "Focus, Absolute", kInt, 0, 250, 5, 60, 0,
             V4L2_CID_FOCUS_AUTO, 0},
            {V4L2_CID_FOCUS_AUTO, "Focus, Auto", kBool, 0, 1, 1, 1},
            {V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", kInt, 100, 500, 1, 100}};
}

EmulatedUvcDriver::EmulatedUvcDriver(std::string card, const std::vector<EmulatedControl> &controls)
    : m_card(std::move(card)) {
    for (const EmulatedControl &c : controls) {
        m_controls[c.id] = c;
        m_state.values[c.id] = c.defaultValue;
    }
    v4l2_pix_format smallest{};
    setFormat(VIDIOC_S_FMT, smallest);
}

bool EmulatedUvcDriver::handle(UMockdevIoctlClient *client, NodeKind node) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                          _IOC_SIZE(request), nullptr);
    UMockdevIoctlData *items = nullptr;
    int error = EFAULT;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state.unplugged) {
            error = ENODEV;
        } else if (data && (request == VIDIOC_G_EXT_CTRLS || request == VIDIOC_S_EXT_CTRLS)) {
            // The list is a pointer into the caller's memory, fetched on its own.
            const std::uint32_t count = reinterpret_cast<v4l2_ext_controls *>(data->data)->count;
            items = umockdev_ioctl_data_resolve(data, offsetof(v4l2_ext_controls, controls),
                                                count * sizeof(v4l2_ext_control), nullptr);
            if (items)
                error = controls(request, count, reinterpret_cast<v4l2_ext_control *>(items->data));
        } else if (data) {
            error = answer(request, data->data, node);
        }
    }
    umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
    if (items)
        g_object_unref(items);
    if (data)
        g_object_unref(data);
    return true;
}

int EmulatedUvcDriver::answer(unsigned long request, void *arg, NodeKind node) {
    if (request == VIDIOC_QUERYCAP) {
        auto &caps = *static_cast<v4l2_capability *>(arg);
        caps = {};
        text(caps.driver, "uvcvideo");
        text(caps.card, m_card);
        // No STREAMING on the capture node: a capture program then reads frames.
        caps.capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_READWRITE |
                            V4L2_CAP_DEVICE_CAPS;
        caps.device_caps = node == NodeKind::Capture ? V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE
                                                     : V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
        return 0;
    }
    if (node == NodeKind::Metadata)
        return ENOTTY;
    switch (request) {
        case VIDIOC_QUERY_EXT_CTRL: {
            auto &query = *static_cast<v4l2_query_ext_ctrl *>(arg);
            const std::uint32_t id =
                query.id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
            if (failing(request, id))
                return std::exchange(m_state.fail.error, 0);
            const auto it = query.id & V4L2_CTRL_FLAG_NEXT_CTRL ? m_controls.upper_bound(id)
                                                                : m_controls.find(id);
            if (it == m_controls.end())
                return EINVAL;
            const EmulatedControl &c = it->second;
            query = {};
            query.id = c.id;
            query.type = c.type;
            text(query.name, c.name);
            query.minimum = c.minimum;
            query.maximum = c.maximum;
            query.step = std::uint64_t(c.step);
            query.default_value = c.defaultValue;
            query.flags = inactive(c) ? V4L2_CTRL_FLAG_INACTIVE : 0;
            query.elem_size = sizeof(std::int32_t);
            query.elems = 1;
            return 0;
        }
        case VIDIOC_QUERYMENU: {
            auto &menu = *static_cast<v4l2_querymenu *>(arg);
            const auto it = m_controls.find(menu.id);
            if (it == m_controls.end() || menu.index > 31 ||
                !(it->second.entries >> menu.index & 1))
                return EINVAL;
            return 0;
        }
        case VIDIOC_SUBSCRIBE_EVENT: {
            const auto &subscription = *static_cast<v4l2_event_subscription *>(arg);
            if (subscription.type != V4L2_EVENT_CTRL || !m_controls.count(subscription.id))
                return EINVAL;
            m_subscribed.push_back(subscription.id);
            return 0;
        }
        case VIDIOC_DQEVENT:
            if (m_events.empty())
                return ENOENT;
            *static_cast<v4l2_event *>(arg) = m_events.front();
            m_events.pop_front();
            return 0;
        case VIDIOC_ENUM_FMT: {
            auto &desc = *static_cast<v4l2_fmtdesc *>(arg);
            if (desc.index != 0)
                return EINVAL;
            desc.pixelformat = V4L2_PIX_FMT_YUYV;
            text(desc.description, "YUYV 4:2:2");
            return 0;
        }
        case VIDIOC_G_FMT:
            static_cast<v4l2_format *>(arg)->fmt.pix = m_state.format;
            return 0;
        case VIDIOC_S_FMT:
        case VIDIOC_TRY_FMT:
            return setFormat(request, static_cast<v4l2_format *>(arg)->fmt.pix);
        case VIDIOC_ENUM_FRAMESIZES: {
            auto &size = *static_cast<v4l2_frmsizeenum *>(arg);
            if (size.index >= 3)
                return EINVAL;
            size.type = V4L2_FRMSIZE_TYPE_DISCRETE;
            size.discrete = {kSizes[size.index][0], kSizes[size.index][1]};
            return 0;
        }
        case VIDIOC_ENUMINPUT: {
            auto &input = *static_cast<v4l2_input *>(arg);
            if (input.index != 0)
                return EINVAL;
            text(input.name, "Camera 1");
            input.type = V4L2_INPUT_TYPE_CAMERA;
            return 0;
        }
        default:
            return ENOTTY;
    }
}

int EmulatedUvcDriver::controls(unsigned long request, std::uint32_t count,
                                v4l2_ext_control *items) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto it = m_controls.find(items[i].id);
        int error = it == m_controls.end() ? EINVAL : 0;
        if (failing(request, items[i].id))
            error = std::exchange(m_state.fail.error, 0);
        if (error)
            m_state.refusals += request == VIDIOC_S_EXT_CTRLS;
        else if (request == VIDIOC_G_EXT_CTRLS)
            items[i].value = m_state.values[items[i].id];
        else
            error = write(it->second, items[i].value);
        if (error)
            return error;
    }
    return 0;
}

int EmulatedUvcDriver::write(const EmulatedControl &c, std::int32_t value) {
    int error = inactive(c) ? EACCES : 0;
    if (!error && c.type == kMenu)
        error = value < c.minimum || value > c.maximum ? ERANGE
                : c.entries >> value & 1               ? 0
                                                       : EINVAL;
    if (error) {
        ++m_state.refusals;
        return error;
    }
    m_state.writes.push_back({c.id, value});
    // Clamped into the range and rounded to the nearest step from the minimum, silently.
    const std::int64_t v = std::clamp(value, c.minimum, c.maximum);
    const std::int32_t stored = std::int32_t(std::min<std::int64_t>(
        c.minimum + (v - c.minimum + c.step / 2) / c.step * c.step, c.maximum));
    if (std::exchange(m_state.values[c.id], stored) != stored)
        report(c.id);
    return 0;
}

// Every change of a subscribed control is queued once, for whichever descriptor asks first.
void EmulatedUvcDriver::report(std::uint32_t cid) {
    if (std::count(m_subscribed.begin(), m_subscribed.end(), cid) == 0)
        return;
    v4l2_event event{};
    event.type = V4L2_EVENT_CTRL;
    event.id = cid;
    event.u.ctrl.changes = V4L2_EVENT_CTRL_CH_VALUE;
    event.u.ctrl.value = m_state.values[cid];
    m_events.push_back(event);
}

bool EmulatedUvcDriver::failing(unsigned long request, std::uint32_t cid) const {
    return m_state.fail.error && m_state.fail.request == request && m_state.fail.cid == cid;
}

bool EmulatedUvcDriver::inactive(const EmulatedControl &c) const {
    return c.masterId && m_state.values.at(c.masterId) != c.masterManual;
}

// Like uvcvideo: any size asked for becomes the nearest one offered.
int EmulatedUvcDriver::setFormat(unsigned long request, v4l2_pix_format &pix) {
    if (request == VIDIOC_S_FMT && m_state.busy)
        return EBUSY;
    const auto distance = [&](const std::uint32_t *size) {
        return std::abs(int(size[0]) - int(pix.width)) + std::abs(int(size[1]) - int(pix.height));
    };
    const auto *size =
        *std::min_element(std::begin(kSizes), std::end(kSizes),
                          [&](auto &a, auto &b) { return distance(a) < distance(b); });
    pix = {};
    pix.width = size[0];
    pix.height = size[1];
    pix.pixelformat = V4L2_PIX_FMT_YUYV;
    pix.field = V4L2_FIELD_NONE;
    pix.bytesperline = size[0] * 2;
    pix.sizeimage = pix.bytesperline * size[1];
    pix.colorspace = V4L2_COLORSPACE_SRGB;
    if (request == VIDIOC_S_FMT)
        m_state.format = pix;
    return 0;
}

namespace {

struct PendingRead {
    EmulatedUvcDriver *driver;  // the testbed keeps it as long as its nodes
    UMockdevIoctlClient *client;
};

}  // namespace

bool EmulatedUvcDriver::handleRead(UMockdevIoctlClient *client) {
    std::int64_t delayUs = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::int64_t now = g_get_monotonic_time();
        delayUs = std::max<std::int64_t>(0, m_nextFrameUs - now);
        m_nextFrameUs = now + delayUs + 1000000 / kFramesPerSecond;
    }
    GSource *timer = g_timeout_source_new(guint(delayUs / 1000));
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
    std::lock_guard<std::mutex> lock(driver.m_mutex);
    const int error = driver.m_state.unplugged ? ENODEV : driver.m_state.busy ? EBUSY : 0;
    const long length = error ? -1 : long(driver.nextFrame(buffer->data, buffer->data_len));
    umockdev_ioctl_client_complete(pending->client, length, error);
    g_object_unref(pending->client);
    delete pending;
    return G_SOURCE_REMOVE;
}

// A grey that steps with every frame, so that a look at the screen tells a live preview from a
// frozen one.
std::size_t EmulatedUvcDriver::nextFrame(std::uint8_t *buffer, std::size_t size) {
    const std::size_t length = std::min<std::size_t>(size, m_state.format.sizeimage);
    const std::uint8_t luma = std::uint8_t(40 + m_state.frames++ * 16 % 192);
    for (std::size_t i = 0; i < length; ++i)
        buffer[i] = i % 2 ? 128 : luma;
    return length;
}

EmulatedState EmulatedUvcDriver::state() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

void EmulatedUvcDriver::change(const std::function<void(EmulatedState &)> &edit) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::map<std::uint32_t, std::int32_t> before = m_state.values;
    edit(m_state);
    for (const auto &[cid, value] : m_state.values) {
        if (before.at(cid) != value)
            report(cid);
    }
}
