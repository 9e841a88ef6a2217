#include "SimulatedCameraSet.h"

#include <algorithm>

namespace {

bool contains(const std::vector<std::string> &list, const std::string &item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Each distinct path of `cameras` that `other` lacks, once, in order.
std::vector<std::string> pathsMissingFrom(
    const std::vector<std::shared_ptr<SimulatedCamera>> &cameras,
    const std::vector<std::shared_ptr<SimulatedCamera>> &other) {
    std::vector<std::string> missing;
    for (const auto &camera : cameras) {
        const bool present = std::any_of(other.begin(), other.end(),
                                         [&](const auto &o) { return o->path == camera->path; });
        if (!present && !contains(missing, camera->path))
            missing.push_back(camera->path);
    }
    return missing;
}

}  // namespace

SimulatedCameraSet::Changes SimulatedCameraSet::replace(std::vector<SimulatedCamera> described) {
    std::vector<std::shared_ptr<SimulatedCamera>> previous = std::move(m_cameras);
    m_cameras.clear();
    std::vector<bool> kept(previous.size(), false);
    for (SimulatedCamera &camera : described) {
        // The n-th camera of a path is matched with the previous n-th camera of that path.
        std::shared_ptr<SimulatedCamera> live;
        for (size_t i = 0; i < previous.size() && !live; ++i) {
            if (kept[i] || previous[i]->path != camera.path)
                continue;
            kept[i] = true;
            if (previous[i]->source != camera.source)
                *previous[i] = std::move(camera);
            live = previous[i];
        }
        m_cameras.push_back(live ? live : std::make_shared<SimulatedCamera>(std::move(camera)));
    }
    for (size_t i = 0; i < previous.size(); ++i)
        previous[i]->connected = kept[i];
    return Changes{pathsMissingFrom(previous, m_cameras), pathsMissingFrom(m_cameras, previous)};
}
