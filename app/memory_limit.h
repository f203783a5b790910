// A cap on the memory the tool may take, so that a hostile model file that claims billions of
// elements ends in a clear error instead of exhausting the machine.
#pragma once

#include <cstdint>

namespace flumpet::app {

/// Default cap: three quarters of the machine's memory.
uint64_t defaultMemoryLimit();

/// Caps the process's address space at `bytes`. Does nothing (and answers false) in builds
/// with address checking, whose shadow memory needs the whole address space.
bool limitMemory(uint64_t bytes);

} // namespace flumpet::app
