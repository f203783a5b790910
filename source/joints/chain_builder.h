// The builder that rigs joint chains the user selected: every joint of a chain a body, and
// between neighbours a connector or springs of the generator's connector mode.
#pragma once

#include "host/nodes.h"

#include <cstdint>
#include <vector>

namespace flumpet {

/// Joints from a selected joint downward, in chain order.
using JointChain = std::vector<host::Object>;

/// Rigs each chain under a new group generator name + "_AdvConnectors": the inner joints get a
/// connector or springs of the connector mode (CONNECTOR_MODE, read for every joint), every
/// joint but the last a body (in the connector modes with a protection tag). The whole build is
/// one undo group in the generator's document. Needs the created-objects and extra-objects
/// lists; `commandId` is the command that runs it. Leaves the successor override at the last
/// joint's successor.
void buildChainConnectors(std::vector<JointChain> chains, const host::Object& generator, int32_t commandId);

} // namespace flumpet
