// Importing a character from a model file (FBX, glTF, COLLADA, DirectX .x and the other formats
// the import library reads) into a document of the embedded host.
#pragma once

#include "host/nodes.h"

#include <cstdint>
#include <functional>
#include <string>

namespace flumpet::scene {
class Engine;
}

namespace flumpet::app {

struct ImportReport {
    int joints = 0;
    int meshes = 0;
    /// Vertices the file's meshes hold (readers repeat a corner per face and per seam).
    int64_t vertices = 0;
    /// Points kept once vertices at one position were welded.
    int points = 0;
    int polygons = 0;
};

/// Reads the model into the document: skeleton nodes become joints standing in their bind pose,
/// other nodes nulls, meshes polygon objects (points that share a position welded; a welded
/// point takes the weights of the first vertex there) with a weight tag holding their bones and
/// weights. Runs on a thread with a large stack, so deeply nested files cannot overflow it; a
/// hierarchy deeper than a scene file holds is refused, and so is running out of memory. Names are kept and made unique only where they
/// clash; each renaming is told through `note`. Throws CommandError naming the file when it
/// cannot be read.
ImportReport importModel(scene::Engine& engine, const host::Document& doc, const std::string& path,
                         const std::function<void(const std::string&)>& note);

} // namespace flumpet::app
