// The commands that work on what is selected in the scene rather than on the bone slots.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// CMD_GENERATE_SELECTED: in rope mode first builds the rope of the generator's spline child;
/// then rigs the joint chains of the selection with the chain builder. Each builder forms its
/// own undo groups. Lists the generator lacks are made first, as an undo step of their
/// own. Answers true.
bool generateSelectedCommand(const host::Object& generator);

/// CMD_SIMPLE_SOLVER: sizes every selected cube (children included) by its clamp constraint, in
/// one undo group, then "Simple_Solver!". Answers true.
bool simpleSolverCommand(const host::Object& generator);

/// CMD_GENERATE_COLLIDERS: re-fits every selected cube and gives every selected joint that has a
/// child its collider, in one undo group, then "GeRay_Solver!". The weight tags come from the
/// generator onward (the generator, its children and what follows it at its level). Answers true.
bool generateCollidersCommand(const host::Object& generator);

} // namespace flumpet
