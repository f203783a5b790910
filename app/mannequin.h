// The mannequin: our own sample character, generated. A humanoid standing in a T pose (Y up,
// facing +Z, centimetres, 178 tall) with a 29-joint skeleton under common names (Hips, Spine,
// Spine1, Spine2, Neck, Head, LeftShoulder, LeftArm, LeftForeArm, LeftHand, LeftUpLeg, LeftLeg,
// LeftFoot, LeftToeBase and the right side, plus finger, thumb, toe-end and head-end joints) and
// one closed skinned surface with smooth weights. The same triangle budget always gives the same
// character.
#pragma once

#include "host/nodes.h"
#include "implicit_surface.h"

#include <string>
#include <utility>
#include <vector>

namespace flumpet::scene {
class Engine;
}

namespace flumpet::app {

struct MannequinJoint {
    std::string name;
    int parent = -1;       ///< index into the joints, -1 for the root
    host::Vector position; ///< world space, centimetres
};

struct Mannequin {
    std::vector<MannequinJoint> joints;
    TriangleMesh surface;
    /// Per surface point: up to four (joint index, weight) pairs, weights summing to 1.
    std::vector<std::vector<std::pair<int, double>>> weights;
};

inline constexpr int64_t MannequinMinTriangles = 1000;
inline constexpr int64_t MannequinMaxTriangles = 4000000;

/// The mannequin with about `triangles` triangles (within a few percent; clamped to the range
/// above).
Mannequin makeMannequin(int64_t triangles);

/// Inserts the mannequin at the top of the document: a null "Mannequin" holding the joint
/// hierarchy (root "Hips") and the polygon object "Body" with its weight tag. Returns the null.
host::Object insertMannequin(scene::Engine& engine, const host::Document& doc, const Mannequin& mannequin);

} // namespace flumpet::app
