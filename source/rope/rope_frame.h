// The frames a rope's pieces are turned by.
#pragma once

#include "host/math.h"

namespace flumpet {

/// The aim frame at `from` with its Y axis toward `to`, rolled by `up`. Where `up` runs along
/// the aim (a vertical rope whose frame is rolled by a Y axis, a piece along Z rolled by Z),
/// the next of the Z, X and Y axes that does not is taken, so the frame never loses its X and
/// Z axes; two equal points keep the unturned axes.
host::Matrix ropeFrame(const host::Vector& from, const host::Vector& to, const host::Vector& up);

} // namespace flumpet
