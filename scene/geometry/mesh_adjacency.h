// Which polygons use each point: built once in linear time, answered per point.
#pragma once

#include "host/geometry.h"

#include <span>
#include <vector>

namespace flumpet::scene {

/// The distinct point indices of a polygon, in order (three for a triangle, four for a quad).
int polygonCorners(const host::Polygon& p, int32_t out[4]);

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

  private:
    std::vector<size_t> offsets_;
    std::vector<int32_t> polygons_;
};

} // namespace flumpet::scene
