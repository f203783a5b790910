// The live update of a built rope: sizes, and for a distribution change the placement, of its
// joints, cones, piece clones and connectors, without rebuilding it.
#pragma once

#include "host/nodes.h"

#include <cstdint>

namespace flumpet {

/// Brings the rope of the generator's spline child in line with a changed parameter: the
/// radius or the radius-scale curve resizes joints and cones; the distribution curve (also sent
/// when the spline was edited) moves every piece along the spline. Only pieces of the current
/// build are touched: joints under the spline or a listed controller, and the cones, clones and
/// connectors that belong to them. Creates and deletes nothing and records no undo.
void updateRope(const host::Object& generator, int32_t changedId);

} // namespace flumpet
