// The shrunk text coverage against the library's own steps: the mask unpacked
// to 0 or `on` per pixel and decimated (resize mode 14), over a table of
// sizes, factors, levels and ink patterns.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "imaging/convert/convert.h"
#include "imaging/resize/resize.h"
#include "imaging/text/text_coverage.h"

namespace {

struct ShrinkCase {
    const char* name;
    int32_t columns, rows;  // blocks
    int32_t k;
    BYTE on;
    int ink;  // percent of bits set; -1: one bit at the last pixel
    int32_t inkLeft = 0, inkTop = 0, inkRight = 1 << 30, inkBottom = 1 << 30;  // pixels that may be set
};

void PrintTo(const ShrinkCase& c, std::ostream* os)
{
    *os << c.name;
}

class TextCoverage : public ::testing::TestWithParam<ShrinkCase> {};

TEST_P(TextCoverage, EqualsUnpackingAndDecimatingInsideTheInkAndZeroOutside)
{
    const ShrinkCase& c = GetParam();
    const int32_t width = c.columns * c.k, height = c.rows * c.k;
    const size_t stride = (size_t(width) + 7) / 8 + 3;  // padding bytes as a DIB row has
    std::vector<BYTE> bits(stride * size_t(height));
    std::mt19937 random(uint32_t(width * 31 + height));
    for (BYTE& b : bits)
        b = static_cast<BYTE>(random());  // padding bits too: they must not count
    int32_t first = width, last = -1, top = -1, bottom = -1;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            BYTE& byte = bits[size_t(y) * stride + size_t(x) / 8];
            const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
            const bool inside = x >= c.inkLeft && x < c.inkRight && y >= c.inkTop && y < c.inkBottom;
            const bool set = c.ink < 0 ? x == width - 1 && y == height - 1 : inside && int(random() % 100) < c.ink;
            byte = static_cast<BYTE>(set ? byte | bit : byte & ~bit);
            if (set) {
                first = std::min(first, x);
                last = std::max(last, x);
                top = top < 0 ? y : top;
                bottom = y;
            }
        }

    std::vector<BYTE> unpacked(size_t(width) * size_t(height));
    CISImgUtil util;
    for (int32_t y = 0; y < height; ++y)
        ASSERT_TRUE(
            util.ISUnpackPixels(&bits[size_t(y) * stride], uint32_t(width), 1, 1, &unpacked[size_t(y) * width]));
    for (BYTE& p : unpacked)
        p = p ? c.on : 0;
    std::vector<BYTE> reference(size_t(c.columns) * size_t(c.rows));
    int32_t status = 0;
    ASSERT_TRUE(ISResize8(&status, unpacked.data(), width, height, reference.data(), 1, c.columns, c.rows, width,
                          c.columns, IS5_RESIZE_DECIMATE, 14))
        << status;

    ISMaskBlocks blocks{};
    const bool inked = ISFindInkBlocks(bits.data(), stride, width, height, c.k, &blocks);
    ASSERT_EQ(last >= 0, inked);
    if (!inked) {
        EXPECT_EQ(std::vector<BYTE>(reference.size(), 0), reference);
        return;
    }
    EXPECT_EQ(first / c.k, blocks.left);
    EXPECT_EQ(last / c.k + 1, blocks.right);
    EXPECT_EQ(top / c.k, blocks.top);
    EXPECT_EQ(bottom / c.k + 1, blocks.bottom);

    const int32_t w = blocks.right - blocks.left, h = blocks.bottom - blocks.top;
    std::vector<BYTE> shrunk(size_t(w) * size_t(h));
    ISShrinkTextMask(bits.data(), stride, c.k, c.on, blocks, shrunk.data(), size_t(w));
    for (int32_t y = 0; y < c.rows; ++y)
        for (int32_t x = 0; x < c.columns; ++x) {
            const bool inside = x >= blocks.left && x < blocks.right && y >= blocks.top && y < blocks.bottom;
            const BYTE expected = reference[size_t(y) * c.columns + x];
            if (inside)
                ASSERT_EQ(expected, shrunk[size_t(y - blocks.top) * w + (x - blocks.left)]) << x << "," << y;
            else
                ASSERT_EQ(0, expected) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextCoverage,
    ::testing::Values(ShrinkCase{"factor_two_text_like", 77, 37, 2, 255, 12},
                      ShrinkCase{"factor_two_dense_half_opacity", 13, 9, 2, 127, 60},
                      ShrinkCase{"factor_two_ink_off_the_byte_grid", 77, 37, 2, 255, 50, 13, 7, 101, 50},
                      ShrinkCase{"factor_two_ink_in_one_byte", 40, 10, 2, 255, 70, 34, 4, 37, 9},
                      ShrinkCase{"factor_one", 61, 23, 1, 255, 20},
                      ShrinkCase{"factor_three_odd_width", 23, 11, 3, 255, 15},
                      ShrinkCase{"factor_three_ink_inside", 23, 11, 3, 255, 50, 10, 5, 41, 30},
                      ShrinkCase{"factor_four_low_level", 9, 7, 4, 3, 40},
                      ShrinkCase{"factor_seventeen", 3, 2, 17, 255, 50}, ShrinkCase{"full", 10, 5, 2, 255, 100},
                      ShrinkCase{"no_ink", 12, 6, 2, 255, 0}, ShrinkCase{"only_the_last_pixel", 21, 8, 3, 200, -1},
                      ShrinkCase{"opacity_zero", 16, 4, 2, 0, 30}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
