// Picking the polygons a bone's joints weight out of a mesh, and keeping the part of a piece that
// is nearest its bone.
#pragma once

#include "host/geometry_handles.h"

#include <utility>
#include <vector>

namespace flumpet {

/// A point is weighted to a joint when its weight is above this.
inline constexpr double WeightThreshold = 0.04;

/// Selects the polygons whose points are all weighted (above WeightThreshold) to one of the
/// joints the weight tag knows, then either splits them off into a new free object (split) or
/// keeps them selected in the object itself, and triangulates. Answers the object that holds
/// them, or (false, empty) after a status text naming the modeling command that failed. A
/// split-off object is freed again when a later step fails.
std::pair<bool, host::Object> prepareMesh(const host::Object& object, const host::WeightTag& weights,
                                          const std::vector<host::Object>& joints, bool split);

/// Leaves in the piece's point selection every point that is not connected to the polygon
/// nearest the bone (nothing when the piece has no polygon).
void keepNearestPart(const host::Object& bone, const host::Object& piece, const host::Document& doc);

} // namespace flumpet
