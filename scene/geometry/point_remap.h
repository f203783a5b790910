// Carrying per-point data (weights, deformed positions) through an edit of a mesh.
#pragma once

#include "scene/geometry/payloads.h"

#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace flumpet::scene {

class Engine;

/// How the points after an edit come from the points before it.
struct PointRemap {
    /// The new index of each old point; -1 when it is gone. Increasing where not -1.
    std::vector<int32_t> newIndexOfOld;
    /// A point made during the edit at a + t * (b - a), where a and b are old indices or, for
    /// the k-th made point, oldCount + k of an earlier one.
    struct Made {
        int32_t a = 0, b = 0;
        double t = 0.0;
        /// Its index after the edit; -1 when it is gone again. Made points that stay come after
        /// every old point that stays, in the order they were made.
        int32_t newIndex = -1;
    };
    std::vector<Made> made;
    /// When an edit made no points and knows them: the old points that stay, ascending (their
    /// new indices are their places here).
    std::vector<int32_t> kept;

    int32_t oldCount() const { return static_cast<int32_t>(newIndexOfOld.size()); }
    /// Old points outside [first, second) are all gone: per-point data there is skipped unread
    /// (a split that keeps a small region of a large mesh lists its points).
    std::pair<int32_t, int32_t> keptRange() const {
        if (kept.empty()) return {0, oldCount()};
        return {kept.front(), kept.back() + 1};
    }
};

/// A weight tag's weights listed by point: each point's joints and weights. Made once for a
/// state of the tag's weights, it holds on to the arrays it was made from and knows them again
/// in a copy of the tag: every split of the same mesh then reads only its own points' weights
/// instead of every weight of the mesh.
class WeightsByPoint {
  public:
    WeightsByPoint(const WeightPayload& weights, size_t pointCount);
    bool madeFrom(const WeightPayload& weights, size_t pointCount) const;
    /// Rewrites the joints of weights (a tag it was made from) for the kept points, ascending
    /// old indices that become 0, 1, 2 ...
    void carry(WeightPayload& weights, std::span<const int32_t> kept) const;

  private:
    std::vector<SharedArray<WeightEntry>> sources_;
    size_t pointCount_;
    /// Point p's entries are offsets_[p] .. offsets_[p + 1].
    std::vector<uint32_t> offsets_;
    std::vector<int32_t> joints_;
    std::vector<double> weights_;
};

/// The one table kept: a create command splits the same mesh, with the same weights, once per
/// bone.
class WeightsByPointCache {
  public:
    std::shared_ptr<const WeightsByPoint> get(const WeightPayload& weights, size_t pointCount);

  private:
    std::shared_ptr<const WeightsByPoint> last_;
};

/// Rewrites the weights of every weight tag on the object for the edited points: kept points
/// keep their weights, made points get the blend of their two sources.
void remapWeightTags(Engine& engine, Node& object, const PointRemap& remap);

/// Per-point values through the remap (made points blended); values past the old end count as
/// zero.
std::vector<Vector> remapPositions(std::span<const Vector> old, const PointRemap& remap, size_t newCount);

} // namespace flumpet::scene
