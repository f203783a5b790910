// The module's pseudo-random numbers: the C library's generator, seeded from the clock on first
// use unless a seed was given.
#pragma once

namespace flumpet {

/// The largest value nextRandom gives.
inline constexpr int RandomMax = 32767;

/// The next integer of the generator, 0 to RandomMax whatever the C library's own range; seeds
/// it first if nothing has yet.
int nextRandom();

/// A single-precision value in [a, b], b included: nextRandom() / (RandomMax / (b - a)) + a,
/// the division and addition in single precision, whatever the C library's RAND_MAX.
float randomInRange(float a, float b);

/// A hue between 0.1 and 0.9 for a display colour: the next integer / 40958.754 + 0.1, in
/// single precision.
float randomHue();

/// Seeds the generator now, so that the module's numbers repeat from run to run (the command
/// line's --seed); the clock is then not used.
void seedRandom(unsigned seed);

} // namespace flumpet
