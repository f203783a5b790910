// The 21 bone pairs of the skeleton template that the skeleton builders join, with the limits,
// roll targets and rotations of their connectors and springs.
#pragma once

#include "host/nodes.h"

#include <array>
#include <cstdint>

namespace flumpet {

struct SkeletonPair {
    int slotA; ///< first body
    int slotB; ///< second body; also the bone that names, places and aims the joint
    int32_t type;
    /// Degrees; handed on as single-precision radians.
    float a1, a2, a3;
    /// How the roll target is found.
    enum class Pole { OfBone, Hinge, HingeToFirstChild } pole;
    /// Hinge poles: the upper and lower joints around B (lower unused for HingeToFirstChild).
    int hingeUpper, hingeLower;
    /// Pitch of the rotation vector in degrees (heading and bank are 0).
    double pitch;
    uint8_t flag;
};

/// The pairs in the order the builders handle them.
const std::array<SkeletonPair, 21>& skeletonPairs();

/// Degrees as the single-precision radians the builders pass on.
float singleRadians(double degrees);

/// The pair's rotation vector (heading, pitch, bank) in 64-bit radians.
host::Vector pairRotation(const SkeletonPair& pair);

/// The global roll target of the pair's joint, computed from the bone-slot table of the command
/// context.
host::Vector pairPole(const host::Object& generator, const SkeletonPair& pair);

} // namespace flumpet
