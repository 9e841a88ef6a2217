#pragma once

// The picture side of an emulated USB video-class camera: one YUYV format with the frame sizes
// and intervals a document camera offers, the format and input ioctls a capture program needs,
// and frames for read() that carry a large frame counter, so that a picture of the screen tells
// a live preview from a frozen one. The caller serialises every call.

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct EmulatedFrameSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> framesPerSecond;  // fastest first
};

// 1920×1080, 1280×720 and 640×480.
std::vector<EmulatedFrameSize> documentCameraFrameSizes();

class EmulatedStream {
public:
    explicit EmulatedStream(std::vector<EmulatedFrameSize> sizes);

    // Answers one format, input or parameter ioctl; ENOTTY for any other request. A busy camera
    // refuses to change its format.
    int ioctl(unsigned long request, void *arg, bool busy);
    // The next frame into `buffer`; returns the bytes written (at most one frame).
    std::size_t nextFrame(std::uint8_t *buffer, std::size_t size);
    std::uint32_t frameIntervalMs() const { return 1000 / m_fps; }

    // Every format set with S_FMT, in order.
    const std::vector<v4l2_pix_format> &formatsSet() const { return m_formatsSet; }
    std::uint64_t framesDelivered() const { return m_frames; }

private:
    const EmulatedFrameSize &nearest(std::uint32_t width, std::uint32_t height) const;
    int format(unsigned long request, v4l2_format &format, bool busy);
    int parameters(unsigned long request, v4l2_streamparm &parm);
    void paintBackground();

    std::vector<EmulatedFrameSize> m_sizes;
    v4l2_pix_format m_format{};
    std::uint32_t m_fps = 0;
    std::vector<std::uint8_t> m_background;
    std::vector<v4l2_pix_format> m_formatsSet;
    std::uint64_t m_frames = 0;
};
