// Which slot bone follows and which precedes a bone, and the module-wide successor override that
// the chain builder sets for bones outside the slots.
#pragma once

#include "host/nodes.h"

namespace flumpet {

struct ChainNeighbours {
    host::Object successor;
    host::Object predecessor;
};

/// The bone's neighbours in the bone-slot chain of the command context: the first slot (S0 ..
/// S21) holding the bone decides. The last bone of a chain is followed by its first child, or by
/// itself when it has none. Both empty when no slot holds the bone; an empty bone matches the
/// first empty slot. The generator plays no part in the answer.
ChainNeighbours chainNeighbours(const host::Object& generator, const host::Object& bone);

/// Names the successor of the chain element being built. Kept as a weak link: it never keeps
/// the object alive and answers nothing once the object is gone.
void setSuccessorOverride(const host::Object& successor);
/// The successor override resolved in a document; empty when none is set or it is gone.
host::Object successorOverride(const host::Document& doc);
/// Forgets the successor override (none, as when the module loads).
void clearSuccessorOverride();

} // namespace flumpet
