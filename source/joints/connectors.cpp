#include "joints/connectors.h"

#include "host/ids.h"
#include "joints/joint_frames.h"
#include "joints/record_created.h"
#include "joints/skeleton_chain.h"
#include "parameters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace flumpet {

namespace {

/// One call of either connector creator.
struct ConnectorCall {
    host::Object generator;
    host::Object group;
    int32_t type = 0;
    host::Object objectA;
    host::Object objectB;
    float a1 = 0.0F, a2 = 0.0F, a3 = 0.0F;
    host::Object bone;
    host::Vector pole; ///< global
    host::Vector rotation;
    uint8_t flag = 0;
    host::Object child{};  ///< the point the bone aims at; the bone itself when it has none
    host::Object start{};  ///< where the frame of an end bone starts
    bool skeleton = false; ///< the skeleton builder's variant
};

/// The four end bones (hands and ankles), whose frames run from their start bone to the child.
struct EndBones {
    std::array<host::NodeId, 4> ids{};

    bool isEnd(const host::Object& bone) const {
        return bone.id() != host::NoNode && std::find(ids.begin(), ids.end(), bone.id()) != ids.end();
    }
    bool isHand(const host::Object& bone) const {
        return bone.id() != host::NoNode && (bone.id() == ids[0] || bone.id() == ids[2]);
    }
};

EndBones readEndBones(const host::Object& generator) {
    const host::Container data = generator.data();
    const host::Document doc = generator.document();
    EndBones out;
    const std::array<int32_t, 4> params{ARM_A_BONE_4, LEG_A_BONE_3, ARM_B_BONE_4, LEG_B_BONE_3};
    for (size_t i = 0; i < params.size(); ++i)
        out.ids[i] = doc.resolve(data.getLinkId(params[i])).id();
    return out;
}

/// The code both axis parameters receive, by the axis along which the bone reaches its child;
/// none for the types that leave them at the host's defaults.
std::optional<int32_t> axisCode(bool skeleton, int32_t type, int32_t childAxis) {
    if (skeleton || type == host::connectortype::Ragdoll)
        return isZAxis(childAxis) ? host::forceaxis::Y : host::forceaxis::Z;
    if (type == host::connectortype::Hinge) {
        if (isXAxis(childAxis)) return host::forceaxis::X;
        return isZAxis(childAxis) ? host::forceaxis::Z : host::forceaxis::Y;
    }
    return std::nullopt;
}

/// An aim frame of the connector, in generator space.
struct Aim {
    host::Vector from;
    host::Vector to;
    int32_t axis = 0;
};

/// The unit axis of generator space that is least parallel to a direction.
host::Vector leastParallelAxis(const host::Vector& direction) {
    const double x = std::abs(direction.x), y = std::abs(direction.y), z = std::abs(direction.z);
    if (x <= y && x <= z) return {1, 0, 0};
    return y <= z ? host::Vector{0, 1, 0} : host::Vector{0, 0, 1};
}

/// The aim frame at the connector's position `at`, its second axis toward the pole (both in
/// generator space). A pole on the aim line leaves no second axis: then the bone's own pole
/// point serves, or failing that the axis least parallel to the aim, for the roll too. Without
/// any aim direction (the child is the bone) the frame keeps identity axes.
host::Matrix aimedFrame(const ConnectorCall& c, const Aim& aim, const host::Vector& at,
                        const host::Matrix& toGenerator, host::Vector& pole) {
    const host::Vector direction = aim.to - aim.from;
    if (host::normalise(direction) == host::Vector{}) return {};
    for (const host::Vector& candidate : {pole, toGenerator * polePoint(c.generator, c.bone, c.child),
                                          at + leastParallelAxis(direction) * 10.0}) {
        if (!fixesRoll(direction, candidate - at)) continue;
        pole = candidate;
        return aimFrameOnAxis(aim.from, aim.to, host::normalise(pole - at), aim.axis);
    }
    return {};
}

/// Turns the connector about its own Z axis by the angle between its Y axis and the pole.
void rollTowardPole(const host::Object& connector, const host::Vector& pole) {
    const host::Matrix m = connector.globalMatrix();
    const auto w = static_cast<float>(host::angleBetween(m.v2, pole - m.off));
    const float degrees = w * 57.29578F;
    if (degrees > 0.0F) connector.setGlobalMatrix(m * host::rotationZ(-static_cast<double>(w)));
}

host::Object buildConnector(const ConnectorCall& c) {
    if (!c.generator.host() || !c.bone.alive()) return {};
    host::Host& host = *c.generator.host();
    const EndBones ends = readEndBones(c.generator);
    const host::Object connector(&host, host.allocObject(host::type::Connector));
    if (!connector.alive()) return {};
    const auto set = [&](int32_t id, const host::Value& value) {
        connector.setParameter(host::DescID(id), value);
    };

    set(host::param::Name, c.bone.name() + "_Connector");
    connector.setLocalRotation(c.rotation);
    set(host::forceparam::Type, c.type);
    set(host::forceparam::ObjectA, host::Link{c.objectA.id()});
    set(host::forceparam::ObjectB, host::Link{c.objectB.id()});
    if (const auto code = axisCode(c.skeleton, c.type, dominantChildAxis(c.bone, c.child))) {
        set(host::forceparam::AxisA, *code);
        set(host::forceparam::AxisB, *code);
    }
    set(host::connectorparam::PrimaryAngle, static_cast<double>(c.a1));
    set(host::connectorparam::PrimaryAngleFlag, static_cast<int32_t>(c.flag));
    set(host::connectorparam::FixedAngle, int32_t{89});
    set(host::connectorparam::AngularLimit, int32_t{1});
    set(host::connectorparam::AngleStart, static_cast<double>(c.a2));
    set(host::connectorparam::AngleEnd, static_cast<double>(c.a3));
    const auto boneLength =
        static_cast<float>(host::distanceSingle(c.bone.globalPosition(), c.child.globalPosition()));
    set(host::forceparam::DisplaySize,
        c.skeleton ? host::Value{int32_t{5}} : host::Value{static_cast<double>(0.25F * boneLength)});
    set(host::forceparam::Visible, int32_t{1});

    // Placement: just beyond the joint, away from the child; a hand toward its forearm.
    const host::Vector bonePos = c.bone.globalPosition();
    host::Vector place = c.skeleton && ends.isHand(c.bone)
                             ? bonePos + (c.start.globalPosition() - bonePos) * 0.04
                             : bonePos + (bonePos - c.child.globalPosition()) * 0.01;
    const host::Matrix toGenerator = host::inverse(c.generator.globalMatrix());
    connector.setLocalPosition(toGenerator * place);
    if (!c.skeleton) connector.setLocalScale({1, 1, 1});

    // Outside the document the connector's global matrix is its local one: all in generator space.
    const host::Vector at = connector.globalPosition();
    host::Vector pole = toGenerator * c.pole;
    if (!host::isFinite(pole)) pole = toGenerator * polePoint(c.generator, c.bone, c.child);
    const auto inGenerator = [&](const host::Object& o) { return toGenerator * o.globalPosition(); };

    std::optional<Aim> aim;
    if (ends.isEnd(c.bone)) {
        aim = Aim{inGenerator(c.start), inGenerator(c.child), 2};
    } else if (c.type == host::connectortype::Ragdoll) {
        aim = Aim{inGenerator(c.bone), inGenerator(c.child), 2};
    } else if (c.type == host::connectortype::Hinge) {
        aim = Aim{inGenerator(c.bone), inGenerator(c.child), 0};
    } else if (!c.skeleton && c.type == host::connectortype::Slider) {
        aim = Aim{inGenerator(c.objectA), inGenerator(c.objectB), 2};
        const host::Vector posA = c.objectA.globalPosition();
        const host::Vector posB = c.objectB.globalPosition();
        const host::Vector midpoint = posB + (posA - posB) * 0.5;
        set(host::connectorparam::LinearMode, int32_t{0});
        set(host::connectorparam::LinearMinOn, int32_t{1});
        set(host::connectorparam::LinearMaxOn, int32_t{1});
        set(host::connectorparam::LinearMin, -host::distanceSingle(midpoint, posA));
        set(host::connectorparam::LinearMax, host::distanceSingle(midpoint, posB));
        set(host::forceparam::DisplaySize,
            static_cast<double>(0.25F * static_cast<float>(host::distanceSingle(posA, posB))));
        place = midpoint;
    }
    host::Matrix frame = aim ? aimedFrame(c, *aim, at, toGenerator, pole) : host::Matrix{};
    frame.off = at;
    connector.setGlobalMatrix(frame);
    connector.setLocalPosition(toGenerator * place);
    // The aim frame is a mirror image; the scale reset follows its setting.
    connector.setLocalScale({1, 1, 1});
    rollTowardPole(connector, pole);

    if (!insertLastOrFree(connector, c.group)) return {};
    listAndRecordNew(connector, !c.skeleton);
    return connector;
}

} // namespace

host::Object createConnector(const host::Object& generator, int32_t type, const host::Object& objectA,
                             const host::Object& objectB, float a1, float a2, float a3,
                             const host::Object& bone, const host::Object& child, const host::Vector& pole,
                             const host::Vector& rotation, uint8_t flag, const host::Object& group) {
    ConnectorCall c{generator, group, type, objectA, objectB, a1, a2, a3, bone, pole, rotation, flag};
    const host::Object parent = bone.parent();
    c.child = child.alive() ? child : bone;
    c.start = parent.alive() ? parent : bone;
    return buildConnector(c);
}

bool createSkeletonConnector(const host::Object& generator, const host::Object& group, int32_t type,
                             const host::Object& objectA, const host::Object& objectB, float a1, float a2,
                             float a3, const host::Object& bone, const host::Vector& pole,
                             const host::Vector& rotation, uint8_t flag) {
    ConnectorCall c{generator, group, type, objectA, objectB, a1, a2, a3, bone, pole, rotation, flag};
    const ChainNeighbours n = chainNeighbours(generator, bone);
    c.child = n.successor.alive() ? n.successor : bone;
    c.start = n.predecessor.alive() ? n.predecessor : bone;
    c.skeleton = true;
    return buildConnector(c).alive();
}

} // namespace flumpet
