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
    // Every user of these numbers expects 0 to 32767; C libraries whose generator reaches
    // further give their low 15 bits.
    return std::rand() & RandomMax;
}

float randomInRange(float a, float b) {
    // nextRandom is 0 to RandomMax whatever the C library's range, so this is the classic
    // formula, bit for bit, on every platform.
    const float r = static_cast<float>(nextRandom());
    const float value = r / (static_cast<float>(RandomMax) / (b - a)) + a;
    // Single-precision rounding of a huge RAND_MAX may step a hair past an end.
    return std::clamp(value, std::min(a, b), std::max(a, b));
}

float randomHue() { return static_cast<float>(nextRandom()) / 40958.754F + 0.1F; }

void seedRandom(unsigned seed) {
    std::srand(seed);
    needsSeed() = false;
}

} // namespace flumpet
