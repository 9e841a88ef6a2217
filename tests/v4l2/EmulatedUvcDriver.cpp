#include "EmulatedUvcDriver.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

constexpr std::uint32_t kInt = V4L2_CTRL_TYPE_INTEGER, kBool = V4L2_CTRL_TYPE_BOOLEAN,
                        kMenu = V4L2_CTRL_TYPE_MENU;

// Offered sizes, largest first; a camera starts in its smallest, as uvcvideo leaves it.
constexpr std::uint32_t kSizes[][2] = {{1920, 1080}, {1280, 720}, {640, 480}};
constexpr std::uint32_t kFramesPerSecond = 30;

// 3×5 glyphs of the digits, a row in three bits.
constexpr std::uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};
// Colour bars as Y, U, V.
constexpr std::uint8_t kBars[8][3] = {{180, 128, 128}, {168, 44, 136}, {145, 147, 44},
                                      {133, 63, 52},   {63, 193, 204}, {51, 109, 212},
                                      {28, 212, 120},  {16, 128, 128}};

void putPixel(std::uint8_t *frame, std::uint32_t width, std::uint32_t x, std::uint32_t y,
              const std::uint8_t *yuv) {
    std::uint8_t *pair = frame + (y * width + (x & ~1u)) * 2;
    pair[(x & 1) * 2] = yuv[0];
    pair[1] = yuv[1];
    pair[3] = yuv[2];
}

template <typename T>
T &as(void *arg) {
    return *static_cast<T *>(arg);
}

}  // namespace

std::vector<EmulatedControl> typicalUvcControls() {
    // id, name, type, minimum, maximum, step, default, menu entries, master, master's manual value
    return {
        {V4L2_CID_BRIGHTNESS, "Brightness", kInt, -64, 64, 1, 0, 0, 0, 0},
        {V4L2_CID_CONTRAST, "Contrast", kInt, 0, 95, 1, 32, 0, 0, 0},
        {V4L2_CID_SATURATION, "Saturation", kInt, 0, 100, 1, 55, 0, 0, 0},
        {V4L2_CID_HUE_AUTO, "Hue, Auto", kBool, 0, 1, 1, 0, 0, 0, 0},
        {V4L2_CID_HUE, "Hue", kInt, -2000, 2000, 100, 0, 0, V4L2_CID_HUE_AUTO, 0},
        {V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Automatic", kBool, 0, 1, 1, 1, 0, 0, 0},
        {V4L2_CID_GAMMA, "Gamma", kInt, 100, 500, 1, 300, 0, 0, 0},
        {V4L2_CID_GAIN, "Gain", kInt, 0, 100, 1, 0, 0, 0, 0},
        {V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", kMenu, 0, 2, 1, 1, 0b111, 0, 0},
        {V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", kInt, 2800, 6500, 10,
         4600, 0, V4L2_CID_AUTO_WHITE_BALANCE, 0},
        {V4L2_CID_SHARPNESS, "Sharpness", kInt, 0, 7, 1, 2, 0, 0, 0},
        {V4L2_CID_BACKLIGHT_COMPENSATION, "Backlight Compensation", kInt, 0, 2, 1, 1, 0, 0, 0},
        {V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", kMenu, 1, 3, 1, 3, 0b1010, 0, 0},
        {V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure Time, Absolute", kInt, 3, 2047, 1, 250, 0,
         V4L2_CID_EXPOSURE_AUTO, 1},
        {V4L2_CID_EXPOSURE_AUTO_PRIORITY, "Exposure, Dynamic Framerate", kBool, 0, 1, 1, 0, 0, 0,
         0},
        {V4L2_CID_PAN_ABSOLUTE, "Pan, Absolute", kInt, -36000, 36000, 3600, 0, 0, 0, 0},
        {V4L2_CID_TILT_ABSOLUTE, "Tilt, Absolute", kInt, -36000, 36000, 3600, 0, 0, 0, 0},
        {V4L2_CID_FOCUS_ABSOLUTE, "Focus, Absolute", kInt, 0, 250, 5, 60, 0, V4L2_CID_FOCUS_AUTO,
         0},
        {V4L2_CID_FOCUS_AUTO, "Focus, Automatic Continuous", kBool, 0, 1, 1, 1, 0, 0, 0},
        {V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", kInt, 100, 500, 1, 100, 0, 0, 0},
    };
}

EmulatedUvcDriver::EmulatedUvcDriver(std::string card, const std::vector<EmulatedControl> &controls)
    : m_card(std::move(card)) {
    for (const EmulatedControl &c : controls) {
        m_controls[c.id] = c;
        m_values[c.id] = c.defaultValue;
    }
    v4l2_format start{};
    start.fmt.pix.width = kSizes[2][0];
    setFormat(VIDIOC_S_FMT, start);
}

bool EmulatedUvcDriver::handle(UMockdevIoctlClient *client, NodeKind node) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                          _IOC_SIZE(request), nullptr);
    UMockdevIoctlData *items = nullptr;
    int error = EFAULT;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged) {
            error = ENODEV;
        } else if (!data) {
        } else if (request == VIDIOC_QUERYCAP) {
            error = queryCap(as<v4l2_capability>(data->data), node);
        } else if (node == NodeKind::Metadata) {
            error = ENOTTY;
        } else if (request == VIDIOC_G_EXT_CTRLS || request == VIDIOC_S_EXT_CTRLS) {
            // The list of controls is a pointer of the caller's that must be fetched too.
            const std::uint32_t count = as<v4l2_ext_controls>(data->data).count;
            items = umockdev_ioctl_data_resolve(data, offsetof(v4l2_ext_controls, controls),
                                                count * sizeof(v4l2_ext_control), nullptr);
            if (items)
                error = controls(request, count, reinterpret_cast<v4l2_ext_control *>(items->data));
        } else {
            error = answer(request, data->data);
        }
    }
    umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
    if (items)
        g_object_unref(items);
    if (data)
        g_object_unref(data);
    return true;
}

int EmulatedUvcDriver::queryCap(v4l2_capability &caps, NodeKind node) const {
    caps = {};
    std::snprintf(reinterpret_cast<char *>(caps.driver), sizeof caps.driver, "uvcvideo");
    std::snprintf(reinterpret_cast<char *>(caps.card), sizeof caps.card, "%s", m_card.c_str());
    std::snprintf(reinterpret_cast<char *>(caps.bus_info), sizeof caps.bus_info, "usb-1");
    caps.version = 0x060100;
    // No STREAMING on the capture node: a capture program then reads frames instead of mapping.
    caps.capabilities =
        V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_READWRITE | V4L2_CAP_DEVICE_CAPS;
    caps.device_caps = node == NodeKind::Capture ? V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE
                                                 : V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
    return 0;
}

int EmulatedUvcDriver::answer(unsigned long request, void *arg) {
    switch (request) {
        case VIDIOC_QUERY_EXT_CTRL:
            return queryControl(as<v4l2_query_ext_ctrl>(arg));
        case VIDIOC_QUERYMENU: {
            auto &menu = as<v4l2_querymenu>(arg);
            const EmulatedControl *c = find(menu.id);
            if (!c || menu.index > 31 || !(c->entries >> menu.index & 1))
                return EINVAL;
            std::snprintf(reinterpret_cast<char *>(menu.name), sizeof menu.name, "Entry %u",
                          menu.index);
            return 0;
        }
        case VIDIOC_G_CTRL:
        case VIDIOC_S_CTRL: {
            auto &control = as<v4l2_control>(arg);
            v4l2_ext_control item{};
            item.id = control.id;
            item.value = control.value;
            const int error = controls(
                request == VIDIOC_G_CTRL ? VIDIOC_G_EXT_CTRLS : VIDIOC_S_EXT_CTRLS, 1, &item);
            control.value = item.value;
            return error;
        }
        case VIDIOC_SUBSCRIBE_EVENT: {
            const auto &subscription = as<v4l2_event_subscription>(arg);
            if (subscription.type != V4L2_EVENT_CTRL || !find(subscription.id))
                return EINVAL;
            m_subscribed.push_back(subscription.id);
            return 0;
        }
        case VIDIOC_DQEVENT:
            if (m_events.empty())
                return ENOENT;
            as<v4l2_event>(arg) = m_events.front();
            m_events.pop_front();
            return 0;
        case VIDIOC_ENUM_FMT: {
            auto &desc = as<v4l2_fmtdesc>(arg);
            if (desc.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || desc.index != 0)
                return EINVAL;
            desc.pixelformat = V4L2_PIX_FMT_YUYV;
            std::snprintf(reinterpret_cast<char *>(desc.description), sizeof desc.description,
                          "YUYV 4:2:2");
            return 0;
        }
        case VIDIOC_G_FMT:
            as<v4l2_format>(arg).fmt.pix = m_format;
            return 0;
        case VIDIOC_S_FMT:
        case VIDIOC_TRY_FMT:
            return setFormat(request, as<v4l2_format>(arg));
        case VIDIOC_ENUM_FRAMESIZES: {
            auto &size = as<v4l2_frmsizeenum>(arg);
            if (size.pixel_format != V4L2_PIX_FMT_YUYV || size.index >= std::size(kSizes))
                return EINVAL;
            size.type = V4L2_FRMSIZE_TYPE_DISCRETE;
            size.discrete = {kSizes[size.index][0], kSizes[size.index][1]};
            return 0;
        }
        case VIDIOC_ENUM_FRAMEINTERVALS: {
            auto &interval = as<v4l2_frmivalenum>(arg);
            if (interval.index != 0)
                return EINVAL;
            interval.type = V4L2_FRMIVAL_TYPE_DISCRETE;
            interval.discrete = {1, kFramesPerSecond};
            return 0;
        }
        case VIDIOC_ENUMINPUT: {
            auto &input = as<v4l2_input>(arg);
            if (input.index != 0)
                return EINVAL;
            input = {};
            std::snprintf(reinterpret_cast<char *>(input.name), sizeof input.name, "Camera 1");
            input.type = V4L2_INPUT_TYPE_CAMERA;
            return 0;
        }
        case VIDIOC_G_PARM:
        case VIDIOC_S_PARM: {
            auto &parm = as<v4l2_streamparm>(arg);
            parm.parm.capture = {};
            parm.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
            parm.parm.capture.timeperframe = {1, kFramesPerSecond};
            parm.parm.capture.readbuffers = 1;
            return 0;
        }
        default:
            return ENOTTY;
    }
}

int EmulatedUvcDriver::queryControl(v4l2_query_ext_ctrl &query) {
    const bool next = query.id & V4L2_CTRL_FLAG_NEXT_CTRL;
    const std::uint32_t id = query.id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
    if (m_failError && m_failRequest == VIDIOC_QUERY_EXT_CTRL && m_failCid == id)
        return std::exchange(m_failError, 0);
    const auto it = next ? m_controls.upper_bound(id) : m_controls.find(id);
    if (it == m_controls.end())
        return EINVAL;
    const EmulatedControl &c = it->second;
    query = {};
    query.id = c.id;
    query.type = c.type;
    std::snprintf(query.name, sizeof query.name, "%s", c.name);
    query.minimum = c.minimum;
    query.maximum = c.maximum;
    query.step = std::uint64_t(c.step);
    query.default_value = c.defaultValue;
    query.flags = inactive(c) ? V4L2_CTRL_FLAG_INACTIVE : 0;
    query.elem_size = sizeof(std::int32_t);
    query.elems = 1;
    return 0;
}

int EmulatedUvcDriver::controls(unsigned long request, std::uint32_t count,
                                v4l2_ext_control *items) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const EmulatedControl *c = find(items[i].id);
        int error = c ? 0 : EINVAL;
        if (m_failError && m_failRequest == request && m_failCid == items[i].id)
            error = std::exchange(m_failError, 0);
        if (error)
            m_refusals += request == VIDIOC_S_EXT_CTRLS;
        else if (request == VIDIOC_G_EXT_CTRLS)
            items[i].value = m_values[c->id];
        else
            error = write(*c, items[i].value);
        if (error)
            return error;
    }
    return 0;
}

int EmulatedUvcDriver::write(const EmulatedControl &c, std::int32_t value) {
    int error = 0;
    std::int32_t stored = value;
    if (inactive(c)) {
        error = EACCES;
    } else if (c.type == kMenu) {
        error = value < c.minimum || value > c.maximum ? ERANGE
                : c.entries >> value & 1               ? 0
                                                       : EINVAL;
    } else {
        // Clamped into the range and rounded to the nearest step from the minimum, silently.
        const std::int64_t v = std::clamp(value, c.minimum, c.maximum);
        stored = std::int32_t(std::min<std::int64_t>(
            c.minimum + (v - c.minimum + c.step / 2) / c.step * c.step, c.maximum));
    }
    if (error) {
        ++m_refusals;
        return error;
    }
    m_writes.push_back({c.id, value});
    store(c.id, stored);
    return 0;
}

void EmulatedUvcDriver::store(std::uint32_t cid, std::int32_t value) {
    if (std::exchange(m_values[cid], value) == value ||
        std::find(m_subscribed.begin(), m_subscribed.end(), cid) == m_subscribed.end())
        return;
    v4l2_event event{};
    event.type = V4L2_EVENT_CTRL;
    event.id = cid;
    event.u.ctrl.changes = V4L2_EVENT_CTRL_CH_VALUE;
    event.u.ctrl.value = value;
    m_events.push_back(event);
}

const EmulatedControl *EmulatedUvcDriver::find(std::uint32_t cid) const {
    const auto it = m_controls.find(cid);
    return it == m_controls.end() ? nullptr : &it->second;
}

bool EmulatedUvcDriver::inactive(const EmulatedControl &c) const {
    return c.masterId && m_values.count(c.masterId) && m_values.at(c.masterId) != c.masterManual;
}

// Like uvcvideo: any size asked for becomes the nearest one offered.
int EmulatedUvcDriver::setFormat(unsigned long request, v4l2_format &format) {
    if (request == VIDIOC_S_FMT && m_busy)
        return EBUSY;
    const auto distance = [&](const std::uint32_t *size) {
        return std::abs(int(size[0]) - int(format.fmt.pix.width)) +
               std::abs(int(size[1]) - int(format.fmt.pix.height));
    };
    const auto *size =
        *std::min_element(std::begin(kSizes), std::end(kSizes),
                          [&](auto &a, auto &b) { return distance(a) < distance(b); });
    v4l2_pix_format &pix = format.fmt.pix;
    pix = {};
    pix.width = size[0];
    pix.height = size[1];
    pix.pixelformat = V4L2_PIX_FMT_YUYV;
    pix.field = V4L2_FIELD_NONE;
    pix.bytesperline = size[0] * 2;
    pix.sizeimage = pix.bytesperline * size[1];
    pix.colorspace = V4L2_COLORSPACE_SRGB;
    if (request == VIDIOC_S_FMT) {
        m_format = pix;
        m_background.resize(pix.sizeimage);
        for (std::uint32_t y = 0; y < pix.height; ++y)
            for (std::uint32_t x = 0; x < pix.width; ++x)
                putPixel(m_background.data(), pix.width, x, y, kBars[x * 8 / pix.width]);
    }
    return 0;
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
    std::int64_t delayUs = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::int64_t now = g_get_monotonic_time();
        delayUs = std::max<std::int64_t>(0, m_nextFrameUs - now);
        m_nextFrameUs = now + delayUs + 1000000 / kFramesPerSecond;
    }
    // The testbed keeps the driver as long as its nodes, so the pointer holds.
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
    int error = 0;
    std::size_t length = 0;
    {
        std::lock_guard<std::mutex> lock(driver.m_mutex);
        if (driver.m_unplugged)
            error = ENODEV;
        else if (driver.m_busy)
            error = EBUSY;
        else
            length = driver.nextFrame(buffer->data, std::size_t(buffer->data_len));
    }
    umockdev_ioctl_client_complete(pending->client, error ? -1 : long(length), error);
    g_object_unref(pending->client);
    delete pending;
    return G_SOURCE_REMOVE;
}

// The picture with the frame's number in black on white, its digits a quarter of its height tall,
// so that a look at the screen tells a live preview from a frozen one.
std::size_t EmulatedUvcDriver::nextFrame(std::uint8_t *buffer, std::size_t size) {
    const std::size_t length = std::min(size, m_background.size());
    std::memcpy(buffer, m_background.data(), length);
    if (length < m_background.size())
        return length;
    const std::string text = std::to_string(m_frames++);
    const std::uint32_t cell = m_format.height / 20, right = (text.size() * 4 + 2) * cell;
    const std::uint8_t white[3] = {235, 128, 128}, black[3] = {16, 128, 128};
    for (std::uint32_t y = cell; y < 8 * cell; ++y) {
        for (std::uint32_t x = cell; x < right; ++x) {
            const std::uint32_t col = x / cell - 2, row = y / cell - 2, bit = col % 4;
            const bool ink = x >= 2 * cell && row < 5 && bit < 3 &&
                             (kDigits[text[col / 4] - '0'][row] >> (2 - bit) & 1);
            putPixel(buffer, m_format.width, x, y, ink ? black : white);
        }
    }
    return length;
}

void EmulatedUvcDriver::unplug() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_unplugged = true;
}

void EmulatedUvcDriver::setBusy(bool busy) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_busy = busy;
}

void EmulatedUvcDriver::injectFailure(unsigned long request, std::uint32_t cid, int error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failRequest = request;
    m_failCid = cid;
    m_failError = error;
}

void EmulatedUvcDriver::setValue(std::uint32_t cid, std::int32_t value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    store(cid, value);
}

std::int32_t EmulatedUvcDriver::value(std::uint32_t cid) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_values.at(cid);
}

std::vector<EmulatedUvcDriver::Write> EmulatedUvcDriver::writes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writes;
}

int EmulatedUvcDriver::refusals() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_refusals;
}

void EmulatedUvcDriver::clearWrites() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writes.clear();
    m_refusals = 0;
}

v4l2_pix_format EmulatedUvcDriver::format() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_format;
}

std::uint64_t EmulatedUvcDriver::framesDelivered() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames;
}
