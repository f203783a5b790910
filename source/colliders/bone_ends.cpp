#include "colliders/bone_ends.h"

#include "command_context.h"
#include "joints/skeleton_chain.h"

namespace flumpet {

SlotBones::SlotBones(const host::Object& generator) : host_(generator.host()), table_(loadBoneSlots(generator)) {}

host::Object SlotBones::at(int32_t slotParam) const {
    const auto& slots = boneSlots();
    for (size_t i = 0; i < slots.size(); ++i)
        if (slots[i].param == slotParam) return table_.bone(host_, static_cast<int>(i));
    return {};
}

bool SlotBones::is(int32_t slotParam, const host::Object& bone) const {
    const host::Object linked = at(slotParam);
    return bone.alive() && linked.alive() && linked == bone;
}

host::Object boneEndObject(const host::Object& generator, const host::Object& bone) {
    host::Object end = chainNeighbours(generator, bone).successor;
    if (!end.alive() && !commandContext().slots.holds(bone.id())) end = successorOverride(bone.document());
    if (!end.alive()) end = bone.firstChild();
    return end.alive() ? end : bone;
}

host::Object bonePreviousObject(const host::Object& generator, const host::Object& bone) {
    host::Object previous = chainNeighbours(generator, bone).predecessor;
    if (!previous.alive()) previous = bone.parent();
    return previous.alive() ? previous : bone;
}

} // namespace flumpet
