// Writing a modeling transaction's result into the mesh: points and polygons rewritten in place,
// selections and weights carried over.
#include "host/ids.h"
#include "scene/engine.h"
#include "scene/geometry/modeling_kernel.h"
#include "scene/geometry/payloads.h"
#include "scene/geometry/point_remap.h"
#include "scene/geometry/triangulate.h"

#include <algorithm>
#include <array>

namespace flumpet::scene {

namespace {

// Writes polygons over the array they are read from: an output never lands on a polygon not
// yet read, and the few that would (a long loop turned into several triangles) wait in a queue.
class InPlacePolygons {
  public:
    explicit InPlacePolygons(std::vector<Polygon>& polygons) : out_(polygons) {}

    /// Polygons below `end` have been read and may be overwritten.
    void readUpTo(size_t end) {
        free_ = end;
        while (head_ < queue_.size() && written_ < free_)
            out_[written_++] = queue_[head_++];
        if (head_ == queue_.size()) {
            queue_.clear();
            head_ = 0;
        }
    }
    /// Answers the polygon's index in the result.
    size_t emit(const Polygon& p) {
        if (queue_.empty() && written_ < free_)
            out_[written_++] = p;
        else
            queue_.push_back(p);
        return emitted_++;
    }
    void finish() {
        out_.resize(emitted_);
        readUpTo(emitted_);
    }

  private:
    std::vector<Polygon>& out_;
    std::vector<Polygon> queue_;
    size_t head_ = 0;
    size_t written_ = 0;
    size_t emitted_ = 0;
    size_t free_ = 0;
};

/// A triangle or quad whose points are all different: renumbering keeps it one.
bool distinctCorners(const Polygon& p) {
    return p.a != p.b && p.a != p.c && p.b != p.c && (p.c == p.d || (p.d != p.a && p.d != p.b));
}

} // namespace

std::vector<int32_t> ModelingKernel::renumberPoints() const {
    // The kept points in order, old then made: a running count of the kept ones.
    std::vector<int32_t> newIndex(deleted_.size());
    int32_t next = 0;
    for (size_t w = 0; w < deleted_.wordCount(); ++w) {
        const size_t base = w * 64, count = std::min<size_t>(64, deleted_.size() - base);
        const uint64_t gone = deleted_.word(w);
        for (size_t k = 0; k < count; ++k)
            newIndex[base + k] = ((gone >> k) & 1u) ? -1 : next++;
    }
    return newIndex;
}

void ModelingKernel::commitPoints(MeshPayload& m, const std::vector<int32_t>& newIndex) const {
    // Kept old points move down in order; then moved positions are set and the made points that
    // stay follow.
    // A copy of its own first when an undo record or a clone shares the array: the old one stays
    // with them.
    std::vector<Vector>& points = m.points.edit();
    for (size_t p = 0; p < static_cast<size_t>(oldPoints_); ++p) {
        const int32_t to = newIndex[p];
        if (to >= 0 && static_cast<size_t>(to) != p) points[static_cast<size_t>(to)] = points[p];
    }
    moved_.forEach([&](int32_t p, int32_t index) {
        if (const int32_t to = newIndex[static_cast<size_t>(p)]; to >= 0)
            points[static_cast<size_t>(to)] = movedPositions_[static_cast<size_t>(index)];
    });
    // New indices rise, so the last kept point tells how many stay.
    const auto last = std::find_if(newIndex.rbegin(), newIndex.rend(), [](int32_t i) { return i >= 0; });
    points.resize(last == newIndex.rend() ? 0 : static_cast<size_t>(*last) + 1);
    for (size_t k = 0; k < made_.size(); ++k)
        if (const int32_t to = newIndex[static_cast<size_t>(oldPoints_) + k]; to >= 0)
            points[static_cast<size_t>(to)] = madePositions_[k];
    m.points.trimCapacity();
}

void ModelingKernel::commitPolygons(MeshPayload& m, const std::vector<int32_t>& newIndex) {
    const std::span<const Vector> points = m.points; // already renumbered
    std::vector<Polygon>& polygons = m.polygons.edit();
    const bool anySelected = !m.polygonSelection.empty();
    const bool anySplits = !splitOf_.empty();
    Selection selection;
    InPlacePolygons out(polygons);
    const auto emit = [&](const Polygon& p, bool selected) {
        const size_t index = out.emit(p);
        if (selected) selection.select(static_cast<int32_t>(index));
    };

    // A changed or unusual polygon: its loop renumbered and cleaned, as a triangle, a quad or
    // triangles.
    std::vector<int32_t> loop;
    std::vector<Vector> corners;
    std::vector<std::array<int, 3>> triangles;
    const auto emitLoop = [&](std::span<const int32_t> items, bool selected) {
        loop.clear();
        for (int32_t v : items) {
            const int32_t to = newIndex[static_cast<size_t>(v)];
            if (to < 0) return;
            if (loop.empty() || loop.back() != to) loop.push_back(to);
        }
        while (loop.size() > 1 && loop.front() == loop.back())
            loop.pop_back();
        if (loop.size() < 3) return;
        scratch_.assign(loop.begin(), loop.end());
        std::sort(scratch_.begin(), scratch_.end());
        const bool distinct = std::adjacent_find(scratch_.begin(), scratch_.end()) == scratch_.end();
        if (distinct && loop.size() == 3) {
            emit({loop[0], loop[1], loop[2], loop[2]}, selected);
        } else if (distinct && loop.size() == 4) {
            emit({loop[0], loop[1], loop[2], loop[3]}, selected);
        } else {
            corners.clear();
            for (int32_t v : loop)
                corners.push_back(points[static_cast<size_t>(v)]);
            triangles.clear();
            triangulateLoop(corners, triangles);
            for (const auto& t : triangles) {
                const int32_t a = loop[static_cast<size_t>(t[0])], b = loop[static_cast<size_t>(t[1])],
                              c = loop[static_cast<size_t>(t[2])];
                if (a != b && b != c && a != c) emit({a, b, c, c}, selected);
            }
        }
    };
    const auto splitEnd = [&](int32_t p) { return splitEnds_.test(static_cast<size_t>(p)); };

    for (int32_t i = 0; i < oldPolygons_; ++i) {
        const Polygon p = polygons[static_cast<size_t>(i)];
        out.readUpTo(static_cast<size_t>(i) + 1);
        const bool selected = anySelected && m.polygonSelection.isSelected(i);
        if (const int32_t slot = slotOf(i); slot >= 0) {
            emitLoop(loops_.loop(slot), selected);
            continue;
        }
        // An unchanged triangle or quad of distinct points that no split reached stays one:
        // renumbering keeps its points distinct.
        const bool distinct = distinctCorners(p);
        const bool reached =
            anySplits && ((splitEnd(p.a) && splitEnd(p.b)) || (splitEnd(p.b) && splitEnd(p.c)) ||
                          (splitEnd(p.c) && splitEnd(p.d)) || (splitEnd(p.d) && splitEnd(p.a)));
        if (!distinct || reached) {
            emitLoop(unchangedLoop(p, buffer_), selected);
            continue;
        }
        const int32_t a = newIndex[static_cast<size_t>(p.a)], b = newIndex[static_cast<size_t>(p.b)],
                      c = newIndex[static_cast<size_t>(p.c)], d = newIndex[static_cast<size_t>(p.d)];
        if ((a | b | c | d) < 0) continue;
        emit({a, b, c, d}, selected);
    }
    out.readUpTo(static_cast<size_t>(oldPolygons_));
    for (size_t k = 0; k < newSlots_.size(); ++k)
        emitLoop(loops_.loop(newSlots_[k]), anySelected && m.polygonSelection.isSelected(polygonSource_[k]));
    out.finish();
    m.polygons.trimCapacity();
    m.polygonSelection = std::move(selection);
}

bool ModelingKernel::unedited(const Node& node, const MeshPayload& m) const {
    if (!made_.empty() || !moved_.empty() || !changedSlots_.empty() || !newSlots_.empty()) return false;
    for (size_t w = 0; w < deleted_.wordCount(); ++w)
        if (deleted_.word(w)) return false;
    // A commit also drops selections and weights past the last point or polygon, and cleans
    // polygons that repeat a point; without any of these, it would give the mesh back.
    const auto points = static_cast<int32_t>(m.points.size());
    if (m.pointSelection.extent() > points || m.polygonSelection.extent() > static_cast<int32_t>(m.polygons.size()))
        return false;
    for (Node* tag : node.tags)
        if (const WeightPayload* w = weightsOf(tag))
            for (const WeightPayload::Joint& j : w->joints)
                if (!j.weights.empty() && j.weights.back().point >= points) return false;
    return std::all_of(m.polygons.begin(), m.polygons.end(), distinctCorners);
}

bool ModelingKernel::commit(int32_t) {
    MeshPayload* m = mesh();
    if (!m) {
        // Gone, or changed behind the transaction's back: its indices no longer fit.
        release();
        return false;
    }
    Node* node = engine_.find(object_);
    // Nothing to rewrite: the mesh keeps its arrays, its selections, its weights and its stamp
    // (and with it any index kept for it). A transaction opened to delete points that turned out
    // to be none is common, and rewriting a large piece for it is not cheap.
    if (unedited(*node, *m)) return finishCommit(*node, *m);
    const std::vector<int32_t> newIndex = renumberPoints();
    const auto old = static_cast<size_t>(oldPoints_);

    // Points made on an edge between two selected points are selected with them.
    std::vector<uint8_t> madeSelected(made_.size(), 0);
    const auto wasSelected = [&](int32_t p) {
        return p < oldPoints_ ? m->pointSelection.isSelected(p)
                              : madeSelected[static_cast<size_t>(p - oldPoints_)] != 0;
    };
    Selection pointSelection;
    m->pointSelection.forEach([&](int32_t p) {
        if (p < oldPoints_ && newIndex[static_cast<size_t>(p)] >= 0)
            pointSelection.select(newIndex[static_cast<size_t>(p)]);
    });
    for (size_t k = 0; k < made_.size(); ++k) {
        madeSelected[k] = wasSelected(made_[k].a) && wasSelected(made_[k].b);
        if (madeSelected[k] && newIndex[old + k] >= 0) pointSelection.select(newIndex[old + k]);
    }

    // Weight tags follow the points; the remap is made only for an object that has them.
    const bool hasWeights =
        std::any_of(node->tags.begin(), node->tags.end(), [](Node* t) { return weightsOf(t) != nullptr; });
    PointRemap remap;
    if (hasWeights) {
        remap.newIndexOfOld.assign(newIndex.begin(), newIndex.begin() + oldPoints_);
        for (size_t k = 0; k < made_.size(); ++k)
            remap.made.push_back({made_[k].a, made_[k].b, made_[k].t, newIndex[old + k]});
    }

    commitPoints(*m, newIndex);
    commitPolygons(*m, newIndex);
    m->pointSelection = std::move(pointSelection);
    m->touch();
    if (hasWeights) remapWeightTags(engine_, *node, remap);
    return finishCommit(*node, *m);
}

bool ModelingKernel::finishCommit(Node& node, MeshPayload& m) {
    // The deformed copy no longer fits a committed mesh.
    const bool hadDeformCache = m.deformed.has_value();
    m.deformed.reset();
    engine_.markDirty(&node, host::dirty::Data);
    if (hadDeformCache) engine_.markDirty(&node, host::dirty::Cache);
    release();
    return true;
}

} // namespace flumpet::scene
