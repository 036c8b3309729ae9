// Packing, unpacking, flips and channel swaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/convert/convert.h"
#include "imaging/core/frame.h"

namespace {

// Pixel i of a packed stream, most significant bits first, by plain bit arithmetic.
uint32_t StreamPixel(const std::vector<BYTE>& packed, uint64_t i, uint32_t bits)
{
    uint32_t v = 0;
    for (uint32_t k = 0; k < bits; ++k) {
        const uint64_t bit = i * bits + k;
        v = (v << 1) | ((packed[bit / 8] >> (7 - bit % 8)) & 1);
    }
    return v;
}

TEST(PackPixels, PackThenUnpackIsTheIdentityForEveryDepthAndWidth)
{
    std::mt19937 random(7);
    for (uint32_t bits = 1; bits <= 8; ++bits) {
        for (uint32_t width = 1; width <= 17; ++width) {
            const uint32_t height = 3;
            // Exact sizes, so that any over-read or over-write shows natively.
            std::vector<BYTE> pixels(width * height);
            for (BYTE& p : pixels)
                p = static_cast<BYTE>(random() & ((1u << bits) - 1));
            std::vector<BYTE> packed((uint64_t(width) * height * bits + 7) / 8);
            CISImgUtil op;
            ASSERT_TRUE(op.ISPackPixels(pixels.data(), width, height, width, packed.data(), bits, 0));
            for (uint64_t i = 0; i < pixels.size(); ++i)
                ASSERT_EQ(pixels[i], StreamPixel(packed, i, bits)) << bits << " bits, width " << width;
            std::vector<BYTE> unpacked(pixels.size());
            ASSERT_TRUE(op.ISUnpackPixels(packed.data(), width, height, bits, unpacked.data()));
            ASSERT_EQ(pixels, unpacked) << bits << " bits, width " << width;

            // Row by row with a target stride: each row starts on a byte.
            const size_t rowBytes = (size_t(width) * bits + 7) / 8;
            std::vector<BYTE> rows(rowBytes * height);
            ASSERT_TRUE(op.ISPackPixels(pixels.data(), width, height, width, rows.data(), bits, rowBytes));
            for (uint32_t y = 0; y < height; ++y) {
                std::vector<BYTE> row(rows.begin() + y * rowBytes, rows.begin() + (y + 1) * rowBytes);
                std::vector<BYTE> one(width);
                ASSERT_TRUE(op.ISUnpackPixels(row.data(), width, 1, bits, one.data()));
                ASSERT_TRUE(std::equal(one.begin(), one.end(), pixels.begin() + y * width)) << bits << " " << width;
                if (width * bits % 8) {
                    EXPECT_EQ(0u, row.back() & ((1u << (8 - width * bits % 8)) - 1)) << "padding bits stay zero";
                }
            }
        }
    }
}

TEST(PackPixels, HighSourceBitsAreIgnored)
{
    const BYTE in[9] = {0xFF, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0x03};
    BYTE out[2] = {};
    CISImgUtil op;
    ASSERT_TRUE(op.ISPackPixels(in, 9, 1, 9, out, 1, 0));
    EXPECT_EQ(0xAA, out[0]);
    EXPECT_EQ(0x80, out[1]);
}

TEST(PackPixels, StreamWithoutStrideContinuesTheSecondRowInTheSameByte)
{
    const BYTE in[6] = {0, 0, 0, 1, 0, 0};
    BYTE out[1] = {};
    CISImgUtil op;
    ASSERT_TRUE(op.ISPackPixels(in, 3, 2, 3, out, 1, 0));
    EXPECT_EQ(1 << 4, out[0]);
}

TEST(PackPixels, BadDepthOrBufferIsStatus5)
{
    BYTE in[4] = {}, out[4] = {0x5A, 0x5A, 0x5A, 0x5A};
    for (uint32_t bits : {0u, 9u}) {
        CISImgUtil op;
        EXPECT_FALSE(op.ISPackPixels(in, 4, 1, 4, out, bits, 0));
        EXPECT_EQ(5, op.m_status);
        EXPECT_FALSE(op.ISUnpackPixels(in, 4, 1, bits, out));
        EXPECT_EQ(5, op.m_status);
    }
    CISImgUtil op;
    EXPECT_FALSE(op.ISPackPixels(nullptr, 4, 1, 4, out, 1, 0));
    EXPECT_EQ(5, op.m_status);
    EXPECT_EQ(0x5A, out[0]);
}

TEST(UnpackRowIndices, TakesOneFourAndEightBitIndices)
{
    const BYTE row[2] = {0xA5, 0x3C};
    BYTE out[16];
    ISUnpackRowIndices(row, out, 10, 1);
    const BYTE ones[10] = {1, 0, 1, 0, 0, 1, 0, 1, 0, 0};
    EXPECT_TRUE(std::equal(ones, ones + 10, out));
    ISUnpackRowIndices(row, out, 3, 4);
    EXPECT_EQ(0x0A, out[0]);
    EXPECT_EQ(0x05, out[1]);
    EXPECT_EQ(0x03, out[2]);
    ISUnpackRowIndices(row, out, 2, 8);
    EXPECT_EQ(0xA5, out[0]);
    EXPECT_EQ(0x3C, out[1]);
    out[0] = 0x77;
    ISUnpackRowIndices(row, out, 2, 2);
    EXPECT_EQ(0x77, out[0]) << "other depths leave the destination alone";
}

TEST(Convert2BitTo4Bit, SpreadsPixelsTwoAByteWithTheLastHalfZero)
{
    const BYTE in[2] = {0x1B, 0xC0};  // pixels 0,1,2,3 then 3
    BYTE out[3] = {0xFF, 0xFF, 0xFF};
    ISConvert2BitTo4Bit(in, out, 2, 5);
    EXPECT_EQ(0x01, out[0]);
    EXPECT_EQ(0x23, out[1]);
    EXPECT_EQ(0x30, out[2]);
    BYTE copy[3] = {};
    ISConvert2BitTo4Bit(out, copy, 4, 5);
    EXPECT_EQ(0, memcmp(out, copy, 3));
}

// Mirrors a packed 1-bit row bit by bit.
std::vector<BYTE> MirrorBits(const std::vector<BYTE>& row, uint32_t width)
{
    std::vector<BYTE> out(row.size(), 0);
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t from = width - 1 - x;
        if ((row[from / 8] >> (7 - from % 8)) & 1)
            out[x / 8] |= BYTE(0x80 >> (x % 8));
    }
    return out;
}

TEST(FlipHorizontal1Bit, MirrorsRowsKeepsPaddingZeroAndUndoesItself)
{
    for (uint32_t width : {13u, 8u, 1u, 17u}) {
        const uint32_t rowBytes = (width + 7) / 8;
        const uint32_t stride = rowBytes + 1, rows = 3;
        std::mt19937 random(width);
        std::vector<BYTE> image(stride * rows);
        for (BYTE& b : image)
            b = static_cast<BYTE>(random());
        for (uint32_t y = 0; y < rows && width % 8; ++y)  // clean padding in the input
            image[y * stride + rowBytes - 1] &= BYTE(0xFF << (8 - width % 8));
        const std::vector<BYTE> original = image;
        CISImgUtil op;
        ASSERT_TRUE(op.ISFlipHorizontal1Bit(image.data(), width, rows, stride));
        for (uint32_t y = 0; y < rows; ++y) {
            std::vector<BYTE> row(original.begin() + y * stride, original.begin() + y * stride + rowBytes);
            std::vector<BYTE> flipped(image.begin() + y * stride, image.begin() + y * stride + rowBytes);
            EXPECT_EQ(MirrorBits(row, width), flipped) << "width " << width << " row " << y;
            EXPECT_EQ(original[y * stride + rowBytes], image[y * stride + rowBytes]) << "bytes past the row stay";
        }
        ASSERT_TRUE(op.ISFlipHorizontal1Bit(image.data(), width, rows, stride));
        EXPECT_EQ(original, image) << "width " << width;
    }
    CISImgUtil op;
    EXPECT_TRUE(op.ISFlipHorizontal1Bit(nullptr, 0, 5, 4));
}

TEST(ShiftRowBits, ShiftsAcrossBytesWithZerosEntering)
{
    BYTE row[3] = {0x81, 0xFF, 0x01};
    ISShiftRowBits(row, 3, 3);
    EXPECT_EQ(0x0F, row[0]);
    EXPECT_EQ(0xF8, row[1]);
    EXPECT_EQ(0x08, row[2]);
}

TEST(Flips, HorizontalMirrorsPixelsAndVerticalSwapsRows)
{
    // 3 x 3 pixels of 2 bytes with a stride of 7.
    std::vector<BYTE> image(21);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = BYTE(i);
    std::vector<BYTE> h = image;
    CISImgUtil op;
    ASSERT_TRUE(op.ISFlipHorizontal(h.data(), 3, 3, 2, 7));
    const BYTE row0[7] = {4, 5, 2, 3, 0, 1, 6};
    EXPECT_TRUE(std::equal(row0, row0 + 7, h.begin()));

    std::vector<BYTE> v = image;
    ASSERT_TRUE(op.ISFlipVertical(v.data(), 7, 3));
    EXPECT_TRUE(std::equal(image.begin() + 14, image.end(), v.begin()));
    EXPECT_TRUE(std::equal(image.begin() + 7, image.begin() + 14, v.begin() + 7));
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 7, v.begin() + 14));

    uint16_t samples[6] = {1, 2, 3, 4, 5, 6};  // 3 pixels of 2 samples
    ASSERT_TRUE(op.ISFlipHorizontal16(samples, 3, 1, 2, 6));
    const uint16_t mirrored[6] = {5, 6, 3, 4, 1, 2};
    EXPECT_TRUE(std::equal(mirrored, mirrored + 6, samples));

    EXPECT_FALSE(op.ISFlipVertical(nullptr, 7, 3));
    EXPECT_EQ(5, op.m_status);
}

struct Calls {
    int count = 0;
    std::vector<std::pair<int32_t, int32_t>> seen;
};

BOOL StopAtSecond(int32_t done, int32_t total, void* user)
{
    Calls* c = static_cast<Calls*>(user);
    c->seen.emplace_back(done, total);
    return ++c->count < 2;
}

TEST(Flips, VerticalReportsTwiceTheSwapIndexAndStopsWith14)
{
    std::vector<BYTE> image(10 * 4);
    Calls calls;
    ISSetCallback(StopAtSecond, &calls);
    CISImgUtil op;
    EXPECT_FALSE(op.ISFlipVertical(image.data(), 4, 10));
    ISSetCallback(nullptr, nullptr);
    EXPECT_EQ(14, op.m_status);
    ASSERT_EQ(2u, calls.seen.size());
    EXPECT_EQ(std::make_pair(0, 10), calls.seen[0]);
    EXPECT_EQ(std::make_pair(2, 10), calls.seen[1]);
}

TEST(SwapRB, ExchangesFirstAndThirdBytes)
{
    BYTE p24[6] = {1, 2, 3, 4, 5, 6};
    ISSwapRB24(p24, 2, 1);
    const BYTE e24[6] = {3, 2, 1, 6, 5, 4};
    EXPECT_EQ(0, memcmp(e24, p24, 6));
    BYTE p32[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ISSwapRB32(p32, 1, 2);
    const BYTE e32[8] = {3, 2, 1, 4, 7, 6, 5, 8};
    EXPECT_EQ(0, memcmp(e32, p32, 8));
}

TEST(MonoToRGB, UnpacksThroughTheTwoEntryPalette)
{
    const BYTE rows[4] = {0xA0, 0x00, 0x40, 0x00};  // 3 pixels a row, stride 2
    RGBQUAD palette[2] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    BYTE out[2 * 10] = {};
    CISImgUtil op;
    ASSERT_TRUE(op.ISMonoToRGB(rows, 3, 2, 2, palette, out, 10));
    const BYTE expected[20] = {60, 50, 40, 30, 20, 10, 60, 50, 40, 0, 30, 20, 10, 60, 50, 40, 30, 20, 10, 0};
    EXPECT_EQ(0, memcmp(expected, out, 20));
}

}  // namespace
