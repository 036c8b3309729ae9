// Packed DIBs: sizes, the RGB, RGBA and palette builders, and decoding back to
// R,G,B including run-length streams and hostile headers.
#include "imaging/dib/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"

namespace {

std::vector<BYTE> Pattern(size_t n, uint32_t seed)
{
    std::vector<BYTE> v(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        v[i] = BYTE(seed >> 16);
    }
    return v;
}

struct DibFree {
    void operator()(BITMAPINFOHEADER* p) const { GlobalFree(p); }
};

// A header in front of `table` and `pixels`, sized exactly so that the
// sanitizers catch any read past the block.
std::vector<BYTE> MakeDib(LONG width, LONG height, WORD bits, DWORD compression, DWORD clrUsed,
                          const std::vector<BYTE>& table, const std::vector<BYTE>& pixels, DWORD sizeImage = 0)
{
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = compression;
    h.biSizeImage = sizeImage ? sizeImage : DWORD(pixels.size());
    h.biClrUsed = clrUsed;
    std::vector<BYTE> dib(40 + table.size() + pixels.size());
    std::memcpy(dib.data(), &h, 40);
    if (!table.empty())
        std::memcpy(dib.data() + 40, table.data(), table.size());
    if (!pixels.empty())
        std::memcpy(dib.data() + 40 + table.size(), pixels.data(), pixels.size());
    return dib;
}

const BITMAPINFOHEADER* Header(const std::vector<BYTE>& dib)
{
    return reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
}

// ---------------------------------------------------------------------------

class RgbRoundTrip : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RgbRoundTrip, RgbToDibToRgbIsTheIdentity)
{
    const uint32_t width = GetParam(), height = 3;
    const std::vector<BYTE> rgb = Pattern(size_t(width) * 3 * height, width);
    CISDIB op;
    std::unique_ptr<BITMAPINFOHEADER, DibFree> dib(op.ISRGBToDIB(rgb.data(), width, height, 0, nullptr, 0));
    ASSERT_TRUE(dib) << op.m_status;
    EXPECT_EQ(40u, dib->biSize);
    EXPECT_EQ(24, dib->biBitCount);
    EXPECT_EQ(LONG(height), dib->biHeight);
    EXPECT_EQ((width * 3 + 3) / 4 * 4 * height, dib->biSizeImage);
    std::vector<BYTE> back(rgb.size(), 0xCD);
    ASSERT_TRUE(op.ISDIBToRGB(dib.get(), back.data())) << op.m_status;
    EXPECT_EQ(rgb, back);
}

INSTANTIATE_TEST_SUITE_P(Widths1To9, RgbRoundTrip, ::testing::Range(1u, 10u));

TEST(RgbToDib, WidthOneGivesFourByteRowsBottomUpInBgrOrder)
{
    const BYTE rgb[] = {1, 2, 3, 4, 5, 6};  // two rows of one pixel
    CISDIB op;
    std::unique_ptr<BITMAPINFOHEADER, DibFree> dib(op.ISRGBToDIB(rgb, 1, 2, 3, nullptr, 0));
    ASSERT_TRUE(dib);
    EXPECT_EQ(8u, dib->biSizeImage);
    const BYTE* rows = reinterpret_cast<const BYTE*>(dib.get()) + 40;
    const BYTE expected[] = {6, 5, 4, 0, 3, 2, 1, 0};
    EXPECT_EQ(0, std::memcmp(rows, expected, 8));
}

struct FlagCase {
    const char* name;
    uint32_t flags;
    bool swapped;
    bool flipped;
};

void PrintTo(const FlagCase& c, std::ostream* os) { *os << c.name; }

class RgbToDibFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(RgbToDibFlags, SourceOrderFlagsSwapChannelsOrFlipRows)
{
    const FlagCase& c = GetParam();
    const uint32_t width = 5, height = 4, stride = 17;  // a stride wider than the row
    const std::vector<BYTE> src = Pattern(size_t(stride) * height, 7);
    CISDIB op;
    std::unique_ptr<BITMAPINFOHEADER, DibFree> dib(op.ISRGBToDIB(src.data(), width, height, stride, nullptr, c.flags));
    ASSERT_TRUE(dib);
    std::vector<BYTE> back(width * 3 * height);
    ASSERT_TRUE(op.ISDIBToRGB(dib.get(), back.data()));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (uint32_t k = 0; k < 3; ++k) {
                const uint32_t sy = c.flipped ? height - 1 - y : y;
                const uint32_t sk = c.swapped ? 2 - k : k;
                ASSERT_EQ(src[sy * stride + x * 3 + sk], back[(y * width + x) * 3 + k]) << x << "," << y;
            }
}

INSTANTIATE_TEST_SUITE_P(Flags, RgbToDibFlags,
                         ::testing::Values(FlagCase{"rgb_top_down", 0, false, false},
                                           FlagCase{"bgr_source", 1, true, false},
                                           FlagCase{"bottom_up_source", 2, false, true},
                                           FlagCase{"bgr_bottom_up", 3, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RgbToDib, FillsGivenMemoryAndRejectsEmptyImages)
{
    const BYTE rgb[6] = {10, 20, 30, 40, 50, 60};
    CISDIB op;
    std::vector<BYTE> memory(op.ISCalcDIBSize(2, 1, 24, 0), 0xEE);
    ASSERT_EQ(48u, memory.size());
    EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(memory.data()),
              op.ISRGBToDIB(rgb, 2, 1, 0, memory.data(), 0));
    const BYTE expected[] = {30, 20, 10, 60, 50, 40, 0, 0};
    EXPECT_EQ(0, std::memcmp(memory.data() + 40, expected, 8));

    for (auto args : {std::make_pair(0u, 1u), std::make_pair(1u, 0u)}) {
        op.ISClearStatus();
        EXPECT_EQ(nullptr, op.ISRGBToDIB(rgb, args.first, args.second, 0, nullptr, 0));
        EXPECT_EQ(5, op.m_status);
    }
    op.ISClearStatus();
    EXPECT_EQ(nullptr, op.ISRGBToDIB(nullptr, 1, 1, 0, nullptr, 0));
    EXPECT_EQ(5, op.m_status);
}

TEST(RgbaToDib, GivesBgraRowsBottomUp)
{
    const BYTE rgba[] = {1, 2, 3, 4, 5, 6, 7, 8,  // top row
                         9, 10, 11, 12, 13, 14, 15, 16};
    CISDIB op;
    std::unique_ptr<BITMAPINFOHEADER, DibFree> dib(op.ISRGBAToDIB(rgba, 2, 2, 0, nullptr));
    ASSERT_TRUE(dib);
    EXPECT_EQ(32, dib->biBitCount);
    EXPECT_EQ(16u, dib->biSizeImage);
    const BYTE expected[] = {11, 10, 9, 12, 15, 14, 13, 16, 3, 2, 1, 4, 7, 6, 5, 8};
    EXPECT_EQ(0, std::memcmp(reinterpret_cast<const BYTE*>(dib.get()) + 40, expected, 16));
}

class PaletteToDib : public ::testing::TestWithParam<uint32_t> {};

TEST_P(PaletteToDib, DecodesBackToThePaletteColoursOfTheIndices)
{
    const uint32_t bits = GetParam(), entries = 1u << bits;
    const uint32_t width = 11, height = 3, stride = 13;
    std::vector<RGBQUAD> palette(entries);
    for (uint32_t i = 0; i < entries; ++i)
        palette[i] = RGBQUAD{BYTE(i * 7), BYTE(255 - i), BYTE(i * 3 + 1), 0};
    std::vector<BYTE> indices = Pattern(size_t(stride) * height, bits);
    for (BYTE& b : indices)
        b %= entries;
    CISDIB op;
    std::unique_ptr<BITMAPINFOHEADER, DibFree> dib(
        op.ISPaletteImageToDIB(indices.data(), width, height, stride, entries, bits, palette.data(), nullptr));
    ASSERT_TRUE(dib) << op.m_status;
    EXPECT_EQ(entries, dib->biClrUsed);
    EXPECT_EQ(bits, dib->biBitCount);
    std::vector<BYTE> rgb(width * 3 * height);
    ASSERT_TRUE(op.ISDIBToRGB(dib.get(), rgb.data())) << op.m_status;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const RGBQUAD& q = palette[indices[y * stride + x]];
            const BYTE* p = &rgb[(y * width + x) * 3];
            ASSERT_EQ(q.rgbRed, p[0]);
            ASSERT_EQ(q.rgbGreen, p[1]);
            ASSERT_EQ(q.rgbBlue, p[2]);
        }
}

INSTANTIATE_TEST_SUITE_P(Bits, PaletteToDib, ::testing::Values(1u, 4u, 8u));

struct SizeCase {
    uint32_t width, height, bits, entries;
    uint64_t size;
    int32_t status;
};

class CalcDibSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(CalcDibSize, MatchesTheHandTable)
{
    const SizeCase& c = GetParam();
    CISDIB op;
    EXPECT_EQ(c.size, op.ISCalcDIBSize(c.width, c.height, c.bits, c.entries));
    EXPECT_EQ(c.status, op.m_status);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CalcDibSize,
    ::testing::Values(SizeCase{1, 1, 1, 2, 4 + 48, 0},         // 1 bit: one 4-byte row + 48
                      SizeCase{33, 2, 1, 0, 2 * 8 + 48, 0},     // 33 bits need two words
                      SizeCase{9, 3, 4, 16, 3 * 8 + 64 + 40, 0},
                      SizeCase{5, 2, 8, 256, 2 * 8 + 1024 + 40, 0},
                      SizeCase{7, 3, 24, 0, 3 * 24 + 40, 0},    // 21 bytes padded to 24
                      SizeCase{3, 5, 32, 0, 5 * 12 + 40, 0},
                      SizeCase{4, 4, 2, 4, 0, 5},               // 2 bits: not a DIB depth here
                      SizeCase{4, 4, 16, 0, 0, 5}));

TEST(CalcDibSize, SizesAboveTheAllocationLimitAreOutOfMemory)
{
    // 16-byte rows: 134,209,277 of them plus the header are 2,147,348,472
    // bytes, within the limit of 2,147,348,478; one row more is not.
    CISDIB op;
    EXPECT_EQ(2147348472u, op.ISCalcDIBSize(4, 134209277u, 32, 0));
    EXPECT_EQ(0, op.m_status);
    EXPECT_EQ(0u, op.ISCalcDIBSize(4, 134209278u, 32, 0));
    EXPECT_EQ(1, op.m_status);
    // Sizes that overflow 32 bits are caught too.
    op.ISClearStatus();
    EXPECT_EQ(0u, op.ISCalcDIBSize(0xFFFFFFFFu, 0xFFFFFFFFu, 32, 0));
    EXPECT_EQ(1, op.m_status);
}

// ---------------------------------------------------------------------------
// Run-length and hostile DIBs

std::vector<BYTE> Table(std::initializer_list<uint32_t> colours)
{
    std::vector<BYTE> t;
    for (uint32_t c : colours) {
        t.push_back(BYTE(c));        // blue
        t.push_back(BYTE(c >> 8));   // green
        t.push_back(BYTE(c >> 16));  // red
        t.push_back(0);
    }
    return t;
}

// R,G,B of a 0xRRGGBB colour.
std::vector<BYTE> Rgb(std::initializer_list<uint32_t> colours)
{
    std::vector<BYTE> v;
    for (uint32_t c : colours) {
        v.push_back(BYTE(c >> 16));
        v.push_back(BYTE(c >> 8));
        v.push_back(BYTE(c));
    }
    return v;
}

constexpr uint32_t A = 0x102030, B = 0xFF0000, C = 0x00FF00, D = 0x0000FF;

TEST(DibToRgbRle, DeltaLeavesSkippedPixelsInPaletteEntryZero)
{
    // 4 x 2, bottom row first: B B, delta (1, 0), C; end of line; D D D D.
    const std::vector<BYTE> stream = {2, 1, 0, 2, 1, 0, 1, 2, 0, 0, 4, 3, 0, 1};
    const std::vector<BYTE> dib = MakeDib(4, 2, 8, BI_RLE8, 4, Table({A, B, C, D}), stream);
    std::vector<BYTE> rgb(4 * 2 * 3, 0x55);
    CISDIB op;
    ASSERT_TRUE(op.ISDIBToRGB(Header(dib), rgb.data())) << op.m_status;
    EXPECT_EQ(Rgb({D, D, D, D, B, B, A, C}), rgb);
}

TEST(DibToRgbRle, Rle4TakesTheHighNibbleFirst)
{
    // Encoded run 5 of 0x12, then an absolute run of 3 nibbles 3, 0, 1 (2 bytes).
    const std::vector<BYTE> stream = {5, 0x12, 0, 3, 0x30, 0x10, 0, 1};
    const std::vector<BYTE> dib = MakeDib(8, 1, 4, BI_RLE4, 4, Table({A, B, C, D}), stream);
    std::vector<BYTE> rgb(8 * 3);
    CISDIB op;
    ASSERT_TRUE(op.ISDIBToRGB(Header(dib), rgb.data())) << op.m_status;
    EXPECT_EQ(Rgb({B, C, B, C, B, D, A, B}), rgb);
}

TEST(DibToRgbRle, AbsoluteRunsArePaddedToWords)
{
    // Absolute run of 3 bytes plus one pad byte, then an encoded run of 1.
    const std::vector<BYTE> stream = {0, 3, 1, 2, 3, 0xEE, 1, 1, 0, 1};
    const std::vector<BYTE> dib = MakeDib(4, 1, 8, BI_RLE8, 4, Table({A, B, C, D}), stream);
    std::vector<BYTE> rgb(4 * 3);
    CISDIB op;
    ASSERT_TRUE(op.ISDIBToRGB(Header(dib), rgb.data()));
    EXPECT_EQ(Rgb({B, C, D, B}), rgb);
}

struct HostileCase {
    const char* name;
    std::vector<BYTE> dib;
    BOOL ok;
    int32_t status;
    uint32_t width, height;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HostileDib : public ::testing::TestWithParam<HostileCase> {};

// Reads stay in the block (sanitizers), writes in width x height x 3, and the
// destination of a rejected header is untouched.
TEST_P(HostileDib, StaysInBoundsAndGivesItsCode)
{
    const HostileCase& c = GetParam();
    std::vector<BYTE> rgb(size_t(c.width) * c.height * 3, 0x77);
    CISDIB op;
    EXPECT_EQ(c.ok, op.ISDIBToRGB(Header(c.dib), rgb.data()));
    EXPECT_EQ(c.status, op.m_status);
    if (!c.ok) {
        EXPECT_EQ(std::vector<BYTE>(rgb.size(), 0x77), rgb);
    }
}

std::vector<BYTE> WithHeaderField(std::vector<BYTE> dib, size_t offset, uint32_t value, size_t bytes)
{
    std::memcpy(dib.data() + offset, &value, bytes);
    return dib;
}

const std::vector<BYTE> kPal4 = Table({A, B, C, D});
const std::vector<BYTE> kPlain8 = MakeDib(4, 2, 8, BI_RGB, 4, kPal4, std::vector<BYTE>(8, 1));

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileDib,
    ::testing::Values(
        HostileCase{"rle_without_end_of_bitmap", MakeDib(4, 2, 8, BI_RLE8, 4, kPal4, {4, 1, 0, 0, 255, 2}), TRUE, 0,
                    4, 2},
        HostileCase{"rle_delta_past_last_row", MakeDib(4, 2, 8, BI_RLE8, 4, kPal4, {0, 2, 0, 9, 4, 1, 0, 1}), TRUE,
                    0, 4, 2},
        HostileCase{"rle_delta_past_right_edge", MakeDib(4, 2, 8, BI_RLE8, 4, kPal4, {0, 2, 200, 0, 255, 3, 0, 3,
                                                                                        1, 2, 3, 0, 0, 1}),
                    TRUE, 0, 4, 2},
        HostileCase{"rle_absolute_run_cut_by_size", MakeDib(4, 2, 8, BI_RLE8, 4, kPal4, {0, 200, 1, 2}), TRUE, 0, 4,
                    2},
        HostileCase{"rle4_truncated_delta", MakeDib(4, 2, 4, BI_RLE4, 4, kPal4, {0, 2, 1}), TRUE, 0, 4, 2},
        HostileCase{"rle_negative_height", MakeDib(4, -2, 8, BI_RLE8, 4, kPal4, {0, 1}), FALSE, 5, 4, 2},
        HostileCase{"rle_size_image_zero", WithHeaderField(MakeDib(4, 2, 8, BI_RLE8, 4, kPal4, {0, 1}), 20, 0, 4),
                    FALSE, 5, 4, 2},
        HostileCase{"rle8_with_4_bits", MakeDib(4, 2, 4, BI_RLE8, 4, kPal4, {0, 1}), FALSE, 7, 4, 2},
        HostileCase{"jpeg_compression", MakeDib(4, 2, 24, 4, 0, {}, std::vector<BYTE>(24)), FALSE, 7, 4, 2},
        HostileCase{"header_size_12", WithHeaderField(kPlain8, 0, 12, 4), FALSE, 5, 4, 2},
        HostileCase{"bit_count_7", WithHeaderField(kPlain8, 14, 7, 2), FALSE, 5, 4, 2},
        HostileCase{"clr_used_all_ones", WithHeaderField(kPlain8, 32, 0xFFFFFFFFu, 4), FALSE, 5, 4, 2},
        HostileCase{"width_zero", WithHeaderField(kPlain8, 4, 0, 4), FALSE, 5, 4, 2},
        HostileCase{"width_negative", WithHeaderField(kPlain8, 4, 0xFFFFFFFFu, 4), FALSE, 5, 4, 2},
        HostileCase{"huge_image", MakeDib(0x7FFFFFFF, 0x7FFFFFFF, 24, BI_RGB, 0, {}, {}), FALSE, 1, 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DibToRgb, IndexBeyondAShortTableIsBlack)
{
    const std::vector<BYTE> dib = MakeDib(2, 1, 8, BI_RGB, 1, Table({A}), {0, 200, 0, 0});
    std::vector<BYTE> rgb(6);
    CISDIB op;
    ASSERT_TRUE(op.ISDIBToRGB(Header(dib), rgb.data()));
    EXPECT_EQ(Rgb({A, 0}), rgb);
}

TEST(DibToRgb, TopDownRowsComeOutInStoredOrder)
{
    const std::vector<BYTE> pixels = {1, 2, 3, 0, 4, 5, 6, 0};  // 1 x 2, 4-byte rows
    const std::vector<BYTE> dib = MakeDib(1, -2, 24, BI_RGB, 0, {}, pixels);
    std::vector<BYTE> rgb(6);
    CISDIB op;
    ASSERT_TRUE(op.ISDIBToRGB(Header(dib), rgb.data()));
    EXPECT_EQ((std::vector<BYTE>{3, 2, 1, 6, 5, 4}), rgb);
}

struct SixteenCase {
    const char* name;
    DWORD compression;
    std::vector<uint32_t> masks;
    uint16_t pixel;
    BYTE r, g, b;
};

void PrintTo(const SixteenCase& c, std::ostream* os) { *os << c.name; }

class SixteenBitDib : public ::testing::TestWithParam<SixteenCase> {};

TEST_P(SixteenBitDib, ScalesTheFieldsToBytes)
{
    const SixteenCase& c = GetParam();
    std::vector<BYTE> masks(c.masks.size() * 4);
    if (!masks.empty())
        std::memcpy(masks.data(), c.masks.data(), masks.size());
    const std::vector<BYTE> dib =
        MakeDib(1, 1, 16, c.compression, 0, masks, {BYTE(c.pixel), BYTE(c.pixel >> 8), 0, 0});
    BYTE rgb[3] = {};
    CISDIB op;
    ASSERT_TRUE(op.ISDIBToRGB(Header(dib), rgb)) << op.m_status;
    EXPECT_EQ(c.r, rgb[0]);
    EXPECT_EQ(c.g, rgb[1]);
    EXPECT_EQ(c.b, rgb[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SixteenBitDib,
    ::testing::Values(SixteenCase{"white_555", BI_RGB, {}, 0x7FFF, 255, 255, 255},
                      // (16, 3, 31): 16*255/31 = 131, 3*255/31 = 24.
                      SixteenCase{"mixed_555", BI_RGB, {}, (16 << 10) | (3 << 5) | 31, 131, 24, 255},
                      // 5-6-5 masks: the top of each field lands on bit 7.
                      SixteenCase{"red_565", BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 0xF800, 0xF8, 0, 0},
                      SixteenCase{"green_565", BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 0x07E0, 0, 0xFC, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DIBDims, HeaderWidthAndHeight)
{
    const std::vector<BYTE> dib = MakeDib(7, -3, 24, BI_RGB, 0, {}, std::vector<BYTE>(24 * 3));
    uint32_t w = 99, h = 99;
    EXPECT_TRUE(is5_DIBWidth(Header(dib), &w));
    EXPECT_TRUE(is5_DIBHeight(Header(dib), &h));
    EXPECT_EQ(7u, w);
    EXPECT_EQ(3u, h);

    const std::vector<BYTE> old = WithHeaderField(dib, 0, 12, 4);
    EXPECT_FALSE(is5_DIBWidth(Header(old), &w));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_EQ(0u, w);
    EXPECT_FALSE(is5_DIBHeight(nullptr, &h));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_FALSE(is5_DIBHeight(Header(dib), nullptr));
    EXPECT_EQ(5, ISGetLastError());
}

}  // namespace
