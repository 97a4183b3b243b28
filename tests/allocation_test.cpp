// The library's allocator and its test-only failure hook, which the "unchanged on
// failure" tests of every family rely on.
#include <gtest/gtest.h>

#include <cstdlib>

#include "toolbox_internal.h"

namespace {

TEST(Allocation, HookFailsExactlyTheChosenAllocations) {
    tb::failAllocations(1, 2);
    void *first = tb::allocate(8);
    EXPECT_NE(first, nullptr) << "the first one passes";
    EXPECT_EQ(tb::allocate(8), nullptr);
    EXPECT_EQ(tb::reallocate(first, 16), nullptr) << "a failed reallocation keeps the block";
    void *after = tb::allocateZeroed(4, 4);
    ASSERT_NE(after, nullptr) << "the hook disarms itself";
    for (int i = 0; i < 16; ++i) EXPECT_EQ(static_cast<unsigned char *>(after)[i], 0);
    std::free(after);
    std::free(first);
}

TEST(Allocation, ZeroSizesStillGiveABlock) {
    tb::failAllocations(0, 0);
    void *block = tb::allocate(0);
    EXPECT_NE(block, nullptr);
    block = tb::reallocate(block, 0);
    EXPECT_NE(block, nullptr);
    std::free(block);
}

}  // namespace
