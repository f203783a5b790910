#include "scene/dynamics/joint_limits.h"

#include "host/ids.h"

#include <LinearMath/btTransformUtil.h>

#include <algorithm>
#include <utility>
#include <cmath>

namespace flumpet::scene {

namespace {

double beyond(double value, double low, double high) { return std::max({0.0, low - value, value - high}); }

/// The angle (radians) between two unit vectors.
double angleBetween(const btVector3& a, const btVector3& b) {
    return std::atan2(static_cast<double>(a.cross(b).length()), static_cast<double>(a.dot(b)));
}

} // namespace

JointLimits readJointLimits(const host::Container& data) {
    namespace cp = host::connectorparam;
    JointLimits l;
    l.type = data.getInt(host::forceparam::Type, host::connectortype::Ragdoll);
    l.limited = data.getInt(cp::AngularLimit, 0) != 0;
    l.angleStart = data.getFloat(cp::AngleStart, 0.0);
    l.angleEnd = data.getFloat(cp::AngleEnd, 0.0);
    if (l.angleStart > l.angleEnd) std::swap(l.angleStart, l.angleEnd);
    l.halfRange = (l.angleEnd - l.angleStart) / 2.0;
    l.swing = std::abs(data.getFloat(cp::PrimaryAngle, M_PI / 4));
    l.linearMin = data.getFloat(cp::LinearMin, 0.0);
    l.linearMax = data.getFloat(cp::LinearMax, 0.0);
    return l;
}

btTransform constraintFrame(int32_t type, const btTransform& connector) {
    if (type == host::connectortype::Hinge) return connector;
    const btMatrix3x3& b = connector.getBasis();
    const btMatrix3x3 turned(b[0][2], b[0][0], b[0][1], b[1][2], b[1][0], b[1][1], b[2][2], b[2][0], b[2][1]);
    return btTransform(turned, connector.getOrigin());
}

LimitExcess limitExcess(const JointLimits& l, const btTransform& frameA, const btTransform& frameB) {
    LimitExcess e;
    // B's frame seen from A's: where and how it turned.
    const btTransform relative = frameA.inverseTimes(frameB);
    const btVector3 at = relative.getOrigin();
    const btMatrix3x3& turn = relative.getBasis();
    const btVector3 x = turn.getColumn(0), y = turn.getColumn(1), z = turn.getColumn(2);
    const btVector3 ex(1, 0, 0), ey(0, 1, 0), ez(0, 0, 1);
    switch (l.type) {
    case host::connectortype::Hinge: {
        // Turning about Z only, within the range when limited.
        e.apart = static_cast<double>(at.length());
        const double offAxis = angleBetween(z, ez);
        const double about = std::atan2(static_cast<double>(x.y()), static_cast<double>(x.x()));
        e.angle = offAxis + (l.limited ? beyond(about, l.angleStart, l.angleEnd) : 0.0);
        break;
    }
    case host::connectortype::Slider: {
        // Along X within the linear limits, not turning at all.
        e.apart = std::hypot(static_cast<double>(at.y()), static_cast<double>(at.z())) +
                  beyond(static_cast<double>(at.x()), l.linearMin, l.linearMax);
        btScalar angle = 0;
        btVector3 axis;
        btTransformUtil::calculateDiffAxisAngleQuaternion(btQuaternion::getIdentity(), relative.getRotation(), axis, angle);
        e.angle = std::abs(static_cast<double>(angle));
        break;
    }
    case host::connectortype::Ragdoll: {
        e.apart = static_cast<double>(at.length());
        if (!l.limited) break;
        // The swing of the bone out of the cone, and the twist about it beyond the range.
        const double swing = angleBetween(x, ex);
        const btQuaternion swingOnly(ex.cross(x).length() > 1e-9F ? ex.cross(x).normalized() : ey,
                                     static_cast<btScalar>(swing));
        const btVector3 yUnswung = btMatrix3x3(swingOnly).transpose() * y;
        const double twist = std::atan2(static_cast<double>(yUnswung.z()), static_cast<double>(yUnswung.y()));
        e.angle = std::max(beyond(swing, 0.0, l.swing), beyond(twist, -l.halfRange, l.halfRange));
        break;
    }
    default: {
        e.apart = static_cast<double>(at.length());
        if (!l.limited) break;
        // Each axis within ± half the range, as the generic joint's angles about X, Y and Z.
        btScalar ax = 0, ay = 0, az = 0;
        turn.getEulerZYX(az, ay, ax);
        e.angle = std::max({beyond(ax, -l.halfRange, l.halfRange), beyond(ay, -l.halfRange, l.halfRange),
                            beyond(az, -l.halfRange, l.halfRange)});
        break;
    }
    }
    return e;
}

} // namespace flumpet::scene
