#pragma once

// A capture backend that passes every call through to another one and records each camera
// access with its time, so that a benchmark can tell how many writes an action causes, which
// controls they touch and when the last of them happened.

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "CaptureServices.h"

struct CameraAccess {
    enum Kind { Bind, ReadRange, ReadValue, Write, PowerLineRead, PowerLineWrite };
    enum Family { ImageControl, CameraControl, PowerLine, NoFamily };

    Kind kind;
    Family family;
    std::int32_t id;
    std::chrono::steady_clock::time_point when;

    bool isWrite() const { return kind == Write || kind == PowerLineWrite; }
};

class AccessLog {
public:
    void record(CameraAccess::Kind kind, CameraAccess::Family family, std::int32_t id) {
        m_entries.push_back({kind, family, id, std::chrono::steady_clock::now()});
    }
    void clear() { m_entries.clear(); }
    const std::vector<CameraAccess> &entries() const { return m_entries; }

    int count(CameraAccess::Kind kind) const;
    int writes() const;
    // Controls written at least once; the power-line property counts as one control.
    int distinctControlsWritten() const;
    // Time of the last write; false when nothing was written.
    bool lastWrite(std::chrono::steady_clock::time_point *when) const;

private:
    std::vector<CameraAccess> m_entries;
};

// `log` must outlive the backend and every device it hands out.
std::unique_ptr<capture::Backend> makeCountingBackend(std::unique_ptr<capture::Backend> inner,
                                                      AccessLog *log);
