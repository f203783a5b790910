// Springs: host dynamics objects that join two bodies elastically, one per joint.
// Positions are global (world space) unless a comment says otherwise.
#pragma once

#include "host/nodes.h"

#include <cstdint>

namespace flumpet {

/// A joint's bone as the host's joint library reports it, and the joint's own axis that runs
/// most nearly along it.
struct BoneAxisInfo {
    /// Signed global axis of the joint (axisindex), axisindex::None when there is no bone.
    int32_t axis = 0;
    /// World frame of the bone, Z along it.
    host::Matrix boneMatrix;
    /// Scene units.
    double length = 0.0;
};

BoneAxisInfo boneAxis(const host::Object& joint);

/// The skeleton builder's pose spring "<bone>_Spring" between A and B: anchored on A at the
/// middle of the bone (toward its chain successor), placed at B, inserted as last child of the
/// group, listed in the created-objects list and recorded for undo. The angles and the pole
/// point are accepted and not used. False when it could not be made.
bool createSpring(const host::Object& generator, const host::Object& group, int32_t type,
                  const host::Object& objectA, const host::Object& objectB, float a1, float a2, float a3,
                  const host::Object& bone, const host::Vector& pole, const host::Vector& rotation);

/// A bend spring (kind 0, "<name source>_Spring_Bend") or twist spring (kind 1,
/// "<name source>_Spring_Twist") between A and B, anchored on A halfway from the name source to
/// the end object, inserted as last child of `parent`, listed in the created-objects and
/// extra-objects lists and recorded for undo. A twist spring's Z axis follows B's bone. False
/// when it could not be made.
bool createBendTwistSpring(const host::Object& generator, int32_t kind, const host::Object& objectA,
                           const host::Object& objectB, const host::Object& nameSource,
                           const host::Object& endObject, const host::Object& parent);

} // namespace flumpet
