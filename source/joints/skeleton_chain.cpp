#include "joints/skeleton_chain.h"

#include "bone_slots.h"
#include "command_context.h"

namespace flumpet {

ChainNeighbours chainNeighbours(const host::Object& generator, const host::Object& bone) {
    host::Host* host = bone.host() ? bone.host() : generator.host();
    const BoneSlotTable& table = commandContext().slots;
    // A bone that is gone is no bone.
    const host::NodeId id = bone.alive() ? bone.id() : host::NoNode;
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (table.bones[static_cast<size_t>(slot)] != id) continue;
        const BoneSlot& entry = boneSlots()[static_cast<size_t>(slot)];
        ChainNeighbours out;
        if (entry.parentSlot >= 0) out.predecessor = table.bone(host, entry.parentSlot);
        if (!entry.endOfChain) {
            out.successor = table.bone(host, slot + 1);
        } else {
            const host::Object child = bone.firstChild();
            out.successor = child.alive() ? child : bone;
        }
        return out;
    }
    return {};
}

namespace {
host::NodeId& overrideId() {
    static host::NodeId id = host::NoNode;
    return id;
}
} // namespace

void setSuccessorOverride(const host::Object& successor) {
    overrideId() = successor.id();
}

host::Object successorOverride(const host::Document& doc) {
    return doc.resolve(overrideId());
}

void clearSuccessorOverride() {
    overrideId() = host::NoNode;
}

} // namespace flumpet
