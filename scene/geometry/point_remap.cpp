#include "scene/geometry/point_remap.h"

#include "host/ids.h"
#include "scene/engine.h"

#include <algorithm>

namespace flumpet::scene {

namespace {

double lookup(std::span<const WeightEntry> weights, int32_t point) {
    const auto it = std::lower_bound(weights.begin(), weights.end(), point,
                                     [](const WeightEntry& e, int32_t p) { return e.point < p; });
    return (it != weights.end() && it->point == point) ? it->weight : 0.0;
}

std::vector<WeightEntry> remapJoint(std::span<const WeightEntry> weights, const PointRemap& remap) {
    // Made points blend their sources' weights: a joint with none has none to give. Most joints
    // of a piece's tag weigh none of its points.
    if (weights.empty()) return {};
    const int32_t oldCount = remap.oldCount();
    const auto byPoint = [](const WeightEntry& e, int32_t p) { return e.point < p; };
    const auto first = std::lower_bound(weights.begin(), weights.end(), remap.keptFrom, byPoint);
    const auto last = std::lower_bound(first, weights.end(), std::min(remap.keptTo, oldCount), byPoint);
    std::vector<WeightEntry> out;
    out.reserve(static_cast<size_t>(last - first));
    for (auto e = first; e != last; ++e) {
        const int32_t to = remap.newIndexOfOld[static_cast<size_t>(e->point)];
        if (to >= 0) out.push_back({to, e->weight});
    }
    if (!remap.made.empty()) {
        std::vector<double> made(remap.made.size(), 0.0);
        const auto weightOf = [&](int32_t i) {
            return i < oldCount ? lookup(weights, i) : made[static_cast<size_t>(i - oldCount)];
        };
        for (size_t k = 0; k < remap.made.size(); ++k) {
            const PointRemap::Made& m = remap.made[k];
            made[k] = (1.0 - m.t) * weightOf(m.a) + m.t * weightOf(m.b);
            if (m.newIndex >= 0 && made[k] > 0.0) out.push_back({m.newIndex, made[k]});
        }
    }
    if (!std::is_sorted(out.begin(), out.end(),
                        [](const WeightEntry& x, const WeightEntry& y) { return x.point < y.point; }))
        std::sort(out.begin(), out.end(),
                  [](const WeightEntry& x, const WeightEntry& y) { return x.point < y.point; });
    return out;
}

} // namespace

void remapWeightTags(Engine& engine, Node& object, const PointRemap& remap) {
    for (Node* tag : object.tags) {
        WeightPayload* w = weightsOf(tag);
        if (!w) continue;
        for (WeightPayload::Joint& j : w->joints)
            j.weights = remapJoint(j.weights, remap);
        engine.markDirty(tag, host::dirty::Data);
    }
}

std::vector<Vector> remapPositions(std::span<const Vector> old, const PointRemap& remap, size_t newCount) {
    std::vector<Vector> out(newCount);
    const int32_t oldCount = remap.oldCount();
    for (int32_t i = 0; i < oldCount; ++i) {
        const int32_t to = remap.newIndexOfOld[static_cast<size_t>(i)];
        if (to >= 0 && static_cast<size_t>(to) < newCount && static_cast<size_t>(i) < old.size())
            out[static_cast<size_t>(to)] = old[static_cast<size_t>(i)];
    }
    std::vector<Vector> made(remap.made.size());
    const auto at = [&](int32_t i) {
        if (i < oldCount) return static_cast<size_t>(i) < old.size() ? old[static_cast<size_t>(i)] : Vector{};
        return made[static_cast<size_t>(i - oldCount)];
    };
    for (size_t k = 0; k < remap.made.size(); ++k) {
        const PointRemap::Made& m = remap.made[k];
        made[k] = at(m.a) + (at(m.b) - at(m.a)) * m.t;
        if (m.newIndex >= 0 && static_cast<size_t>(m.newIndex) < newCount)
            out[static_cast<size_t>(m.newIndex)] = made[k];
    }
    return out;
}

} // namespace flumpet::scene
