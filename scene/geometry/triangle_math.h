// Closest points and ray hits on single triangles, in double precision.
#pragma once

#include "host/math.h"

namespace flumpet::scene {

using host::Vector;

/// The point of triangle a, b, c closest to p; a degenerate triangle counts as its edges.
Vector closestPointOnTriangle(const Vector& p, const Vector& a, const Vector& b, const Vector& c);

/// Distance along a unit direction at which the ray meets the plane of the triangle (both
/// sides); false when the ray runs parallel to it.
bool rayTriangleDistance(const Vector& origin, const Vector& direction, const Vector& a, const Vector& b,
                         const Vector& c, double& t);

} // namespace flumpet::scene
