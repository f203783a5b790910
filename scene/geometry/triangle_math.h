// Closest points on single triangles, in double precision.
#pragma once

#include "host/math.h"

namespace flumpet::scene {

using host::Vector;

/// The point of triangle a, b, c closest to p; a degenerate triangle counts as its edges.
Vector closestPointOnTriangle(const Vector& p, const Vector& a, const Vector& b, const Vector& c);

} // namespace flumpet::scene
