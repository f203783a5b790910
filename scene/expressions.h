// The expressions a scene update evaluates: the constraint tag's clamp measurement.
#pragma once

#include "host/values.h"

namespace flumpet::scene {

class Engine;

/// Evaluates the expressions of every object in a document. A constraint tag whose measure
/// switch is on writes, into its clamp settings, the world-space distance from its object's
/// position to the nearest point of its target mesh as deformed; a tag whose target is missing
/// or not a polygon object, or has no polygons, keeps the value it had.
void evaluateExpressions(Engine& engine, host::NodeId doc);

} // namespace flumpet::scene
