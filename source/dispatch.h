// The generator's message handler: which command runs for a button, a set parameter, a list
// edit, a document event; and the dirty check that turns an edited spline child into a rope
// update.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// Answers a host message sent to the generator.
bool dispatchMessage(const host::Object& generator, int32_t type, void* data);

/// Called before the host re-evaluates the generator.
void checkGeneratorDirty(const host::Object& generator);

} // namespace flumpet
