#include "SimulatedCameraSet.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>

// Lists of tens of thousands of cameras are described, so every lookup goes through a hash of
// paths: the work grows with the number of cameras, not with its square.
namespace {

// Each distinct path of `cameras` that `other` lacks, once, in order.
std::vector<std::string> pathsMissingFrom(
    const std::vector<std::shared_ptr<SimulatedCamera>> &cameras,
    const std::vector<std::shared_ptr<SimulatedCamera>> &other) {
    std::unordered_set<std::string> seen;
    for (const auto &o : other)
        seen.insert(o->path);
    std::vector<std::string> missing;
    for (const auto &camera : cameras)
        if (seen.insert(camera->path).second)
            missing.push_back(camera->path);
    return missing;
}

}  // namespace

SimulatedCameraSet::Changes SimulatedCameraSet::replace(std::vector<SimulatedCamera> described) {
    std::vector<std::shared_ptr<SimulatedCamera>> previous = std::move(m_cameras);
    m_cameras.clear();
    std::vector<bool> kept(previous.size(), false);
    // The previous cameras of each path, in order, not yet matched.
    std::unordered_map<std::string, std::deque<size_t>> unmatched;
    for (size_t i = 0; i < previous.size(); ++i)
        unmatched[previous[i]->path].push_back(i);
    for (SimulatedCamera &camera : described) {
        // The n-th camera of a path is matched with the previous n-th camera of that path.
        std::shared_ptr<SimulatedCamera> live;
        const auto same = unmatched.find(camera.path);
        if (same != unmatched.end() && !same->second.empty()) {
            const size_t i = same->second.front();
            same->second.pop_front();
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
