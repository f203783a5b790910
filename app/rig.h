// The main job in one command: rig a character (a model file or a scene), write the scene and,
// on request, a glTF file; and the mannequin and demo commands around it.
#pragma once

#include "host/nodes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace flumpet::app {

class Session;

/// Maps the document's bones (automatically, or from a mapping file) and links the 22 slots of
/// its generator, made when the scene has none. Prints the mapping table unless quiet. Throws
/// CommandError when a slot stays empty.
host::Object prepareRig(Session& session, const host::Document& doc, const std::string& map, bool quiet);

/// How `--simulate` bakes the rig.
struct SimulateOptions {
    bool simulate = false;
    double seconds = 3.0;
    bool ground = true; ///< a ground plane just under the character's lowest point
};

struct RigOptions {
    std::string input;  ///< a model file (imported) or a scene file (.json)
    std::string map = "auto"; ///< "auto" or a mapping file
    bool springs = false;
    bool boxes = false; ///< box colliders instead of pieces cut from the mesh
    bool quiet = false;
    std::optional<unsigned> seed;
    std::string output; ///< scene file
    std::string gltf;   ///< glTF file, empty for none
    SimulateOptions simulation;
};

/// `flumpet rig`: maps the bones, presses create (and springs), reports what was built and
/// saves. Throws CommandError when the slots cannot all be filled or nothing was built; the
/// output is then not written. With simulation it then bakes the rig (the report on the
/// console), saves the scene and the glTF with the motion, and throws CommandError when the
/// report says the motion is unstable.
int rigCommand(const RigOptions& options);

struct MannequinOptions {
    int64_t triangles = 20000;
    std::string output; ///< scene file
    std::string gltf;
    bool quiet = false;
};

/// `flumpet mannequin`: writes the generated sample character.
int mannequinCommand(const MannequinOptions& options);

struct DemoOptions {
    std::string directory = "flumpet-demo";
    int64_t triangles = 20000;
    unsigned seed = 1;
    bool quiet = false;
};

/// `flumpet demo`: the mannequin, rigged with springs and baked falling onto a ground plane,
/// written as mannequin.json, rig.json and rig.gltf (with the fall) into the directory.
int demoCommand(const DemoOptions& options);

} // namespace flumpet::app
