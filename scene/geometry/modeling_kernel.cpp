#include "scene/geometry/modeling_kernel.h"

#include "scene/engine.h"
#include "scene/geometry/payloads.h"

#include <algorithm>
#include <cmath>

namespace flumpet::scene {

namespace {

// Position of value in the loop, -1 when absent.
int indexIn(std::span<const int32_t> loop, int32_t value) {
    const auto it = std::find(loop.begin(), loop.end(), value);
    return it == loop.end() ? -1 : static_cast<int>(it - loop.begin());
}

// Where the edge p1-p2 (either way round) first starts in the loop; -1 when the loop lacks it.
int edgeIn(std::span<const int32_t> loop, int32_t p1, int32_t p2) {
    const size_t n = loop.size();
    for (size_t k = 0; k < n; ++k) {
        const int32_t x = loop[k], y = loop[(k + 1) % n];
        if ((x == p1 && y == p2) || (x == p2 && y == p1)) return static_cast<int>(k);
    }
    return -1;
}

uint64_t edgeKey(int32_t u, int32_t v) {
    return (uint64_t(uint32_t(std::min(u, v))) << 32) | uint32_t(std::max(u, v));
}

bool uses(const Polygon& p, int32_t point) {
    return p.a == point || p.b == point || p.c == point || p.d == point;
}

} // namespace

std::unique_ptr<ModelingKernel> ModelingKernel::open(Engine& engine, NodeId object) {
    const MeshPayload* m = meshOf(engine.find(object));
    if (!m) return nullptr;
    std::unique_ptr<ModelingKernel> k(new ModelingKernel(engine, object));
    k->stamp_ = m->stamp;
    k->oldPoints_ = static_cast<int32_t>(m->points.size());
    k->oldPolygons_ = static_cast<int32_t>(m->polygons.size());
    k->deleted_ = BitSet(m->points.size());
    return k;
}

MeshPayload* ModelingKernel::mesh() const {
    if (!open_) return nullptr;
    MeshPayload* m = meshOf(engine_.find(object_));
    return m && m->stamp == stamp_ ? m : nullptr;
}

int32_t ModelingKernel::slotOf(int32_t polygon) const {
    if (polygon >= oldPolygons_) return newSlots_[static_cast<size_t>(polygon - oldPolygons_)];
    return changed_.test(static_cast<size_t>(polygon)) ? changedSlots_.find(polygon) : -1;
}

void ModelingKernel::appendSplits(int32_t u, int32_t v, std::vector<int32_t>& out) const {
    if (!splitEnds_.test(static_cast<size_t>(u)) || !splitEnds_.test(static_cast<size_t>(v))) return;
    const int32_t x = splitOf_.find(edgeKey(u, v));
    if (x < 0) return;
    appendSplits(u, x, out);
    out.push_back(x);
    appendSplits(x, v, out);
}

std::span<const int32_t> ModelingKernel::loopOf(const MeshPayload& m, int32_t polygon,
                                                std::vector<int32_t>& buffer) const {
    if (const int32_t slot = slotOf(polygon); slot >= 0) return loops_.loop(slot);
    return unchangedLoop(m.polygons[static_cast<size_t>(polygon)], buffer);
}

std::span<const int32_t> ModelingKernel::unchangedLoop(const Polygon& p, std::vector<int32_t>& buffer) const {
    int32_t c[4];
    const int n = polygonCorners(p, c);
    buffer.assign(c, c + n);
    if (splitOf_.empty() || n < 2) return buffer;
    buffer.clear();
    for (int k = 0; k < n; ++k) {
        buffer.push_back(c[k]);
        if (n == 2 && k == 1) {
            // Both edges of a two-point loop are the same edge: the second split of it goes
            // into the closing one, as it would have had the loop been changed at once.
            if (const int32_t x = secondSplitOf_.find(edgeKey(c[0], c[1])); x >= 0) {
                appendSplits(c[1], x, buffer);
                buffer.push_back(x);
                appendSplits(x, c[0], buffer);
            }
        } else {
            appendSplits(c[k], c[(k + 1) % n], buffer);
        }
    }
    return buffer;
}

bool ModelingKernel::liveLoop(std::span<const int32_t> loop) const {
    return std::none_of(loop.begin(), loop.end(),
                        [&](int32_t p) { return deleted_.test(static_cast<size_t>(p)); });
}

bool ModelingKernel::livePolygon(const MeshPayload& m, int32_t polygon) const {
    return polygon >= 0 && polygon < polygonCount() && liveLoop(loopOf(m, polygon, buffer_));
}

int32_t ModelingKernel::editSlot(const MeshPayload& m, int32_t polygon) {
    int32_t slot = slotOf(polygon);
    if (slot >= 0) return slot;
    slot = loops_.add(loopOf(m, polygon, buffer_));
    if (changed_.size() == 0) changed_ = BitSet(static_cast<size_t>(oldPolygons_));
    changed_.set(static_cast<size_t>(polygon));
    changedSlots_.set(polygon, slot);
    for (int32_t p : loops_.loop(slot))
        heldUsers_.add(p, polygon);
    return slot;
}

Vector ModelingKernel::positionOf(const MeshPayload& m, int32_t point) const {
    if (point >= oldPoints_) return madePositions_[static_cast<size_t>(point - oldPoints_)];
    if (const int32_t moved = moved_.find(point); moved >= 0)
        return movedPositions_[static_cast<size_t>(moved)];
    return m.points[static_cast<size_t>(point)];
}

bool ModelingKernel::isValidEdge(int32_t polygon, int32_t p1, int32_t p2) const {
    const MeshPayload* m = mesh();
    if (!m || p1 == p2 || polygon < 0 || polygon >= polygonCount()) return false;
    const std::span<const int32_t> loop = loopOf(*m, polygon, buffer_);
    return liveLoop(loop) && edgeIn(loop, p1, p2) >= 0;
}

bool ModelingKernel::isValidPolygon(int32_t polygon) const {
    const MeshPayload* m = mesh();
    if (!m || polygon < 0 || polygon >= polygonCount()) return false;
    const std::span<const int32_t> loop = loopOf(*m, polygon, buffer_);
    return liveLoop(loop) && loop.size() >= 3;
}

bool ModelingKernel::unchangedCandidate(const MeshPayload& m, int32_t polygon, int32_t r1, int32_t r2,
                                        int32_t p1, int32_t p2) {
    if (slotOf(polygon) >= 0) return false;
    int32_t c[4];
    const int n = polygonCorners(m.polygons[static_cast<size_t>(polygon)], c);
    if (edgeIn({c, static_cast<size_t>(n)}, r1, r2) < 0) return false;
    const std::span<const int32_t> loop = loopOf(m, polygon, buffer_);
    return liveLoop(loop) && edgeIn(loop, p1, p2) >= 0;
}

bool ModelingKernel::unchangedHasEdge(const MeshPayload& m, int32_t p1, int32_t p2) {
    // An unchanged polygon holds a made point only within the old edge it was split into (the
    // root of its splits), so the search looks for that edge among the old corners.
    int32_t r1 = p1, r2 = p2;
    for (int32_t x = std::max(p1, p2); x >= oldPoints_;) {
        const MadePoint& from = made_[static_cast<size_t>(x - oldPoints_)];
        r1 = from.a;
        r2 = from.b;
        x = std::max(r1, r2);
    }
    const auto count = static_cast<size_t>(oldPolygons_);
    if (users_.empty() && scanned_ < 2 * count) {
        size_t i = cursor_ < count ? cursor_ : 0;
        for (size_t k = 0; k < count; ++k) {
            const Polygon& p = m.polygons[i];
            if (uses(p, r1) && uses(p, r2) &&
                unchangedCandidate(m, static_cast<int32_t>(i), r1, r2, p1, p2)) {
                scanned_ += k + 1;
                cursor_ = i;
                return true;
            }
            if (++i == count) i = 0;
        }
        scanned_ += count;
        return false;
    }
    if (users_.empty()) users_ = PointPolygons(static_cast<size_t>(oldPoints_), m.polygons);
    for (int32_t polygon : users_.of(r1))
        if (unchangedCandidate(m, polygon, r1, r2, p1, p2)) return true;
    return false;
}

int32_t ModelingKernel::splitEdge(int32_t p1, int32_t p2, double t) {
    if (!livePoint(p1) || !livePoint(p2) || p1 == p2 || !std::isfinite(t)) return 0;
    const MeshPayload* m = mesh();
    if (!m) return 0;
    // The changed polygons with the edge take the point now; the unchanged ones when read.
    sharing_.clear();
    heldUsers_.forEach(p1, [&](int32_t polygon) {
        if (std::find(sharing_.begin(), sharing_.end(), polygon) != sharing_.end()) return;
        const std::span<const int32_t> loop = loops_.loop(slotOf(polygon));
        if (liveLoop(loop) && edgeIn(loop, p1, p2) >= 0) sharing_.push_back(polygon);
    });
    if (sharing_.empty() && !unchangedHasEdge(*m, p1, p2)) return 0;

    const int32_t point = pointCount();
    const Vector a = positionOf(*m, p1), b = positionOf(*m, p2);
    madePositions_.push_back(a + (b - a) * t);
    made_.push_back({p1, p2, t});
    deleted_.push();
    for (int32_t polygon : sharing_) {
        const int32_t slot = slotOf(polygon);
        loops_.insertAfter(slot, static_cast<size_t>(edgeIn(loops_.loop(slot), p1, p2)), point);
        heldUsers_.add(point, polygon);
    }
    const uint64_t key = edgeKey(p1, p2);
    if (splitOf_.find(key) < 0)
        splitOf_.set(key, point);
    else if (secondSplitOf_.find(key) < 0)
        secondSplitOf_.set(key, point);
    while (splitEnds_.size() < deleted_.size())
        splitEnds_.push();
    splitEnds_.set(static_cast<size_t>(p1));
    splitEnds_.set(static_cast<size_t>(p2));
    return point;
}

bool ModelingKernel::setPoint(int32_t point, const Vector& position, int32_t) {
    if (!livePoint(point) || !host::isFinite(position)) return false;
    if (point >= oldPoints_) {
        madePositions_[static_cast<size_t>(point - oldPoints_)] = position;
    } else if (const int32_t moved = moved_.find(point); moved >= 0) {
        movedPositions_[static_cast<size_t>(moved)] = position;
    } else {
        moved_.set(point, static_cast<int32_t>(movedPositions_.size()));
        movedPositions_.push_back(position);
    }
    return true;
}

int32_t ModelingKernel::splitPolygon(int32_t polygon, int32_t p1, int32_t p2) {
    const MeshPayload* m = mesh();
    if (!m || p1 == p2 || polygon < 0 || polygon >= polygonCount()) return 0;
    {
        const std::span<const int32_t> loop = loopOf(*m, polygon, buffer_);
        const int n = static_cast<int>(loop.size());
        const int i1 = indexIn(loop, p1), i2 = indexIn(loop, p2);
        if (!liveLoop(loop) || i1 < 0 || i2 < 0 || (i1 + 1) % n == i2 || (i2 + 1) % n == i1) return 0;
    }
    const int32_t slot = editSlot(*m, polygon);
    const std::span<const int32_t> loop = loops_.loop(slot);
    const int n = static_cast<int>(loop.size());
    const int i1 = indexIn(loop, p1), i2 = indexIn(loop, p2);

    // The polygon keeps p1 .. p2; the new one takes p2 .. p1.
    scratch_.clear();
    for (int k = i2;; k = (k + 1) % n) {
        scratch_.push_back(loop[static_cast<size_t>(k)]);
        if (k == i1) break;
    }
    const size_t cutSize = scratch_.size();
    for (int k = i1;; k = (k + 1) % n) {
        scratch_.push_back(loop[static_cast<size_t>(k)]);
        if (k == i2) break;
    }
    const std::span<const int32_t> cut(scratch_.data(), cutSize);
    loops_.shrinkTo(slot, std::span<const int32_t>(scratch_).subspan(cutSize));
    const int32_t added = polygonCount();
    newSlots_.push_back(loops_.add(cut));
    polygonSource_.push_back(
        polygon < oldPolygons_ ? polygon : polygonSource_[static_cast<size_t>(polygon - oldPolygons_)]);
    for (int32_t p : cut)
        heldUsers_.add(p, added);
    if (polygon < oldPolygons_) cursor_ = static_cast<size_t>(polygon);
    return added;
}

bool ModelingKernel::deletePoint(int32_t point) {
    // Its polygons go with it: a polygon lives only while all its points do.
    if (!livePoint(point)) return false;
    deleted_.set(static_cast<size_t>(point));
    return true;
}

void ModelingKernel::release() {
    open_ = false;
    deleted_ = BitSet();
    made_ = {};
    madePositions_ = {};
    moved_.clear();
    movedPositions_ = {};
    splitOf_.clear();
    secondSplitOf_.clear();
    splitEnds_ = BitSet();
    loops_.clear();
    changed_ = BitSet();
    changedSlots_.clear();
    newSlots_ = {};
    polygonSource_ = {};
    heldUsers_.clear();
    users_ = PointPolygons();
    sharing_ = {};
    scratch_ = {};
    buffer_ = {};
}

} // namespace flumpet::scene
