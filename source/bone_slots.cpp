#include "bone_slots.h"

#include "host/ids.h"
#include "parameters.h"

#include <algorithm>
#include <vector>

namespace flumpet {

const std::array<BoneSlot, SlotCount>& boneSlots() {
    static const std::array<BoneSlot, SlotCount> slots{{
        {BODY_BONE_1, -1, false},  {BODY_BONE_2, 0, false},   {BODY_BONE_3, 1, false},   {BODY_BONE_4, 2, false},
        {BODY_BONE_5, 3, false},   {BODY_BONE_6, 4, true},    {ARM_A_BONE_1, 3, false},  {ARM_A_BONE_2, 6, false},
        {ARM_A_BONE_3, 7, false},  {ARM_A_BONE_4, 8, true},   {LEG_A_BONE_1, 0, false},  {LEG_A_BONE_2, 10, false},
        {LEG_A_BONE_3, 11, false}, {LEG_A_BONE_4, 12, true},  {ARM_B_BONE_1, 3, false},  {ARM_B_BONE_2, 14, false},
        {ARM_B_BONE_3, 15, false}, {ARM_B_BONE_4, 16, true},  {LEG_B_BONE_1, 0, false},  {LEG_B_BONE_2, 18, false},
        {LEG_B_BONE_3, 19, false}, {LEG_B_BONE_4, 20, true},
    }};
    return slots;
}

const std::array<int, SlotCount>& slotWalkOrder() {
    static const std::array<int, SlotCount> order{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  14,
                                                  15, 16, 17, 10, 11, 12, 13, 18, 19, 20, 21};
    return order;
}

bool BoneSlotTable::complete() const {
    return std::none_of(bones.begin(), bones.end(), [](host::NodeId id) { return id == host::NoNode; });
}

bool BoneSlotTable::holds(host::NodeId id) const {
    return id != host::NoNode && std::find(bones.begin(), bones.end(), id) != bones.end();
}

BoneSlotTable loadBoneSlots(const host::Object& generator) {
    BoneSlotTable table;
    const host::Container data = generator.data();
    const host::Document doc = generator.document();
    for (size_t i = 0; i < SlotCount; ++i) {
        const host::Node linked = doc.resolve(data.getLinkId(boneSlots()[i].param));
        // Only objects fill slots: a tag linked there leaves the slot empty.
        if (linked.alive() && linked.isInstanceOf(host::type::AnyObject)) table.bones[i] = linked.id();
    }
    return table;
}

std::span<const int32_t> slotGroupOfButton(int32_t buttonId) {
    static constexpr int32_t body[] = {BODY_BONE_1, BODY_BONE_2, BODY_BONE_3, BODY_BONE_4, BODY_BONE_5, BODY_BONE_6};
    static constexpr int32_t armA[] = {ARM_A_BONE_1, ARM_A_BONE_2, ARM_A_BONE_3, ARM_A_BONE_4};
    static constexpr int32_t armB[] = {ARM_B_BONE_1, ARM_B_BONE_2, ARM_B_BONE_3, ARM_B_BONE_4};
    static constexpr int32_t legA[] = {LEG_A_BONE_1, LEG_A_BONE_2, LEG_A_BONE_3, LEG_A_BONE_4};
    static constexpr int32_t legB[] = {LEG_B_BONE_1, LEG_B_BONE_2, LEG_B_BONE_3, LEG_B_BONE_4};
    switch (buttonId) {
    case BODY_ASSIGN_SELECTED: return body;
    case ARM_A_ASSIGN_SELECTED: return armA;
    case ARM_B_ASSIGN_SELECTED: return armB;
    case LEG_A_ASSIGN_SELECTED: return legA;
    case LEG_B_ASSIGN_SELECTED: return legB;
    default: return {};
    }
}

void assignChainFromSelection(int32_t buttonId, const host::Object& generator) {
    const std::span<const int32_t> group = slotGroupOfButton(buttonId);
    if (group.empty() || !generator.host()) return;
    const host::Document doc = host::activeDocument(*generator.host());

    std::vector<host::Object> joints;
    for (const host::Object& o : doc.activeObjects(host::selection::Children))
        if (o.isInstanceOf(host::type::Joint)) joints.push_back(o);
    if (joints.size() < 2) return;
    const host::Object& top = joints[0];
    const host::Object& bottom = joints[1];

    // Walk up from the lower joint; objects of other types between joints are passed through.
    std::vector<host::Object> chain{bottom};
    host::Object at = bottom.parent();
    for (; at.alive() && !(at == top); at = at.parent())
        if (at.type() == host::type::Joint) chain.push_back(at);
    if (!at.alive()) return; // the lower joint does not hang below the upper one
    chain.push_back(top);
    std::reverse(chain.begin(), chain.end());

    host::Container data = generator.data();
    for (size_t i = 0; i < group.size() && i < chain.size(); ++i) data.setLink(group[i], chain[i].id());
    generator.setData(data);
}

} // namespace flumpet
