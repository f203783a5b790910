#include "random.h"

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
    const float r = static_cast<float>(nextRandom());
    return r / (32767.0f / (b - a)) + a;
}

float randomHue() { return static_cast<float>(nextRandom()) / 40958.754F + 0.1F; }

void seedRandom(unsigned seed) {
    std::srand(seed);
    needsSeed() = false;
}

} // namespace flumpet
