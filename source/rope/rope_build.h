// The rope generator: a row of joint spheres along each segment of the generator's spline
// child, with cones, optional piece clones, controllers for fixed ends, connectors, body tags,
// a connector group and a tracer.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// Removes what the previous build left (one undo group), then builds the rope anew (a second
/// one). Everything made goes into the created-objects and extra-objects lists, which are made
/// when the generator lacks them; controller nulls it makes are written into the controller
/// links and reused by the next build. False when the generator has no spline child or the
/// host cannot map arc lengths; true otherwise, also for a spline without segments and for a
/// joint count below 1, where nothing is built and the console says so.
bool buildRope(const host::Object& generator);

} // namespace flumpet
