// Dynamics body tags for the bones of the main skeleton and for the members of chains and ropes.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// Configures a new body tag for a skeleton bone (density a, rotation mass b, c and d as given;
/// follow strengths from the generator, the override ones for bones in the override list),
/// inserts it on the bone, lists it and records it for undo.
void setupBoneBody(const host::Object& generator, const host::Tag& tag, float a, float b, float c, float d,
                   const host::Object& bone);

/// The same for a chain or rope member, with density, rotation mass and follow strengths from
/// the generator's additional settings; a and b are not used. Lists the tag in both lists; the
/// caller records it for undo.
void setupChainBody(const host::Object& generator, const host::Tag& tag, float a, float b, float c, float d,
                    const host::Object& member);

} // namespace flumpet
