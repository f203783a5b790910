#include "joints/springs.h"

#include "host/geometry_handles.h"
#include "host/ids.h"
#include "joints/joint_frames.h"
#include "joints/record_created.h"
#include "joints/skeleton_chain.h"

#include <array>

namespace flumpet {

BoneAxisInfo boneAxis(const host::Object& joint) {
    BoneAxisInfo info;
    info.axis = joint.alive() ? axisindex::PlusX : axisindex::None;
    host::Bone bone;
    if (joint.alive() && host::boneOf(joint, bone)) {
        info.boneMatrix = bone.frame;
        info.length = bone.length;
    }
    const double l = info.length;
    if (l == 0.0) info.axis = axisindex::None;
    const host::Vector along = info.boneMatrix.v3 * l;
    const host::Matrix m = joint.globalMatrix();
    const std::array<host::Vector, 6> candidates{m.v1 * l,  m.v2 * l,  m.v3 * l,
                                                 m.v1 * -l, m.v2 * -l, m.v3 * -l};
    double best = host::distanceSingle(candidates[0], along);
    for (int32_t i = 1; i < 6; ++i) {
        const double d = host::distanceSingle(candidates[static_cast<size_t>(i)], along);
        if (d < best && d >= 0.0) {
            info.axis = i;
            best = d;
        }
    }
    return info;
}

namespace {

/// The parameters both creators set in the same way, in the host's order around the anchor.
struct SpringSetup {
    const host::Object& spring;
    void set(int32_t id, const host::Value& value) const { spring.setParameter(host::DescID(id), value); }
    void bodies(const host::Object& a, const host::Object& b) const {
        set(host::forceparam::ObjectA, host::Link{a.id()});
        set(host::forceparam::ObjectB, host::Link{b.id()});
        set(host::springparam::AnchorMode, int32_t{1});
    }
    /// The anchor halfway from `from` to `to`, in A's own coordinates.
    void anchor(const host::Object& a, const host::Object& from, const host::Object& to) const {
        const host::Vector q = from.globalPosition() + (to.globalPosition() - from.globalPosition()) * 0.5;
        set(host::springparam::AnchorA, host::inverse(a.globalMatrix()) * q);
        set(host::springparam::AnchorBMode, int32_t{0});
    }
    void finish(const host::Value& displaySize) const {
        set(host::forceparam::DisplaySize, displaySize);
        set(host::forceparam::Visible, int32_t{1});
        set(host::springparam::RestMode, int32_t{0});
    }
    /// At B's position, in the coordinates of the object the spring goes under.
    void placeAt(const host::Object& b, const host::Object& parent) const {
        spring.setLocalPosition(host::inverse(parent.globalMatrix()) * b.globalPosition());
    }
};

/// The code of an axis parameter by a signed axis of the joint: X gives the host's Y, Y gives
/// Z, Z gives X.
int32_t twistCode(int32_t axis) {
    if (isXAxis(axis)) return host::forceaxis::Y;
    return isZAxis(axis) ? host::forceaxis::X : host::forceaxis::Z;
}

/// Sets the twist spring's axis codes and rest angle; answers the global frame it is to take
/// once inserted: at B, Z toward the end of B's bone.
host::Matrix setUpTwist(const SpringSetup& setup, const host::Object& objectA, const host::Object& objectB,
                        const host::Object& endObject) {
    const BoneAxisInfo infoA = boneAxis(objectA);
    const BoneAxisInfo infoB = boneAxis(objectB);
    const int32_t kA = infoA.axis == axisindex::None ? dominantChildAxis(objectA, objectB) : infoA.axis;
    const int32_t kB = infoB.axis == axisindex::None ? dominantChildAxis(objectB, endObject) : infoB.axis;
    setup.set(host::forceparam::AxisA, twistCode(kA));
    setup.set(host::forceparam::AxisB, twistCode(kB));

    // The angle about the axis along which B's bone points (heading, pitch, bank in radians),
    // and an up vector across that axis.
    host::Value rotation;
    objectB.getParameter(host::DescID(host::param::RelativeRotation), rotation);
    const auto* hpbValue = std::get_if<host::Vector>(&rotation);
    const host::Vector hpb = hpbValue ? *hpbValue : host::Vector{};
    const host::Matrix mb = objectB.globalMatrix();
    const double angle = isXAxis(kB) ? hpb.y : isZAxis(kB) ? hpb.z : hpb.x;
    const host::Vector up = isXAxis(kB) ? mb.v2 : mb.v1;
    setup.set(host::springparam::TwistAngle, static_cast<double>(static_cast<float>(angle)));

    const host::Vector target = infoB.length > 0.0 ? infoB.boneMatrix.off + infoB.boneMatrix.v3 * infoB.length
                                                   : endObject.globalPosition();
    if (fixesRoll(target - mb.off, up)) return aimFrameOnAxis(mb.off, target, up, 2);
    // No direction to follow (the end is at B), or up along it: B's own axes are the best guess.
    return {mb.off, host::normalise(mb.v1), host::normalise(mb.v2), host::normalise(mb.v3)};
}

} // namespace

bool createSpring(const host::Object& generator, const host::Object& group, int32_t type,
                  const host::Object& objectA, const host::Object& objectB, float /*a1*/, float /*a2*/,
                  float /*a3*/, const host::Object& bone, const host::Vector& /*pole*/,
                  const host::Vector& rotation) {
    if (!generator.host() || !bone.alive()) return false;
    const ChainNeighbours n = chainNeighbours(generator, bone);
    const host::Object spring(generator.host(), generator.host()->allocObject(host::type::Spring));
    if (!spring.alive()) return false;
    const SpringSetup setup{spring};
    setup.set(host::param::Name, bone.name() + "_Spring");
    spring.setLocalRotation(rotation);
    setup.set(host::forceparam::Type, type);
    setup.bodies(objectA, objectB);
    setup.anchor(objectA, bone, n.successor.alive() ? n.successor : bone);
    setup.finish(int32_t{15});
    setup.placeAt(objectB, group);
    if (!insertLastOrFree(spring, group)) return false;
    listAndRecordNew(spring, false);
    return true;
}

bool createBendTwistSpring(const host::Object& generator, int32_t kind, const host::Object& objectA,
                           const host::Object& objectB, const host::Object& nameSource,
                           const host::Object& endObject, const host::Object& parent) {
    if (!generator.host()) return false;
    const host::Object spring(generator.host(), generator.host()->allocObject(host::type::Spring));
    if (!spring.alive()) return false;
    const SpringSetup setup{spring};
    setup.set(host::param::Name, nameSource.name() + "_Spring_Bend");
    setup.set(host::forceparam::Type, kind);
    setup.bodies(objectA, objectB);
    setup.anchor(objectA, nameSource, endObject);
    const auto distance =
        static_cast<float>(host::distanceSingle(objectA.globalPosition(), objectB.globalPosition()));
    setup.finish(static_cast<double>(0.25F * distance));
    setup.placeAt(objectB, parent);
    if (kind != host::springkind::Twist) {
        if (!insertLastOrFree(spring, parent)) return false;
        listAndRecordNew(spring, true);
        return true;
    }
    setup.set(host::param::Name, nameSource.name() + "_Spring_Twist");
    const host::Matrix frame = setUpTwist(setup, objectA, objectB, endObject);
    if (!insertLastOrFree(spring, parent)) return false;
    // Set once inserted, so the frame is a world frame whatever the parent.
    spring.setGlobalMatrix(frame);
    spring.setLocalScale({1, 1, 1});
    listAndRecordNew(spring, true);
    return true;
}

} // namespace flumpet
