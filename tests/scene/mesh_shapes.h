// Standard meshes for geometry tests, and a check that a mesh holds only valid polygons.
#pragma once

#include "host/geometry.h"

#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <vector>

namespace flumpet::test {

struct MeshArrays {
    std::vector<host::Vector> points;
    std::vector<host::Polygon> polygons;
};

/// A flat grid of quads in the XY plane, cols x rows cells of unit size; point (c, r) has index
/// r * (cols + 1) + c, cell (c, r) is polygon r * cols + c.
inline MeshArrays quadGrid(int cols, int rows) {
    MeshArrays m;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= cols; ++c)
            m.points.push_back({double(c), double(r), 0.0});
    const auto at = [&](int c, int r) { return r * (cols + 1) + c; };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            m.polygons.push_back({at(c, r), at(c + 1, r), at(c + 1, r + 1), at(c, r + 1)});
    return m;
}

/// A closed, bumpy sphere of triangles and quads: a latitude-longitude grid (quads, triangles at
/// the poles) whose radius varies, so that rays and closest points meet every kind of polygon.
inline MeshArrays bumpySphere(int slices, int stacks, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> bump(0.8, 1.2);
    MeshArrays m;
    const double pi = 3.14159265358979323846;
    m.points.push_back({0, 0, -bump(rng)});
    for (int s = 1; s < stacks; ++s) {
        const double theta = pi * s / stacks;
        for (int i = 0; i < slices; ++i) {
            const double phi = 2 * pi * i / slices, r = bump(rng);
            m.points.push_back({r * std::sin(theta) * std::cos(phi), r * std::sin(theta) * std::sin(phi),
                                -r * std::cos(theta)});
        }
    }
    m.points.push_back({0, 0, bump(rng)});
    const auto ring = [&](int s, int i) { return 1 + (s - 1) * slices + (i % slices); };
    const int top = static_cast<int>(m.points.size()) - 1;
    for (int i = 0; i < slices; ++i)
        m.polygons.push_back({0, ring(1, i + 1), ring(1, i), ring(1, i)});
    for (int s = 1; s < stacks - 1; ++s)
        for (int i = 0; i < slices; ++i)
            m.polygons.push_back({ring(s, i), ring(s, i + 1), ring(s + 1, i + 1), ring(s + 1, i)});
    for (int i = 0; i < slices; ++i)
        m.polygons.push_back({ring(stacks - 1, i), ring(stacks - 1, i + 1), top, top});
    return m;
}

/// Every polygon is a triangle (c == d, three distinct points) or a quad (four distinct points)
/// with indices in range.
inline ::testing::AssertionResult validPolygons(std::span<const host::Polygon> polygons, size_t pointCount) {
    for (size_t i = 0; i < polygons.size(); ++i) {
        const host::Polygon& p = polygons[i];
        for (int32_t v : {p.a, p.b, p.c, p.d})
            if (v < 0 || static_cast<size_t>(v) >= pointCount)
                return ::testing::AssertionFailure() << "polygon " << i << " index " << v << " out of range";
        const bool triangle = p.c == p.d && p.a != p.b && p.b != p.c && p.a != p.c;
        const bool quad = p.a != p.b && p.a != p.c && p.a != p.d && p.b != p.c && p.b != p.d && p.c != p.d;
        if (!triangle && !quad)
            return ::testing::AssertionFailure() << "polygon " << i << " (" << p.a << ", " << p.b << ", "
                                                 << p.c << ", " << p.d << ") is neither triangle nor quad";
    }
    return ::testing::AssertionSuccess();
}

} // namespace flumpet::test
