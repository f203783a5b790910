#include "scene/geometry/modeling_kernel.h"

#include "host/ids.h"
#include "scene/engine.h"
#include "scene/geometry/payloads.h"
#include "scene/geometry/point_remap.h"
#include "scene/geometry/triangulate.h"

#include <algorithm>
#include <cmath>

namespace flumpet::scene {

namespace {

// Position of value in the loop, -1 when absent.
int indexIn(const std::vector<int32_t>& loop, int32_t value) {
    const auto it = std::find(loop.begin(), loop.end(), value);
    return it == loop.end() ? -1 : static_cast<int>(it - loop.begin());
}

} // namespace

std::unique_ptr<ModelingKernel> ModelingKernel::open(Engine& engine, NodeId object) {
    const MeshPayload* m = meshOf(engine.find(object));
    if (!m) return nullptr;
    std::unique_ptr<ModelingKernel> k(new ModelingKernel(engine, object));
    k->stamp_ = m->stamp;
    k->oldPoints_ = static_cast<int32_t>(m->points.size());
    k->oldPolygons_ = static_cast<int32_t>(m->polygons.size());
    k->positions_ = m->points;
    k->pointDeleted_.assign(m->points.size(), 0);
    k->polygons_ = m->polygons;
    k->polygonDeleted_.assign(m->polygons.size(), 0);
    k->users_ = PointPolygons(m->points.size(), m->polygons);
    return k;
}

bool ModelingKernel::livePoint(int32_t p) const {
    return open_ && p >= 0 && p < pointCount() && !pointDeleted_[static_cast<size_t>(p)];
}

bool ModelingKernel::livePolygon(int32_t p) const {
    return open_ && p >= 0 && p < polygonCount() && !polygonDeleted_[static_cast<size_t>(p)];
}

const std::vector<int32_t>& ModelingKernel::loopOf(int32_t polygon, std::vector<int32_t>& scratch) const {
    if (const auto it = loops_.find(polygon); it != loops_.end()) return it->second;
    int32_t c[4];
    const int n = polygonCorners(polygons_[static_cast<size_t>(polygon)], c);
    scratch.assign(c, c + n);
    return scratch;
}

std::vector<int32_t>& ModelingKernel::editLoop(int32_t polygon) {
    auto [it, inserted] = loops_.try_emplace(polygon);
    if (inserted) {
        int32_t c[4];
        const int n = polygonCorners(polygons_[static_cast<size_t>(polygon)], c);
        it->second.assign(c, c + n);
    }
    return it->second;
}

void ModelingKernel::usersOf(int32_t point, std::vector<int32_t>& out) const {
    out.clear();
    const auto consider = [&](int32_t polygon) {
        if (!livePolygon(polygon) || std::find(out.begin(), out.end(), polygon) != out.end()) return;
        if (indexIn(loopOf(polygon, scratch_), point) >= 0) out.push_back(polygon);
    };
    if (point < oldPoints_)
        for (int32_t polygon : users_.of(point))
            consider(polygon);
    if (const auto it = extraUsers_.find(point); it != extraUsers_.end())
        for (int32_t polygon : it->second)
            consider(polygon);
}

bool ModelingKernel::isValidEdge(int32_t polygon, int32_t p1, int32_t p2) const {
    if (!livePolygon(polygon) || p1 == p2) return false;
    const std::vector<int32_t>& loop = loopOf(polygon, scratch_);
    const int n = static_cast<int>(loop.size());
    for (int k = 0; k < n; ++k) {
        const int32_t x = loop[static_cast<size_t>(k)], y = loop[static_cast<size_t>((k + 1) % n)];
        if ((x == p1 && y == p2) || (x == p2 && y == p1)) return true;
    }
    return false;
}

bool ModelingKernel::isValidPolygon(int32_t polygon) const {
    return livePolygon(polygon) && loopOf(polygon, scratch_).size() >= 3;
}

int32_t ModelingKernel::splitEdge(int32_t p1, int32_t p2, double t) {
    if (!livePoint(p1) || !livePoint(p2) || p1 == p2 || !std::isfinite(t)) return 0;
    std::vector<int32_t> candidates;
    usersOf(p1, candidates);
    std::vector<int32_t> sharing;
    for (int32_t polygon : candidates)
        if (isValidEdge(polygon, p1, p2)) sharing.push_back(polygon);
    if (sharing.empty()) return 0;

    const int32_t point = pointCount();
    const Vector a = positions_[static_cast<size_t>(p1)], b = positions_[static_cast<size_t>(p2)];
    positions_.push_back(a + (b - a) * t);
    pointDeleted_.push_back(0);
    made_.push_back({p1, p2, t});
    for (int32_t polygon : sharing) {
        std::vector<int32_t>& loop = editLoop(polygon);
        const size_t n = loop.size();
        for (size_t k = 0; k < n; ++k) {
            const int32_t x = loop[k], y = loop[(k + 1) % n];
            if ((x == p1 && y == p2) || (x == p2 && y == p1)) {
                loop.insert(loop.begin() + static_cast<std::ptrdiff_t>(k + 1), point);
                break;
            }
        }
        addUser(point, polygon);
    }
    return point;
}

bool ModelingKernel::setPoint(int32_t point, const Vector& position, int32_t) {
    if (!livePoint(point) || !host::isFinite(position)) return false;
    positions_[static_cast<size_t>(point)] = position;
    return true;
}

int32_t ModelingKernel::splitPolygon(int32_t polygon, int32_t p1, int32_t p2) {
    if (!livePolygon(polygon) || p1 == p2) return 0;
    std::vector<int32_t>& loop = editLoop(polygon);
    const int n = static_cast<int>(loop.size());
    const int i1 = indexIn(loop, p1), i2 = indexIn(loop, p2);
    if (i1 < 0 || i2 < 0 || (i1 + 1) % n == i2 || (i2 + 1) % n == i1) return 0;

    std::vector<int32_t> kept, cut;
    for (int k = i1;; k = (k + 1) % n) {
        kept.push_back(loop[static_cast<size_t>(k)]);
        if (k == i2) break;
    }
    for (int k = i2;; k = (k + 1) % n) {
        cut.push_back(loop[static_cast<size_t>(k)]);
        if (k == i1) break;
    }
    loop = std::move(kept);
    const int32_t added = polygonCount();
    polygonDeleted_.push_back(0);
    polygonSource_.push_back(
        polygon < oldPolygons_ ? polygon : polygonSource_[static_cast<size_t>(polygon - oldPolygons_)]);
    for (int32_t p : cut)
        addUser(p, added);
    loops_[added] = std::move(cut);
    return added;
}

bool ModelingKernel::deletePoint(int32_t point) {
    if (!livePoint(point)) return false;
    std::vector<int32_t> users;
    usersOf(point, users);
    for (int32_t polygon : users)
        polygonDeleted_[static_cast<size_t>(polygon)] = 1;
    pointDeleted_[static_cast<size_t>(point)] = 1;
    return true;
}

void ModelingKernel::release() {
    open_ = false;
    loops_.clear();
    extraUsers_.clear();
}

bool ModelingKernel::commit(int32_t) {
    if (!open_) return false;
    Node* node = engine_.find(object_);
    MeshPayload* m = meshOf(node);
    if (!m || m->stamp != stamp_) {
        // Gone, or changed behind the transaction's back: its indices no longer fit.
        release();
        return false;
    }

    // Points: the old ones that stay, in order, then the made ones that stay.
    PointRemap remap;
    remap.newIndexOfOld.assign(static_cast<size_t>(oldPoints_), -1);
    std::vector<int32_t> newIndex(static_cast<size_t>(pointCount()), -1);
    std::vector<Vector> points;
    points.reserve(positions_.size());
    for (int32_t p = 0; p < pointCount(); ++p) {
        if (pointDeleted_[static_cast<size_t>(p)]) continue;
        newIndex[static_cast<size_t>(p)] = static_cast<int32_t>(points.size());
        points.push_back(positions_[static_cast<size_t>(p)]);
    }
    std::copy(newIndex.begin(), newIndex.begin() + oldPoints_, remap.newIndexOfOld.begin());
    Selection pointSelection;
    std::vector<uint8_t> madeSelected(made_.size(), 0);
    const auto wasSelected = [&](int32_t p) {
        return p < oldPoints_ ? m->pointSelection.isSelected(p)
                              : madeSelected[static_cast<size_t>(p - oldPoints_)] != 0;
    };
    for (int32_t p = 0; p < oldPoints_; ++p)
        if (newIndex[static_cast<size_t>(p)] >= 0 && m->pointSelection.isSelected(p))
            pointSelection.select(newIndex[static_cast<size_t>(p)]);
    for (size_t k = 0; k < made_.size(); ++k) {
        const MadePoint& mp = made_[k];
        const int32_t to = newIndex[static_cast<size_t>(oldPoints_) + k];
        remap.made.push_back({mp.a, mp.b, mp.t, to});
        // A point made on an edge between two selected points is selected with them.
        madeSelected[k] = wasSelected(mp.a) && wasSelected(mp.b);
        if (to >= 0 && madeSelected[k]) pointSelection.select(to);
    }

    // Polygons: each live loop, renumbered and cleaned, as a triangle, a quad or triangles.
    std::vector<host::Polygon> polygons;
    polygons.reserve(polygons_.size());
    Selection polygonSelection;
    std::vector<int32_t> loop;
    std::vector<Vector> corners;
    std::vector<std::array<int, 3>> triangles;
    for (int32_t p = 0; p < polygonCount(); ++p) {
        if (polygonDeleted_[static_cast<size_t>(p)]) continue;
        const int32_t source = p < oldPolygons_ ? p : polygonSource_[static_cast<size_t>(p - oldPolygons_)];
        const bool selected = m->polygonSelection.isSelected(source);
        loop.clear();
        bool complete = true;
        for (int32_t v : loopOf(p, scratch_)) {
            const int32_t to = newIndex[static_cast<size_t>(v)];
            complete = complete && to >= 0;
            if (loop.empty() || loop.back() != to) loop.push_back(to);
        }
        while (loop.size() > 1 && loop.front() == loop.back())
            loop.pop_back();
        if (!complete || loop.size() < 3) continue;
        std::vector<int32_t> sorted = loop;
        std::sort(sorted.begin(), sorted.end());
        const bool distinct = std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
        const auto emit = [&](const host::Polygon& poly) {
            if (selected) polygonSelection.select(static_cast<int32_t>(polygons.size()));
            polygons.push_back(poly);
        };
        if (distinct && loop.size() == 3) {
            emit({loop[0], loop[1], loop[2], loop[2]});
        } else if (distinct && loop.size() == 4) {
            emit({loop[0], loop[1], loop[2], loop[3]});
        } else {
            corners.clear();
            for (int32_t v : loop)
                corners.push_back(points[static_cast<size_t>(v)]);
            triangles.clear();
            triangulateLoop(corners, triangles);
            for (const auto& t : triangles) {
                const int32_t a = loop[static_cast<size_t>(t[0])], b = loop[static_cast<size_t>(t[1])],
                              c = loop[static_cast<size_t>(t[2])];
                if (a != b && b != c && a != c) emit({a, b, c, c});
            }
        }
    }

    const bool hadDeformCache = m->deformed.has_value();
    m->points = std::move(points);
    m->polygons = std::move(polygons);
    m->pointSelection = std::move(pointSelection);
    m->polygonSelection = std::move(polygonSelection);
    // The deformed copy no longer fits the edited mesh.
    m->deformed.reset();
    m->touch();
    remapWeightTags(engine_, *node, remap);
    engine_.markDirty(node, host::dirty::Data);
    if (hadDeformCache) engine_.markDirty(node, host::dirty::Cache);
    release();
    return true;
}

} // namespace flumpet::scene
