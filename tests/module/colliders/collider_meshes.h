// Meshes and checks for the collider tests: tubes around an axis, triangle areas, planes.
#pragma once

#include "host/geometry_handles.h"
#include "scene/mesh_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <span>

namespace flumpet::test {

/// An open tube of quads around the Y axis: radius, from y0 to y1, `sides` around and `rings`
/// along. Point (ring r, side s) has index r * sides + s.
inline MeshArrays tube(double radius, double y0, double y1, int sides, int rings) {
    MeshArrays m;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < sides; ++s) {
            const double phi = 2 * std::numbers::pi * s / sides;
            m.points.push_back({radius * std::cos(phi), y0 + (y1 - y0) * r / rings, radius * std::sin(phi)});
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < sides; ++s) {
            const int next = (s + 1) % sides;
            m.polygons.push_back({r * sides + s, r * sides + next, (r + 1) * sides + next, (r + 1) * sides + s});
        }
    return m;
}

/// Every quad split into two triangles (a, b, c) and (a, c, d).
inline MeshArrays triangulated(MeshArrays m) {
    std::vector<host::Polygon> out;
    for (const host::Polygon& p : m.polygons) {
        out.push_back({p.a, p.b, p.c, p.c});
        if (!p.isTriangle()) out.push_back({p.a, p.c, p.d, p.d});
    }
    m.polygons = std::move(out);
    return m;
}

/// Total area of the polygons (object coordinates).
inline double surfaceArea(std::span<const host::Vector> points, std::span<const host::Polygon> polygons) {
    double area = 0.0;
    const auto tri = [&](int32_t a, int32_t b, int32_t c) {
        const host::Vector& pa = points[static_cast<size_t>(a)];
        return 0.5 * host::length(host::cross(points[static_cast<size_t>(b)] - pa, points[static_cast<size_t>(c)] - pa));
    };
    for (const host::Polygon& p : polygons) {
        area += tri(p.a, p.b, p.c);
        if (!p.isTriangle()) area += tri(p.a, p.c, p.d);
    }
    return area;
}

/// Signed distance of a point from a plane (positive on the normal's side).
inline double planeDistance(const host::Vector& p, const host::Vector& p0, const host::Vector& n) {
    return host::dot(p - p0, host::normalise(n));
}

} // namespace flumpet::test
