// The module's pseudo-random numbers: the C library's generator, seeded from the clock on first
// use unless a seed was given.
#pragma once

namespace flumpet {

/// The next integer of the generator (0 to RAND_MAX); seeds it first if nothing has yet.
int nextRandom();

/// A single-precision value in [a, b], b included: rand() / (RAND_MAX / (b - a)) + a, the
/// division and addition in single precision, whatever the C library's RAND_MAX.
float randomInRange(float a, float b);

/// Seeds the generator now, so that the module's numbers repeat from run to run (the command
/// line's --seed); the clock is then not used.
void seedRandom(unsigned seed);

} // namespace flumpet
