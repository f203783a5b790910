// Carrying per-point data (weights, deformed positions) through an edit of a mesh.
#pragma once

#include "scene/geometry/payloads.h"

#include <cstdint>
#include <span>
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
    /// Old points before keptFrom and from keptTo on are all gone: a split that keeps a small
    /// region of a large mesh says so, and per-point data outside it is skipped unread.
    int32_t keptFrom = 0;
    int32_t keptTo = INT32_MAX;

    int32_t oldCount() const { return static_cast<int32_t>(newIndexOfOld.size()); }
};

/// Rewrites the weights of every weight tag on the object for the edited points: kept points
/// keep their weights, made points get the blend of their two sources.
void remapWeightTags(Engine& engine, Node& object, const PointRemap& remap);

/// Per-point values through the remap (made points blended); values past the old end count as
/// zero.
std::vector<Vector> remapPositions(std::span<const Vector> old, const PointRemap& remap, size_t newCount);

} // namespace flumpet::scene
