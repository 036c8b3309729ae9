// Saturation through the luminance-weighted matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"

namespace {

std::vector<uint8_t> Noise(size_t n, uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = uint8_t(gen() >> 24);
    return v;
}

uint8_t Clamped(double v) { return uint8_t(v <= 0 ? 0 : (v >= 255 ? 255 : v)); }

class NoChange : public ::testing::TestWithParam<double> {};

TEST_P(NoChange, SaturationZeroAndOneLeaveTheImage)
{
    std::vector<uint8_t> image = Noise(4 * 5 * 7, 1);
    std::vector<uint8_t> before = image;
    ASSERT_TRUE(is5_ModifyImageSaturation(image.data(), 5, 7, 4, 20, GetParam()));
    EXPECT_EQ(image, before);
}

INSTANTIATE_TEST_SUITE_P(Values, NoChange, ::testing::Values(0.0, 1.0));

TEST(Saturation, JustBelowZeroTurnsGrey)
{
    std::vector<uint8_t> image = Noise(3 * 16 * 16, 2);
    ASSERT_TRUE(is5_ModifyImageSaturation(image.data(), 16, 16, 3, 48, -0.0001));
    for (size_t i = 0; i < image.size(); i += 3) {
        EXPECT_LE(std::abs(image[i] - image[i + 1]), 1) << "pixel " << i / 3;
        EXPECT_LE(std::abs(image[i + 1] - image[i + 2]), 1) << "pixel " << i / 3;
    }
}

// s = 4 against the matrix written out, with a fourth byte that must stay.
TEST(Saturation, StrongFactorFollowsTheMatrixClampedAndTruncated)
{
    const double s = 4.0;
    const double a = 0.3086 * (1 - s), b = 0.6094 * (1 - s), c = 0.082 * (1 - s);
    std::vector<uint8_t> image = Noise(4 * 9 * 6, 3);
    std::vector<uint8_t> want = image;
    for (size_t i = 0; i < want.size(); i += 4) {
        double r = want[i], g = want[i + 1], bl = want[i + 2];
        want[i] = Clamped((a + s) * r + b * g + c * bl);
        want[i + 1] = Clamped(a * r + (b + s) * g + c * bl);
        want[i + 2] = Clamped(a * r + b * g + (c + s) * bl);
    }
    ASSERT_TRUE(is5_ModifyImageSaturation(image.data(), 9, 6, 4, 36, s));
    EXPECT_EQ(image, want);
}

struct BadSaturation {
    const char* name;
    int channels;
    double amount;
};

const BadSaturation kBadSaturation[] = {
    {"TwoChannels", 2, 1.5},        {"FiveChannels", 5, 1.5},         {"OneChannel", 1, 1.5},
    {"NaN", 3, NAN},                {"Infinite", 3, INFINITY},        {"NegativeInfinite", 3, -INFINITY},
    {"TwoChannelsZero", 2, 0.0},
};

class SaturationArguments : public ::testing::TestWithParam<BadSaturation> {};

TEST_P(SaturationArguments, BadValueIsStatus5AndImageUnchanged)
{
    const BadSaturation& c = GetParam();
    std::vector<uint8_t> image = Noise(60, 4);
    std::vector<uint8_t> before = image;
    EXPECT_FALSE(is5_ModifyImageSaturation(image.data(), 2, 2, c.channels, 2 * c.channels, c.amount));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ(image, before);
}

INSTANTIATE_TEST_SUITE_P(Cases, SaturationArguments, ::testing::ValuesIn(kBadSaturation),
                         [](const ::testing::TestParamInfo<BadSaturation>& info) { return std::string(info.param.name); });

TEST(SaturationArguments, NullShortStrideAndNegativeSizesAre5)
{
    std::vector<uint8_t> image = Noise(60, 5);
    std::vector<uint8_t> before = image;
    EXPECT_FALSE(is5_ModifyImageSaturation(nullptr, 2, 2, 3, 6, 1.5));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_FALSE(is5_ModifyImageSaturation(image.data(), 2, 2, 3, 5, 1.5));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_FALSE(is5_ModifyImageSaturation(image.data(), -2, 2, 3, 6, 1.5));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ(image, before);
}

}  // namespace
