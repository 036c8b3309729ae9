// Every blend mode against the reference, and the worked examples.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/is5.h"
#include "overlay_reference.h"

namespace {

// The second value each mode is checked with.
double SecondFor(int mode)
{
    if (mode == 13)
        return 1.5;
    if (mode == 9 || mode == 10 || mode == 15 || mode == 16)
        return 128.7;
    return 0.0;
}

class EightBitModes : public ::testing::TestWithParam<std::tuple<int, double>> {};

// All 65,536 (d, o) pairs: d is the row, o the column.
TEST_P(EightBitModes, EveryPairMatchesReferenceAndStaysInRange)
{
    const int mode = std::get<0>(GetParam());
    const double alpha = std::get<1>(GetParam());
    const double second = SecondFor(mode);
    std::vector<uint8_t> dst(256 * 256), ovl(256 * 256);
    for (int d = 0; d < 256; ++d)
        for (int o = 0; o < 256; ++o) {
            dst[d * 256 + o] = uint8_t(d);
            ovl[d * 256 + o] = uint8_t(o);
        }
    ASSERT_TRUE(is5_OverlayImage(dst.data(), 256, 256, 1, 256, ovl.data(), 256, 256, 256, 0, 0, alpha, second, mode, 0));
    int mismatches = 0;
    for (int d = 0; d < 256; ++d)
        for (int o = 0; o < 256; ++o) {
            int64_t want = overlay_ref::Blend(mode, d, o, alpha, second, 255);
            ASSERT_GE(want, 0);
            ASSERT_LE(want, 255);
            if (dst[d * 256 + o] != want && ++mismatches <= 5)
                ADD_FAILURE() << "d " << d << " o " << o << ": got " << int(dst[d * 256 + o]) << ", want " << want;
        }
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(AllModes, EightBitModes,
                         ::testing::Combine(::testing::Range(0, 31), ::testing::Values(1.0, 0.5, 0.3)));

class SixteenBitModes : public ::testing::TestWithParam<std::tuple<int, double>> {};

// Edge values crossed with each other, then random pairs, in one row.
TEST_P(SixteenBitModes, EdgeAndRandomPairsMatchReference)
{
    const int mode = std::get<0>(GetParam());
    const double alpha = std::get<1>(GetParam());
    const double second = mode == 13 ? SecondFor(mode) : SecondFor(mode) * 257.0;
    const uint16_t edges[] = {0, 1, 32767, 32768, 32769, 65534, 65535};
    std::vector<uint16_t> dst, ovl;
    for (uint16_t d : edges)
        for (uint16_t o : edges) {
            dst.push_back(d);
            ovl.push_back(o);
        }
    std::mt19937 gen(1234);
    for (int i = 0; i < 1000; ++i) {
        dst.push_back(uint16_t(gen() & 0xFFFF));
        ovl.push_back(uint16_t(gen() & 0xFFFF));
    }
    const int n = int(dst.size());
    std::vector<uint16_t> out = dst;
    ASSERT_TRUE(is5_OverlayImage(out.data(), n, 1, 1, n, ovl.data(), n, 1, n, 0, 0, alpha, second, mode, 1));
    for (int i = 0; i < n; ++i) {
        int64_t want = overlay_ref::Blend(mode, dst[i], ovl[i], alpha, second, 65535);
        ASSERT_GE(want, 0);
        ASSERT_LE(want, 65535);
        ASSERT_EQ(out[i], want) << "d " << dst[i] << " o " << ovl[i];
    }
}

INSTANTIATE_TEST_SUITE_P(AllModes, SixteenBitModes,
                         ::testing::Combine(::testing::Range(0, 31), ::testing::Values(1.0, 0.5, 0.3)));

struct Example {
    const char* name;
    int mode;
    int d;
    int o;
    double opacity;
    double second;
    bool sixteen;
    int want;
};

const Example kExamples[] = {
    {"Mode1HalfTruncatesOnce", 1, 101, 201, 0.5, 0, false, 151},
    {"Mode0HalfTruncatesEachTable", 0, 101, 201, 0.5, 0, false, 150},
    {"Opacity0Mode0Untouched", 0, 101, 201, 0.0, 0, false, 101},
    {"Opacity0Mode1Untouched", 1, 101, 201, 0.0, 0, false, 101},
    {"NegativeOpacityMode1Untouched", 1, 101, 201, -3.0, 0, false, 101},
    {"Opacity2ActsAs1Copy", 0, 101, 201, 2.0, 0, false, 201},
    {"Opacity2ActsAs1Multiply", 12, 101, 201, 2.0, 0, false, 79},
    {"Mode15BelowZeroClamps", 15, 10, 10, 1.0, 128, false, 0},
    {"Mode16AboveMaxClamps", 16, 250, 0, 1.0, 128, false, 255},
    {"Mode9KeepsAtTruncatedThreshold", 9, 7, 128, 1.0, 128.7, false, 7},
    {"Mode9ReplacesAboveThreshold", 9, 7, 129, 1.0, 128.7, false, 129},
    {"Mode9NaNThresholdIsZero", 9, 7, 1, 1.0, NAN, false, 1},
    {"Mode15HugeSecondClamps", 15, 200, 200, 1.0, 1e300, false, 0},
    {"Mode16HugeNegativeSecondClamps", 16, 200, 0, 1.0, -1e300, false, 0},
    {"Mode13NaNSecondGivesZero", 13, 200, 200, 1.0, NAN, false, 0},
    {"Mode13InfiniteSecondGivesMax", 13, 200, 200, 1.0, INFINITY, false, 255},
    {"SixteenBitMultiplyAtMax", 12, 65535, 65535, 1.0, 0, true, 65535},
};

class OverlayExamples : public ::testing::TestWithParam<Example> {};

TEST_P(OverlayExamples, GivesExpectedSample)
{
    const Example& e = GetParam();
    if (e.sixteen) {
        uint16_t d = uint16_t(e.d), o = uint16_t(e.o);
        ASSERT_TRUE(is5_OverlayImage(&d, 1, 1, 1, 1, &o, 1, 1, 1, 0, 0, e.opacity, e.second, e.mode, 1));
        EXPECT_EQ(d, e.want);
    } else {
        uint8_t d = uint8_t(e.d), o = uint8_t(e.o);
        ASSERT_TRUE(is5_OverlayImage(&d, 1, 1, 1, 1, &o, 1, 1, 1, 0, 0, e.opacity, e.second, e.mode, 0));
        EXPECT_EQ(d, e.want);
    }
    EXPECT_EQ(ISGetLastError(), 0);
}

INSTANTIATE_TEST_SUITE_P(Part, OverlayExamples, ::testing::ValuesIn(kExamples),
                         [](const ::testing::TestParamInfo<Example>& info) { return std::string(info.param.name); });

}  // namespace
