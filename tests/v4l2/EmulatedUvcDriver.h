#pragma once

// One emulated USB video-class camera answering V4L2 as uvcvideo does: integers clamped and
// rounded to the step, value controls inactive (EACCES) while their automatic companion is on,
// control events, a YUYV stream by read(), and ENODEV for everything once unplugged.

#include <linux/videodev2.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct _UMockdevIoctlClient;

struct EmulatedControl {
    std::uint32_t id;
    const char *name;
    std::uint32_t type;
    std::int32_t minimum, maximum, step, defaultValue;  // a menu's range spans its entries
    std::uint32_t entries = 0;                          // a menu's offered entries, a bit each
    std::uint32_t masterId = 0;  // inactive unless the master holds `masterManual`
    std::int32_t masterManual = 0;
};

// The controls of a typical document camera.
std::vector<EmulatedControl> typicalUvcControls();

using Writes = std::vector<std::pair<std::uint32_t, std::int32_t>>;  // control id, value

struct EmulatedState {
    std::map<std::uint32_t, std::int32_t> values;
    Writes writes;  // accepted, as requested
    int refusals = 0;
    bool unplugged = false;
    bool busy = false;  // another program streams: S_FMT and read() answer EBUSY
    struct Failure {
        unsigned long request = 0;
        std::uint32_t cid = 0;
        int error = 0;
    } fail;  // the next such ioctl on the control answers the error
    v4l2_pix_format format{};
    std::uint64_t frames = 0;  // delivered
};

enum class NodeKind { Capture, Metadata };

class EmulatedUvcDriver {
public:
    EmulatedUvcDriver(std::string card, const std::vector<EmulatedControl> &controls);

    bool handle(_UMockdevIoctlClient *client, NodeKind node);
    // The next frame once it is due, from a timer, so that umockdev's worker stays free meanwhile.
    bool handleRead(_UMockdevIoctlClient *client);

    // umockdev asks on its own thread: the test sees a copy and changes under the lock. A value
    // changed so is reported to subscribers, as a change by another program.
    EmulatedState state() const;
    void change(const std::function<void(EmulatedState &)> &edit);

private:
    int answer(unsigned long request, void *arg, NodeKind node);
    int controls(unsigned long request, std::uint32_t count, v4l2_ext_control *items);
    int write(const EmulatedControl &control, std::int32_t value);
    void report(std::uint32_t cid);
    bool failing(unsigned long request, std::uint32_t cid) const;
    bool inactive(const EmulatedControl &control) const;
    int setFormat(unsigned long request, v4l2_pix_format &pix);
    static int completeRead(void *pending);
    std::size_t nextFrame(std::uint8_t *buffer, std::size_t size);

    mutable std::mutex m_mutex;
    std::string m_card;
    std::map<std::uint32_t, EmulatedControl> m_controls;
    EmulatedState m_state;
    std::vector<std::uint32_t> m_subscribed;
    std::deque<v4l2_event> m_events;
    std::int64_t m_nextFrameUs = 0;
};
