// Giving a bone its collision shape: a piece cut from the character mesh, or a fitted box.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// Cuts the bone's piece out of every weighted character mesh when slicing is on for the mode;
/// where no piece could be made, fits a box (the given one, or a new box collider) to the
/// meshes. Without a bone, re-fits the given box to the listed meshes or to the last selected
/// polygon object.
void createCollider(const host::Object& generator, const host::Object& box, const host::Object& bone, int32_t mode);

} // namespace flumpet
