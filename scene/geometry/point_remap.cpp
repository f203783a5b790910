#include "scene/geometry/point_remap.h"

#include "host/ids.h"
#include "scene/engine.h"
#include "scene/geometry/geometry_service.h"

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
    const auto [from, to] = remap.keptRange();
    const auto first = std::lower_bound(weights.begin(), weights.end(), from, byPoint);
    const auto last = std::lower_bound(first, weights.end(), to, byPoint);
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

WeightsByPoint::WeightsByPoint(const WeightPayload& weights, size_t pointCount)
    : pointCount_(pointCount), offsets_(pointCount + 1, 0) {
    // Counted, then placed: each point's entries in joint order.
    for (const WeightPayload::Joint& j : weights.joints) {
        sources_.push_back(j.weights);
        for (const WeightEntry& e : j.weights)
            if (e.point >= 0 && static_cast<size_t>(e.point) < pointCount) ++offsets_[static_cast<size_t>(e.point) + 1];
    }
    for (size_t p = 0; p < pointCount; ++p)
        offsets_[p + 1] += offsets_[p];
    joints_.resize(offsets_.back());
    weights_.resize(offsets_.back());
    std::vector<uint32_t> next(offsets_.begin(), offsets_.end() - 1);
    for (size_t j = 0; j < weights.joints.size(); ++j) {
        for (const WeightEntry& e : weights.joints[j].weights) {
            if (e.point < 0 || static_cast<size_t>(e.point) >= pointCount) continue;
            const uint32_t at = next[static_cast<size_t>(e.point)]++;
            joints_[at] = static_cast<int32_t>(j);
            weights_[at] = e.weight;
        }
    }
}

bool WeightsByPoint::madeFrom(const WeightPayload& weights, size_t pointCount) const {
    if (pointCount != pointCount_ || weights.joints.size() != sources_.size()) return false;
    // The arrays are held here, so an address seen again is the same, unchanged array.
    for (size_t j = 0; j < sources_.size(); ++j) {
        const SharedArray<WeightEntry>& now = weights.joints[j].weights;
        if (now.data() != sources_[j].data() || now.size() != sources_[j].size()) return false;
    }
    return true;
}

void WeightsByPoint::carry(WeightPayload& weights, std::span<const int32_t> kept) const {
    std::vector<std::vector<WeightEntry>> out(weights.joints.size());
    for (size_t n = 0; n < kept.size(); ++n) {
        const auto p = static_cast<size_t>(kept[n]);
        if (p >= pointCount_) continue;
        for (uint32_t k = offsets_[p]; k < offsets_[p + 1]; ++k)
            out[static_cast<size_t>(joints_[k])].push_back({static_cast<int32_t>(n), weights_[k]});
    }
    for (size_t j = 0; j < weights.joints.size(); ++j)
        weights.joints[j].weights = std::move(out[j]);
}

std::shared_ptr<const WeightsByPoint> WeightsByPointCache::get(const WeightPayload& weights, size_t pointCount) {
    if (!last_ || !last_->madeFrom(weights, pointCount)) last_ = std::make_shared<WeightsByPoint>(weights, pointCount);
    return last_;
}

void remapWeightTags(Engine& engine, Node& object, const PointRemap& remap) {
    // A few points kept out of many, none made (a split of one region): through the table.
    const bool fewKept = remap.made.empty() && !remap.kept.empty() &&
                         remap.kept.size() * 8 < static_cast<size_t>(remap.oldCount());
    for (Node* tag : object.tags) {
        WeightPayload* w = weightsOf(tag);
        if (!w) continue;
        if (fewKept) {
            engine.geometry().weightsByPoint(*w, static_cast<size_t>(remap.oldCount()))->carry(*w, remap.kept);
        } else {
            for (WeightPayload::Joint& j : w->joints)
                j.weights = remapJoint(j.weights, remap);
        }
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
