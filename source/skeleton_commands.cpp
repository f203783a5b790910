#include "skeleton_commands.h"

#include "colliders/body_setup.h"
#include "colliders/create_collider.h"
#include "command_context.h"
#include "follow_strengths.h"
#include "host/ids.h"
#include "joints/rig_bodies.h"
#include "joints/skeleton_builders.h"
#include "parameters.h"

namespace flumpet {

namespace {

/// What both commands do first: the slots, the weight tags, the undo group and the lists.
/// False when the command must stop; the undo group is then closed again (or never opened).
bool beginSkeletonCommand(const host::Object& generator) {
    host::Host& host = *generator.host();
    CommandContext& ctx = commandContext();
    ctx.slots = loadBoneSlots(generator);
    if (!ctx.slots.complete()) {
        host.consoleLine("Flumpet: Not all bones are assigned!");
        return false;
    }
    collectWeightTags(host::activeDocument(host).firstObject());
    const host::Document doc = generator.document();
    doc.startUndo();
    ctx.refreshLists(generator);
    if (!ctx.created.present()) {
        doc.endUndo();
        return false;
    }
    return true;
}

void finishSkeletonCommand(const host::Object& generator, const char* status) {
    generator.document().endUndo();
    generator.host()->eventAdd(host::refresh::None);
    generator.host()->statusText(status);
}

/// The override list's bodies take the override strengths. Recorded, so that undo gives a body
/// that existed before the command its old values back.
void pushOverrideStrengths(const host::Object& generator) {
    const host::Container data = generator.data();
    const double position = data.getFloat(SETTINGS_SELECTED_BONES_FOLLOW_POSITION);
    const double rotation = data.getFloat(SETTINGS_SELECTED_BONES_FOLLOW_ROTATION);
    const ListRef& overrides = commandContext().overrides;
    const host::Document active = host::activeDocument(*generator.host());
    for (int32_t i = 0; i < overrides.count(); ++i) {
        const host::Tag tag = bodyTagOf(overrides.at(i, active));
        if (!tag.alive()) continue;
        tag.document().addUndo(host::undo::ChangeSmall, tag);
        setFollow(tag, position, rotation);
    }
}

} // namespace

bool createCommand(const host::Object& generator) {
    if (!generator.host() || !beginSkeletonCommand(generator)) return false;
    buildSkeletonConnectors(generator);
    host::Host* host = generator.host();
    const BoneSlotTable& slots = commandContext().slots;
    const host::NodeId root = slots.bones[0];
    int done = 0;
    for (int slot : slotWalkOrder()) {
        const host::Object bone = slots.bone(host, slot);
        // Cutting a collider from a large mesh takes a while: show which bone is being worked on.
        host->statusProgress(done++ * 100 / SlotCount, bone.name());
        createCollider(generator, {}, bone, CMD_CREATE);
        // The root bone is left without a protection tag.
        if (bone.id() != root) addProtectionTag(bone, 1, false);
        const host::Tag body(host, host->allocTag(host::tagtype::DynamicsBody));
        setupBoneBody(generator, body, 1000.0F, 10.0F, 0.7F, 0.7F, bone);
    }
    host->statusProgress(-1, {});
    pushOverrideStrengths(generator);
    finishSkeletonCommand(generator, "Flumpet Created!");
    return true;
}

bool createSpringsCommand(const host::Object& generator) {
    if (!generator.host() || !beginSkeletonCommand(generator)) return false;
    buildSkeletonSprings(generator);
    finishSkeletonCommand(generator, "Springs Created!");
    return true;
}

} // namespace flumpet
