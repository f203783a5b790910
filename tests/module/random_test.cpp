#include "random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace flumpet::test {
namespace {

TEST(Random, IntegersAndRangesStayInTheirBounds) {
    seedRandom(1);
    int highest = 0;
    for (int i = 0; i < 5000; ++i) {
        const int r = nextRandom();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, RandomMax);
        highest = std::max(highest, r);
        const float v = randomInRange(0.1F, 0.9F);
        ASSERT_GE(v, 0.1F);
        ASSERT_LE(v, 0.9F);
    }
    // The whole range is used, not a corner of it.
    EXPECT_GT(highest, 30000);
}

// The C library here answers up to 2^31 - 1; every value must still lie in the range asked.
TEST(RandomInRange, StaysInTheRangeWhateverTheLibrarysMaximum) {
    seedRandom(7);
    const struct {
        float a, b;
    } ranges[] = {{0.1f, 0.9f}, {0.0f, 1.0f}, {-3.0f, -2.5f}, {5.0f, 5.0f}, {2.0f, -2.0f}};
    for (const auto& r : ranges) {
        float low = 1e30f, high = -1e30f;
        for (int i = 0; i < 2000; ++i) {
            const float v = randomInRange(r.a, r.b);
            ASSERT_GE(v, std::min(r.a, r.b)) << r.a << ".." << r.b;
            ASSERT_LE(v, std::max(r.a, r.b)) << r.a << ".." << r.b;
            low = std::min(low, v);
            high = std::max(high, v);
        }
        // Spread over the range, not stuck at one end.
        EXPECT_LE(high - low, std::abs(r.b - r.a));
        EXPECT_GE(high - low, 0.9f * std::abs(r.b - r.a));
    }
}

TEST(RandomInRange, ASeedRepeatsTheNumbers) {
    seedRandom(11);
    const float first = randomInRange(0.1f, 0.9f);
    seedRandom(11);
    EXPECT_EQ(randomInRange(0.1f, 0.9f), first); // a seed repeats the numbers
}

} // namespace
} // namespace flumpet::test
