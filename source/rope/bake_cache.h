// The bake and clear-cache buttons: they press the host's own dynamics buttons for the active
// document, as a user would in the dynamics settings, and reset the cache's start settings.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// Presses the dynamics settings' bake button (bake = 1) or its clear-cache button (clear = 1)
/// for the active document, shows "Baked!" or "Cache cleared!", and resets the cache settings
/// to 0, 0 and time 0. False when the document's dynamics data (settings entry 2117) or the
/// dynamics settings hook is missing; nothing is pressed then.
bool bakeOrClearCache(host::Host& host, int32_t bake, int32_t clear);

/// CMD_BAKE and CMD_CLEAR_CACHE: do nothing while the created-objects list is empty, and answer
/// false when the generator holds no such list.
bool bakeButton(const host::Object& generator, bool bake);

} // namespace flumpet
