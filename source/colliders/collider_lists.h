// The generator's lists as the collider builders use them.
#pragma once

#include "list_ref.h"

namespace flumpet {

/// The list in a generator parameter, an empty one put there first when it holds none (that
/// change recorded for undo, inside an open group).
ListRef ensureList(const host::Object& generator, int32_t paramId);

/// True for the command modes whose objects also go to the extra-objects list.
bool listsAsExtra(int32_t mode);

/// Enters a new collider object in the created-objects list, and for modes 1102 and 1111 also
/// in the extra-objects list.
void listCollider(const host::Node& node, int32_t mode);

} // namespace flumpet
