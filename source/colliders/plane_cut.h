// Trimming a triangle mesh with a plane: what lies behind the plane goes, and every triangle the
// plane crosses is split exactly along it.
#pragma once

#include "host/geometry_handles.h"

namespace flumpet {

/// Keeps the part of a triangulated polygon object on the side the normal points to (points on
/// the plane stay). The plane (point p0, normal n of any length) is in world space. With
/// selectedOnly, only selected points are deleted and only selected triangles are split. True
/// when the modeling transaction committed; "modeling alloc failed" on the console and false
/// when none could be opened.
bool cutByPlane(const host::Object& object, const host::Vector& p0, const host::Vector& n,
                bool selectedOnly);

/// True when a world position lies behind the plane: the angle between the normal and the
/// direction from the position to p0 is below 90 degrees, in single precision. A position on
/// the plane is not behind.
bool isBehindPlane(const host::Vector& position, const host::Vector& p0, const host::Vector& n);

} // namespace flumpet
