// RGB to grey on the pool, on one band and before the pool starts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "imaging/convert/convert.h"
#include "imaging/is5.h"

namespace {

struct GreyCase {
    const char* name;
    uint32_t step;
    uint32_t flags;  // bit 0: B,G,R
    bool startPool;
};

void PrintTo(const GreyCase& c, std::ostream* os) { *os << c.name; }

constexpr uint32_t kWidth = 640, kHeight = 480;

// Converts a random image and compares every pixel with the weighted sum; true when all agree.
bool GreyMatches(const GreyCase& c, int32_t* status)
{
    std::mt19937 random(11);
    const size_t stride = size_t(kWidth) * c.step + 5;
    std::vector<BYTE> image(stride * kHeight);
    for (BYTE& b : image)
        b = static_cast<BYTE>(random());
    const size_t targetStride = kWidth + 3;
    std::vector<BYTE> grey(targetStride * kHeight, 0xEE);
    CISImgUtil op;
    op.ISRGBToGrey(image.data(), kWidth, kHeight, c.step, stride, targetStride, c.flags, grey.data());
    *status = op.m_status;
    const bool bgr = c.flags & 1;
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            const BYTE* p = &image[y * stride + x * c.step];
            const int r = bgr ? p[2] : p[0], g = p[1], b = bgr ? p[0] : p[2];
            if (grey[y * targetStride + x] != ((306 * r + 601 * g + 117 * b) >> 10))
                return false;
        }
        if (grey[y * targetStride + kWidth] != 0xEE)
            return false;  // stride padding untouched
    }
    return true;
}

class Grey : public ::testing::TestWithParam<GreyCase> {};

TEST_P(Grey, EqualsTheWeightedSumEverywhere)
{
    const GreyCase& c = GetParam();
    if (c.startPool) {
        is5_Initialize("");
        int32_t status = -1;
        EXPECT_TRUE(GreyMatches(c, &status));
        EXPECT_EQ(0, status);
        return;
    }
    // Before is5_Initialize: in a fresh process, whatever ran before here.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int32_t status = -1;
            const bool ok = !ISShouldSplit(0) && GreyMatches(c, &status) && status == 0;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, Grey,
                         ::testing::Values(GreyCase{"pooledRGB", 3, 0, true}, GreyCase{"pooledBGR", 3, 1, true},
                                           GreyCase{"pooledRGBA", 4, 0, true},
                                           GreyCase{"oneBandRGB", 3, 0x100000, true},
                                           GreyCase{"oneBandBGRA", 4, 0x100001, true},
                                           GreyCase{"beforeInitializeRGB", 3, 0, false},
                                           GreyCase{"beforeInitializeBGR", 3, 1, false}),
                         [](const ::testing::TestParamInfo<GreyCase>& info) { return info.param.name; });

TEST(Grey, BadStepOrBufferIsStatus5)
{
    BYTE in[8] = {}, out[2] = {};
    for (uint32_t step : {0u, 2u, 5u}) {
        CISImgUtil op;
        EXPECT_FALSE(op.ISRGBToGrey(in, 2, 1, step, 8, 2, 0, out));
        EXPECT_EQ(5, op.m_status);
    }
    CISImgUtil op;
    EXPECT_FALSE(op.ISRGBToGrey(in, 2, 1, 3, 8, 2, 0, nullptr));
    EXPECT_EQ(5, op.m_status);
}

}  // namespace
