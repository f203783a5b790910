// The group nulls the rig builders put their objects under, and the frame number that names a
// group of springs.
#pragma once

#include "host/nodes.h"

#include <cstdint>
#include <string>

namespace flumpet {

/// A null named generator name + suffix, inserted as last child of the generator at identity
/// (so placements in generator space hold under it), listed in the created-objects list (and
/// the extra-objects list when asked) and recorded for undo in the generator's document. Empty
/// when it could not be made.
host::Object makeGroupNull(const host::Object& generator, const std::string& suffix, bool alsoExtra);

/// The document's current frame: floor(frame rate x time numerator) / floor(time denominator),
/// truncated. 0 when the time or frame rate cannot be read, the denominator is below 1 or the
/// frame is out of range.
int64_t currentFrame(const host::Document& doc);

/// Renames a group as the springs of the document's current frame,
/// generator name + "_Springs (frame: N)", and colours it with the hue (saturation 0.81,
/// value 0.86).
void markAsSpringGroup(const host::Object& group, const host::Object& generator, const host::Document& doc,
                       float hue);

/// Records a group for undo as deleted, takes it out of its document and frees it.
void deleteGroup(const host::Object& group);

} // namespace flumpet
