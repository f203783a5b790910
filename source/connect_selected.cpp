#include "connect_selected.h"

#include "command_context.h"
#include "follow_strengths.h"
#include "host/ids.h"
#include "joints/connectors.h"
#include "joints/joint_frames.h"
#include "joints/rig_bodies.h"
#include "joints/rig_groups.h"
#include "joints/skeleton_pairs.h"
#include "joints/springs.h"
#include "parameters.h"
#include "random.h"

#include <vector>

namespace flumpet {

namespace {

/// What a connector mode builds between a member and the target.
struct ConnectorSetup {
    int32_t type;
    float a1, a2, a3;
    uint8_t flag;
    bool hingePole; ///< roll from the hinge pole around the member, else from its own pole point
};

ConnectorSetup connectorOfMode(int32_t mode) {
    const float a20 = singleRadians(20), a60 = singleRadians(60), a120 = singleRadians(120);
    switch (mode) {
    case 1:
    case 6:
        return {host::connectortype::Ragdoll, a20, a60, a120, 0, false};
    case 2:
        return {host::connectortype::Planar, a20, a60, a120, 0, false};
    case 3:
        return {host::connectortype::Slider, a20, a60, a120, 0, false};
    default:
        return {host::connectortype::Hinge, singleRadians(80), 0.0F, singleRadians(155), 1, true};
    }
}

/// The selected objects in selection order: joints only, unless in rope mode.
std::vector<host::Object> selectedObjects(const host::Document& doc, int32_t mode) {
    std::vector<host::Object> out;
    for (const host::Object& o :
         doc.activeObjects(host::selection::Children | host::selection::SelectionOrder))
        if (mode == RopeMode || o.type() == host::type::Joint) out.push_back(o);
    return out;
}

} // namespace

host::Object nextBoneOf(const host::Object& object) {
    const host::Object child = object.firstChild();
    if (!child.alive()) return object;
    if (child.type() == host::type::Joint) return child;
    const host::Object sibling = child.next();
    return sibling.alive() ? sibling : object;
}

bool connectSelected(const host::Object& generator) {
    if (!generator.host()) return false;
    host::Host& host = *generator.host();
    const host::Document active = host::activeDocument(host);
    const int32_t mode = generator.data().getInt(CONNECTOR_MODE, 0);
    const std::vector<host::Object> selected = selectedObjects(active, mode);
    if (selected.size() < 2) return true;

    const host::Document doc = generator.document();
    doc.startUndo();
    ListRef::ensureRecorded(generator, ADDITIONAL_InEx_CREATED_OBJECTS);
    ListRef::ensureRecorded(generator, SETTINGS_CREATED_OBJECTS);
    CommandContext& ctx = commandContext();
    ctx.refreshLists(generator);
    // Colliders read the weight tags; collected afresh so that none of another document is used.
    collectWeightTags(active.firstObject());

    const host::Object target = selected.back();
    const host::Object group = makeGroupNull(generator, "_AdvCon_to_" + target.name(), true);
    // Objects that are bodies already keep their tag; the ones made here get exactly one.
    const auto giveBodyIfNone = [&](const host::Object& object) {
        if (!bodyTagOf(object).alive())
            giveChainBody(generator, object, CMD_CONNECT_SELECTED, mode != 4 && mode != 5 && mode != RopeMode);
    };
    for (size_t i = 0; i + 1 < selected.size(); ++i) {
        const host::Object& member = selected[i];
        const host::Object next = nextBoneOf(member);
        if (mode == 4) {
            markAsSpringGroup(group, generator, active, randomInRange(0.1F, 0.9F));
            createBendTwistSpring(generator, host::springkind::Bend, target, member, member, next, group);
        } else if (mode == 5) {
            createBendTwistSpring(generator, host::springkind::Twist, target, member, member, next, member);
            deleteGroup(group);
        } else {
            const ConnectorSetup c = connectorOfMode(mode);
            const host::Vector pole =
                c.hingePole ? hingePolePoint(member, target, next) : polePoint(generator, member, next);
            createConnector(generator, c.type, target, member, c.a1, c.a2, c.a3, member, next, pole, {},
                            c.flag, group);
        }
        giveBodyIfNone(member);
    }
    giveBodyIfNone(target);
    doc.endUndo();
    return true;
}

} // namespace flumpet
