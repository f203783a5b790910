// The geometry every rig builder shares: along which of its axes a bone reaches its child, the
// points that fix the roll of a joint frame, and frames aimed from one point to another.
// Positions are global (world space, scene units) unless a comment says otherwise.
#pragma once

#include "host/nodes.h"

#include <cstdint>

namespace flumpet {

/// A signed axis: +X, +Y, +Z, -X, -Y, -Z.
namespace axisindex {
inline constexpr int32_t PlusX = 0;
inline constexpr int32_t PlusY = 1;
inline constexpr int32_t PlusZ = 2;
inline constexpr int32_t MinusX = 3;
inline constexpr int32_t MinusY = 4;
inline constexpr int32_t MinusZ = 5;
/// No answer (a bone of length 0).
inline constexpr int32_t None = 10;
} // namespace axisindex

/// True for +Z and -Z.
constexpr bool isZAxis(int32_t axis) {
    return axis == axisindex::PlusZ || axis == axisindex::MinusZ;
}
/// True for +X and -X.
constexpr bool isXAxis(int32_t axis) {
    return axis == axisindex::PlusX || axis == axisindex::MinusX;
}

/// The signed axis of the bone's parent-relative frame along which the child's local position
/// reaches furthest (distances in single precision, ties keep the lower index); 0 when either
/// is missing or the child sits at its parent's origin.
int32_t dominantChildAxis(const host::Object& bone, const host::Object& child);

/// A point 10 scene units along the bone's own Z axis, or its Y axis when the child lies on the
/// bone's Z axis. Without a child the bone's chain successor is used; without a bone the origin.
host::Vector polePoint(const host::Object& generator, const host::Object& bone, const host::Object& child);

/// A roll target for the hinge at `middle` between `upper` and `lower`: a point on the line
/// through the middle joint parallel to upper-to-lower, on the upper side for the usual bend.
/// The origin when an object is missing. Where that point is not finite (upper and lower
/// joints coincide), the plain polePoint of the middle joint toward the lower one instead.
host::Vector hingePolePoint(const host::Object& middle, const host::Object& upper, const host::Object& lower);

/// A frame at start whose axis (0 X, 1 Y, 2 Z) runs toward end, the other two fixed by up; the
/// mirror image of a right-handed frame. Identity axes for any other axis; zero axes where the
/// direction is zero or up is parallel to it.
host::Matrix aimFrameOnAxis(const host::Vector& start, const host::Vector& end, const host::Vector& up,
                            int32_t axis);

/// True when `up` fixes the roll of a frame aimed along `direction`: both finite and non-zero,
/// and more than a hair (1e-4 radians) from parallel, so rounding noise cannot pick the roll.
bool fixesRoll(const host::Vector& direction, const host::Vector& up);

} // namespace flumpet
