// Importing a character from a model file (FBX, glTF, COLLADA, DirectX .x and the other formats
// the import library reads) into a document of the embedded host.
#pragma once

#include "host/nodes.h"

#include <functional>
#include <string>

namespace flumpet::scene {
class Engine;
}

namespace flumpet::app {

struct ImportReport {
    int joints = 0;
    int meshes = 0;
    int points = 0;
    int polygons = 0;
    /// Points dropped because another point of the same mesh had the same position.
    int weldedPoints = 0;
};

/// Reads the model into the document: skeleton nodes become joints standing in their bind pose,
/// other nodes nulls, meshes polygon objects (points that share a position welded) with a
/// weight tag holding their bones and weights. Names are kept and made unique only where they
/// clash; each renaming is told through `note`. Throws CommandError naming the file when it
/// cannot be read.
ImportReport importModel(scene::Engine& engine, const host::Document& doc, const std::string& path,
                         const std::function<void(const std::string&)>& note);

} // namespace flumpet::app
