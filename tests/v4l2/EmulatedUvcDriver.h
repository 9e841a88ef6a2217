#pragma once

// Answers the V4L2 ioctls of one emulated USB video-class camera the way the uvcvideo driver
// does: QUERYCAP per node (a capture node and a metadata node), QUERY_EXT_CTRL (also with
// NEXT_CTRL), QUERYMENU, G/S_CTRL, G/S/TRY_EXT_CTRLS with step rounding and clamping of integers,
// menus with holes, value controls kept inactive by their automatic companion (written: EACCES),
// control events (SUBSCRIBE_EVENT, DQEVENT: every stored change of a subscribed control, also
// through setValue, is queued once for whichever descriptor dequeues first), a picture stream by
// read() (EmulatedStream; no mmap streaming) and ENODEV on everything once unplugged.
//
// The ioctls arrive on umockdev's worker thread while the test reads the state on its own, so
// every member locks.

#include <linux/videodev2.h>

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "EmulatedStream.h"

struct _UMockdevIoctlClient;

struct EmulatedControl {
    std::uint32_t id = 0;
    std::string name;
    std::uint32_t type = V4L2_CTRL_TYPE_INTEGER;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t step = 1;
    std::int32_t defaultValue = 0;
    std::int32_t value = 0;
    std::vector<std::int32_t> menuEntries;  // offered entries of a menu control
    std::uint32_t masterId = 0;             // inactive unless the master holds masterManual
    std::int32_t masterManual = 0;
    bool readOnly = false;
};

// A control set like a typical document camera's.
std::vector<EmulatedControl> typicalUvcControls();

enum class NodeKind { Capture, Metadata };

class EmulatedUvcDriver {
public:
    using Write = std::pair<std::uint32_t, std::int32_t>;  // control id, value as requested

    EmulatedUvcDriver(std::string card, std::vector<EmulatedControl> controls,
                      std::vector<EmulatedFrameSize> frameSizes = documentCameraFrameSizes());

    // Answers one ioctl; returns true when handled (the client is completed).
    bool handle(_UMockdevIoctlClient *client, NodeKind node);
    // Answers one read() with the next frame once it is due at the frame rate, from a timer on
    // the calling thread's main context, so that umockdev's worker stays free meanwhile.
    bool handleRead(_UMockdevIoctlClient *client, NodeKind node);

    void unplug();
    // Another program holds the camera: S_FMT and read() answer EBUSY.
    void setBusy(bool busy);
    std::vector<v4l2_pix_format> formatsSet() const;
    std::uint64_t framesDelivered() const;
    // The next ioctl `request` about control `cid` (0: any) fails with `error`.
    void injectFailure(unsigned long request, std::uint32_t cid, int error);

    std::int32_t value(std::uint32_t cid) const;
    void setValue(std::uint32_t cid, std::int32_t value);
    EmulatedControl control(std::uint32_t cid) const;
    std::vector<Write> acceptedWrites() const;
    std::vector<Write> refusedWrites() const;
    void clearWrites();

private:
    int queryCap(void *arg, NodeKind node);
    static int completeRead(void *pendingRead);
    int queryExtCtrl(v4l2_query_ext_ctrl &query);
    int queryMenu(v4l2_querymenu &menu);
    int extControls(unsigned long request, v4l2_ext_controls &controls, v4l2_ext_control *items);
    int singleControl(unsigned long request, v4l2_control &control);
    int setOne(v4l2_ext_control &item, bool store);
    int takeInjectedFailure(unsigned long request, std::uint32_t cid);
    int subscription(unsigned long request, const v4l2_event_subscription &subscription);
    int dequeueEvent(v4l2_event &event);
    void queueEvent(const EmulatedControl &control);
    EmulatedControl *find(std::uint32_t cid);
    bool isInactive(const EmulatedControl &control) const;

    mutable std::mutex m_mutex;
    std::string m_card;
    std::map<std::uint32_t, EmulatedControl> m_controls;
    std::vector<std::pair<std::pair<unsigned long, std::uint32_t>, int>> m_failures;
    std::vector<Write> m_accepted;
    std::vector<Write> m_refused;
    bool m_unplugged = false;
    bool m_busy = false;
    EmulatedStream m_stream;
    std::int64_t m_nextFrameUs = 0;
    std::vector<std::uint32_t> m_subscribed;
    std::deque<v4l2_event> m_events;
};
