// The working state of one command: references to the generator's lists, the bone slot table
// and the collected weight tags. Module-wide, rebuilt by each command, owning nothing: every
// reference is an id resolved on use, so a node deleted since is never touched.
#pragma once

#include "bone_slots.h"
#include "list_ref.h"

#include <vector>

namespace flumpet {

struct CommandContext {
    ListRef created;   ///< created-objects list
    ListRef extra;     ///< extra-objects list
    ListRef overrides; ///< override list
    BoneSlotTable slots;
    /// Weight tags found by the last weight-tag walk, in the order found.
    std::vector<host::NodeId> weightTags;

    /// Re-reads the three lists from the generator (absent where it holds none).
    void refreshLists(const host::Object& generator);
};

/// The module's one command context.
CommandContext& commandContext();

/// Empties the collected weight tags, then walks from start (the object, its children depth
/// first, then the next sibling and so on) and collects the first weight tag of each object.
void collectWeightTags(const host::Object& start);

/// Deletes the rig objects and tags the list names (one undo group on the active document),
/// then shows "Flumpet: Deleted!". Listed entries of other types (the character's own joints,
/// for instance) stay; the list keeps its entries. Nothing happens without a list.
void deleteListed(const host::Object& generator, const ListRef& list);

} // namespace flumpet
