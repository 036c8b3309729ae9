// The bitmap reader on small hand-written files: row order and padding,
// palettes, bit fields, run-length streams, pixel offsets and the probe.
#include <gtest/gtest.h>

#include "bmp_test_util.h"

using namespace bmpt;

namespace {

// A 3 x 2 picture: top row red, green, blue; bottom row white, grey, black.
const Bytes kTopRgb = {255, 0, 0, 0, 255, 0, 0, 0, 255};
const Bytes kBottomRgb = {255, 255, 255, 128, 128, 128, 0, 0, 0};

Bytes Bgr(const Bytes& rgb)
{
    Bytes out(rgb);
    for (size_t i = 0; i + 2 < out.size(); i += 3)
        std::swap(out[i], out[i + 2]);
    return out;
}

Bytes Padded(Bytes row, size_t to)
{
    row.resize(to, 0);
    return row;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes ThreeByTwo(bool topDown)
{
    FileSpec s;
    s.width = 3;
    s.height = topDown ? -2 : 2;
    const Bytes top = Padded(Bgr(kTopRgb), 12), bottom = Padded(Bgr(kBottomRgb), 12);
    s.pixels = topDown ? Concat({top, bottom}) : Concat({bottom, top});
    return MakeFile(s);
}

TEST(BmpRead, Width3At24BitsGivesNineByteRowsRedFirst)
{
    Image img = ReadBmp(ThreeByTwo(false), 24);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 0);
    EXPECT_EQ(img.width, 3u);
    EXPECT_EQ(img.height, 2u);
    EXPECT_EQ(img.All(18), Concat({kTopRgb, kBottomRgb}));
}

TEST(BmpRead, PaddedFlagGivesTwelveByteRowsInFileOrder)
{
    Image img = ReadBmp(ThreeByTwo(false), 24, 8);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.All(24), Concat({Padded(Bgr(kTopRgb), 12), Padded(Bgr(kBottomRgb), 12)}));
}

TEST(BmpRead, TopDownTwinReadsTheSameAndItsHeightIsNegative)
{
    Image bottomUp = ReadBmp(ThreeByTwo(false), 24);
    Image topDown = ReadBmp(ThreeByTwo(true), 24);
    ASSERT_NE(topDown.data, nullptr);
    EXPECT_EQ(topDown.height, 2u);
    EXPECT_EQ(topDown.All(18), bottomUp.All(18));

    const Bytes file = ThreeByTwo(true);
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0, bits = 0;
    ISResolution res{0, 0, 0};
    EXPECT_TRUE(is5_GetBMPDims(source, &w, &h, &bits, &res, 0));
    EXPECT_EQ(ISGetLastError(), 0);
    is5_CloseSource(source);
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(int32_t(h), -2);
    EXPECT_EQ(bits, 24u);
    EXPECT_EQ(res.x, 2835);
    EXPECT_EQ(res.y, 3780);
    EXPECT_EQ(res.unit, 2u);
}

TEST(BmpRead, Depth32AddsOpaqueAlphaTo24BitFiles)
{
    Image img = ReadBmp(ThreeByTwo(false), 32);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.Row(0, 12), (Bytes{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255}));
}

// A 4-bit picture of 5 x 2 with three colours in its table.
Bytes FourBit()
{
    FileSpec s;
    s.width = 5;
    s.height = 2;
    s.bits = 4;
    s.colorsUsed = 3;
    s.table = Table({{10, 20, 30}, {40, 50, 60}, {70, 80, 90}});
    s.pixels = {0x01, 0x25, 0xF0, 0, 0x21, 0x02, 0x10, 0};  // bottom: 0 1 2 5 15, top: 2 1 0 2 1
    return MakeFile(s);
}

TEST(BmpRead, FourBitFileAtDepth1IsStatus28)
{
    Image img = ReadBmp(FourBit(), 1);
    EXPECT_EQ(img.data, nullptr);
    EXPECT_EQ(img.error, 28);
}

TEST(BmpRead, FourBitFileAtDepth8GivesIndicesAndRepeatsEntry0)
{
    Image img = ReadBmp(FourBit(), 8);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 0);
    EXPECT_EQ(img.All(10), (Bytes{2, 1, 0, 2, 1, 0, 1, 2, 5, 15}));
    EXPECT_EQ(img.palette[2].rgbRed, 90);
    for (int i = 3; i < 256; ++i) {
        EXPECT_EQ(img.palette[i].rgbRed, 30) << i;
        EXPECT_EQ(img.palette[i].rgbBlue, 10) << i;
    }
}

TEST(BmpRead, IndicesPastTheTableReadEntry0At24Bits)
{
    Image img = ReadBmp(FourBit(), 24);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.Row(1, 15), (Bytes{30, 20, 10, 60, 50, 40, 90, 80, 70, 30, 20, 10, 30, 20, 10}));
}

TEST(BmpRead, PaddedFlagPadsIndexRows)
{
    Image img = ReadBmp(FourBit(), 8, 8);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.All(16), (Bytes{2, 1, 0, 2, 1, 0, 0, 0, 0, 1, 2, 5, 15, 0, 0, 0}));
}

TEST(BmpRead, OneBitFileAtDepth1KeepsTheRowBytes)
{
    FileSpec s;
    s.width = 10;
    s.height = 2;
    s.bits = 1;
    s.table = Table({{0, 0, 0}, {255, 255, 255}});
    s.pixels = {0xF0, 0x40, 0, 0, 0x0F, 0xC0, 0, 0};
    Image img = ReadBmp(MakeFile(s), 1);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.All(4), (Bytes{0x0F, 0xC0, 0xF0, 0x40}));
    EXPECT_EQ(img.palette[1].rgbGreen, 255);
    Image idx = ReadBmp(MakeFile(s), 8);
    ASSERT_NE(idx.data, nullptr);
    EXPECT_EQ(idx.Row(0, 10), (Bytes{0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
}

TEST(BmpRead, CoreHeaderFillsThePaletteWithZeroFourthBytes)
{
    const Bytes table = {1, 2, 3, 4, 5, 6};
    Image img = ReadBmp(MakeCoreFile(9, 1, 1, table, {0xFF, 0x80, 0, 0}), 8);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 0);
    EXPECT_EQ(img.All(9), (Bytes{1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(img.palette[1].rgbBlue, 4);
    EXPECT_EQ(img.palette[1].rgbRed, 6);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(img.palette[i].rgbReserved, 0) << i;
    EXPECT_EQ(img.palette[200].rgbRed, 3);
}

TEST(BmpRead, CoreHeader24BitRowsFollowTheHeader)
{
    const Bytes file = MakeCoreFile(3, 2, 24, {}, Concat({Padded(Bgr(kBottomRgb), 12), Padded(Bgr(kTopRgb), 12)}));
    Image img = ReadBmp(file, 24);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.All(18), Concat({kTopRgb, kBottomRgb}));
}

struct FieldCase {
    const char* name;
    uint32_t bits;
    uint32_t compression;
    Bytes masks;
    Bytes pixel;
    Bytes rgba;  // read at depth 32
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }

Bytes Masks(uint32_t r, uint32_t g, uint32_t b)
{
    Bytes m(12);
    Put32(m, 0, r);
    Put32(m, 4, g);
    Put32(m, 8, b);
    return m;
}

class BmpReadFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(BmpReadFields, DecodeThroughTheMasks)
{
    const FieldCase& c = GetParam();
    FileSpec s;
    s.bits = c.bits;
    s.compression = c.compression;
    s.table = c.masks;
    s.pixels = Padded(c.pixel, 4);
    Image img = ReadBmp(MakeFile(s), 32);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 0);
    EXPECT_EQ(img.All(4), c.rgba);
    Image rgb = ReadBmp(MakeFile(s), 24);
    ASSERT_NE(rgb.data, nullptr);
    EXPECT_EQ(rgb.All(3), Bytes(c.rgba.begin(), c.rgba.begin() + 3));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BmpReadFields,
    ::testing::Values(
        FieldCase{"white565", 16, 3, Masks(0xF800, 0x07E0, 0x001F), {0xFF, 0xFF}, {248, 252, 248, 255}},
        FieldCase{"white555NoMasks", 16, 0, {}, {0xFF, 0x7F}, {255, 255, 255, 255}},
        FieldCase{"mixed555NoMasks", 16, 0, {}, {0x1F, 0x40}, {131, 0, 255, 255}},
        FieldCase{"tenBitChannels", 32, 3, Masks(0x3FF00000, 0x000FFC00, 0x000003FF), {0x55, 0x81, 0x08, 0x3F},
                  {0xFC, 0x88, 0x55, 255}},
        FieldCase{"standardMasksKeepAlpha", 32, 3, Masks(0xFF0000, 0xFF00, 0xFF), {0x33, 0x22, 0x11, 0x80},
                  {0x11, 0x22, 0x33, 0x80}},
        FieldCase{"plain32AlphaFromByte3", 32, 0, {}, {0x33, 0x22, 0x11, 0x00}, {0x11, 0x22, 0x33, 0x00}}),
    [](const ::testing::TestParamInfo<FieldCase>& info) { return info.param.name; });

Bytes Rle8(int32_t width, int32_t height, const Bytes& stream)
{
    FileSpec s;
    s.width = width;
    s.height = height;
    s.bits = 8;
    s.compression = 1;
    s.colorsUsed = 2;
    s.table = Table({{1, 2, 3}, {4, 5, 6}});
    s.pixels = stream;
    return MakeFile(s);
}

TEST(BmpRead, Rle8RunLeavesTheRestInIndex0)
{
    Image img = ReadBmp(Rle8(4, 1, {0x03, 0x41, 0x00, 0x00, 0x00, 0x01}), 8);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 0);
    EXPECT_EQ(img.All(4), (Bytes{0x41, 0x41, 0x41, 0x00}));
}

TEST(BmpRead, Rle8WithoutEndOfBitmapReturnsTheImageWithStatus3)
{
    Image img = ReadBmp(Rle8(4, 1, {0x03, 0x01, 0x00, 0x00}), 24);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 3);
    EXPECT_EQ(img.All(12), (Bytes{6, 5, 4, 6, 5, 4, 6, 5, 4, 3, 2, 1}));
}

TEST(BmpRead, Rle8AbsoluteRunIsPaddedAndDeltaMovesRightAndUp)
{
    // Bottom row: absolute run a b c and its pad byte; then 2 right, 1 up.
    const Bytes stream = {0x00, 0x03, 0x0A, 0x0B, 0x0C, 0x00, 0x00, 0x02, 0x02, 0x01, 0x01, 0x0D, 0x00, 0x01};
    Image img = ReadBmp(Rle8(6, 2, stream), 8);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 0);
    EXPECT_EQ(img.All(12), (Bytes{0, 0, 0, 0, 0, 0x0D, 0x0A, 0x0B, 0x0C, 0, 0, 0}));
}

TEST(BmpRead, Rle8At32BitsFillsWithEntry0AndPaddedFlagKeepsBGR)
{
    Image img = ReadBmp(Rle8(2, 1, {0x01, 0x01, 0x00, 0x00, 0x00, 0x01}), 32, 8);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.All(8), (Bytes{4, 5, 6, 255, 1, 2, 3, 255}));
}

TEST(BmpRead, Rle4RunsAlternateNibblesAndAbsoluteRunsArePadded)
{
    FileSpec s;
    s.width = 5;
    s.height = 2;
    s.bits = 4;
    s.compression = 2;
    s.table = Bytes(64, 0);
    s.pixels = {0x05, 0x12, 0x00, 0x00, 0x00, 0x05, 0x34, 0x56, 0x70, 0x00, 0x00, 0x01};
    Image img = ReadBmp(MakeFile(s), 8);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 0);
    EXPECT_EQ(img.All(10), (Bytes{3, 4, 5, 6, 7, 1, 2, 1, 2, 1}));
}

TEST(BmpRead, PixelsStartAtTheOffsetOrRightAfterTheTable)
{
    FileSpec s;
    s.width = 1;
    s.pixels = {1, 2, 3, 0};
    for (int64_t off : {int64_t(0), int64_t(14), int64_t(54)}) {
        s.offBits = off;
        Image img = ReadBmp(MakeFile(s), 24);
        ASSERT_NE(img.data, nullptr) << off;
        EXPECT_EQ(img.All(3), (Bytes{3, 2, 1})) << off;
    }
    // A gap between the headers and the pixels.
    s.pixels = {9, 9, 9, 9, 9, 9, 1, 2, 3, 0};
    s.offBits = 60;
    Image img = ReadBmp(MakeFile(s), 24);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.All(3), (Bytes{3, 2, 1}));
}

int g_rows = 0;
BOOL StopAfterOneRow(int32_t done, int32_t total, void*)
{
    ++g_rows;
    EXPECT_EQ(total, 2);
    return done < 1;
}

TEST(BmpRead, CancelReturnsTheRowsReadWithStatus14)
{
    g_rows = 0;
    is5_SetCallback(StopAfterOneRow, nullptr);
    Image img = ReadBmp(ThreeByTwo(false), 24);
    Image rle = ReadBmp(Rle8(2, 2, {0x02, 0x01, 0x00, 0x00, 0x02, 0x01, 0x00, 0x01}), 8);
    is5_SetCallback(nullptr, nullptr);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 14);
    EXPECT_EQ(img.All(18), Concat({Bytes(9, 0), kBottomRgb})) << "only the bottom row was read";
    ASSERT_NE(rle.data, nullptr);
    EXPECT_EQ(rle.error, 14);
    EXPECT_EQ(rle.All(4), (Bytes{0, 0, 1, 1}));
}

TEST(BmpRead, BadArgumentsAreStatus5And38)
{
    const Bytes file = ThreeByTwo(false);
    uint32_t w = 0, h = 0;
    EXPECT_EQ(is5_ReadBMP(nullptr, &w, &h, 24, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    EXPECT_EQ(is5_ReadBMP(source, &w, &h, 16, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ(is5_ReadBMP(source, &w, &h, 8, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5) << "depth 8 needs a palette";
    is5_CloseSource(source);
    CISIO_Memory closed;
    HISSRC bad = reinterpret_cast<HISSRC>(static_cast<CISIO*>(&closed));
    EXPECT_EQ(is5_ReadBMP(bad, &w, &h, 24, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 38);
    uint32_t bits = 0;
    EXPECT_FALSE(is5_GetBMPDims(bad, &w, &h, &bits, nullptr, 0));
    EXPECT_EQ(ISGetLastError(), 38);
}

enum class Source { kNull, kClosed, kFile };

struct EntryCase {
    const char* label;
    Source source;
    uint32_t depth;
    bool palette;
    uint32_t flags;
    int32_t code;
};

class BmpReadEntry : public ::testing::TestWithParam<EntryCase> {};

// The size outs are zeroed before anything is checked; the palette is needed
// for indices only, and only once the source passed its checks.
TEST_P(BmpReadEntry, ZeroesTheSizesAndWantsAPaletteForIndicesOnly)
{
    const EntryCase& c = GetParam();
    const Bytes file = ThreeByTwo(false);
    CISIO_Memory closed;
    HISSRC source = c.source == Source::kFile ? is5_OpenMemorySource(file.data(), int32_t(file.size()))
                    : c.source == Source::kClosed ? reinterpret_cast<HISSRC>(static_cast<CISIO*>(&closed))
                                                  : nullptr;
    RGBQUAD palette[256];
    uint32_t w = 7, h = 7;
    void* pixels = is5_ReadBMP(source, &w, &h, c.depth, c.palette ? palette : nullptr, c.flags);
    EXPECT_EQ(ISGetLastError(), c.code);
    EXPECT_EQ(pixels != nullptr, c.code == 0);
    EXPECT_EQ(w, c.code == 0 ? 3u : 0u);
    EXPECT_EQ(h, c.code == 0 ? 2u : 0u);
    if (pixels)
        GlobalFree(pixels);
    if (c.source == Source::kFile)
        is5_CloseSource(source);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BmpReadEntry,
    ::testing::Values(EntryCase{"NullSource", Source::kNull, 24, true, 0, 5},
                      EntryCase{"ClosedSourceBeforeMissingPalette", Source::kClosed, 8, false, 0, 38},
                      EntryCase{"OneBitWithoutPalette", Source::kFile, 1, false, 0, 5},
                      EntryCase{"IndicesOfATrueColourFile", Source::kFile, 8, true, 0, 28},
                      EntryCase{"TrueColourWithoutPalette", Source::kFile, 32, false, 0, 0},
                      EntryCase{"DibWithoutPaletteAtAnyDepth", Source::kFile, 3, false, 0x2, 0}),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.label); });

TEST(BmpRead, ProbeOfACoreHeader)
{
    const Bytes file = MakeCoreFile(300, 200, 8, Bytes(768, 0), Bytes(300 * 200, 0));
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0, bits = 0;
    EXPECT_TRUE(is5_GetBMPDims(source, &w, &h, &bits, nullptr, 0));
    is5_CloseSource(source);
    EXPECT_EQ(w, 300u);
    EXPECT_EQ(h, 200u);
    EXPECT_EQ(bits, 8u);
}

TEST(BmpReadDib, InfoFileComesBackAsItsHeaderTableAndRows)
{
    const Bytes file = FourBit();
    Image dib = ReadBmp(file, 0, 2);
    ASSERT_NE(dib.data, nullptr);
    EXPECT_EQ(dib.error, 0);
    EXPECT_EQ(dib.width, 5u);
    EXPECT_EQ(dib.height, 2u);
    EXPECT_EQ(dib.All(file.size() - 14), Bytes(file.begin() + 14, file.end()));
    uint32_t w = 0, h = 0;
    const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data);
    EXPECT_TRUE(is5_DIBWidth(header, &w));
    EXPECT_TRUE(is5_DIBHeight(header, &h));
    EXPECT_EQ(w, 5u);
    EXPECT_EQ(h, 2u);
}

TEST(BmpReadDib, CoreFileGetsAnInfoHeaderAndFourByteEntries)
{
    const Bytes table = {1, 2, 3, 4, 5, 6};
    Image dib = ReadBmp(MakeCoreFile(9, 2, 1, table, {0xFF, 0x80, 0, 0, 0x01, 0x00, 0, 0}), 0, 2);
    ASSERT_NE(dib.data, nullptr);
    EXPECT_EQ(dib.error, 0);
    const Bytes b = dib.All(40 + 8 + 8);
    EXPECT_EQ(Get32(b, 0), 40u);
    EXPECT_EQ(Get32(b, 4), 9u);
    EXPECT_EQ(Get32(b, 8), 2u);
    EXPECT_EQ(Get16(b, 12), 1u);
    EXPECT_EQ(Get16(b, 14), 1u);
    EXPECT_EQ(Get32(b, 16), 0u);
    EXPECT_EQ(Get32(b, 20), 8u);
    EXPECT_EQ(Get32(b, 32), 2u);
    EXPECT_EQ(Bytes(b.begin() + 40, b.begin() + 48), (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));
    EXPECT_EQ(Bytes(b.begin() + 48, b.end()), (Bytes{0xFF, 0x80, 0, 0, 0x01, 0x00, 0, 0}));

    // Written back behind a file header, it reads as the core file does.
    Written w = WriteBmp(dib.data, 0, 0, 0, 0, 0, nullptr, 2);
    ASSERT_EQ(w.error, 0);
    EXPECT_EQ(w.result, 14 + 56);
    EXPECT_EQ(Get32(w.file, 10), 62u);
    Image again = ReadBmp(w.file, 0, 2);
    ASSERT_NE(again.data, nullptr);
    EXPECT_EQ(again.All(56), b);
}

TEST(BmpReadDib, ZeroImageSizeIsFilledIn)
{
    Bytes file = ThreeByTwo(false);
    Put32(file, 34, 0);
    Image dib = ReadBmp(file, 0, 2);
    ASSERT_NE(dib.data, nullptr);
    EXPECT_EQ(Get32(dib.All(40), 20), 24u);
}

}  // namespace
