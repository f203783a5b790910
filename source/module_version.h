#pragma once

#include <cstdint>

namespace flumpet {

/// The module's version number, shown to the user as decimal text.
inline constexpr int32_t ModuleVersion = 1010;

} // namespace flumpet
