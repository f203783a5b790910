// The connect-selected command: joins every selected joint to the object selected last with
// the connector or spring of the connector mode.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// The joint a selected object's connector aims at: its first child when that is a joint; when
/// the first child is something else, that child's next sibling if any; otherwise the object.
host::Object nextBoneOf(const host::Object& object);

/// Runs the command (button CMD_CONNECT_SELECTED) on the active document's selection. Builds
/// nothing when fewer than two objects qualify. Answers true.
bool connectSelected(const host::Object& generator);

} // namespace flumpet
