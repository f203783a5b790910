// The commands that rig the whole character from its 22 bone slots: the springs command, and
// the create command that builds connectors, colliders and body tags.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// CMD_CREATE_SPRINGS: the pose springs of every bone pair, one undo group, "Springs Created!".
/// False, with the console line "Flumpet: Not all bones are assigned!", when a slot is empty;
/// false when the generator holds no created-objects list.
bool createSpringsCommand(const host::Object& generator);

} // namespace flumpet
