#include "scene/dynamics/convex_parts.h"

#include <LinearMath/btConvexHullComputer.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace flumpet::scene {

namespace {

/// The parts are used when their hulls fill less than this share of the whole piece's hull.
constexpr double NearlyConvex = 0.7;
/// The numbers of slabs tried.
constexpr int FewestSlabs = 2, MostSlabs = 4;

/// The mesh cut into `count` slabs of equal thickness along `axis`: each slab's points are the
/// points within it and the points where edges cross its faces, so that neighbouring slabs
/// meet without a gap.
std::vector<std::vector<btVector3>> slabs(const std::vector<btVector3>& points, std::span<const host::Polygon> polygons,
                                          int axis, double low, double high, int count) {
    const double thickness = (high - low) / count;
    const auto slabOf = [&](double t) { return std::clamp(static_cast<int>((t - low) / thickness), 0, count - 1); };
    std::vector<std::vector<btVector3>> out(static_cast<size_t>(count));
    for (const btVector3& p : points) out[static_cast<size_t>(slabOf(p[axis]))].push_back(p);
    const auto size = static_cast<int32_t>(points.size());
    for (const host::Polygon& poly : polygons) {
        const int32_t corners[] = {poly.a, poly.b, poly.c, poly.d};
        const int n = poly.isTriangle() ? 3 : 4;
        for (int k = 0; k < n; ++k) {
            const int32_t i = corners[k], j = corners[(k + 1) % n];
            if (i < 0 || j < 0 || i >= size || j >= size) continue;
            const btVector3 &p = points[static_cast<size_t>(i)], &q = points[static_cast<size_t>(j)];
            const double tp = p[axis], tq = q[axis];
            for (int face = std::min(slabOf(tp), slabOf(tq)) + 1; face <= std::max(slabOf(tp), slabOf(tq)); ++face) {
                const double at = low + face * thickness;
                const btVector3 crossing = p.lerp(q, static_cast<btScalar>((at - tp) / (tq - tp)));
                out[static_cast<size_t>(face - 1)].push_back(crossing);
                out[static_cast<size_t>(face)].push_back(crossing);
            }
        }
    }
    return out;
}

} // namespace

std::pair<double, btVector3> hullVolume(const std::vector<btVector3>& points) {
    if (points.size() < 4) return {0.0, points.empty() ? btVector3(0, 0, 0) : points.front()};
    btConvexHullComputer hull;
    hull.compute(&points[0].getX(), sizeof(btVector3), static_cast<int>(points.size()), 0, 0);
    double volume = 0.0;
    btVector3 weighted(0, 0, 0);
    const btVector3 apex = points.front();
    // Each face fanned into tetrahedra with the first point.
    for (int f = 0; f < hull.faces.size(); ++f) {
        const btConvexHullComputer::Edge* first = &hull.edges[hull.faces[f]];
        const btVector3& a = hull.vertices[first->getSourceVertex()];
        for (const btConvexHullComputer::Edge* e = first->getNextEdgeOfFace(); e->getNextEdgeOfFace() != first;
             e = e->getNextEdgeOfFace()) {
            const btVector3& b = hull.vertices[e->getSourceVertex()];
            const btVector3& c = hull.vertices[e->getTargetVertex()];
            const double v = static_cast<double>((a - apex).dot((b - apex).cross(c - apex))) / 6.0;
            volume += v;
            weighted += (apex + a + b + c) * static_cast<btScalar>(v / 4.0);
        }
    }
    if (std::abs(volume) < 1e-12) return {0.0, points.front()};
    return {std::abs(volume), weighted / static_cast<btScalar>(volume)};
}

std::vector<std::vector<btVector3>> convexParts(std::vector<btVector3> points,
                                                std::span<const host::Polygon> polygons) {
    const double whole = hullVolume(points).first;
    if (points.size() < 8 || polygons.empty() || whole <= 0.0) return {points};
    btVector3 low = points.front(), high = points.front();
    for (const btVector3& p : points) {
        low.setMin(p);
        high.setMax(p);
    }
    const int axis = (high - low).maxAxis();
    std::vector<std::vector<btVector3>> best;
    double bestVolume = std::numeric_limits<double>::infinity();
    for (int count = FewestSlabs; count <= MostSlabs; ++count) {
        auto parts = slabs(points, polygons, axis, low[axis], high[axis], count);
        std::erase_if(parts, [](const std::vector<btVector3>& part) { return part.size() < 4; });
        double volume = 0.0;
        for (const auto& part : parts) volume += hullVolume(part).first;
        if (volume < bestVolume) {
            bestVolume = volume;
            best = std::move(parts);
        }
    }
    if (best.empty() || bestVolume >= NearlyConvex * whole) return {points};
    return best;
}

} // namespace flumpet::scene
