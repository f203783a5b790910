// The bookkeeping every joint builder does for a new object once it is in the document.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// Adds the object or tag to the created-objects list of the command context (and to its
/// extra-objects list when asked).
void listNew(const host::Node& node, bool alsoExtra);

/// listNew, then records the object for undo as new in the active document.
void listAndRecordNew(const host::Object& object, bool alsoExtra);

/// Inserts a new object as last child of parent; when that fails (the parent is gone) frees
/// it, so nothing the builder made is left outside a document.
bool insertLastOrFree(const host::Object& object, const host::Object& parent);

} // namespace flumpet
