// Brightness and contrast: the tone tables and the three ways of applying them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "tone.h"

namespace {

// The table as the image sees it: one grey ramp 0..255 through the table mode.
std::vector<uint8_t> TableOf(double brightness, double contrast, uint32_t flags)
{
    std::vector<uint8_t> ramp(256);
    for (int i = 0; i < 256; ++i)
        ramp[i] = uint8_t(i);
    EXPECT_TRUE(is5_AdjustBrightnessContrast(ramp.data(), 256, 1, 1, 256, brightness, contrast, flags));
    return ramp;
}

class IdentityCurve : public ::testing::TestWithParam<uint32_t> {};

TEST_P(IdentityCurve, ZeroBrightnessAndContrastChangeNothing)
{
    std::vector<uint8_t> t = TableOf(0.0, 0.0, GetParam());
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(t[i], i) << "entry " << i;
}

// 0x2: 3 points, 0: 5 points, 0x4: 7 points, 0x6: 3 points (0x2 wins).
INSTANTIATE_TEST_SUITE_P(PointCounts, IdentityCurve, ::testing::Values(0x2u, 0x0u, 0x4u, 0x6u));

struct Flat {
    double brightness;
    uint32_t flags;
    int value;
};

class FlatCurve : public ::testing::TestWithParam<Flat> {};

TEST_P(FlatCurve, FullBrightnessMapsEverythingToOneEnd)
{
    std::vector<uint8_t> t = TableOf(GetParam().brightness, 0.0, GetParam().flags);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(t[i], GetParam().value) << "entry " << i;
}

INSTANTIATE_TEST_SUITE_P(Ends, FlatCurve,
                         ::testing::Values(Flat{1.0, 0x2, 255}, Flat{1.0, 0x4, 255}, Flat{5.0, 0, 255},
                                           Flat{-1.0, 0x2, 0}, Flat{-2.0, 0x2, 0}, Flat{-1.0, 0, 0}));

TEST(ContrastCurve, SteepContrastWithThreePoints)
{
    std::vector<uint8_t> t = TableOf(0.0, 0.99, 0x2);
    for (int i = 0; i <= 125; ++i)
        ASSERT_EQ(t[i], 0) << "entry " << i;
    EXPECT_EQ(t[126], 56);
    EXPECT_EQ(t[127], 112);
    EXPECT_EQ(t[128], 128);
    EXPECT_EQ(t[129], 228);
    for (int i = 130; i <= 255; ++i)
        ASSERT_EQ(t[i], 255) << "entry " << i;
    // Contrast beyond 0.99 acts as 0.99.
    EXPECT_EQ(TableOf(0.0, 3.0, 0x2), t);
}

TEST(ContrastCurve, NegativeContrastWithThreePoints)
{
    std::vector<uint8_t> t = TableOf(0.0, -0.5, 0x2);
    EXPECT_EQ(t[0], 63);
    EXPECT_EQ(t[128], 128);
    EXPECT_EQ(t[255], 191);
    for (int i = 1; i < 256; ++i)
        ASSERT_GE(t[i], t[i - 1]);
}

// Later segments overwrite earlier ones and the last always reaches 255.
TEST(CurveToTable, SegmentsRunFromTheirStartEntry)
{
    const ISCurvePoint points[] = {{10.5, 0.0}, {12.9, 100.0}, {200.2, 300.0}};
    double table[256];
    for (double& v : table)
        v = -1.0;
    ISCurveToTable(points, 3, table, 256, 0.0, 255.0);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(table[i], -1.0);
    // Segment 0 writes 10, 11, 12 (trunc(2.4) = 2 further entries).
    EXPECT_DOUBLE_EQ(table[10], 0.0);
    EXPECT_DOUBLE_EQ(table[11], 100.0 / 2.4);
    // Segment 1 starts at 12 and overwrites it.
    EXPECT_DOUBLE_EQ(table[12], 100.0);
    EXPECT_DOUBLE_EQ(table[13], 100.0 + 200.0 / (200.2 - 12.9));
    EXPECT_DOUBLE_EQ(table[255], 255.0);
}

struct PixelCase {
    const char* name;
    uint32_t flags;
    uint8_t in[4];
    uint8_t want[4];
};

// Brightness 0.1 with 3 points: table[i] = i + 25 up to 229, then 255.
// Grey offset: the mean m of the first three bytes moves each by table[m] - m.
// Lightness: hue and saturation kept, lightness L -> table[trunc(255 L)] / 255.
const PixelCase kPixelCases[] = {
    {"GreyOffsetShiftsByMeanOffset", 0x102, {10, 20, 60, 99}, {35, 45, 85, 99}},
    {"GreyOffsetClampsEachByte", 0x102, {250, 240, 200, 7}, {255, 255, 225, 7}},
    {"GreyOffsetWinsOverLightness", 0x302, {0, 0, 3, 1}, {25, 25, 28, 1}},
    {"LightnessOfGrey", 0x202, {100, 100, 100, 9}, {125, 125, 125, 9}},
    {"LightnessOfOrange", 0x202, {187, 49, 18, 77}, {231, 60, 22, 77}},
    {"LightnessOfBlue", 0x202, {13, 67, 158, 5}, {16, 86, 203, 5}},
    {"TableModeChangesAlpha", 0x2, {10, 20, 60, 99}, {35, 45, 85, 124}},
    {"TableModeKeepsAlphaWithFlag1", 0x3, {10, 20, 60, 99}, {35, 45, 85, 99}},
};

class AdjustPixels : public ::testing::TestWithParam<PixelCase> {};

TEST_P(AdjustPixels, FourChannelPixelGetsHandComputedValue)
{
    const PixelCase& c = GetParam();
    std::vector<uint8_t> image(c.in, c.in + 4);
    ASSERT_TRUE(is5_AdjustBrightnessContrast(image.data(), 1, 1, 4, 4, 0.1, 0.0, c.flags));
    EXPECT_EQ(image, std::vector<uint8_t>(c.want, c.want + 4));
}

INSTANTIATE_TEST_SUITE_P(Cases, AdjustPixels, ::testing::ValuesIn(kPixelCases),
                         [](const ::testing::TestParamInfo<PixelCase>& info) { return std::string(info.param.name); });

// With fewer than 3 channels the colour modes fall back to the table.
TEST(AdjustPixels, ColourModesNeedThreeChannels)
{
    uint8_t two[2] = {10, 20};
    ASSERT_TRUE(is5_AdjustBrightnessContrast(two, 1, 1, 2, 2, 0.1, 0.0, 0x102));
    EXPECT_EQ(two[0], 35);
    EXPECT_EQ(two[1], 45);
}

struct BadAdjust {
    const char* name;
    int width, height, channels, stride;
    double brightness, contrast;
};

const BadAdjust kBadAdjust[] = {
    {"NaNBrightness", 2, 2, 3, 6, NAN, 0.0},
    {"InfiniteBrightness", 2, 2, 3, 6, INFINITY, 0.0},
    {"NaNContrast", 2, 2, 3, 6, 0.1, NAN},
    {"NegativeInfiniteContrast", 2, 2, 3, 6, 0.1, -INFINITY},
    {"NoChannels", 2, 2, 0, 6, 0.1, 0.0},
    {"FiveChannels", 2, 2, 5, 10, 0.1, 0.0},
    {"NegativeWidth", -2, 2, 3, 6, 0.1, 0.0},
    {"NegativeHeight", 2, -2, 3, 6, 0.1, 0.0},
    {"ShortStride", 2, 2, 3, 5, 0.1, 0.0},
};

class AdjustArguments : public ::testing::TestWithParam<BadAdjust> {};

TEST_P(AdjustArguments, BadValueIsStatus5AndImageUnchanged)
{
    const BadAdjust& c = GetParam();
    std::vector<uint8_t> image(64, 77);
    EXPECT_FALSE(
        is5_AdjustBrightnessContrast(image.data(), c.width, c.height, c.channels, c.stride, c.brightness, c.contrast, 2));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ(image, std::vector<uint8_t>(64, 77));
}

INSTANTIATE_TEST_SUITE_P(Cases, AdjustArguments, ::testing::ValuesIn(kBadAdjust),
                         [](const ::testing::TestParamInfo<BadAdjust>& info) { return std::string(info.param.name); });

TEST(AdjustArguments, NullPixelsIs5AndEmptyImageSucceeds)
{
    EXPECT_FALSE(is5_AdjustBrightnessContrast(nullptr, 2, 2, 3, 6, 0.1, 0.0, 2));
    EXPECT_EQ(ISGetLastError(), 5);
    uint8_t pixel = 3;
    EXPECT_TRUE(is5_AdjustBrightnessContrast(&pixel, 0, 5, 3, 0, 0.1, 0.0, 2));
    EXPECT_TRUE(is5_AdjustBrightnessContrast(&pixel, 1, 0, 3, 3, 0.1, 0.0, 2));
    EXPECT_EQ(pixel, 3);
}

BOOL Refuse(int32_t, int32_t, void*) { return FALSE; }

class AdjustCancel : public ::testing::TestWithParam<uint32_t> {
protected:
    void TearDown() override { ISSetCallback(nullptr, nullptr); }
};

// The table and grey-offset modes report rows; the first FALSE stops them
// after one row.
TEST_P(AdjustCancel, ProgressCallbackReturningFalseGives14)
{
    std::vector<uint8_t> image(3 * 4 * 3, 10);
    ISSetCallback(Refuse, nullptr);
    EXPECT_FALSE(is5_AdjustBrightnessContrast(image.data(), 4, 3, 3, 12, 0.1, 0.0, GetParam()));
    EXPECT_EQ(ISGetLastError(), 14);
    EXPECT_EQ(image[0], 35);
    EXPECT_EQ(image[12], 10);
}

INSTANTIATE_TEST_SUITE_P(Modes, AdjustCancel, ::testing::Values(0x2u, 0x102u));

}  // namespace
