// Turning polygons with more than three points into triangles.
#pragma once

#include "host/math.h"

#include <array>
#include <span>
#include <vector>

namespace flumpet::scene {

using host::Vector;

/// Splits a polygon loop into triangles (indices into the loop, same winding) by ear clipping
/// in the plane of its Newell normal. Ears of zero area (collinear points on an edge) are taken
/// only when nothing else is left, so split edges do not turn into slivers. Appends to out.
void triangulateLoop(std::span<const Vector> corners, std::vector<std::array<int, 3>>& out);

/// Which diagonal to split the quad a, b, c, d along: true for a-c, false for b-d. A diagonal
/// that keeps both halves facing the quad's way wins; between two such, the shorter.
bool splitQuadAlongAC(const Vector& a, const Vector& b, const Vector& c, const Vector& d);

} // namespace flumpet::scene
