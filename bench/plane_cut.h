// The plane cut as the collider builders run it through a modeling transaction: split each
// crossed edge once, cut each crossed triangle, delete the points behind the plane, commit.
#pragma once

#include "host/geometry_handles.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace flumpet::bench {

/// Keeps the part of a triangle mesh in front of the plane (on the normal's side, points on the
/// plane included). False when the transaction fails.
inline bool planeCut(const host::PolygonObject& mesh, const host::Vector& origin,
                     const host::Vector& normal) {
    const auto points = mesh.points();
    const auto polygons = mesh.polygons();
    const auto distance = [&](int32_t i) {
        return host::dot(points[static_cast<size_t>(i)] - origin, normal);
    };
    std::vector<uint8_t> behind(points.size());
    for (size_t i = 0; i < points.size(); ++i)
        behind[i] = distance(static_cast<int32_t>(i)) < 0;

    auto k = mesh.openModeling();
    if (!k) return false;
    std::unordered_map<uint64_t, int32_t> splits;
    for (size_t t = 0; t < polygons.size(); ++t) {
        const int32_t v[3] = {polygons[t].a, polygons[t].b, polygons[t].c};
        const uint8_t s[3] = {behind[static_cast<size_t>(v[0])], behind[static_cast<size_t>(v[1])],
                              behind[static_cast<size_t>(v[2])]};
        if (s[0] == s[1] && s[1] == s[2]) continue;
        const int lone = s[0] == s[1] ? 2 : (s[0] == s[2] ? 1 : 0);
        int32_t cut[2];
        for (int e = 0; e < 2; ++e) {
            const int32_t a = v[lone], b = v[(lone + 1 + e) % 3];
            const uint64_t key = (uint64_t(uint32_t(std::min(a, b))) << 32) | uint32_t(std::max(a, b));
            auto it = splits.find(key);
            if (it == splits.end()) {
                const double da = distance(a), db = distance(b);
                it = splits.emplace(key, k->splitEdge(a, b, da / (da - db))).first;
            }
            cut[e] = it->second;
        }
        k->splitPolygon(static_cast<int32_t>(t), cut[0], cut[1]);
    }
    for (size_t p = 0; p < points.size(); ++p)
        if (behind[p]) k->deletePoint(static_cast<int32_t>(p));
    return k->commit(host::modelingflag::CommitUpdate);
}

} // namespace flumpet::bench
