#include "colliders/plane_cut.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace flumpet {

using host::Vector;

namespace {

constexpr int32_t Unset = 2147483647;
/// Below this distance from the plane an edge's end point counts as on it (scene units).
constexpr double IntersectionTolerance = 0.0001;
constexpr float DegreesPerRadian = 57.29578F;

/// A triangle the plane crosses: its lone vertex (alone on its side) and the two others, with
/// where the edges from the lone vertex meet the plane (world space).
struct Crossing {
    int32_t polygon = Unset;
    int32_t lone = Unset;
    int32_t other1 = Unset;
    int32_t other2 = Unset;
    Vector cut1, cut2;

    bool complete() const { return polygon != Unset && lone != Unset && other1 != Unset && other2 != Unset; }
};

uint64_t edgeKey(int32_t p, int32_t q) {
    const auto lo = static_cast<uint32_t>(p < q ? p : q);
    const auto hi = static_cast<uint32_t>(p < q ? q : p);
    return (uint64_t{hi} << 32) | lo;
}

/// The record of a triangle, or nothing when the plane does not cross it.
bool findCrossing(int32_t polygon, const host::Polygon& poly, const std::vector<Vector>& world,
                  const std::vector<uint8_t>& behind, const Vector& p0, const Vector& n, Crossing& out) {
    const std::array<int32_t, 3> v{poly.a, poly.b, poly.c};
    // The edges from each candidate lone vertex, in the order they are intersected.
    static constexpr std::array<std::array<int, 2>, 3> others{{{1, 2}, {0, 2}, {0, 1}}};
    for (int i = 0; i < 3; ++i) {
        const bool self = behind[static_cast<size_t>(v[static_cast<size_t>(i)])] != 0;
        const bool b1 = behind[static_cast<size_t>(v[static_cast<size_t>(others[static_cast<size_t>(i)][0])])] != 0;
        const bool b2 = behind[static_cast<size_t>(v[static_cast<size_t>(others[static_cast<size_t>(i)][1])])] != 0;
        if (!((self && !b1 && !b2) || (!self && b1 && b2))) continue;
        out = Crossing{};
        const int32_t lone = v[static_cast<size_t>(i)];
        const Vector& from = world[static_cast<size_t>(lone)];
        for (int e = 0; e < 2; ++e) {
            const int32_t other = v[static_cast<size_t>(others[static_cast<size_t>(i)][static_cast<size_t>(e)])];
            Vector hit;
            if (!host::intersectSegmentPlane(from, world[static_cast<size_t>(other)], p0, n, IntersectionTolerance, hit))
                continue;
            (e == 0 ? out.other1 : out.other2) = other;
            (e == 0 ? out.cut1 : out.cut2) = hit;
            out.polygon = polygon;
            out.lone = lone;
        }
        return true;
    }
    return false;
}

/// The points made by edge splits in this cut, in order of creation, found by their edge.
class SplitPoints {
  public:
    void add(int32_t p, int32_t q, int32_t point) { byEdge_.emplace(edgeKey(p, q), Split{point, order_++}); }
    /// The earliest split point of the edges lone-o1 and lone-o2 that is a neighbour of lone in
    /// the polygon now, other than `except`; 0 when there is none. Only points on those two
    /// edges can neighbour lone, so this is the first such point of the whole split list.
    int32_t reusable(const host::ModelingTransaction& kernel, const Crossing& c, int32_t except) const {
        const Split* best = nullptr;
        for (const int32_t other : {c.other1, c.other2}) {
            const auto it = byEdge_.find(edgeKey(c.lone, other));
            if (it == byEdge_.end() || it->second.point == except) continue;
            if (!kernel.isValidEdge(c.polygon, c.lone, it->second.point)) continue;
            if (!best || it->second.order < best->order) best = &it->second;
        }
        return best ? best->point : 0;
    }

  private:
    struct Split {
        int32_t point;
        uint64_t order;
    };
    std::unordered_map<uint64_t, Split> byEdge_;
    uint64_t order_ = 0;
};

/// The point on the edge lone-other at `cut`: a new split, or the one a neighbouring triangle
/// made. 0 when there is none; `splitFailed` when the kernel could not split the edge.
int32_t cutPoint(host::ModelingTransaction& kernel, SplitPoints& splits, const Crossing& c, int32_t other,
                 const Vector& cut, const host::Matrix& toObject, int32_t except, bool& splitFailed) {
    if (kernel.isValidEdge(c.polygon, c.lone, other)) {
        const int32_t point = kernel.splitEdge(c.lone, other, 0.5);
        if (point == 0) {
            splitFailed = true;
            return 0;
        }
        splits.add(c.lone, other, point);
        kernel.setPoint(point, toObject * cut, host::modelingflag::None);
        return point;
    }
    return splits.reusable(kernel, c, except);
}

} // namespace

bool isBehindPlane(const Vector& position, const Vector& p0, const Vector& n) {
    // Clearly away from a right angle the cosine's sign decides; the angle itself, in the
    // single-precision degrees the cut is defined by, is measured only close to it. The band is
    // far wider than the rounding of those degrees, so every answer stays the same.
    const Vector d = p0 - position;
    const double denominator = std::sqrt(host::dot(n, n) * host::dot(d, d));
    if (denominator > 0.0) {
        const double cosine = host::dot(n, d) / denominator;
        if (cosine > 1e-3) return true;
        if (cosine < -1e-3) return false;
    }
    const float degrees = static_cast<float>(host::angleBetween(n, d)) * DegreesPerRadian;
    return degrees < 90.0F;
}

bool cutByPlane(const host::Object& target, const Vector& p0, const Vector& n, bool selectedOnly) {
    const host::PolygonObject object(target);
    const host::Matrix m = object.globalMatrix();
    const auto points = object.points();
    const auto polygons = object.polygons();
    const host::Selection pointSelection = object.pointSelection();
    const host::Selection polygonSelection = object.polygonSelection();
    auto kernel = object.openModeling();
    if (!kernel) {
        if (target.host()) target.host()->consoleLine("modeling alloc failed");
        return false;
    }

    std::vector<Vector> world(points.size());
    std::vector<uint8_t> behind(points.size());
    std::vector<int32_t> doomed;
    for (size_t i = 0; i < points.size(); ++i) {
        world[i] = m * points[i];
        behind[i] = isBehindPlane(world[i], p0, n) ? 1 : 0;
        if (behind[i] && (!selectedOnly || pointSelection.isSelected(static_cast<int32_t>(i))))
            doomed.push_back(static_cast<int32_t>(i));
    }

    std::vector<Crossing> crossings;
    for (size_t i = 0; i < polygons.size(); ++i) {
        Crossing c;
        if (findCrossing(static_cast<int32_t>(i), polygons[i], world, behind, p0, n, c)) crossings.push_back(c);
    }

    const host::Matrix toObject = host::inverse(m);
    SplitPoints splits;
    for (const Crossing& c : crossings) {
        if (!c.complete() || (selectedOnly && !polygonSelection.isSelected(c.polygon))) continue;
        bool splitFailed = false;
        const int32_t first = cutPoint(*kernel, splits, c, c.other1, c.cut1, toObject, 0, splitFailed);
        if (splitFailed) continue;
        const int32_t second = cutPoint(*kernel, splits, c, c.other2, c.cut2, toObject, first, splitFailed);
        if (splitFailed) continue;
        if (first != 0 && second != 0 && kernel->isValidPolygon(c.polygon))
            kernel->splitPolygon(c.polygon, first, second);
    }

    for (const int32_t point : doomed)
        if (!kernel->deletePoint(point) && object.host())
            object.host()->consoleLine("Failing DeletePoint : " + std::to_string(point));

    return kernel->commit(host::modelingflag::CommitUpdate);
}

} // namespace flumpet
