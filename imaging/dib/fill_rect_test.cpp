// is5_FillSolidRect: the rectangle convention (right column in, bottom row
// out), clipping, channel order, the one-byte fill path and bad arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"

namespace {

constexpr BYTE kBackground = 0x11;

struct FillCase {
    const char* name;
    uint32_t width, height, channels, stride;
    RECT rect;
    COLORREF colour;
    uint32_t flags;
    BOOL ok;
    int32_t status;
    RECT filled;         // columns [left, right), rows [top, bottom); empty = nothing changes
    BYTE pixel[4];       // the bytes every filled pixel gets
};

void PrintTo(const FillCase& c, std::ostream* os) { *os << c.name; }

class FillSolidRect : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillSolidRect, FillsExactlyTheClippedRectangle)
{
    const FillCase& c = GetParam();
    std::vector<BYTE> image(size_t(c.stride) * c.height + 1, kBackground);  // +1: a guard byte after the image
    EXPECT_EQ(c.ok, is5_FillSolidRect(image.data(), c.width, c.height, c.channels, c.stride, &c.rect, c.colour,
                                      c.flags));
    EXPECT_EQ(c.status, ISGetLastError());
    for (uint32_t y = 0; y <= c.height; ++y)
        for (uint32_t i = 0; i < c.stride; ++i) {
            const size_t at = size_t(y) * c.stride + i;
            if (at >= image.size())
                break;
            const uint32_t x = i / c.channels;
            const bool inside = y < c.height && i < c.width * c.channels && LONG(x) >= c.filled.left &&
                                LONG(x) < c.filled.right && LONG(y) >= c.filled.top && LONG(y) < c.filled.bottom;
            ASSERT_EQ(inside ? c.pixel[i % c.channels] : kBackground, image[at]) << "byte " << i << " row " << y;
        }
}

const RECT kNone = {0, 0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Cases, FillSolidRect,
    ::testing::Values(
        FillCase{"rect_0_0_9_10_fills_10_by_10", 12, 12, 3, 36, {0, 0, 9, 10}, 0x302010, 0, TRUE, 0,
                 {0, 0, 10, 10}, {0x10, 0x20, 0x30}},
        FillCase{"left_at_width_draws_nothing", 8, 4, 3, 24, {8, 0, 12, 4}, 0x302010, 0, TRUE, 0, kNone, {}},
        FillCase{"past_right_edge_is_cut", 8, 4, 3, 24, {5, 1, 20, 3}, 0x302010, 0, TRUE, 0, {5, 1, 8, 3},
                 {0x10, 0x20, 0x30}},
        FillCase{"past_bottom_edge_is_cut", 8, 4, 3, 24, {1, 2, 2, 9}, 0x302010, 0, TRUE, 0, {1, 2, 3, 4},
                 {0x10, 0x20, 0x30}},
        FillCase{"inverted_rect_draws_nothing", 8, 4, 3, 24, {6, 3, 2, 1}, 0x302010, 0, TRUE, 0, kNone, {}},
        FillCase{"zero_height_draws_nothing", 8, 4, 3, 24, {0, 2, 7, 2}, 0x302010, 0, TRUE, 0, kNone, {}},
        FillCase{"negative_left_draws_nothing", 8, 4, 3, 24, {-2, 0, 3, 4}, 0x302010, 0, TRUE, 0, kNone, {}},
        FillCase{"negative_top_draws_nothing", 8, 4, 3, 24, {0, -1, 3, 4}, 0x302010, 0, TRUE, 0, kNone, {}},
        FillCase{"four_channels_alpha_from_top_byte", 5, 3, 4, 20, {1, 0, 3, 2}, 0x80302010, 0, TRUE, 0,
                 {1, 0, 4, 2}, {0x10, 0x20, 0x30, 0x80}},
        FillCase{"flag_bit_0_writes_bgr", 5, 3, 3, 16, {0, 0, 4, 3}, 0x302010, 1, TRUE, 0, {0, 0, 5, 3},
                 {0x30, 0x20, 0x10}},
        FillCase{"one_channel_low_byte", 7, 3, 1, 8, {2, 1, 4, 3}, 0x3020AB, 0, TRUE, 0, {2, 1, 5, 3}, {0xAB}},
        // Grey takes the one-byte path: the same bytes, in a stride wider
        // than the row and on a packed whole-image fill.
        FillCase{"grey_wide_stride", 6, 4, 3, 23, {1, 1, 4, 3}, 0x808080, 0, TRUE, 0, {1, 1, 5, 3},
                 {0x80, 0x80, 0x80}},
        FillCase{"grey_whole_packed_image", 6, 4, 3, 18, {0, 0, 5, 4}, 0x808080, 0, TRUE, 0, {0, 0, 6, 4},
                 {0x80, 0x80, 0x80}},
        FillCase{"grey_with_other_alpha_four_channels", 3, 2, 4, 12, {0, 0, 2, 2}, 0x00808080, 0, TRUE, 0,
                 {0, 0, 3, 2}, {0x80, 0x80, 0x80, 0x00}},
        FillCase{"two_channels", 4, 2, 2, 8, {0, 0, 1, 1}, 0, 0, FALSE, 5, kNone, {}},
        FillCase{"stride_below_row", 4, 2, 3, 11, {0, 0, 1, 1}, 0, 0, FALSE, 5, kNone, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FillSolidRectArgs, NullPixelsOrRectGive5ForEveryChannelCount)
{
    BYTE pixel[4] = {};
    const RECT rect = {0, 0, 0, 1};
    for (uint32_t channels : {1u, 3u, 4u}) {
        EXPECT_FALSE(is5_FillSolidRect(nullptr, 1, 1, channels, channels, &rect, 0, 0));
        EXPECT_EQ(5, ISGetLastError());
        EXPECT_FALSE(is5_FillSolidRect(pixel, 1, 1, channels, channels, nullptr, 0, 0));
        EXPECT_EQ(5, ISGetLastError());
    }
}

BOOL CancelAfterTwoRows(int32_t done, int32_t, void*) { return done < 2; }

TEST(FillSolidRectArgs, CancelStopsWithStatus14AfterTheRowsDone)
{
    std::vector<BYTE> image(4 * 3 * 5, kBackground);
    const RECT rect = {0, 0, 3, 5};
    is5_SetCallback(CancelAfterTwoRows, nullptr);
    EXPECT_FALSE(is5_FillSolidRect(image.data(), 4, 5, 3, 12, &rect, 0x010203, 0));
    EXPECT_EQ(14, ISGetLastError());
    is5_SetCallback(nullptr, nullptr);
    EXPECT_EQ(0x03, image[12]);               // row 1 done
    EXPECT_EQ(kBackground, image[2 * 12]);    // row 2 not
}

}  // namespace
