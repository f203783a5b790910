// The box collider: a cube spanning the bone inside a subdivision surface that rounds it.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// Where a bone's box ends (world space): the bone's end object, or the end of the joint's own
/// bone when the host reports one of positive length.
host::Vector boneEndPoint(const host::Object& generator, const host::Object& bone);

/// Builds bone + "_SubD" under the bone, aimed along the bone, holding bone + "_Cube", as long
/// as the bone and a fifth as wide and deep, with a clamp constraint on the nearest mesh that
/// weights the bone. Lists both and records them for undo. Answers the cube; empty when the
/// bone is gone.
host::Object createCubeCollider(const host::Object& generator, const host::Object& bone, int32_t mode);

} // namespace flumpet
