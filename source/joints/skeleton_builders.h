// The builders that join the whole 22-bone skeleton: a connector or a spring for each of the
// 21 bone pairs, under a group null below the generator.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// Makes the group generator name + "_Connectors" and a connector for every bone pair in it,
/// then tunes the document's dynamics settings and asks for a refresh. Needs the bone-slot table
/// loaded with all 22 slots and the created-objects list; does nothing without a generator in a
/// document.
void buildSkeletonConnectors(const host::Object& generator);

/// Makes the group generator name + "_Springs (frame: N)" and a spring for every bone pair in
/// it, then tunes the document's dynamics settings. Same needs as buildSkeletonConnectors.
void buildSkeletonSprings(const host::Object& generator);

/// Writes the rig's dynamics settings into the document's dynamics scene hook; false when the
/// document has no such hook.
bool applyDynamicsSettings(const host::Document& doc);

} // namespace flumpet
