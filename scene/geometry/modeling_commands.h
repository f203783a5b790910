// Modeling commands on polygon objects: selection conversion and growth, split, triangulation.
// Each runs in time linear in the mesh.
#pragma once

#include "host/geometry.h"
#include "scene/node.h"

namespace flumpet::scene {

class Engine;

/// True when the command changes the object it runs on (and so needs an undo record).
bool modelingCommandChangesObject(int32_t command);

/// Runs a command on a polygon object. Objects the command makes are free nodes of the engine.
/// The caller records undo; this marks the object changed.
host::ModelingResult runModelingCommand(Engine& engine, int32_t command, Node& object, int32_t mode,
                                        const Container& settings);

} // namespace flumpet::scene
