// The 22-bone skeleton template: slot order, topology, walk order and the slot groups that the
// assignment buttons fill.
#pragma once

#include "host/nodes.h"

#include <array>
#include <cstdint>
#include <span>

namespace flumpet {

inline constexpr int SlotCount = 22;

struct BoneSlot {
    int32_t param;   ///< the generator's link parameter
    int parentSlot;  ///< the slot above in the template, -1 for the root
    bool endOfChain; ///< last bone of its chain
};

/// The template in slot order (the order builders index).
const std::array<BoneSlot, SlotCount>& boneSlots();

/// Slots in the order the commands walk all bones: body, first arm, second arm, first leg,
/// second leg.
const std::array<int, SlotCount>& slotWalkOrder();

/// The linked objects of all slots, resolved in the generator's document; empty where the link
/// is empty or names an object that is not in that document.
struct BoneSlotTable {
    std::array<host::NodeId, SlotCount> bones{};

    host::Object bone(host::Host* host, int slot) const { return {host, bones[static_cast<size_t>(slot)]}; }
    bool complete() const;
    /// True when the object fills a slot.
    bool holds(host::NodeId id) const;
};

BoneSlotTable loadBoneSlots(const host::Object& generator);

/// The slot parameters an assignment button fills, top down; empty for other ids.
std::span<const int32_t> slotGroupOfButton(int32_t buttonId);

/// Fills the button's slot group with the joint chain between the two selected joints
/// (hierarchy order: the upper one is the top). Nothing changes when fewer than two joints are
/// selected or the lower one does not hang below the upper one.
void assignChainFromSelection(int32_t buttonId, const host::Object& generator);

} // namespace flumpet
