#pragma once

// One emulated USB video-class camera answering V4L2 the way uvcvideo does: QUERYCAP per node (a
// capture node, a metadata node), QUERY_EXT_CTRL (also NEXT_CTRL), QUERYMENU for menus with holes,
// G/S_EXT_CTRLS and G/S_CTRL with integers clamped and rounded to the step, value controls
// inactive (EACCES) while their automatic companion is on, control events, a YUYV stream by read()
// whose picture carries a frame counter, and ENODEV for everything once unplugged. umockdev asks
// on its own thread while the test looks on its own, so every member locks.

#include <linux/videodev2.h>

#include <cstdint>
#include <deque>
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
    std::uint32_t entries;                              // a menu's offered entries, one bit each
    std::uint32_t masterId;  // inactive unless the master holds `masterManual`
    std::int32_t masterManual;
};

// The controls of a typical document camera.
std::vector<EmulatedControl> typicalUvcControls();

enum class NodeKind { Capture, Metadata };

class EmulatedUvcDriver {
public:
    using Write = std::pair<std::uint32_t, std::int32_t>;  // control id, value as requested

    EmulatedUvcDriver(std::string card, const std::vector<EmulatedControl> &controls);

    bool handle(_UMockdevIoctlClient *client, NodeKind node);
    // The next frame once it is due, from a timer, so that umockdev's worker stays free meanwhile.
    bool handleRead(_UMockdevIoctlClient *client, NodeKind node);

    void unplug();
    // Another program streams from the camera: S_FMT and read() answer EBUSY.
    void setBusy(bool busy);
    // The next ioctl `request` on control `cid` fails with `error`.
    void injectFailure(unsigned long request, std::uint32_t cid, int error);
    // A change by another program, reported to subscribers.
    void setValue(std::uint32_t cid, std::int32_t value);
    std::int32_t value(std::uint32_t cid) const;
    std::vector<Write> writes() const;  // accepted, in order
    int refusals() const;
    void clearWrites();
    v4l2_pix_format format() const;
    std::uint64_t framesDelivered() const;

private:
    int answer(unsigned long request, void *arg);
    int queryCap(v4l2_capability &caps, NodeKind node) const;
    int queryControl(v4l2_query_ext_ctrl &query);
    int controls(unsigned long request, std::uint32_t count, v4l2_ext_control *items);
    int write(const EmulatedControl &control, std::int32_t value);
    int setFormat(unsigned long request, v4l2_format &format);
    void store(std::uint32_t cid, std::int32_t value);
    const EmulatedControl *find(std::uint32_t cid) const;
    bool inactive(const EmulatedControl &control) const;
    static int completeRead(void *pending);
    std::size_t nextFrame(std::uint8_t *buffer, std::size_t size);

    mutable std::mutex m_mutex;
    std::string m_card;
    std::map<std::uint32_t, EmulatedControl> m_controls;
    std::map<std::uint32_t, std::int32_t> m_values;
    unsigned long m_failRequest = 0;
    std::uint32_t m_failCid = 0;
    int m_failError = 0;
    std::vector<Write> m_writes;
    int m_refusals = 0;
    std::vector<std::uint32_t> m_subscribed;
    std::deque<v4l2_event> m_events;
    bool m_unplugged = false;
    bool m_busy = false;
    v4l2_pix_format m_format{};
    std::vector<std::uint8_t> m_background;
    std::uint64_t m_frames = 0;
    std::int64_t m_nextFrameUs = 0;
};
