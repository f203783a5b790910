#include "random.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace flumpet {

namespace {
bool& needsSeed() {
    static bool flag = true;
    return flag;
}
} // namespace

int nextRandom() {
    if (needsSeed()) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        needsSeed() = false;
    }
    return std::rand();
}

float randomInRange(float a, float b) {
    // Scaled by the C library's own maximum: many libraries answer up to 2^31 - 1, not 32767.
    // Where RAND_MAX is 32767 this is the classic formula, bit for bit.
    const float r = static_cast<float>(nextRandom());
    const float value = r / (static_cast<float>(RAND_MAX) / (b - a)) + a;
    // Single-precision rounding of a huge RAND_MAX may step a hair past an end.
    return std::clamp(value, std::min(a, b), std::max(a, b));
}

void seedRandom(unsigned seed) {
    std::srand(seed);
    needsSeed() = false;
}

} // namespace flumpet
