// Modeling commands on polygon objects: selection conversion and growth, split, triangulation.
// Each runs in time linear in the mesh, or in the selection where that is small.
#pragma once

#include "host/geometry.h"
#include "scene/node.h"

namespace flumpet::scene {

class PointPolygonsCache;

class Engine;

/// True when the command changes the object it runs on (and so needs an undo record).
bool modelingCommandChangesObject(int32_t command);

/// Runs a command on a polygon object. Objects the command makes are free nodes of the engine.
/// The caller records undo; this marks the object changed.
/// `adjacency` (may be null) lends point-to-polygon tables, so that commands on a few selected
/// elements of a large mesh need not visit the whole mesh.
host::ModelingResult runModelingCommand(Engine& engine, int32_t command, Node& object, int32_t mode,
                                        const Container& settings, PointPolygonsCache* adjacency = nullptr);

} // namespace flumpet::scene
