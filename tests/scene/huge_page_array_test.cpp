#include "scene/geometry/huge_page_array.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace flumpet::test {
namespace {

using scene::HugePageArray;

struct alignas(32) Record {
    double values[4];
};

TEST(HugePageArray, LargeArraysStartOnAHugePageAndKeepTheirValuesThroughMoves) {
    for (const size_t size : {size_t{3}, size_t{200'000}}) { // 96 bytes, 6.4 MB
        SCOPED_TRACE(size);
        HugePageArray<Record> records(size);
        ASSERT_EQ(records.size(), size);
        const auto address = reinterpret_cast<uintptr_t>(&records[0]);
        EXPECT_EQ(address % alignof(Record), 0u);
        if (size * sizeof(Record) >= (size_t{2} << 20)) {
            EXPECT_EQ(address % (size_t{2} << 20), 0u);
        }
        for (size_t i = 0; i < size; ++i)
            records[i] = {{double(i), 1, 2, 3}};

        HugePageArray<Record> moved(std::move(records));
        EXPECT_EQ(records.size(), 0u); // NOLINT(bugprone-use-after-move): a moved-from array is empty
        HugePageArray<Record> assigned(1);
        assigned = std::move(moved);
        ASSERT_EQ(assigned.size(), size);
        EXPECT_EQ(&assigned[0], reinterpret_cast<Record*>(address));
        EXPECT_EQ(assigned[size - 1].values[0], double(size - 1));
    }
}

} // namespace
} // namespace flumpet::test
