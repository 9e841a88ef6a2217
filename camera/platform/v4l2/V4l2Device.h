#pragma once

// A video-capture node as an enumerated device. Binding opens the node for the one operation the
// camera layer is about to run and closes it when the bound device and its interfaces are gone,
// so the camera stays free for other programs in between.

#include "CaptureServices.h"
#include "UdevHandles.h"
#include "VideoNode.h"

namespace v4l2backend {

class V4l2Device : public capture::Device {
public:
    V4l2Device(UdevContext context, VideoNode node)
        : m_context(std::move(context)), m_node(std::move(node)) {}

    capture::Result displayName(std::string &utf8Out) override;
    capture::Result friendlyName(std::string &utf8Out) override;
    capture::Result friendlyNames(std::vector<std::string> &utf8Out) override;
    // Fails with kDeviceNotConnected once the camera has gone, also when its node number has
    // been given to another camera since.
    capture::Result bind(std::unique_ptr<capture::BoundDevice> &out) override;
    capture::Result watchControlChanges(std::unique_ptr<capture::ControlChangeWatch> &out) override;

private:
    // The node that now belongs to this camera; empty once it has gone.
    std::string currentDevnode() const;

    UdevContext m_context;
    VideoNode m_node;
};

}  // namespace v4l2backend
