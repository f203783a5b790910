// The closed meshes the benchmarks run on: a lumpy latitude-longitude sphere of quads (triangles
// at the poles), and the plane-cut pattern of the collider builders.
#pragma once

#include "host/geometry.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace flumpet::bench {

struct SphereMesh {
    std::vector<host::Vector> points;
    std::vector<host::Polygon> polygons;
};

/// About `triangles` triangles once its quads are split in two.
inline SphereMesh lumpySphere(int64_t triangles) {
    const int slices = static_cast<int>(std::sqrt(double(triangles)));
    const int stacks = static_cast<int>(triangles / (2 * slices)) + 1;
    SphereMesh m;
    const double pi = 3.14159265358979323846;
    m.points.push_back({0, 0, -1});
    for (int s = 1; s < stacks; ++s)
        for (int i = 0; i < slices; ++i) {
            const double theta = pi * s / stacks, phi = 2 * pi * i / slices;
            const double r = 1.0 + 0.1 * std::sin(5 * phi) * std::sin(3 * theta);
            m.points.push_back({r * std::sin(theta) * std::cos(phi), r * std::sin(theta) * std::sin(phi),
                                -r * std::cos(theta)});
        }
    m.points.push_back({0, 0, 1});
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

} // namespace flumpet::bench
