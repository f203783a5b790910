// Bytes the process holds on the heap, counted by replacing malloc and its kin, so that each
// library's peak during a cut can be read in one process.
#pragma once

#include <cstddef>

namespace flumpet::compare {

/// Bytes held now.
size_t heldBytes();
/// Starts a new peak at what is held now.
void resetPeak();
/// The most held since the last resetPeak.
size_t peakBytes();

} // namespace flumpet::compare
