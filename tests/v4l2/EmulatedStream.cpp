#include "EmulatedStream.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// 3×5 glyphs of the digits, one row in three bits, top row first.
const std::uint16_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

// Colour bars as Y, U, V.
const std::uint8_t kBars[][3] = {{180, 128, 128}, {168, 44, 136}, {145, 147, 44}, {133, 63, 52},
                                 {63, 193, 204},  {51, 109, 212}, {28, 212, 120}, {16, 128, 128}};

void putPixel(std::uint8_t *frame, const v4l2_pix_format &f, std::uint32_t x, std::uint32_t y,
              const std::uint8_t *yuv) {
    std::uint8_t *pair = frame + y * f.bytesperline + (x & ~1u) * 2;
    pair[(x & 1) * 2] = yuv[0];
    pair[1] = yuv[1];
    pair[3] = yuv[2];
}

}  // namespace

std::vector<EmulatedFrameSize> documentCameraFrameSizes() {
    return {{1920, 1080, {30, 15, 5}}, {1280, 720, {30, 15}}, {640, 480, {30, 15}}};
}

EmulatedStream::EmulatedStream(std::vector<EmulatedFrameSize> sizes) : m_sizes(std::move(sizes)) {
    // A camera starts in its smallest size, as uvcvideo leaves it after probing.
    v4l2_format start{};
    start.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format(VIDIOC_TRY_FMT, start, false);
    m_format = start.fmt.pix;
    m_fps = nearest(m_format.width, m_format.height).framesPerSecond.front();
    paintBackground();
}

const EmulatedFrameSize &EmulatedStream::nearest(std::uint32_t width, std::uint32_t height) const {
    return *std::min_element(m_sizes.begin(), m_sizes.end(), [&](const auto &a, const auto &b) {
        return std::labs(long(a.width) - long(width)) + std::labs(long(a.height) - long(height)) <
               std::labs(long(b.width) - long(width)) + std::labs(long(b.height) - long(height));
    });
}

int EmulatedStream::ioctl(unsigned long request, void *arg, bool busy) {
    switch (request) {
        case VIDIOC_ENUM_FMT: {
            auto &desc = *static_cast<v4l2_fmtdesc *>(arg);
            if (desc.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || desc.index != 0)
                return EINVAL;
            desc.flags = 0;
            desc.pixelformat = V4L2_PIX_FMT_YUYV;
            std::snprintf(reinterpret_cast<char *>(desc.description), sizeof desc.description,
                          "YUYV 4:2:2");
            return 0;
        }
        case VIDIOC_G_FMT:
        case VIDIOC_S_FMT:
        case VIDIOC_TRY_FMT:
            return format(request, *static_cast<v4l2_format *>(arg), busy);
        case VIDIOC_ENUM_FRAMESIZES: {
            auto &size = *static_cast<v4l2_frmsizeenum *>(arg);
            if (size.pixel_format != V4L2_PIX_FMT_YUYV || size.index >= m_sizes.size())
                return EINVAL;
            size.type = V4L2_FRMSIZE_TYPE_DISCRETE;
            size.discrete = {m_sizes[size.index].width, m_sizes[size.index].height};
            return 0;
        }
        case VIDIOC_ENUM_FRAMEINTERVALS: {
            auto &interval = *static_cast<v4l2_frmivalenum *>(arg);
            const auto size = std::find_if(m_sizes.begin(), m_sizes.end(), [&](const auto &s) {
                return s.width == interval.width && s.height == interval.height;
            });
            if (interval.pixel_format != V4L2_PIX_FMT_YUYV || size == m_sizes.end() ||
                interval.index >= size->framesPerSecond.size())
                return EINVAL;
            interval.type = V4L2_FRMIVAL_TYPE_DISCRETE;
            interval.discrete = {1, size->framesPerSecond[interval.index]};
            return 0;
        }
        case VIDIOC_G_PARM:
        case VIDIOC_S_PARM:
            return parameters(request, *static_cast<v4l2_streamparm *>(arg));
        case VIDIOC_ENUMINPUT: {
            auto &input = *static_cast<v4l2_input *>(arg);
            if (input.index != 0)
                return EINVAL;
            std::memset(&input, 0, sizeof input);
            std::snprintf(reinterpret_cast<char *>(input.name), sizeof input.name, "Camera 1");
            input.type = V4L2_INPUT_TYPE_CAMERA;
            return 0;
        }
        case VIDIOC_G_INPUT:
            *static_cast<int *>(arg) = 0;
            return 0;
        case VIDIOC_S_INPUT:
            return *static_cast<int *>(arg) == 0 ? 0 : EINVAL;
        case VIDIOC_CROPCAP: {
            auto &crop = *static_cast<v4l2_cropcap *>(arg);
            if (crop.type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
                return EINVAL;
            crop.bounds = crop.defrect = {0, 0, m_format.width, m_format.height};
            crop.pixelaspect = {1, 1};
            return 0;
        }
        case VIDIOC_G_SELECTION: {
            auto &selection = *static_cast<v4l2_selection *>(arg);
            if (selection.type != V4L2_BUF_TYPE_VIDEO_CAPTURE ||
                (selection.target != V4L2_SEL_TGT_CROP_DEFAULT &&
                 selection.target != V4L2_SEL_TGT_CROP_BOUNDS))
                return EINVAL;
            selection.r = {0, 0, m_format.width, m_format.height};
            return 0;
        }
        case VIDIOC_G_PRIORITY:
            *static_cast<std::uint32_t *>(arg) = V4L2_PRIORITY_DEFAULT;
            return 0;
        case VIDIOC_S_PRIORITY:
            return 0;
        default:
            return ENOTTY;
    }
}

// Like uvcvideo: any requested size becomes the nearest one offered, at the fastest rate.
int EmulatedStream::format(unsigned long request, v4l2_format &format, bool busy) {
    if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
        return EINVAL;
    if (request == VIDIOC_G_FMT) {
        format.fmt.pix = m_format;
        return 0;
    }
    if (request == VIDIOC_S_FMT && busy)
        return EBUSY;
    const EmulatedFrameSize &size = nearest(format.fmt.pix.width, format.fmt.pix.height);
    v4l2_pix_format &pix = format.fmt.pix;
    std::memset(&pix, 0, sizeof pix);
    pix.width = size.width;
    pix.height = size.height;
    pix.pixelformat = V4L2_PIX_FMT_YUYV;
    pix.field = V4L2_FIELD_NONE;
    pix.bytesperline = size.width * 2;
    pix.sizeimage = pix.bytesperline * size.height;
    pix.colorspace = V4L2_COLORSPACE_SRGB;
    if (request == VIDIOC_S_FMT) {
        m_format = pix;
        m_fps = size.framesPerSecond.front();
        m_formatsSet.push_back(pix);
        paintBackground();
    }
    return 0;
}

int EmulatedStream::parameters(unsigned long request, v4l2_streamparm &parm) {
    if (parm.type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
        return EINVAL;
    if (request == VIDIOC_S_PARM) {
        const v4l2_fract asked = parm.parm.capture.timeperframe;
        const std::uint32_t wanted = asked.numerator ? asked.denominator / asked.numerator : 0;
        const auto &rates = nearest(m_format.width, m_format.height).framesPerSecond;
        m_fps = *std::min_element(rates.begin(), rates.end(), [&](auto a, auto b) {
            return std::labs(long(a) - long(wanted)) < std::labs(long(b) - long(wanted));
        });
    }
    std::memset(&parm.parm, 0, sizeof parm.parm);
    parm.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
    parm.parm.capture.timeperframe = {1, m_fps};
    parm.parm.capture.readbuffers = 1;
    return 0;
}

void EmulatedStream::paintBackground() {
    m_background.resize(m_format.sizeimage);
    for (std::uint32_t y = 0; y < m_format.height; ++y) {
        for (std::uint32_t x = 0; x < m_format.width; ++x)
            putPixel(m_background.data(), m_format, x, y, kBars[x * 8 / m_format.width]);
    }
}

std::size_t EmulatedStream::nextFrame(std::uint8_t *buffer, std::size_t size) {
    const std::size_t length = std::min<std::size_t>(size, m_background.size());
    std::memcpy(buffer, m_background.data(), length);
    if (length < m_background.size())
        return length;
    // The counter in black on white, its digits a quarter of the picture's height tall.
    const std::string text = std::to_string(m_frames++);
    const std::uint32_t cell = m_format.height / 20, margin = cell;
    const std::uint8_t white[3] = {235, 128, 128}, black[3] = {16, 128, 128};
    const std::uint32_t boxWidth = std::min<std::uint32_t>(
        m_format.width - margin, (std::uint32_t(text.size()) * 4 + 1) * cell + margin);
    for (std::uint32_t y = margin; y < margin + 7 * cell; ++y) {
        for (std::uint32_t x = margin; x < boxWidth; ++x) {
            const std::uint32_t col = (x - margin) / cell, row = (y - margin) / cell;
            const std::uint32_t digit = (col - 1) / 4, bit = (col - 1) % 4;
            const bool ink = col >= 1 && row >= 1 && row <= 5 && bit < 3 && digit < text.size() &&
                             (kDigits[text[digit] - '0'][row - 1] >> (2 - bit) & 1);
            putPixel(buffer, m_format, x, y, ink ? black : white);
        }
    }
    return length;
}
