// Cutting the piece of the character mesh that a bone moves out of the mesh, and placing it
// under the bone as its collider.
#pragma once

#include "host/geometry_handles.h"

namespace flumpet {

/// Copies the mesh (as deformed), extracts the polygons the bone's joints weight, trims them
/// with planes at the bone's joints and at landmarks of the slot bones, rebases the points into
/// the bone's frame and inserts the result under the bone, named bone + "_" + mesh + "_collider".
/// True when a piece was inserted; false (nothing inserted, nothing left allocated) otherwise.
bool sliceMesh(const host::Object& generator, const host::Object& mesh, const host::Object& bone,
               const host::WeightTag& weights, int32_t mode);

} // namespace flumpet
