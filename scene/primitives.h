// The parameters a new primitive object carries before anyone sets them.
#pragma once

#include "scene/node.h"

namespace flumpet::scene {

/// Writes the host's default sizes into a new cube, sphere, cone or cylinder (scene units);
/// other nodes are left as they are.
void setPrimitiveDefaults(Node& node);

} // namespace flumpet::scene
