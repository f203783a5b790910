#include "scene/geometry/mesh_adjacency.h"

namespace flumpet::scene {

int unusualPolygonCorners(const host::Polygon& p, int32_t out[4]) {
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
    // Counted one place up, so that the running sum below turns counts into starts.
    for (const auto& p : polygons) {
        const int n = polygonCorners(p, corners);
        for (int k = 0; k < n; ++k)
            ++offsets_[static_cast<size_t>(corners[k]) + 1];
    }
    for (size_t i = 1; i < offsets_.size(); ++i)
        offsets_[i] += offsets_[i - 1];
    polygons_.resize(offsets_.back());
    // Filling advances each point's start to the next point's; shifting back restores them.
    for (size_t pi = 0; pi < polygons.size(); ++pi) {
        const int n = polygonCorners(polygons[pi], corners);
        for (int k = 0; k < n; ++k)
            polygons_[offsets_[static_cast<size_t>(corners[k])]++] = static_cast<int32_t>(pi);
    }
    for (size_t i = offsets_.size() - 1; i > 0; --i)
        offsets_[i] = offsets_[i - 1];
    offsets_[0] = 0;
}

std::shared_ptr<const PointPolygons> PointPolygonsCache::get(uint64_t stamp, size_t pointCount,
                                                             std::span<const host::Polygon> polygons) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].stamp != stamp) continue;
        Entry hit = std::move(entries_[i]);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
        entries_.push_back(std::move(hit));
        return entries_.back().table;
    }
    if (entries_.size() == Capacity) entries_.erase(entries_.begin());
    entries_.push_back({stamp, std::make_shared<const PointPolygons>(pointCount, polygons)});
    return entries_.back().table;
}

} // namespace flumpet::scene
