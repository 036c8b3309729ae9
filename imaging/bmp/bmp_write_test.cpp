// The bitmap writer: header fields, row order and padding, RLE8 codes, flags
// and refused arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "bmp_test_util.h"
#include "imaging/bmp/bmp.h"

using namespace bmpt;

namespace {

RGBQUAD Grey(int i) { return RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0}; }

std::vector<RGBQUAD> GreyPalette(int n)
{
    std::vector<RGBQUAD> p;
    for (int i = 0; i < n; ++i)
        p.push_back(Grey(i * 255 / (n > 1 ? n - 1 : 1)));
    return p;
}

TEST(BmpWrite, TwentyFourBitThreeByTwoIsSeventyEightBytesBottomRowFirstInBGR)
{
    const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    Written w = WriteBmp(pixels.data(), 3, 2, 24, 9);
    ASSERT_EQ(w.error, 0);
    EXPECT_EQ(w.result, 78);
    ASSERT_EQ(w.file.size(), 78u);
    EXPECT_EQ(w.file[0], 'B');
    EXPECT_EQ(w.file[1], 'M');
    EXPECT_EQ(Get32(w.file, 2), 78u);
    EXPECT_EQ(Get32(w.file, 10), 54u);
    EXPECT_EQ(Get32(w.file, 14), 40u);
    EXPECT_EQ(Get32(w.file, 18), 3u);
    EXPECT_EQ(Get32(w.file, 22), 2u);
    EXPECT_EQ(Get16(w.file, 26), 1u);
    EXPECT_EQ(Get16(w.file, 28), 24u);
    EXPECT_EQ(Get32(w.file, 30), 0u);
    EXPECT_EQ(Get32(w.file, 34), 24u);
    EXPECT_EQ(Get32(w.file, 46), 0u);
    const Bytes first(w.file.begin() + 54, w.file.begin() + 66);
    EXPECT_EQ(first, (Bytes{12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0}));
    const Bytes second(w.file.begin() + 66, w.file.end());
    EXPECT_EQ(second, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0}));
}

TEST(BmpWrite, SixteenColourFourBitFileHasItsPixelsAt118)
{
    const Bytes pixels = {0x01, 0x23, 0x45};
    std::vector<RGBQUAD> palette = GreyPalette(16);
    palette[3] = RGBQUAD{9, 8, 7, 6};
    Written w = WriteBmp(pixels.data(), 5, 1, 4, 3, 16, palette.data());
    ASSERT_EQ(w.error, 0);
    ASSERT_EQ(w.file.size(), 122u);
    EXPECT_EQ(Get32(w.file, 10), 118u);
    EXPECT_EQ(Get32(w.file, 46), 16u);
    EXPECT_EQ(Get32(w.file, 50), 16u);
    EXPECT_EQ(Bytes(w.file.begin() + 66, w.file.begin() + 70), (Bytes{9, 8, 7, 6})) << "entries as given";
    EXPECT_EQ(Bytes(w.file.begin() + 118, w.file.end()), (Bytes{0x01, 0x23, 0x45, 0}));
}

struct FlagCase {
    const char* name;
    uint32_t bits;
    uint32_t width;
    uint32_t stride;
    uint32_t flags;
    Bytes pixels;  // two rows
    Bytes stored;  // the file's rows, bottom first
};

void PrintTo(const FlagCase& c, std::ostream* os) { *os << c.name; }

class BmpWriteRows : public ::testing::TestWithParam<FlagCase> {};

TEST_P(BmpWriteRows, StoreRowsBottomUpPaddedToFourBytes)
{
    const FlagCase& c = GetParam();
    std::vector<RGBQUAD> palette = GreyPalette(2);
    Written w = WriteBmp(c.pixels.data(), c.width, 2, c.bits, c.stride, c.bits <= 8 ? 2 : 0, palette.data(), c.flags);
    ASSERT_EQ(w.error, 0);
    const size_t off = Get32(w.file, 10);
    EXPECT_EQ(Bytes(w.file.begin() + off, w.file.end()), c.stored);
    EXPECT_EQ(Get32(w.file, 34), c.stored.size());
    EXPECT_EQ(Get32(w.file, 2), w.file.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BmpWriteRows,
    ::testing::Values(
        FlagCase{"bottomUpSource", 24, 1, 3, 0x4, {1, 2, 3, 4, 5, 6}, {3, 2, 1, 0, 6, 5, 4, 0}},
        FlagCase{"keepOrder", 24, 1, 3, 0x8, {1, 2, 3, 4, 5, 6}, {4, 5, 6, 0, 1, 2, 3, 0}},
        FlagCase{"strideRoundedUp", 24, 1, 3, 0x80000000u, {1, 2, 3, 0, 4, 5, 6, 0}, {6, 5, 4, 0, 3, 2, 1, 0}},
        FlagCase{"widerStride", 24, 1, 5, 0, {1, 2, 3, 0xEE, 0xEE, 4, 5, 6, 0xEE, 0xEE}, {6, 5, 4, 0, 3, 2, 1, 0}},
        FlagCase{"alphaKept32", 32, 1, 4, 0, {1, 2, 3, 4, 5, 6, 7, 8}, {7, 6, 5, 8, 3, 2, 1, 4}},
        FlagCase{"rows16AsGiven", 16, 1, 2, 0, {1, 2, 3, 4}, {3, 4, 0, 0, 1, 2, 0, 0}},
        FlagCase{"oneBitNinePixels", 1, 9, 2, 0, {0xAA, 0x80, 0x55, 0x00}, {0x55, 0, 0, 0, 0xAA, 0x80, 0, 0}},
        // Packed bytes of the row only; the rest of a wide stride stays out.
        FlagCase{"eightBitWideStride", 8, 3, 6, 0, {1, 1, 0, 9, 9, 9, 1, 0, 1, 9, 9, 9}, {1, 0, 1, 0, 1, 1, 0, 0}}),
    [](const ::testing::TestParamInfo<FlagCase>& info) { return info.param.name; });

struct RleCase {
    const char* name;
    Bytes row;
    Bytes coded;  // the row's codes, end of line included
};

void PrintTo(const RleCase& c, std::ostream* os) { *os << c.name; }

class BmpWriteRle : public ::testing::TestWithParam<RleCase> {};

TEST_P(BmpWriteRle, CodesTheRow)
{
    const RleCase& c = GetParam();
    std::vector<RGBQUAD> palette = GreyPalette(256);
    Written w = WriteBmp(c.row.data(), uint32_t(c.row.size()), 1, 8, uint32_t(c.row.size()), 256, palette.data(), 1);
    ASSERT_EQ(w.error, 0);
    const size_t off = Get32(w.file, 10);
    ASSERT_EQ(off, 54u + 1024);
    Bytes expected = c.coded;
    expected.insert(expected.end(), {0, 1});
    EXPECT_EQ(Bytes(w.file.begin() + off, w.file.end()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BmpWriteRle,
    ::testing::Values(
        RleCase{"twoDifferentAreNotAnAbsoluteRun", {1, 2, 3, 3, 3, 3}, {1, 1, 1, 2, 4, 3, 0, 0}},
        RleCase{"absoluteRunStopsAtSecondToLast", {1, 2, 3, 4, 5, 5}, {0, 5, 1, 2, 3, 4, 5, 0, 1, 5, 0, 0}},
        RleCase{"oddWidthCodesAnExtraZero", {7, 8, 9}, {0, 3, 7, 8, 9, 0, 1, 0, 0, 0}},
        RleCase{"singlePixel", {9}, {1, 9, 1, 0, 0, 0}},
        RleCase{"evenAbsoluteRunHasNoPad", {1, 2, 3, 4, 6, 6, 6, 6}, {0, 4, 1, 2, 3, 4, 4, 6, 0, 0}},
        RleCase{"longRunSplitsAt255", Bytes(300, 5), {255, 5, 45, 5, 0, 0}}),
    [](const ::testing::TestParamInfo<RleCase>& info) { return info.param.name; });

TEST(BmpWrite, AbsoluteRunsStopAt254Pixels)
{
    Bytes row(300);
    for (size_t i = 0; i < row.size(); ++i)
        row[i] = uint8_t(i);
    std::vector<RGBQUAD> palette = GreyPalette(256);
    Written w = WriteBmp(row.data(), 300, 1, 8, 300, 256, palette.data(), 1);
    ASSERT_EQ(w.error, 0);
    const Bytes data(w.file.begin() + 1078, w.file.end());
    ASSERT_GE(data.size(), 2u + 254 + 2);
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[1], 254);
    EXPECT_EQ(data[2 + 254], 0) << "the next absolute run";
    EXPECT_EQ(data[3 + 254], 45) << "up to the second-to-last pixel";
}

TEST(BmpWrite, RleFileEndsWithEndOfBitmapAndItsSizesArePatched)
{
    const uint32_t w = 7, h = 5;
    Bytes pixels(w * h);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t((i / 3) % 4);
    std::vector<RGBQUAD> palette = GreyPalette(4);
    Written out = WriteBmp(pixels.data(), w, h, 8, w, 4, palette.data(), 1);
    ASSERT_EQ(out.error, 0);
    const Bytes& f = out.file;
    EXPECT_EQ(out.result, int32_t(f.size()));
    EXPECT_EQ(f[f.size() - 2], 0);
    EXPECT_EQ(f[f.size() - 1], 1);
    EXPECT_EQ(Get32(f, 2), f.size());
    EXPECT_EQ(Get32(f, 30), 1u);
    EXPECT_EQ(Get32(f, 34), f.size() - 54 - 16);
    EXPECT_EQ(Get32(f, 10), 54u + 16);
    Image back = ReadBmp(f, 8);
    ASSERT_NE(back.data, nullptr);
    EXPECT_EQ(back.error, 0);
    EXPECT_EQ(back.All(w * h), pixels);
}

TEST(BmpWrite, OddWidthRleReadsNoSourceBytePastTheWidth)
{
    // An exact heap block: ASan reports any read past it.
    const uint32_t w = 5, h = 3;
    std::unique_ptr<BYTE[]> pixels(new BYTE[w * h]);
    for (uint32_t i = 0; i < w * h; ++i)
        pixels[i] = BYTE(i % 3);
    std::vector<RGBQUAD> palette = GreyPalette(3);
    Written out = WriteBmp(pixels.get(), w, h, 8, w, 3, palette.data(), 1);
    ASSERT_EQ(out.error, 0);
    Image back = ReadBmp(out.file, 8);
    ASSERT_EQ(back.error, 0);
    EXPECT_EQ(back.All(w * h), Bytes(pixels.get(), pixels.get() + w * h));
}

TEST(BmpWrite, ResolutionsAreClampedAndNaNIsZero)
{
    const Bytes pixels = {1, 2, 3};
    ISResolution r{std::numeric_limits<double>::quiet_NaN(), 1e300, 0};
    Written w = WriteBmp(pixels.data(), 1, 1, 24, 3, 0, nullptr, 0, &r);
    ASSERT_EQ(w.error, 0);
    EXPECT_EQ(Get32(w.file, 38), 0u);
    EXPECT_EQ(Get32(w.file, 42), 2147483647u);
    r = ISResolution{2834.9, -1e300, 0};
    w = WriteBmp(pixels.data(), 1, 1, 24, 3, 0, nullptr, 0, &r);
    EXPECT_EQ(Get32(w.file, 38), 2834u);
    EXPECT_EQ(Get32(w.file, 42), 0x80000000u);
}

struct BadCase {
    const char* name;
    uint32_t width;
    uint32_t height;
    uint32_t bits;
    uint32_t stride;
    uint32_t colours;
    bool palette;
    uint32_t flags;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class BmpWriteRefuses : public ::testing::TestWithParam<BadCase> {};

TEST_P(BmpWriteRefuses, WithStatus5AndWritesNothing)
{
    const BadCase& c = GetParam();
    const Bytes pixels(4096, 1);
    std::vector<RGBQUAD> palette = GreyPalette(256);
    Written w = WriteBmp(pixels.data(), c.width, c.height, c.bits, c.stride, c.colours,
                         c.palette ? palette.data() : nullptr, c.flags);
    EXPECT_EQ(w.result, 0);
    EXPECT_EQ(w.error, 5);
    EXPECT_TRUE(w.file.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BmpWriteRefuses,
    ::testing::Values(BadCase{"negativeWidth", uint32_t(-3), 2, 24, 12, 0, false, 0},
                      BadCase{"zeroHeight", 4, 0, 24, 12, 0, false, 0},
                      BadCase{"negativeHeight", 4, uint32_t(-1), 24, 12, 0, false, 0},
                      BadCase{"strideBelowRow", 4, 2, 24, 11, 0, false, 0},
                      BadCase{"strideBelowRow1Bit", 9, 2, 1, 1, 2, true, 0},
                      BadCase{"strideBelowRowRle", 5, 2, 8, 4, 2, true, 1},
                      BadCase{"coloursAbove256", 4, 2, 8, 4, 300, true, 0},
                      BadCase{"coloursMinusOne", 4, 2, 8, 4, uint32_t(-1), true, 0},
                      BadCase{"noColoursFor8Bits", 4, 2, 8, 4, 0, true, 0},
                      BadCase{"noColoursForRle", 4, 2, 8, 4, 0, true, 1},
                      BadCase{"noPalette", 4, 2, 4, 4, 16, false, 0},
                      BadCase{"bitCount7", 4, 2, 7, 4, 2, true, 0},
                      BadCase{"bitCount0", 4, 2, 0, 4, 0, false, 0}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return info.param.name; });

TEST(BmpWrite, DibWithABadHeaderIsStatus5)
{
    struct Dib {
        uint32_t size;
        int32_t width, height;
        uint32_t bits, colours;
    } cases[] = {{12, 1, 1, 24, 0}, {40, 0, 1, 24, 0}, {40, 1, 0, 24, 0}, {40, 1, 1, 7, 0}, {40, 1, 1, 8, 257}};
    for (const Dib& d : cases) {
        Bytes dib(40 + 1024 + 64);
        Put32(dib, 0, d.size);
        Put32(dib, 4, uint32_t(d.width));
        Put32(dib, 8, uint32_t(d.height));
        Put16(dib, 12, 1);
        Put16(dib, 14, d.bits);
        Put32(dib, 32, d.colours);
        Written w = WriteBmp(dib.data(), 0, 0, 0, 0, 0, nullptr, 2);
        EXPECT_EQ(w.result, 0) << d.size << " " << d.width << " " << d.height << " " << d.bits;
        EXPECT_EQ(w.error, 5);
    }
}

TEST(BmpWrite, SmallSinkIsStatus4)
{
    const Bytes pixels(3 * 4 * 4, 7);
    MemorySink sink(20);
    EXPECT_EQ(is5_WriteBMP(sink.Handle(), pixels.data(), 4, 4, 24, 12, 0, nullptr, nullptr, 0), 0);
    EXPECT_EQ(ISGetLastError(), 4);
    std::vector<RGBQUAD> palette = GreyPalette(2);
    MemorySink rleSink(60);
    EXPECT_EQ(is5_WriteBMP(rleSink.Handle(), pixels.data(), 4, 4, 8, 4, 2, palette.data(), nullptr, 1), 0);
    EXPECT_EQ(ISGetLastError(), 4);
}

TEST(BmpWrite, NullOrClosedSinkAndNullPixels)
{
    const Bytes pixels(12, 7);
    EXPECT_EQ(is5_WriteBMP(nullptr, pixels.data(), 2, 2, 24, 6, 0, nullptr, nullptr, 0), 0);
    EXPECT_EQ(ISGetLastError(), 5);
    MemorySink sink(1000);
    EXPECT_EQ(is5_WriteBMP(sink.Handle(), nullptr, 2, 2, 24, 6, 0, nullptr, nullptr, 0), 0);
    EXPECT_EQ(ISGetLastError(), 5);
    CISIO_Memory closed;
    EXPECT_EQ(is5_WriteBMP(reinterpret_cast<HISDEST>(static_cast<CISIO*>(&closed)), pixels.data(), 2, 2, 24, 6, 0,
                           nullptr, nullptr, 0),
              0);
    EXPECT_EQ(ISGetLastError(), 38);
}

int g_calls = 0;
BOOL StopAtSecondRow(int32_t done, int32_t total, void*)
{
    ++g_calls;
    EXPECT_EQ(total, 4);
    return done < 2;
}

TEST(BmpWrite, ProgressAfterEachRowAndCancelIsStatus14)
{
    const Bytes pixels(3 * 4 * 4, 7);
    g_calls = 0;
    is5_SetCallback(StopAtSecondRow, nullptr);
    Written w = WriteBmp(pixels.data(), 4, 4, 24, 12);
    is5_SetCallback(nullptr, nullptr);
    EXPECT_EQ(w.result, 0);
    EXPECT_EQ(w.error, 14);
    EXPECT_EQ(g_calls, 2);
}

}  // namespace

namespace {

TEST(BmpSwap, RedAndBlueChangePlacesAtEveryRowLength)
{
    for (size_t count = 0; count <= 41; ++count) {
        Bytes source(count * 3 + 1), target(count * 3 + 1, 0xEE), expected(count * 3 + 1, 0xEE);
        for (size_t i = 0; i < source.size(); ++i)
            source[i] = uint8_t(i * 37 + 1);
        for (size_t p = 0; p < count; ++p) {
            expected[3 * p] = source[3 * p + 2];
            expected[3 * p + 1] = source[3 * p + 1];
            expected[3 * p + 2] = source[3 * p];
        }
        ISBmpCopySwap24(source.data(), target.data(), count);
        EXPECT_EQ(target, expected) << count << " pixels, the byte after them untouched";
        Bytes inPlace = source;
        ISBmpCopySwap24(inPlace.data(), inPlace.data(), count);
        expected.back() = source.back();
        EXPECT_EQ(inPlace, expected) << count << " pixels in place";
    }
}

}  // namespace
