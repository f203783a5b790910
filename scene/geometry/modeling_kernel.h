// The modeling kernel: a transaction of topological edits on one polygon object.
//
// A transaction costs in proportion to what it touches. Opening copies nothing: unchanged
// points and polygons are read from the mesh itself, which the transaction checks is still the
// one it opened (its stamp). A polygon that changes gets its loop, of any length, in one flat
// pool. An edge split goes at once into the changed polygons along the edge and is recorded for
// the unchanged ones, which take it when they are read or written out. Which unchanged polygon
// has an edge is found by scanning on from where the last one was found (callers walk the mesh
// in order), and only a caller that jumps about gets a point-to-polygon table. Deleted points
// are a bit each; commit renumbers by a prefix sum and rewrites the mesh arrays in place, in
// one pass over each.
#pragma once

#include "host/geometry.h"
#include "scene/geometry/bit_set.h"
#include "scene/geometry/flat_index_map.h"
#include "scene/geometry/loop_pool.h"
#include "scene/geometry/mesh_adjacency.h"
#include "scene/node.h"

#include <span>
#include <vector>

namespace flumpet::scene {

class Engine;
struct MeshPayload;

class ModelingKernel final : public host::ModelingTransaction {
  public:
    /// Null when the node is not a polygon object.
    static std::unique_ptr<ModelingKernel> open(Engine& engine, NodeId object);

    bool isValidEdge(int32_t polygon, int32_t p1, int32_t p2) const override;
    bool isValidPolygon(int32_t polygon) const override;
    int32_t splitEdge(int32_t p1, int32_t p2, double t) override;
    bool setPoint(int32_t point, const Vector& position, int32_t flags) override;
    int32_t splitPolygon(int32_t polygon, int32_t p1, int32_t p2) override;
    bool deletePoint(int32_t point) override;
    bool commit(int32_t flags) override;
    void release() override;

  private:
    ModelingKernel(Engine& engine, NodeId object) : engine_(engine), object_(object) {}

    /// The mesh as opened; null when it is gone or was changed by other means since.
    MeshPayload* mesh() const;
    int32_t pointCount() const { return static_cast<int32_t>(deleted_.size()); }
    int32_t polygonCount() const { return oldPolygons_ + static_cast<int32_t>(newSlots_.size()); }
    bool livePoint(int32_t p) const {
        return open_ && p >= 0 && p < pointCount() && !deleted_.test(size_t(p));
    }
    /// The slot of a changed polygon; -1 for an old one still unchanged.
    int32_t slotOf(int32_t polygon) const;
    /// A polygon's loop as it is now: its slot's, or the unchanged polygon's corners with the
    /// edge splits that reached them (built in buffer).
    std::span<const int32_t> loopOf(const MeshPayload& m, int32_t polygon,
                                    std::vector<int32_t>& buffer) const;
    std::span<const int32_t> unchangedLoop(const host::Polygon& p, std::vector<int32_t>& buffer) const;
    /// Appends the points split into the edge u-v, in order from u.
    void appendSplits(int32_t u, int32_t v, std::vector<int32_t>& out) const;
    /// A polygon lives while none of its points is deleted.
    bool liveLoop(std::span<const int32_t> loop) const;
    bool livePolygon(const MeshPayload& m, int32_t polygon) const;
    /// The slot of a polygon's loop, made on its first change.
    int32_t editSlot(const MeshPayload& m, int32_t polygon);
    Vector positionOf(const MeshPayload& m, int32_t point) const;
    /// True when an unchanged, live polygon has the edge p1-p2 (first split of that edge).
    bool unchangedHasEdge(const MeshPayload& m, int32_t p1, int32_t p2);
    bool unchangedCandidate(const MeshPayload& m, int32_t polygon, int32_t r1, int32_t r2, int32_t p1,
                            int32_t p2);

    // Commit (modeling_commit.cpp).
    /// True when committing would give back the mesh as it is.
    bool unedited(const Node& node, const MeshPayload& m) const;
    /// The common end of a commit: the deform cache dropped, the object marked, the
    /// transaction released.
    bool finishCommit(Node& node, MeshPayload& m);
    std::vector<int32_t> renumberPoints() const;
    void commitPoints(MeshPayload& m, const std::vector<int32_t>& newIndex) const;
    void commitPolygons(MeshPayload& m, const std::vector<int32_t>& newIndex);

    Engine& engine_;
    NodeId object_;
    bool open_ = true;
    uint64_t stamp_ = 0;
    int32_t oldPoints_ = 0;
    int32_t oldPolygons_ = 0;

    /// Old points, then the points made here.
    BitSet deleted_;
    /// Sources of the points made here (point oldPoints_ + k), for selections and weights.
    struct MadePoint {
        int32_t a, b;
        double t;
    };
    std::vector<MadePoint> made_;
    std::vector<Vector> madePositions_;
    /// Old points moved by setPoint: their index into movedPositions_.
    FlatIndexMap<int32_t> moved_;
    std::vector<Vector> movedPositions_;
    /// The first split of each edge (both ends as the key) and a bit for each end: unchanged
    /// polygons with that edge take the split point when read.
    FlatIndexMap<uint64_t> splitOf_;
    BitSet splitEnds_;
    /// The second split of an edge, which a two-point loop takes in its closing edge.
    FlatIndexMap<uint64_t> secondSplitOf_;

    LoopPool loops_;
    /// Old polygons that changed: a bit each, and their slots.
    BitSet changed_;
    FlatIndexMap<int32_t> changedSlots_;
    /// Slots of the new polygons (polygon oldPolygons_ + k), and the old polygon each was cut from.
    std::vector<int32_t> newSlots_;
    std::vector<int32_t> polygonSource_;
    /// The changed and new polygons that each point is in (or was: checked on use).
    AddedPolygons heldUsers_;

    /// Where the last unchanged polygon with a wanted edge was found, and how many polygons were
    /// scanned in all; past a few passes' worth the mesh's point-to-polygon table is made.
    size_t cursor_ = 0;
    size_t scanned_ = 0;
    PointPolygons users_;

    std::vector<int32_t> sharing_;
    std::vector<int32_t> scratch_;
    mutable std::vector<int32_t> buffer_;
};

} // namespace flumpet::scene
