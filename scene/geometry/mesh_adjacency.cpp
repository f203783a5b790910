#include "scene/geometry/mesh_adjacency.h"

namespace flumpet::scene {

int polygonCorners(const host::Polygon& p, int32_t out[4]) {
    const int32_t all[4] = {p.a, p.b, p.c, p.d};
    int n = 0;
    for (int32_t i : all) {
        bool seen = false;
        for (int k = 0; k < n; ++k)
            seen = seen || out[k] == i;
        if (!seen) out[n++] = i;
    }
    return n;
}

PointPolygons::PointPolygons(size_t pointCount, std::span<const host::Polygon> polygons) {
    offsets_.assign(pointCount + 1, 0);
    int32_t corners[4];
    for (const auto& p : polygons) {
        const int n = polygonCorners(p, corners);
        for (int k = 0; k < n; ++k)
            ++offsets_[static_cast<size_t>(corners[k]) + 1];
    }
    for (size_t i = 1; i < offsets_.size(); ++i)
        offsets_[i] += offsets_[i - 1];
    polygons_.resize(offsets_.back());
    std::vector<size_t> fill(offsets_.begin(), offsets_.end() - 1);
    for (size_t pi = 0; pi < polygons.size(); ++pi) {
        const int n = polygonCorners(polygons[pi], corners);
        for (int k = 0; k < n; ++k)
            polygons_[fill[static_cast<size_t>(corners[k])]++] = static_cast<int32_t>(pi);
    }
}

} // namespace flumpet::scene
