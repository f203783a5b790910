// Writing a scene as glTF 2.0, for any viewer: the character's meshes and skeleton (skinned),
// every collider as a mesh in its own colour under its bone, and the connectors, springs and
// dynamics body tags as nodes whose parameters are in `extras`; a baked motion as an animation.
#pragma once

#include "host/nodes.h"

#include <string>

namespace flumpet::scene {
struct BakedMotion;
}

namespace flumpet::app {

struct GltfReport {
    int nodes = 0;
    int meshes = 0;
    int colliders = 0;
    int skins = 0;
    int animatedNodes = 0; ///< the bodies' nodes the animation moves
    int keyframes = 0;
};

/// Writes the document to `path`: a .glb file is binary, anything else glTF JSON with the
/// buffer embedded. Positions are in scene units. Written through a temporary file; throws
/// CommandError naming the file when it cannot be written. With a baked motion the bodies'
/// nodes are animated (a keyframe per frame, at the document's frame rate), so the skinned
/// meshes follow them in any viewer.
GltfReport exportGltf(const host::Document& doc, const std::string& path, const scene::BakedMotion* motion = nullptr);

} // namespace flumpet::app
