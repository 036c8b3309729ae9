// Turns of 8- and 16-bit-sample pixels against the pixel-by-pixel mappings.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/convert/convert.h"
#include "imaging/formats/rotate/rotate.h"
#include "imaging/formats/rotate/rotate_test_util.h"

namespace {

struct Size {
    uint32_t width, height;
};
// Single rows and columns, and sizes across the turn's tiles.
const Size kSizes[] = {{1, 1}, {1, 9}, {9, 1}, {33, 70}, {70, 33}, {64, 64}, {97, 5}};
const uint32_t kPixelSizes[] = {1, 3, 4};

BOOL Rotate(CISRotate& op, const BYTE* source, uint32_t w, uint32_t h, size_t ss, BYTE* target, size_t ts,
            uint32_t mode, uint32_t size)
{
    return op.Rotate8(source, w, h, ss, target, ts, mode, size);
}
BOOL Rotate(CISRotate& op, const uint16_t* source, uint32_t w, uint32_t h, size_t ss, uint16_t* target, size_t ts,
            uint32_t mode, uint32_t size)
{
    return op.Rotate16(source, w, h, ss, target, ts, mode, size);
}
BOOL RotateInPlace(CISRotate& op, BYTE* pixels, uint32_t w, uint32_t h, uint32_t mode, uint32_t size)
{
    return op.RotateInPlace8(pixels, w, h, mode, size);
}
BOOL RotateInPlace(CISRotate& op, uint16_t* pixels, uint32_t w, uint32_t h, uint32_t mode, uint32_t size)
{
    return op.RotateInPlace16(pixels, w, h, mode, size);
}

template <typename T>
void ExpectTurnsIntoASecondBuffer()
{
    uint32_t seed = 5;
    for (uint32_t size : kPixelSizes)
        for (const Size& s : kSizes)
            for (uint32_t mode = 0; mode < 3; ++mode) {
                // Strides in samples with padding, the destination's odd; exact
                // buffer sizes, so that a stray access shows natively.
                const size_t sourceStride = s.width * size + 2;
                const std::vector<T> source =
                    rt::RandomSamples<T>((s.height - 1) * sourceStride + s.width * size, seed++);
                const uint32_t turnedWidth = rt::TurnedWidth(mode, s.width, s.height);
                const uint32_t turnedHeight = rt::TurnedHeight(mode, s.width, s.height);
                const size_t targetStride = turnedWidth * size + 3;
                std::vector<T> target((turnedHeight - 1) * targetStride + turnedWidth * size, T(0xA5A5));
                std::vector<T> expected = target;  // the padding keeps its samples
                rt::ReferenceRotatePixels(source.data(), sourceStride, s.width, s.height, mode, size,
                                          expected.data(), targetStride);
                CISRotate op;
                ASSERT_TRUE(Rotate(op, source.data(), s.width, s.height, sourceStride, target.data(), targetStride,
                                   mode, size));
                EXPECT_EQ(0, op.m_status);
                ASSERT_EQ(expected, target) << s.width << " x " << s.height << ", mode " << mode << ", " << size
                                            << " samples a pixel";
            }
}

template <typename T>
void ExpectTurnsInPlace()
{
    uint32_t seed = 50;
    for (uint32_t size : kPixelSizes)
        for (const Size& s : kSizes)
            for (uint32_t mode = 0; mode < 3; ++mode) {
                const std::vector<T> source = rt::RandomSamples<T>(size_t(s.width) * s.height * size, seed++);
                const uint32_t turnedWidth = rt::TurnedWidth(mode, s.width, s.height);
                std::vector<T> expected(source.size());
                rt::ReferenceRotatePixels(source.data(), s.width * size, s.width, s.height, mode, size,
                                          expected.data(), turnedWidth * size);
                std::vector<T> pixels = source;
                CISRotate op;
                ASSERT_TRUE(RotateInPlace(op, pixels.data(), s.width, s.height, mode, size));
                EXPECT_EQ(0, op.m_status);
                ASSERT_EQ(expected, pixels) << s.width << " x " << s.height << ", mode " << mode << ", " << size
                                            << " samples a pixel";
            }
}

TEST(RotateSamples, EightBitPixelsFollowTheirMappingAndStridePaddingStays) { ExpectTurnsIntoASecondBuffer<BYTE>(); }

TEST(RotateSamples, SixteenBitPixelsFollowTheirMappingAndStridePaddingStays)
{
    ExpectTurnsIntoASecondBuffer<uint16_t>();
}

TEST(RotateSamples, InPlaceResultIsPackedAndFollowsTheMapping)
{
    ExpectTurnsInPlace<BYTE>();
    ExpectTurnsInPlace<uint16_t>();
}

TEST(RotateSamples, InPlaceHalfTurnOfThreeBytePixelsIsAVerticalThenAHorizontalFlip)
{
    const uint32_t width = 11, height = 6;
    const std::vector<BYTE> source = rt::RandomSamples<BYTE>(width * height * 3, 3);
    std::vector<BYTE> flipped = source;
    CISImgUtil util;
    ASSERT_TRUE(util.ISFlipVertical(flipped.data(), width * 3, height));
    ASSERT_TRUE(util.ISFlipHorizontal(flipped.data(), width, height, 3, width * 3));
    std::vector<BYTE> pixels = source;
    CISRotate op;
    ASSERT_TRUE(op.RotateInPlace8(pixels.data(), width, height, 1, 3));
    EXPECT_EQ(flipped, pixels);
}

}  // namespace
