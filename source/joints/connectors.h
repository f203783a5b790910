// Connectors: host dynamics joints between two bodies, placed at a joint of the character and
// turned so that their axes follow the bone. Angles are single-precision radians; positions are
// global (world space) unless a comment says otherwise.
#pragma once

#include "host/nodes.h"

#include <cstdint>

namespace flumpet {

/// A connector of `type` (host::connectortype) between objectA and objectB for `bone`, aimed at
/// `child` (which may be the bone itself), its roll fixed by the global pole point. It sits 1 %
/// of the bone's length beyond the joint (a slider between A and B at their midpoint, with
/// linear limits). Inserted as last child of `group` (a null at the generator's origin), listed
/// in the created-objects and extra-objects lists and recorded for undo. Empty when it could not
/// be made.
host::Object createConnector(const host::Object& generator, int32_t type, const host::Object& objectA,
                             const host::Object& objectB, float a1, float a2, float a3,
                             const host::Object& bone, const host::Object& child, const host::Vector& pole,
                             const host::Vector& rotation, uint8_t flag, const host::Object& group);

/// The skeleton builder's connector: as createConnector, but the bone's neighbours come from the
/// bone-slot chain, the hand bones sit 4 % of the forearm toward it, and it is listed in the
/// created-objects list only. Needs the bone-slot table loaded. False when it could not be made.
bool createSkeletonConnector(const host::Object& generator, const host::Object& group, int32_t type,
                             const host::Object& objectA, const host::Object& objectB, float a1, float a2,
                             float a3, const host::Object& bone, const host::Vector& pole,
                             const host::Vector& rotation, uint8_t flag);

} // namespace flumpet
