// A colour through a coverage mask: sub-modes, coverage ends, placement.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "overlay.h"

namespace {

constexpr uint32_t kColour = 0x40302010;  // c0 16, c1 32, c2 48, c3 64

struct MaskCase {
    const char* name;
    uint32_t flags;
    uint8_t coverage;
    uint8_t pixel[4];
    uint8_t want[4];
};

// Hand-computed with P[a][b] = trunc(b * a / 255): at coverage 128 a sample s
// goes to P[127][s] + P[128][c], so 10 -> 4 + 8, 100 -> 49 + 16,
// 200 -> 99 + 24 and 77 -> 38 + 32. Sub-mode 5 at coverage 128 over w = 77:
// B = 127 * 77 / 255 + 128 = 166, F = 128 * 255 / 166 = 196, s -> (59 s + 196 c) / 255.
const MaskCase kMaskCases[] = {
    {"SubMode0KeepsFourth", 0x0, 128, {10, 100, 200, 77}, {12, 65, 123, 77}},
    {"SubMode1BlendsFourth", 0x2, 128, {10, 100, 200, 77}, {12, 65, 123, 70}},
    {"SubMode2SetsFourthToC3", 0x4, 128, {10, 100, 200, 77}, {12, 65, 123, 64}},
    {"SubMode3SetsFourthToCoverage", 0x8, 128, {10, 100, 200, 77}, {12, 65, 123, 128}},
    {"SubMode4WritesColourAndCoverage", 0x10, 128, {10, 100, 200, 77}, {16, 32, 48, 128}},
    {"SubMode5WeightsByFourth", 0x20, 128, {10, 100, 200, 77}, {14, 47, 83, 77}},
    {"SubMode5SkipsZeroFourth", 0x20, 128, {10, 100, 200, 0}, {10, 100, 200, 0}},
    {"HighestSubModeWins", 0x2 | 0x10, 128, {10, 100, 200, 77}, {16, 32, 48, 128}},
    {"Coverage0SubMode0", 0x0, 0, {10, 100, 200, 77}, {10, 100, 200, 77}},
    {"Coverage0SubMode1", 0x2, 0, {10, 100, 200, 77}, {10, 100, 200, 77}},
    {"Coverage0SubMode2", 0x4, 0, {10, 100, 200, 77}, {10, 100, 200, 77}},
    {"Coverage0SubMode3", 0x8, 0, {10, 100, 200, 77}, {10, 100, 200, 77}},
    {"Coverage0SubMode4StillWrites", 0x10, 0, {10, 100, 200, 77}, {16, 32, 48, 0}},
    {"Coverage0SubMode5", 0x20, 0, {10, 100, 200, 77}, {10, 100, 200, 77}},
    {"Coverage255SubMode0", 0x0, 255, {10, 100, 200, 77}, {16, 32, 48, 77}},
    {"Coverage255SubMode1", 0x2, 255, {10, 100, 200, 77}, {16, 32, 48, 64}},
    {"Coverage255SubMode5", 0x20, 255, {10, 100, 200, 77}, {16, 32, 48, 77}},
    {"Bit0SwapsFirstAndThird", 0x1 | 0x10, 128, {10, 100, 200, 77}, {48, 32, 16, 128}},
    {"Bit0SwapsAtFullCoverage", 0x1, 255, {10, 100, 200, 77}, {48, 32, 16, 77}},
};

class MaskBlend : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskBlend, FourChannelPixelFollowsSubMode)
{
    const MaskCase& c = GetParam();
    std::vector<uint8_t> image(c.pixel, c.pixel + 4);
    uint8_t mask = c.coverage;
    int32_t status = -1;
    ASSERT_TRUE(ISBlendMask8(image.data(), 1, 1, 4, 4, &mask, 1, 1, 1, kColour, 0, 0, c.flags, &status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(image, std::vector<uint8_t>(c.want, c.want + 4));
}

INSTANTIATE_TEST_SUITE_P(Cases, MaskBlend, ::testing::ValuesIn(kMaskCases),
                         [](const ::testing::TestParamInfo<MaskCase>& info) { return std::string(info.param.name); });

// A 3x2 mask at (-1, 1) over a 3x3 three-channel image: only the two covered
// pixels of the last two rows change, each by its own mask value.
TEST(MaskBlendPlacement, ClipsTheMaskAndPairsMaskPixels)
{
    std::vector<uint8_t> image(27, 100);
    const uint8_t mask[] = {255, 0, 255, 7, 255, 0};
    int32_t status = -1;
    ASSERT_TRUE(ISBlendMask8(image.data(), 3, 3, 3, 9, mask, 3, 2, 3, kColour, -1, 1, 0, &status));
    std::vector<uint8_t> want(27, 100);
    // row 1: image col 0 <- mask col 1 (0), col 1 <- mask col 2 (255)
    want[9 + 3] = 16, want[9 + 4] = 32, want[9 + 5] = 48;
    // row 2: image col 0 <- mask col 1 (255), col 1 <- mask col 2 (0)
    want[18] = 16, want[19] = 32, want[20] = 48;
    EXPECT_EQ(image, want);
}

TEST(MaskBlendArguments, BadArgumentsAreStatus5AndOtherChannelCountsChangeNothing)
{
    std::vector<uint8_t> image(16, 9);
    uint8_t mask[4] = {255, 255, 255, 255};
    int32_t status = 0;
    EXPECT_FALSE(ISBlendMask8(nullptr, 2, 2, 3, 6, mask, 2, 2, 2, kColour, 0, 0, 0, &status));
    EXPECT_EQ(status, 5);
    EXPECT_FALSE(ISBlendMask8(image.data(), 2, 2, 3, 6, nullptr, 2, 2, 2, kColour, 0, 0, 0, &status));
    EXPECT_EQ(status, 5);
    EXPECT_FALSE(ISBlendMask8(image.data(), -2, 2, 3, 6, mask, 2, 2, 2, kColour, 0, 0, 0, &status));
    EXPECT_EQ(status, 5);
    EXPECT_FALSE(ISBlendMask8(image.data(), 2, 2, 3, 5, mask, 2, 2, 2, kColour, 0, 0, 0, &status));
    EXPECT_EQ(status, 5);
    EXPECT_FALSE(ISBlendMask8(image.data(), 2, 2, 3, 6, mask, 2, 2, 1, kColour, 0, 0, 0, &status));
    EXPECT_EQ(status, 5);
    EXPECT_FALSE(ISBlendMask8(image.data(), 2, 2, 0, 6, mask, 2, 2, 2, kColour, 0, 0, 0, &status));
    EXPECT_EQ(status, 5);
    EXPECT_TRUE(ISBlendMask8(image.data(), 2, 2, 2, 4, mask, 2, 2, 2, kColour, 0, 0, 0, &status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(image, std::vector<uint8_t>(16, 9));
}

}  // namespace
