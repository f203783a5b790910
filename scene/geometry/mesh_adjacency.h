// Which polygons use each point: the mesh's own, built in linear time and answered per point,
// and those a modeling transaction adds.
#pragma once

#include "host/geometry.h"
#include "scene/geometry/flat_index_map.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace flumpet::scene {

/// polygonCorners for a polygon with repeated points other than a triangle's c == d.
int unusualPolygonCorners(const host::Polygon& p, int32_t out[4]);

/// The distinct point indices of a polygon, in order (three for a triangle, four for a quad).
/// Inline for the common shapes: every pass over a mesh asks it of each polygon.
inline int polygonCorners(const host::Polygon& p, int32_t out[4]) {
    if (p.a != p.b && p.a != p.c && p.b != p.c) {
        out[0] = p.a;
        out[1] = p.b;
        out[2] = p.c;
        if (p.d == p.c) return 3;
        if (p.d != p.a && p.d != p.b) {
            out[3] = p.d;
            return 4;
        }
    }
    return unusualPolygonCorners(p, out);
}

class PointPolygons {
  public:
    PointPolygons() = default;
    PointPolygons(size_t pointCount, std::span<const host::Polygon> polygons);
    /// Polygons that use the point, ascending, each once.
    std::span<const int32_t> of(int32_t point) const {
        if (point < 0 || static_cast<size_t>(point) + 1 >= offsets_.size()) return {};
        const auto p = static_cast<size_t>(point);
        return std::span<const int32_t>(polygons_).subspan(offsets_[p], offsets_[p + 1] - offsets_[p]);
    }
    bool empty() const { return offsets_.empty(); }

  private:
    std::vector<size_t> offsets_;
    std::vector<int32_t> polygons_;
};

/// The point-to-polygon tables of the last few mesh states, by geometry stamp. Copies of a mesh
/// share their stamp until one is edited, so the copies a command makes of one mesh (one per
/// bone) share one table.
class PointPolygonsCache {
  public:
    std::shared_ptr<const PointPolygons> get(uint64_t stamp, size_t pointCount, std::span<const host::Polygon> polygons);

  private:
    struct Entry {
        uint64_t stamp = 0;
        std::shared_ptr<const PointPolygons> table;
    };
    static constexpr size_t Capacity = 2;
    std::vector<Entry> entries_; // most recent last
};

/// Polygons given to points after the mesh's table was made, as chained lists in flat arrays.
class AddedPolygons {
  public:
    void add(int32_t point, int32_t polygon) {
        links_.push_back({polygon, heads_.find(point)});
        heads_.set(point, static_cast<int32_t>(links_.size() - 1));
    }
    /// Calls fn(polygon) for each polygon added to the point, the latest first.
    template <typename Fn> void forEach(int32_t point, Fn&& fn) const {
        for (int32_t l = heads_.find(point); l >= 0; l = links_[static_cast<size_t>(l)].next)
            fn(links_[static_cast<size_t>(l)].polygon);
    }
    void clear() {
        links_.clear();
        heads_.clear();
    }

  private:
    struct Link {
        int32_t polygon;
        int32_t next;
    };
    std::vector<Link> links_;
    FlatIndexMap<int32_t> heads_;
};

} // namespace flumpet::scene
