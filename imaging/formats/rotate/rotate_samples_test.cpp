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

// Every pixel size, image size and mode of the tables, each with a seed of its own.
template <typename Body>
void ForEachTurn(Body body)
{
    uint32_t seed = 5;
    for (uint32_t size : kPixelSizes)
        for (const Size& s : kSizes)
            for (uint32_t mode = 0; mode < 3; ++mode) {
                SCOPED_TRACE(testing::Message() << s.width << " x " << s.height << ", mode " << mode << ", " << size
                                                << " samples a pixel");
                body(size, s.width, s.height, mode, seed++);
            }
}

template <typename T>
void ExpectTurnsIntoASecondBuffer()
{
    ForEachTurn([](uint32_t size, uint32_t width, uint32_t height, uint32_t mode, uint32_t seed) {
        // Strides in samples with padding, the destination's odd; exact buffer
        // sizes, so that a stray access shows natively.
        const size_t sourceStride = width * size + 2;
        const std::vector<T> source = rt::RandomSamples<T>((height - 1) * sourceStride + width * size, seed);
        const uint32_t turnedWidth = rt::TurnedWidth(mode, width, height);
        const uint32_t turnedHeight = rt::TurnedHeight(mode, width, height);
        const size_t targetStride = turnedWidth * size + 3;
        std::vector<T> target((turnedHeight - 1) * targetStride + turnedWidth * size, T(0xA5A5));
        std::vector<T> expected = target;  // the padding keeps its samples
        rt::ReferenceRotatePixels(source.data(), sourceStride, width, height, mode, size, expected.data(),
                                  targetStride);
        CISRotate op;
        EXPECT_TRUE(Rotate(op, source.data(), width, height, sourceStride, target.data(), targetStride, mode, size));
        EXPECT_EQ(0, op.m_status);
        EXPECT_EQ(expected, target);
    });
}

template <typename T>
void ExpectTurnsInPlace()
{
    ForEachTurn([](uint32_t size, uint32_t width, uint32_t height, uint32_t mode, uint32_t seed) {
        const std::vector<T> source = rt::RandomSamples<T>(size_t(width) * height * size, seed);
        std::vector<T> expected(source.size());
        rt::ReferenceRotatePixels(source.data(), width * size, width, height, mode, size, expected.data(),
                                  rt::TurnedWidth(mode, width, height) * size);
        std::vector<T> pixels = source;
        CISRotate op;
        EXPECT_TRUE(RotateInPlace(op, pixels.data(), width, height, mode, size));
        EXPECT_EQ(0, op.m_status);
        EXPECT_EQ(expected, pixels);
    });
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
