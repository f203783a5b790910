// Bytes the benchmark process holds on the heap, counted by replacing the global operator new
// and delete, so a benchmark can report what a record or a load really keeps.
#pragma once

#include <cstddef>

namespace flumpet::bench {

/// Bytes held now through operator new.
size_t heldBytes();
/// Starts a new peak at what is held now.
void resetPeak();
/// The most held since the last resetPeak.
size_t peakBytes();

} // namespace flumpet::bench
