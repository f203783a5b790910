// Collision shapes for the embedded host's dynamics, made from objects and their geometry.
#pragma once

#include "host/math.h"
#include "host/nodes.h"

#include <btBulletDynamicsCommon.h>

#include <functional>
#include <memory>
#include <vector>

namespace flumpet::scene {

/// A placement split into its turn and move (a rigid transform) and the lengths of its axes.
struct Placement {
    btTransform rigid;
    host::Vector scale{1.0, 1.0, 1.0};
};
Placement splitPlacement(const host::Matrix& m);
/// The matrix of a rigid transform with the axes stretched by scale again.
host::Matrix joinPlacement(const btTransform& rigid, const host::Vector& scale);

/// The shapes of one body, owned together.
struct BodyShape {
    std::vector<std::unique_ptr<btCollisionShape>> owned;
    btCompoundShape* compound = nullptr;
    /// The volume of each of the compound's children, in the children's order.
    std::vector<double> volumes;
};

/// The shape of a body: the body's own geometry and that of its descendants which are not
/// bodies themselves (`isBody` tells), each placed relative to the body's frame with its own
/// origin at its centroid, so that the compound's mass properties come out right. A body
/// without geometry (a joint, a null) is a small sphere.
BodyShape makeBodyShape(const host::Object& body, const btTransform& bodyFrame,
                        const std::function<bool(const host::Object&)>& isBody);

} // namespace flumpet::scene
