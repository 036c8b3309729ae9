// Turns of packed 1-bit rows against the pixel-by-pixel mappings.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "imaging/formats/rotate/rotate.h"
#include "imaging/formats/rotate/rotate_test_util.h"

namespace {

// The first pixel, padding bit or stride byte of `target` that is wrong; ""
// when there is none. Stride bytes past each row must still be 0xFF.
std::string FirstFault(const std::vector<uint8_t>& source, size_t sourceStride, uint32_t width, uint32_t height,
                       uint32_t mode, const std::vector<uint8_t>& target, size_t targetStride)
{
    std::ostringstream fault;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const rt::Point p = rt::Turned(mode, width, height, x, y);
            if (rt::Bit(&source[y * sourceStride], x) != rt::Bit(&target[p.y * targetStride], p.x)) {
                fault << "pixel (" << x << ", " << y << ") at (" << p.x << ", " << p.y << ")";
                return fault.str();
            }
        }
    const uint32_t turnedWidth = rt::TurnedWidth(mode, width, height);
    const uint32_t turnedHeight = rt::TurnedHeight(mode, width, height);
    const size_t rowBytes = (turnedWidth + 7) / 8;
    for (uint32_t y = 0; y < turnedHeight; ++y) {
        const uint8_t* row = &target[y * targetStride];
        for (uint32_t x = turnedWidth; x < rowBytes * 8; ++x)
            if (rt::Bit(row, x)) {
                fault << "padding bit " << x << " of row " << y;
                return fault.str();
            }
        for (size_t k = rowBytes; k < targetStride && y * targetStride + k < target.size(); ++k)
            if (row[k] != 0xFF) {
                fault << "stride byte " << k << " of row " << y;
                return fault.str();
            }
    }
    return "";
}

TEST(Rotate1Bit, EveryPixelFollowsItsMappingAndPaddingBitsAreZero)
{
    const uint32_t modes[] = {0, 1, 2, 8, 9, 10};
    uint32_t seed = 1;
    for (uint32_t extra : {0u, 3u})
        for (uint32_t width = 1; width <= 40; ++width)
            for (uint32_t height = 1; height <= 40; ++height)
                for (uint32_t mode : modes) {
                    // Exact sizes, so that a stray read or write shows natively; the
                    // source's padding bits and stride bytes are random.
                    const size_t sourceStride = (width + 7) / 8 + extra;
                    const std::vector<uint8_t> source =
                        rt::RandomSamples<uint8_t>((height - 1) * sourceStride + (width + 7) / 8, seed++);
                    const uint32_t turnedWidth = rt::TurnedWidth(mode, width, height);
                    const uint32_t turnedHeight = rt::TurnedHeight(mode, width, height);
                    const size_t rowBytes = (turnedWidth + 7) / 8;
                    const size_t targetStride = rowBytes + extra;
                    std::vector<uint8_t> target((turnedHeight - 1) * targetStride + rowBytes, 0xFF);
                    CISRotate op;
                    ASSERT_TRUE(op.Rotate1Bit(source.data(), target.data(), width, height, mode, sourceStride,
                                              targetStride));
                    EXPECT_EQ(0, op.m_status);
                    ASSERT_EQ("", FirstFault(source, sourceStride, width, height, mode, target, targetStride))
                        << width << " x " << height << ", mode " << mode << ", strides +" << extra;
                }
}

TEST(Rotate1Bit, TopLeftPixelOfAnEightByEightBlockGoesToItsCorner)
{
    struct Case {
        uint32_t mode;
        uint32_t x, y;  // the one set pixel afterwards
    };
    const Case cases[] = {{0, 7, 0}, {2, 0, 7}, {1, 7, 7}};
    const uint8_t source[8] = {0x80, 0, 0, 0, 0, 0, 0, 0};
    for (const Case& c : cases) {
        std::vector<uint8_t> target(8, 0xFF);
        CISRotate op;
        ASSERT_TRUE(op.Rotate1Bit(source, target.data(), 8, 8, c.mode, 1, 1));
        std::vector<uint8_t> expected(8, 0);
        expected[c.y] = uint8_t(0x80 >> c.x);
        EXPECT_EQ(expected, target) << "mode " << c.mode;
    }
}

TEST(Rotate1Bit, ThirteenByTenClockwiseGivesThirteenRowsOfTenPixels)
{
    // All pixels set, padding bits of the source too: the turned rows are ten
    // set pixels and six zero padding bits.
    const std::vector<uint8_t> source(10 * 2, 0xFF);
    std::vector<uint8_t> target(13 * 2, 0x5A);
    CISRotate op;
    ASSERT_TRUE(op.Rotate1Bit(source.data(), target.data(), 13, 10, 0, 2, 2));
    for (uint32_t y = 0; y < 13; ++y) {
        EXPECT_EQ(0xFF, target[2 * y]) << "row " << y;
        EXPECT_EQ(0xC0, target[2 * y + 1]) << "row " << y;
    }
}

}  // namespace
