#include "random.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace flumpet::test
