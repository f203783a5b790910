// What a connector lets its two bodies do, and how far a pose lies beyond that: the bake builds
// its constraints from the one and checks the motion against the other.
#pragma once

#include "host/values.h"

#include <LinearMath/btTransform.h>

#include <cstdint>

namespace flumpet::scene {

/// A connector's limits in its constraint frame, whose X axis runs along the bone.
struct JointLimits {
    int32_t type = 0;
    bool limited = false;
    /// A hinge's range: how far body B may turn about the hinge from the pose the bake starts
    /// from, one way and the other (radians; the knee turns from 0, straight, to its bend).
    double angleStart = 0.0, angleEnd = 0.0;
    /// Half the angle range, read by the other types as a span either side of the start pose.
    double halfRange = 0.0;
    /// The cone of a ragdoll connector (radians).
    double swing = 0.0;
    /// How far a slider may move along its axis.
    double linearMin = 0.0, linearMax = 0.0;
};

JointLimits readJointLimits(const host::Container& connector);

/// The frame a connector's constraint works in, from the connector's own rigid frame. A hinge
/// turns about the frame's Z axis as it is. The other types have the bone along Z, and their
/// constraints twist and slide along X, so Z becomes X.
btTransform constraintFrame(int32_t type, const btTransform& connector);

/// How far the two bodies' constraint frames lie beyond the limits: in angle (radians) and in
/// distance (scene units), 0 for each when within them.
struct LimitExcess {
    double angle = 0.0;
    double apart = 0.0;
};

LimitExcess limitExcess(const JointLimits& limits, const btTransform& frameA, const btTransform& frameB);

} // namespace flumpet::scene
