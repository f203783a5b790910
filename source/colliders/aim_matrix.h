// A frame at one point whose Y axis aims at another.
#pragma once

#include "host/math.h"

namespace flumpet {

/// Origin `from`; Y the unit vector toward `to`; X the unit vector of Y × up; Z the unit vector
/// of X × Y. Degenerate input gives zero axes, never a failure.
host::Matrix aimMatrix(const host::Vector& from, const host::Vector& to, const host::Vector& up);

} // namespace flumpet
