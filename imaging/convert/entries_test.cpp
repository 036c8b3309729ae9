// The interface entries is5_CropImage, is5_RGBToRGBA and is5_8BitToRGB.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"

namespace {

// The last error-log line names the entry that failed.
void ExpectLoggedUnder(const char* name)
{
    const std::vector<ISErrorLogEntry> log = ISTestErrorLog();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(std::string::npos, log.back().message.find(std::string("Error 5 in ") + name + " ("))
        << log.back().message;
}

struct CropCase {
    const char* name;
    RECT rect;
    BOOL ok;
};

void PrintTo(const CropCase& c, std::ostream* os) { *os << c.name; }

class CropImage : public ::testing::TestWithParam<CropCase> {};

// A 5 x 4 image of 3-byte pixels whose bytes count up, stride 16.
constexpr uint32_t kW = 5, kH = 4, kStride = 16;

TEST_P(CropImage, CopiesTheRectangleOrRejectsItUntouched)
{
    const CropCase& c = GetParam();
    std::vector<BYTE> source(kStride * kH);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = BYTE(i);
    const uint32_t targetStride = kW * 3;
    std::vector<BYTE> target(targetStride * kH, 0xEE);
    EXPECT_EQ(c.ok, is5_CropImage(source.data(), kW, kH, kStride, target.data(), targetStride, &c.rect, 3));
    if (!c.ok) {
        EXPECT_EQ(5, ISGetLastError());
        ExpectLoggedUnder("is5_CropImage");
        EXPECT_EQ(std::vector<BYTE>(target.size(), 0xEE), target);
        return;
    }
    EXPECT_EQ(0, ISGetLastError());
    const int w = c.rect.right - c.rect.left, h = c.rect.bottom - c.rect.top;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            ASSERT_EQ(source[(c.rect.top + y) * kStride + c.rect.left * 3 + x], target[y * targetStride + x]);
}

INSTANTIATE_TEST_SUITE_P(Cases, CropImage,
                         ::testing::Values(CropCase{"inside", {1, 1, 3, 3}, TRUE},
                                           CropCase{"touchesRightAndBottom", {2, 1, 5, 4}, TRUE},
                                           CropCase{"whole", {0, 0, 5, 4}, TRUE},
                                           CropCase{"oneColumnTooFar", {2, 1, 6, 4}, FALSE},
                                           CropCase{"oneRowTooFar", {2, 1, 5, 5}, FALSE},
                                           CropCase{"leftNegative", {-1, 0, 2, 2}, FALSE},
                                           CropCase{"topNegative", {0, -1, 2, 2}, FALSE},
                                           CropCase{"rightBeforeLeft", {3, 0, 2, 2}, FALSE},
                                           CropCase{"bottomAboveTop", {0, 3, 2, 2}, FALSE},
                                           CropCase{"leftAtWidth", {5, 0, 5, 2}, FALSE},
                                           CropCase{"hugeRight", {1, 0, 0x7FFFFFFF, 2}, FALSE},
                                           CropCase{"hugeNegative", {-0x7FFFFFFF, 0, 0x7FFFFFFF, 2}, FALSE}),
                         [](const ::testing::TestParamInfo<CropCase>& info) { return info.param.name; });

TEST(CropImage, RejectsShortStridesSameBuffersAndNulls)
{
    std::vector<BYTE> source(kStride * kH), target(kStride * kH);
    const RECT all = {0, 0, 5, 4};
    EXPECT_FALSE(is5_CropImage(source.data(), kW, kH, 14, target.data(), 15, &all, 3));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_FALSE(is5_CropImage(source.data(), kW, kH, kStride, target.data(), 14, &all, 3));
    EXPECT_FALSE(is5_CropImage(source.data(), kW, kH, kStride, source.data(), kStride, &all, 3));
    EXPECT_FALSE(is5_CropImage(source.data(), kW, kH, kStride, target.data(), kStride, nullptr, 3));
    EXPECT_EQ(5, ISGetLastError());
}

TEST(RGBToRGBA, AddsTheGivenAlpha)
{
    const BYTE source[2 * 8] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    BYTE target[2 * 9] = {};
    ASSERT_TRUE(is5_RGBToRGBA(source, 2, 2, 8, target, 9, 0x42));
    EXPECT_EQ(0, ISGetLastError());
    const BYTE expected[18] = {1, 2, 3, 0x42, 4, 5, 6, 0x42, 0, 7, 8, 9, 0x42, 10, 11, 12, 0x42, 0};
    EXPECT_EQ(0, memcmp(expected, target, 18));
    EXPECT_FALSE(is5_RGBToRGBA(nullptr, 2, 2, 8, target, 9, 0));
    EXPECT_EQ(5, ISGetLastError());
    ExpectLoggedUnder("is5_RGBToRGBA");
}

TEST(EightBitToRGB, ExpandsThroughThePaletteAndNeedsOne)
{
    RGBQUAD palette[256] = {};
    palette[3] = {30, 20, 10, 0};
    palette[200] = {1, 2, 3, 0};
    const BYTE indices[2] = {3, 200};
    BYTE rgb[6] = {}, bgr[6] = {};
    ASSERT_TRUE(is5_8BitToRGB(indices, 2, 1, 2, rgb, 6, 0, palette, 0));
    ASSERT_TRUE(is5_8BitToRGB(indices, 2, 1, 2, bgr, 6, 0, palette, 1));
    const BYTE expectRGB[6] = {10, 20, 30, 3, 2, 1}, expectBGR[6] = {30, 20, 10, 1, 2, 3};
    EXPECT_EQ(0, memcmp(expectRGB, rgb, 6));
    EXPECT_EQ(0, memcmp(expectBGR, bgr, 6));
    EXPECT_FALSE(is5_8BitToRGB(indices, 2, 1, 2, rgb, 6, 0, nullptr, 0));
    EXPECT_EQ(5, ISGetLastError());
    ExpectLoggedUnder("is5_8BitToRGB");
}

}  // namespace
