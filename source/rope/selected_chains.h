// Joint chains picked in the scene: the top and bottom joint of one chain, or the first joint of
// each chain.
#pragma once

#include "joints/chain_builder.h"

#include <vector>

namespace flumpet {

/// Replaces `chains` with the joint chains of the active document's selection. When the first
/// and the last selected joint are ancestor and descendant, one chain runs from the upper to the
/// lower with every joint between them (other objects on the way are passed over). Otherwise each
/// selected joint starts a chain that runs down along first children.
void collectSelectedChains(host::Host& host, std::vector<JointChain>& chains);

} // namespace flumpet
