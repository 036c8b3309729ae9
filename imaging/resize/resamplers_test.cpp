// Modes 14 to 18: decimate, area average, bilinear, bicubic, nearest sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "resize_test_util.h"

namespace {

template <typename T>
T RefStore(double v, double maxSample)
{
    const double t = std::trunc(v + 1e-7);
    return static_cast<T>(t < 0 ? 0 : (t > maxSample ? maxSample : t));
}

// Bilinear: the enlarging step keeps positions inside; right and lower
// neighbours clamp to the last sample.
template <typename T>
std::vector<T> RefBilinear(const std::vector<T>& src, int sw, int sh, int ch, int dw, int dh, double maxSample)
{
    auto step = [](int s, int d) { return s >= d ? static_cast<double>(s) / d : (s - static_cast<double>(s) / d) / d; };
    const double sx = step(sw, dw), sy = step(sh, dh);
    std::vector<T> out(static_cast<size_t>(dw) * dh * ch);
    for (int y = 0; y < dh; ++y) {
        const double p = y * sy;
        const double f = std::trunc(p);
        const int r0 = std::clamp(static_cast<int>(f), 0, sh - 1);
        const int r1 = std::clamp(static_cast<int>(f) + 1, 0, sh - 1);
        const double fy = p - f;
        for (int x = 0; x < dw; ++x) {
            const double q = x * sx;
            const double g = std::trunc(q);
            const int c0 = std::min(static_cast<int>(g), sw - 1);
            const int c1 = std::min(c0 + 1, sw - 1);
            const double fx = q - g;
            for (int k = 0; k < ch; ++k) {
                auto at = [&](int r, int c) { return static_cast<double>(src[(static_cast<size_t>(r) * sw + c) * ch + k]); };
                const double v = fx * (1 - fy) * at(r0, c1) + (1 - fx) * (1 - fy) * at(r0, c0) + fx * fy * at(r1, c1) +
                                 (1 - fx) * fy * at(r1, c0);
                out[(static_cast<size_t>(y) * dw + x) * ch + k] = RefStore<T>(v, maxSample);
            }
        }
    }
    return out;
}

void RefCubicTaps(double p, int s, int idx[4], double w[4])
{
    const double f = std::trunc(p);
    const double t = p - f;
    for (int k = 0; k < 4; ++k)
        idx[k] = std::clamp(static_cast<int>(f) - 1 + k, 0, s - 1);
    w[0] = -t * (1 - t) * (1 - t);
    w[1] = 1 - 2 * t * t + t * t * t;
    w[2] = t * (1 + t - t * t);
    w[3] = -t * t * (1 - t);
}

template <typename T>
std::vector<T> RefBicubic(const std::vector<T>& src, int sw, int sh, int ch, int dw, int dh, double maxSample)
{
    std::vector<T> out(static_cast<size_t>(dw) * dh * ch);
    for (int y = 0; y < dh; ++y) {
        int ry[4];
        double wy[4];
        RefCubicTaps(y * (static_cast<double>(sh) / dh), sh, ry, wy);
        for (int x = 0; x < dw; ++x) {
            int cx[4];
            double wx[4];
            RefCubicTaps(std::clamp(x * (static_cast<double>(sw) / dw), 0.0, sw - 1.0), sw, cx, wx);
            for (int k = 0; k < ch; ++k) {
                double sum = 0;
                for (int j = 0; j < 4; ++j) {
                    auto at = [&](int i) { return static_cast<double>(src[(static_cast<size_t>(ry[j]) * sw + cx[i]) * ch + k]); };
                    sum += wy[j] * (wx[0] * at(0) + wx[1] * at(1) + wx[2] * at(2) + wx[3] * at(3));
                }
                out[(static_cast<size_t>(y) * dw + x) * ch + k] = RefStore<T>(sum, maxSample);
            }
        }
    }
    return out;
}

struct Case {
    int sw, sh, dw, dh, ch;
};
const Case kCases[] = {
    {13, 7, 29, 17, 3}, {29, 17, 13, 7, 3}, {1, 1, 5, 3, 1}, {2, 2, 7, 5, 3},
    {37, 5, 11, 19, 1}, {2, 9, 9, 2, 1},    {50, 40, 23, 61, 4},
};

class InterpolationReference : public ::testing::TestWithParam<std::tuple<int, int, bool>> {};

TEST_P(InterpolationReference, MatchesFloat64Reference)
{
    const int mode = std::get<0>(GetParam());
    const Case c = kCases[std::get<1>(GetParam())];
    const bool wide = std::get<2>(GetParam());
    const size_t n = static_cast<size_t>(c.sw) * c.sh * c.ch;
    const size_t m = static_cast<size_t>(c.dw) * c.dh * c.ch;
    if (wide) {
        const std::vector<uint16_t> src = rt::Noise16(n, mode + 7 * std::get<1>(GetParam()));
        const std::vector<uint16_t> expected = mode == 16 ? RefBilinear(src, c.sw, c.sh, c.ch, c.dw, c.dh, 65535)
                                                          : RefBicubic(src, c.sw, c.sh, c.ch, c.dw, c.dh, 65535);
        std::vector<uint16_t> dst(m);
        const rt::Result r = rt::Resize16(src, c.sw, c.sh, &dst, c.dw, c.dh, c.ch, mode);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.error, 0);
        EXPECT_EQ(dst, expected);
    } else {
        const std::vector<uint8_t> src = rt::Noise8(n, mode + 7 * std::get<1>(GetParam()));
        const std::vector<uint8_t> expected = mode == 16 ? RefBilinear(src, c.sw, c.sh, c.ch, c.dw, c.dh, 255)
                                                         : RefBicubic(src, c.sw, c.sh, c.ch, c.dw, c.dh, 255);
        std::vector<uint8_t> dst(m);
        const rt::Result r = rt::Resize8(src, c.sw, c.sh, &dst, c.dw, c.dh, c.ch, mode);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.error, 0);
        EXPECT_EQ(dst, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(BilinearAndBicubic, InterpolationReference,
                         ::testing::Combine(::testing::Values(16, 17),
                                            ::testing::Range(0, static_cast<int>(sizeof(kCases) / sizeof(kCases[0]))),
                                            ::testing::Bool()));

TEST(Decimate, AveragesSquareBlocksOfTheSmallerWholeRatio)
{
    // 400 × 300 to 100 × 100: ratios 4 and 3, blocks of 3 × 3 at (4x, 3y).
    const int sw = 400, sh = 300, ch = 3;
    const std::vector<uint8_t> src = rt::Noise8(static_cast<size_t>(sw) * sh * ch, 14);
    std::vector<uint8_t> dst(100 * 100 * ch);
    ASSERT_TRUE(rt::Resize8(src, sw, sh, &dst, 100, 100, ch, 14).ok);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            for (int k = 0; k < ch; ++k) {
                unsigned sum = 0;
                for (int j = 0; j < 3; ++j)
                    for (int i = 0; i < 3; ++i)
                        sum += src[((3 * y + j) * sw + 4 * x + i) * ch + k];
                ASSERT_EQ(dst[(y * 100 + x) * ch + k], sum / 9) << x << "," << y;
            }

    // Mode 15 at whole ratios takes the same path on 8-bit samples.
    std::vector<uint8_t> viaArea(dst.size());
    ASSERT_TRUE(rt::Resize8(src, sw, sh, &viaArea, 100, 100, ch, 15).ok);
    EXPECT_EQ(viaArea, dst);
}

TEST(DecimateArea, SixteenBitAveragesWholeCells)
{
    const int sw = 400, sh = 300, ch = 1;
    const std::vector<uint16_t> src = rt::Noise16(static_cast<size_t>(sw) * sh * ch, 15);
    std::vector<uint16_t> dst(100 * 100);
    ASSERT_TRUE(rt::Resize16(src, sw, sh, &dst, 100, 100, ch, 15).ok);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            uint64_t sum = 0;
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 4; ++i)
                    sum += src[(3 * y + j) * sw + 4 * x + i];
            ASSERT_EQ(dst[y * 100 + x], sum / 12) << x << "," << y;
        }
}

TEST(DecimateArea, ThreeToTwoWeighsPartlyCoveredSamples)
{
    const std::vector<uint8_t> src = {200, 100, 7, 50, 10, 9, 1, 2, 3};
    std::vector<uint8_t> dst(4);
    ASSERT_TRUE(rt::Resize8(src, 3, 3, &dst, 2, 2, 1, 15).ok);
    EXPECT_EQ(dst[0], static_cast<int>((200 + 0.5 * 100 + 0.5 * 50 + 0.25 * 10) / 2.25));
    EXPECT_EQ(dst[3], static_cast<int>((0.25 * 10 + 0.5 * 9 + 0.5 * 2 + 3) / 2.25));
}

TEST(DecimateArea, HugeRowStaysInsideAndEqualsExactAreaAverage)
{
    // The ends of these cells pass 2^17 pixels, where rounding a whole end up
    // would read column sw.
    const int64_t sw = 285334, dw = 68380;
    const std::vector<uint8_t> src = rt::Noise8(sw, 285);
    std::vector<uint8_t> dst(dw);
    ASSERT_TRUE(rt::Resize8(src, static_cast<int>(sw), 1, &dst, static_cast<int>(dw), 1, 1, 15).ok);
    for (int64_t x = 0; x < dw; ++x) {
        // Overlap of source column c with [x·sw/dw, (x+1)·sw/dw], scaled by dw.
        int64_t sum = 0;
        for (int64_t c = x * sw / dw; c * dw < (x + 1) * sw; ++c) {
            const int64_t lo = std::max(c * dw, x * sw), hi = std::min((c + 1) * dw, (x + 1) * sw);
            sum += (hi - lo) * src[c];
        }
        ASSERT_EQ(dst[x], sum / sw) << "column " << x;
    }
}

TEST(Bilinear, EnlargingTwoToFourStepsByThreeEighths)
{
    const std::vector<uint8_t> src = {0, 200};
    std::vector<uint8_t> dst(4);
    ASSERT_TRUE(rt::Resize8(src, 2, 1, &dst, 4, 1, 1, 16).ok);
    // Positions 0, .375, .75, 1.125; the last clamps to the right sample.
    EXPECT_EQ(dst, (std::vector<uint8_t>{0, 75, 150, 200}));
}

TEST(Bicubic, LastSourceColumnKeepsItsWeightNearTheEdge)
{
    std::vector<uint8_t> src(10, 0);
    src[9] = 255;
    std::vector<uint8_t> dst(40);
    ASSERT_TRUE(rt::Resize8(src, 10, 1, &dst, 40, 1, 1, 17).ok);
    EXPECT_EQ(std::vector<uint8_t>(dst.begin() + 32, dst.end()),
              (std::vector<uint8_t>{0, 63, 127, 191, 255, 255, 255, 255}));
}

TEST(NearestSample, ThreeToTwoColumnsTakesColumnsZeroAndOne)
{
    const std::vector<uint8_t> src = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<uint8_t> dst(2 * 3);
    ASSERT_TRUE(rt::Resize8(src, 3, 3, &dst, 2, 3, 1, 18).ok);
    EXPECT_EQ(dst, (std::vector<uint8_t>{1, 2, 4, 5, 7, 8}));
}

TEST(NearestSample, WideRowsComputeColumnsIn64Bits)
{
    // x × sw passes 2^32 here; the index is coded in the three channels.
    const int sw = 100000, dw = 60000, ch = 3;
    std::vector<uint8_t> src(static_cast<size_t>(sw) * ch);
    for (int i = 0; i < sw; ++i) {
        src[i * ch] = static_cast<uint8_t>(i);
        src[i * ch + 1] = static_cast<uint8_t>(i >> 8);
        src[i * ch + 2] = static_cast<uint8_t>(i >> 16);
    }
    std::vector<uint8_t> dst(static_cast<size_t>(dw) * ch);
    ASSERT_TRUE(rt::Resize8(src, sw, 1, &dst, dw, 1, ch, 18).ok);
    for (int64_t x = 0; x < dw; ++x) {
        const int got = dst[x * ch] | dst[x * ch + 1] << 8 | dst[x * ch + 2] << 16;
        ASSERT_EQ(got, x * sw / dw) << "column " << x;
    }
}

}  // namespace
