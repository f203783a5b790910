// What the selection builders give each object they join: a protection tag and a dynamics
// body, each listed and recorded for undo.
#pragma once

#include "host/nodes.h"

#include <cstdint>

namespace flumpet {

/// Parameters of the protection tag; their meaning is the host's.
namespace protectionparam {
inline constexpr int32_t LockMode = 1000;
inline constexpr int32_t LockChildren = 1002;
} // namespace protectionparam

/// A protection tag on the object with the given lock mode, listed in the created-objects list
/// (and the extra-objects list when asked) and recorded for undo.
void addProtectionTag(const host::Object& object, int32_t lockMode, bool alsoExtra);

/// A new body tag on a chain or rope member, set up for chain members (both lists) and recorded
/// for undo; empty when it could not be put on the object.
host::Tag addChainBody(const host::Object& generator, const host::Object& object);

/// Makes a chain member or selected object a body: with `collider`, a collider cut or fitted for
/// command `commandId` and a protection tag first; then a body tag set up for chain members,
/// recorded for undo.
void giveChainBody(const host::Object& generator, const host::Object& object, int32_t commandId,
                   bool collider);

} // namespace flumpet
