// Packed 1-bit placement against a bit-by-bit reference.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "overlay.h"

namespace {

int GetBit(const std::vector<uint8_t>& v, int stride, int row, int col)
{
    return (v[size_t(row) * stride + col / 8] >> (7 - col % 8)) & 1;
}

void PutBit(std::vector<uint8_t>& v, int stride, int row, int col, int bit)
{
    uint8_t m = uint8_t(0x80 >> (col % 8));
    uint8_t& b = v[size_t(row) * stride + col / 8];
    b = bit ? uint8_t(b | m) : uint8_t(b & ~m);
}

std::vector<uint8_t> Noise(size_t n, uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = uint8_t(gen() >> 24);
    return v;
}

struct BitCase {
    const char* name;
    int dstW, dstH, srcW, srcH;
    int x, y;
    uint32_t flags;
};

const BitCase kBitCases[] = {
    {"ReplaceAt3MergesBothEnds", 40, 5, 21, 4, 3, 1, 0},
    {"ReplaceAt8CopiesWholeBytes", 40, 5, 21, 4, 8, 0, 0},
    {"ReplaceAt8ExactBytes", 40, 5, 24, 4, 8, 0, 0},
    {"ReplaceAtMinus8", 40, 5, 30, 4, -8, 0, 0},
    {"ReplaceAtMinus5", 40, 5, 30, 4, -5, -1, 0},
    {"ReplaceNarrowInsideOneByte", 40, 3, 3, 2, 10, 1, 0},
    {"ReplaceToRightEdge", 37, 4, 20, 4, 30, 0, 0},
    {"OrAt3", 40, 5, 21, 4, 3, 1, 0x3},
    {"AndAt3", 40, 5, 21, 4, 3, 1, 0x1},
    {"OrAligned", 40, 5, 21, 4, 8, 1, 0x3},
    {"BottomUpSourceAt11", 40, 6, 13, 5, 11, 1, 0x8},
    {"BottomUpSourceClipped", 40, 6, 13, 5, 11, -2, 0x8},
    {"WhollyOutside", 40, 5, 21, 4, 40, 0, 0},
};

class OneBitPlacement : public ::testing::TestWithParam<BitCase> {};

TEST_P(OneBitPlacement, MatchesBitByBitReferenceAndKeepsOtherBits)
{
    const BitCase& c = GetParam();
    const int dstStride = (c.dstW + 7) / 8 + 1, srcStride = (c.srcW + 7) / 8 + 2;
    std::vector<uint8_t> dst = Noise(size_t(dstStride) * c.dstH, 21);
    std::vector<uint8_t> src = Noise(size_t(srcStride) * c.srcH, 22);
    std::vector<uint8_t> want = dst;
    for (int row = 0; row < c.dstH; ++row)
        for (int col = 0; col < c.dstW; ++col) {
            int sc = col - c.x, sr = row - c.y;
            if (sc < 0 || sc >= c.srcW || sr < 0 || sr >= c.srcH)
                continue;
            if (c.flags & 0x8)
                sr = c.srcH - 1 - sr;
            int s = GetBit(src, srcStride, sr, sc), d = GetBit(want, dstStride, row, col);
            int bit = !(c.flags & 1) ? s : ((c.flags & 2) ? (s | d) : (s & d));
            PutBit(want, dstStride, row, col, bit);
        }
    CISImgOverlayT op;
    ASSERT_TRUE(op.Overlay1Bit(dst.data(), c.dstW, c.dstH, dstStride, src.data(), c.srcW, c.srcH, srcStride, c.x,
                               c.y, c.flags));
    EXPECT_EQ(op.status, 0);
    EXPECT_EQ(dst, want);
}

INSTANTIATE_TEST_SUITE_P(Cases, OneBitPlacement, ::testing::ValuesIn(kBitCases),
                         [](const ::testing::TestParamInfo<BitCase>& info) { return std::string(info.param.name); });

TEST(OneBitPlacement, BadArgumentsAreStatus5)
{
    std::vector<uint8_t> dst(16), src(16);
    CISImgOverlayT op;
    EXPECT_FALSE(op.Overlay1Bit(nullptr, 8, 2, 1, src.data(), 8, 2, 1, 0, 0, 0));
    EXPECT_EQ(op.status, 5);
    EXPECT_FALSE(op.Overlay1Bit(dst.data(), 8, 2, 1, dst.data(), 8, 2, 1, 0, 0, 0));
    EXPECT_EQ(op.status, 5);
    EXPECT_FALSE(op.Overlay1Bit(dst.data(), -8, 2, 1, src.data(), 8, 2, 1, 0, 0, 0));
    EXPECT_EQ(op.status, 5);
    EXPECT_FALSE(op.Overlay1Bit(dst.data(), 8, 2, 1, src.data(), 9, 2, 1, 0, 0, 0));
    EXPECT_EQ(op.status, 5);
    EXPECT_EQ(dst, std::vector<uint8_t>(16));
}

}  // namespace
