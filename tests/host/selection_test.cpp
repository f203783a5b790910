#include "host/selection.h"

#include <gtest/gtest.h>

namespace flumpet::test {
namespace {

using host::Selection;

TEST(Selection, CountsAndOrdersAcrossWords) {
    Selection s;
    for (int32_t i : {130, 0, 63, 64, 130})
        s.select(i);
    EXPECT_EQ(s.count(), 4);
    EXPECT_EQ(s.indices(), (std::vector<int32_t>{0, 63, 64, 130}));
    EXPECT_EQ(s.extent(), 131);
    EXPECT_TRUE(s.isSelected(64));
    EXPECT_FALSE(s.isSelected(65));
    EXPECT_FALSE(s.isSelected(-1));
    EXPECT_FALSE(s.select(-3));
    s.deselect(130);
    s.deselect(500); // never selected
    EXPECT_EQ(s.extent(), 65);
    EXPECT_TRUE(s.toggle(1));
    EXPECT_EQ(s.count(), 4);
    s.toggle(1);
    EXPECT_EQ(s.count(), 3);
}

TEST(Selection, SelectAllKeepsWhatLiesBeyond) {
    Selection s;
    s.select(200);
    s.selectAll(70);
    EXPECT_EQ(s.count(), 71);
    EXPECT_TRUE(s.isSelected(69));
    EXPECT_FALSE(s.isSelected(70));
    EXPECT_TRUE(s.isSelected(200));
}

TEST(Selection, EqualityIgnoresEmptyCapacity) {
    Selection a, b;
    a.select(3);
    b.select(3);
    b.select(300);
    EXPECT_NE(a, b);
    b.deselect(300);
    EXPECT_EQ(a, b);
    b.clear();
    EXPECT_EQ(b, Selection{});
}

} // namespace
} // namespace flumpet::test
