// How far an object is from a mesh, and which of the mesh's polygons is nearest.
#pragma once

#include "host/nodes.h"

#include <cstdint>

namespace flumpet {

/// The polygon index that stands for "no polygon".
inline constexpr int64_t NoPolygon = 2147483647;

struct MeshDistance {
    /// World-space distance, in single precision.
    float distance = 4.0F;
    /// The nearest polygon's index, NoPolygon when none was found.
    int64_t polygon = NoPolygon;
};

/// The distance from the object's global position to the nearest polygon of the mesh as
/// deformed (its deform cache when it has one). A mesh that is not a polygon object, or a query
/// that cannot be set up, gives a console error and (4.0, NoPolygon); a mesh without polygons
/// gives (4.0, NoPolygon) silently.
MeshDistance meshDistance(const host::Object& object, const host::Object& mesh);

} // namespace flumpet
