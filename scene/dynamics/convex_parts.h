// A polygon piece as the convex parts a body's collision shape is made of: one hull when the
// piece is nearly convex, else the hulls of slabs across its longest side, so that a bent limb or
// a hollow piece does not collide as the solid hull around it.
#pragma once

#include "host/geometry.h"

#include <LinearMath/btVector3.h>

#include <span>
#include <utility>
#include <vector>

namespace flumpet::scene {

/// The volume of the convex hull of the points and its centroid (0 and the first point when the
/// points span no volume).
std::pair<double, btVector3> hullVolume(const std::vector<btVector3>& points);

/// The points of each convex part of a mesh given by its points and polygons.
std::vector<std::vector<btVector3>> convexParts(std::vector<btVector3> points,
                                                std::span<const host::Polygon> polygons);

} // namespace flumpet::scene
