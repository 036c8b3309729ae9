// Per-channel tables and histograms.
#include <gtest/gtest.h>

#include <vector>

#include "tone.h"

namespace {

TEST(ChannelLUT, NullTableLeavesItsChannelAndStrideGapsStay)
{
    BYTE invert[256], half[256];
    for (int i = 0; i < 256; ++i) {
        invert[i] = BYTE(255 - i);
        half[i] = BYTE(i / 2);
    }
    // Two rows of two 3-byte pixels, stride 8 with two gap bytes.
    std::vector<uint8_t> image = {10, 20, 30, 40, 50, 60, 1, 2, 70, 80, 90, 100, 110, 120, 3, 4};
    const BYTE* tables[3] = {invert, nullptr, half};
    int32_t status = -1;
    ASSERT_TRUE(ISApplyChannelLUT(image.data(), 2, 2, 3, 8, tables, &status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(image, (std::vector<uint8_t>{245, 20, 15, 215, 50, 30, 1, 2, 185, 80, 45, 155, 110, 60, 3, 4}));
}

TEST(ChannelLUT, OneChannelAndAllNullTables)
{
    BYTE invert[256];
    for (int i = 0; i < 256; ++i)
        invert[i] = BYTE(255 - i);
    std::vector<uint8_t> image = {0, 1, 254, 9};
    const BYTE* one[1] = {invert};
    ASSERT_TRUE(ISApplyChannelLUT(image.data(), 3, 1, 1, 4, one, nullptr));
    EXPECT_EQ(image, (std::vector<uint8_t>{255, 254, 1, 9}));
    const BYTE* none[2] = {nullptr, nullptr};
    ASSERT_TRUE(ISApplyChannelLUT(image.data(), 2, 1, 2, 4, none, nullptr));
    EXPECT_EQ(image, (std::vector<uint8_t>{255, 254, 1, 9}));
}

TEST(Histogram, CountsOnlyChannelsWithCounters)
{
    const std::vector<uint8_t> image = {5, 6, 5, 7, 9, 9, 5, 200};  // 2x2 pixels of 2 channels, stride 4
    uint32_t first[256], second[256];
    for (int i = 0; i < 256; ++i)
        first[i] = second[i] = 1234;
    uint32_t* counters[2] = {first, nullptr};
    int32_t status = -1;
    ASSERT_TRUE(ISHistogram(image.data(), 2, 2, 2, 4, counters, &status));
    EXPECT_EQ(first[5], 3u);
    EXPECT_EQ(first[9], 1u);
    EXPECT_EQ(first[6], 0u);
    EXPECT_EQ(second[6], 1234u);
    counters[0] = nullptr;
    counters[1] = second;
    ASSERT_TRUE(ISHistogram(image.data(), 2, 2, 2, 4, counters, &status));
    EXPECT_EQ(second[6], 1u);
    EXPECT_EQ(second[7], 1u);
    EXPECT_EQ(second[9], 1u);
    EXPECT_EQ(second[200], 1u);
    EXPECT_EQ(second[5], 0u);
}

TEST(ChannelLUT, BadArgumentsAreStatus5)
{
    BYTE table[256] = {};
    const BYTE* tables[1] = {table};
    std::vector<uint8_t> image(8, 7);
    int32_t status = 0;
    EXPECT_FALSE(ISApplyChannelLUT(nullptr, 2, 2, 1, 2, tables, &status));
    EXPECT_EQ(status, 5);
    EXPECT_FALSE(ISApplyChannelLUT(image.data(), 2, 2, 1, 1, tables, &status));
    EXPECT_EQ(status, 5);
    EXPECT_FALSE(ISApplyChannelLUT(image.data(), 2, 2, 0, 2, tables, &status));
    EXPECT_EQ(status, 5);
    EXPECT_EQ(image, std::vector<uint8_t>(8, 7));
}

}  // namespace
