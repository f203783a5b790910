// Where a bone ends and what comes before it, and the slot bones the cuts are placed by.
#pragma once

#include "bone_slots.h"
#include "host/nodes.h"

namespace flumpet {

/// The generator's slot bones, resolved once per build.
class SlotBones {
  public:
    SlotBones(const host::Object& generator);
    /// The object linked in a slot parameter; empty when none.
    host::Object at(int32_t slotParam) const;
    bool is(int32_t slotParam, const host::Object& bone) const;
    /// World position of a slot bone (the origin for an empty slot).
    host::Vector position(int32_t slotParam) const { return at(slotParam).globalPosition(); }

  private:
    host::Host* host_ = nullptr;
    BoneSlotTable table_;
};

/// The object a bone runs to: its successor in the bone-slot chain; for a bone outside the
/// slots the successor override; otherwise its first child; otherwise the bone itself.
host::Object boneEndObject(const host::Object& generator, const host::Object& bone);

/// The object before a bone: its predecessor in the bone-slot chain, else its parent, else the
/// bone itself.
host::Object bonePreviousObject(const host::Object& generator, const host::Object& bone);

} // namespace flumpet
