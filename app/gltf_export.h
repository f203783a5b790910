// Writing a scene as glTF 2.0, for any viewer: the character's meshes and skeleton (skinned),
// every collider as a mesh in its own colour under its bone, and the connectors, springs and
// dynamics body tags as nodes whose parameters are in `extras`.
#pragma once

#include "host/nodes.h"

#include <string>

namespace flumpet::app {

struct GltfReport {
    int nodes = 0;
    int meshes = 0;
    int colliders = 0;
    int skins = 0;
};

/// Writes the document to `path`: a .glb file is binary, anything else glTF JSON with the
/// buffer embedded. Positions are in scene units. Written through a temporary file; throws
/// CommandError naming the file when it cannot be written.
GltfReport exportGltf(const host::Document& doc, const std::string& path);

} // namespace flumpet::app
