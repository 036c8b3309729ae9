// Large GlobalAlloc blocks (picture-sized, where the stand-in asks for huge
// pages) must still come zero-filled and writable to their last byte, also
// when a block of the same size was just dirtied and freed.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/platform/winshim.h"

namespace {

bool AllZero(const unsigned char* p, size_t n)
{
    for (size_t i = 0; i < n; i += 4093)
        if (p[i] != 0)
            return false;
    return n == 0 || p[n - 1] == 0;
}

class LargeGlobalBlock : public ::testing::TestWithParam<size_t> {};

TEST_P(LargeGlobalBlock, IsZeroFilledAfterADirtyBlockOfTheSameSizeWasFreed)
{
    const size_t bytes = GetParam();
    for (int round = 0; round < 2; ++round) {
        HGLOBAL h = GlobalAlloc(GPTR, bytes);
        ASSERT_NE(h, nullptr);
        unsigned char* p = static_cast<unsigned char*>(h);
        ASSERT_TRUE(AllZero(p, bytes)) << "round " << round;
        EXPECT_GE(GlobalSize(h), bytes);
        std::memset(p, 0xA5, bytes);
        GlobalFree(h);
    }
}

TEST_P(LargeGlobalBlock, GrowingKeepsTheContentsAndZeroFillsTheRest)
{
    const size_t bytes = GetParam();
    HGLOBAL h = GlobalAlloc(GPTR, bytes);
    ASSERT_NE(h, nullptr);
    std::memset(h, 0x5A, bytes);
    HGLOBAL grown = GlobalReAlloc(h, bytes * 2 + 3, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_NE(grown, nullptr);
    const unsigned char* p = static_cast<const unsigned char*>(grown);
    EXPECT_EQ(p[0], 0x5A);
    EXPECT_EQ(p[bytes - 1], 0x5A);
    EXPECT_TRUE(AllZero(p + bytes, bytes + 3));
    EXPECT_GE(GlobalSize(grown), bytes * 2 + 3);
    GlobalFree(grown);
}

// Below, at and above the huge-page threshold, odd sizes that end inside a
// huge page, and a 24 MP R,G,B picture.
INSTANTIATE_TEST_SUITE_P(Sizes, LargeGlobalBlock,
                         ::testing::Values(size_t(4 << 20) - 17, size_t(4 << 20), size_t(9 << 20) + 4097,
                                           size_t(6528) * 3672 * 3));

}  // namespace
