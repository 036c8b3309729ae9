// The PCX reader against pcxtoppm: ppmtopcx's forms and ImageMagick's files
// at 1, 8 and 24 bits and as DIBs, palettes and the header probe.
#include <cstring>

#include "pcx_test_util.h"

namespace {

using pcxt::Bytes;
using pcxt::Fixture;
using pcxt::ReadPcx;
using pcxt::Result;

struct Golden {
    const char* name;
    uint32_t bits;  // the file's bits per pixel
};

void PrintTo(const Golden& g, std::ostream* os) { *os << g.name; }

// Compares rows of pixels (colour per x from `at`) with the reference.
template <typename At>
void ExpectPicture(const vt::Pnm& ref, uint32_t width, uint32_t height, const char* name, At at)
{
    ASSERT_EQ(uint32_t(ref.width), width) << name;
    ASSERT_EQ(uint32_t(ref.height), height) << name;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t rgb[3];
            at(x, y, rgb);
            const uint8_t* want = &ref.pixels[(size_t(y) * width + x) * 3];
            ASSERT_EQ(Bytes(want, want + 3), Bytes(rgb, rgb + 3)) << name << " at " << x << "," << y;
        }
}

class PcxGolden : public ::testing::TestWithParam<Golden> {};

TEST_P(PcxGolden, EveryDepthShowsTheReference)
{
    const Golden& g = GetParam();
    const std::string name = g.name;
    const Bytes file = Fixture(name + ".pcx");
    vt::Pnm ref;
    ASSERT_TRUE(vt::ReadPnm(vt::FixturePath(name + ".ppm"), &ref)) << name;

    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0, bits = 0;
    ISResolution res = {-1, -1, 9};
    EXPECT_TRUE(is5_GetPCXDims(source, &w, &h, &bits, &res, 0));
    is5_CloseSource(source);
    EXPECT_EQ(37u, w);
    EXPECT_EQ(23u, h);
    EXPECT_EQ(g.bits, bits) << name;
    EXPECT_EQ(double(file[12] | file[13] << 8), res.x);
    EXPECT_EQ(double(file[14] | file[15] << 8), res.y);
    EXPECT_EQ(0u, res.unit);

    const Result rgb = ReadPcx(file, 24, 0);
    ASSERT_EQ(0, rgb.status) << name;
    ASSERT_EQ(ref.pixels.size(), size_t(rgb.width) * rgb.height * 3);
    EXPECT_EQ(ref.pixels, Bytes(rgb.bytes.begin(), rgb.bytes.begin() + ref.pixels.size())) << name;

    const Result padded = ReadPcx(file, 24, 8);
    ASSERT_EQ(0, padded.status) << name;
    const uint32_t paddedRow = (37 * 3 + 3) / 4 * 4;
    ExpectPicture(ref, padded.width, padded.height, g.name, [&](uint32_t x, uint32_t y, uint8_t* c) {
        const uint8_t* p = &padded.bytes[y * paddedRow + 3 * x];
        c[0] = p[2], c[1] = p[1], c[2] = p[0];
    });

    if (g.bits <= 8) {
        const Result idx = ReadPcx(file, 8, 0);
        ASSERT_EQ(0, idx.status) << name;
        ExpectPicture(ref, idx.width, idx.height, g.name, [&](uint32_t x, uint32_t y, uint8_t* c) {
            const RGBQUAD& q = idx.palette[idx.bytes[y * 37 + x]];
            c[0] = q.rgbRed, c[1] = q.rgbGreen, c[2] = q.rgbBlue;
        });
    } else {
        EXPECT_EQ(28, ReadPcx(file, 8, 0).status);
    }
    if (g.bits == 1) {
        const Result mono = ReadPcx(file, 1, 0);
        ASSERT_EQ(0, mono.status);
        ExpectPicture(ref, mono.width, mono.height, g.name, [&](uint32_t x, uint32_t y, uint8_t* c) {
            const RGBQUAD& q = mono.palette[(mono.bytes[y * 5 + x / 8] >> (7 - x % 8)) & 1];
            c[0] = q.rgbRed, c[1] = q.rgbGreen, c[2] = q.rgbBlue;
        });
    } else {
        EXPECT_EQ(28, ReadPcx(file, 1, 0).status);
    }

    const Result dib = ReadPcx(file, 24, 2, false);
    ASSERT_EQ(0, dib.status) << name;
    const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(dib.bytes.data());
    const uint32_t depth = g.bits == 1 ? 1 : g.bits <= 8 ? 8 : 24;
    const uint32_t colours = depth == 1 ? 2 : depth == 8 ? 256 : 0;
    const uint32_t stride = (depth * 37 + 31) / 32 * 4;
    EXPECT_EQ(40u, bih->biSize);
    EXPECT_EQ(37, bih->biWidth);
    EXPECT_EQ(23, bih->biHeight);
    EXPECT_EQ(depth, bih->biBitCount);
    EXPECT_EQ(colours, bih->biClrUsed);
    EXPECT_EQ(stride * 23, bih->biSizeImage);
    ASSERT_GE(dib.bytes.size(), 40 + 4 * colours + stride * 23);
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(dib.bytes.data() + 40);
    const uint8_t* rows = dib.bytes.data() + 40 + 4 * colours;
    ExpectPicture(ref, 37, 23, g.name, [&](uint32_t x, uint32_t y, uint8_t* c) {
        const uint8_t* row = rows + (22 - y) * stride;
        if (depth == 24) {
            c[0] = row[3 * x + 2], c[1] = row[3 * x + 1], c[2] = row[3 * x];
            return;
        }
        const uint32_t i = depth == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
        c[0] = table[i].rgbRed, c[1] = table[i].rgbGreen, c[2] = table[i].rgbBlue;
    });
}

INSTANTIATE_TEST_SUITE_P(
    Files, PcxGolden,
    ::testing::Values(Golden{"pcx_d2", 1}, Golden{"pcx_d4", 2}, Golden{"pcx_d8", 3}, Golden{"pcx_d16", 4},
                      Golden{"pcx_d200", 8}, Golden{"pcx_p2", 1}, Golden{"pcx_p4", 2}, Golden{"pcx_p8", 4},
                      Golden{"pcx_p16", 4}, Golden{"pcx_p200", 8}, Golden{"pcx_e2", 8}, Golden{"pcx_e4", 8},
                      Golden{"pcx_e8", 8}, Golden{"pcx_e16", 8}, Golden{"pcx_e200", 8}, Golden{"pcx_t2", 24},
                      Golden{"pcx_t4", 24}, Golden{"pcx_t8", 24}, Golden{"pcx_t16", 24}, Golden{"pcx_t200", 24},
                      Golden{"pcx_m2", 24}, Golden{"pcx_m4", 24}, Golden{"pcx_m8", 24}, Golden{"pcx_m16", 24},
                      Golden{"pcx_m200", 24}),
    [](const ::testing::TestParamInfo<Golden>& info) { return std::string(info.param.name); });

void ExpectGreyRamp(const Result& r)
{
    for (uint32_t i = 0; i < 256; ++i) {
        ASSERT_EQ(i, r.palette[i].rgbRed) << i;
        ASSERT_EQ(i, r.palette[i].rgbGreen) << i;
        ASSERT_EQ(i, r.palette[i].rgbBlue) << i;
    }
}

TEST(PcxPalette, WithoutTheMarkedTableEightBitsAreGrey)
{
    const Bytes file = Fixture("pcx_e200.pcx");
    const Result coloured = ReadPcx(file, 8, 0);
    ASSERT_EQ(0, coloured.status);
    Bytes v3 = file;
    v3[1] = 3;
    Bytes unmarked = file;
    unmarked[file.size() - 769] = 11;
    for (const Bytes& f : {v3, unmarked}) {
        const Result r = ReadPcx(f, 8, 0);
        ASSERT_EQ(0, r.status);
        ExpectGreyRamp(r);
        EXPECT_EQ(coloured.bytes, r.bytes);
    }
    // Shorter than the table itself.
    Bytes tiny = pcxt::Header(2, 1, 8, 1, 2);
    tiny.insert(tiny.end(), {0x10, 0x20});
    const Result r = ReadPcx(tiny, 8, 0);
    ASSERT_EQ(0, r.status);
    ExpectGreyRamp(r);
    EXPECT_EQ(0x10, r.bytes[0]);
    EXPECT_EQ(0x20, r.bytes[1]);
}

TEST(PcxPalette, SixteenColoursTakeTheHeaderMap)
{
    const Bytes file = Fixture("pcx_d16.pcx");
    const Result r = ReadPcx(file, 8, 0);
    ASSERT_EQ(0, r.status);
    bool seen[16] = {};
    for (uint32_t i = 0; i < 37 * 23; ++i) {
        ASSERT_LT(r.bytes[i], 16) << i;
        seen[r.bytes[i]] = true;
    }
    EXPECT_TRUE(seen[15] || seen[14]);
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t e = i < 16 ? i : 0;
        ASSERT_EQ(file[16 + 3 * e], r.palette[i].rgbRed) << i;
        ASSERT_EQ(file[17 + 3 * e], r.palette[i].rgbGreen) << i;
        ASSERT_EQ(file[18 + 3 * e], r.palette[i].rgbBlue) << i;
    }
}

TEST(PcxPalette, OnePlaneOfOneBitIsBlackAndWhiteWhateverTheMap)
{
    Bytes file = Fixture("pcx_d2.pcx");
    for (size_t i = 16; i < 64; ++i)
        file[i] = uint8_t(i * 5 + 1);
    const Result r = ReadPcx(file, 8, 0);
    ASSERT_EQ(0, r.status);
    EXPECT_EQ(0, r.palette[0].rgbRed | r.palette[0].rgbGreen | r.palette[0].rgbBlue);
    EXPECT_EQ(255, r.palette[1].rgbRed & r.palette[1].rgbGreen & r.palette[1].rgbBlue);
    EXPECT_EQ(ReadPcx(Fixture("pcx_d2.pcx"), 24, 0).bytes, ReadPcx(file, 24, 0).bytes);
}

// Five to seven planes of one bit: index bytes at 8 bits; at 24 the first 16
// entries come from the header's map and the rest repeat entry 0.
TEST(PcxLines, FiveToSevenPlanesGiveTheirIndices)
{
    for (uint32_t planes = 5; planes <= 7; ++planes) {
        SCOPED_TRACE(planes);
        // 8 x 1: pixel j has index j * 4 + 1 (bit k of it in plane k).
        Bytes file = pcxt::Header(8, 1, 1, planes, 1);
        for (size_t i = 16; i < 64; ++i)
            file[i] = uint8_t(i);
        uint8_t want[8];
        for (uint32_t j = 0; j < 8; ++j)
            want[j] = uint8_t((j * 4 + 1) & ((1u << planes) - 1));
        for (uint32_t k = 0; k < planes; ++k) {
            uint8_t plane = 0;
            for (uint32_t j = 0; j < 8; ++j)
                plane |= uint8_t(((want[j] >> k) & 1) << (7 - j));
            file.insert(file.end(), {0xC1, plane});
        }
        const Result idx = ReadPcx(file, 8, 0);
        ASSERT_EQ(0, idx.status);
        EXPECT_EQ(Bytes(want, want + 8), Bytes(idx.bytes.begin(), idx.bytes.begin() + 8));
        const Result rgb = ReadPcx(file, 24, 0);
        ASSERT_EQ(0, rgb.status);
        for (uint32_t j = 0; j < 8; ++j) {
            const uint32_t e = want[j] < 16 ? want[j] : 0;
            EXPECT_EQ(Bytes(file.begin() + 16 + 3 * e, file.begin() + 19 + 3 * e),
                      Bytes(rgb.bytes.begin() + 3 * j, rgb.bytes.begin() + 3 * j + 3))
                << "pixel " << j;
        }
    }
}

TEST(PcxLines, ARunPastTheLineEndIsCut)
{
    Bytes file = pcxt::Header(4, 2, 8, 1, 4);
    file.insert(file.end(), {0xC6, 0x07, 0x01, 0x02, 0x03, 0x04});
    const Result r = ReadPcx(file, 8, 0);
    ASSERT_EQ(0, r.status);
    EXPECT_EQ(Bytes({7, 7, 7, 7, 1, 2, 3, 4}), Bytes(r.bytes.begin(), r.bytes.begin() + 8));
}

struct ArgumentCase {
    const char* label;
    const char* fixture;
    uint32_t depth;
    uint32_t flags;
    bool palette;
    int32_t status;
};

TEST(PcxArguments, DepthsFlagsAndPaletteAreChecked)
{
    const ArgumentCase cases[] = {
        {"EightBitsAtOne", "pcx_e200.pcx", 1, 0, true, 28},  {"RgbAtEight", "pcx_t200.pcx", 8, 0, true, 28},
        {"DepthFour", "pcx_d16.pcx", 4, 0, true, 5},         {"DibAndPadded", "pcx_t200.pcx", 24, 2 | 8, true, 5},
        {"NoPaletteAtEight", "pcx_e200.pcx", 8, 0, false, 5}, {"NoPaletteAtOne", "pcx_d2.pcx", 1, 0, false, 5},
    };
    for (const ArgumentCase& c : cases) {
        const Result r = ReadPcx(Fixture(c.fixture), c.depth, c.flags, c.palette);
        EXPECT_EQ(nullptr, r.buffer) << c.label;
        EXPECT_EQ(c.status, r.status) << c.label;
    }
    // Without a palette a 24-bit read goes on, and the outs may be null.
    const Bytes file = Fixture("pcx_t200.pcx");
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    void* buffer = is5_ReadPCX(source, nullptr, nullptr, 24, nullptr, 0);
    EXPECT_EQ(0, ISGetLastError());
    EXPECT_NE(nullptr, buffer);
    if (buffer)
        GlobalFree(buffer);
    EXPECT_TRUE(is5_Seek(source, 0, 0));
    EXPECT_TRUE(is5_GetPCXDims(source, nullptr, nullptr, nullptr, nullptr, 0));
    is5_CloseSource(source);
}

TEST(PcxGeneric, OneBitFileKeepsItsBitsInMode3)
{
    const Bytes file = Fixture("pcx_d2.pcx");
    const Result mono = ReadPcx(file, 1, 0);
    ASSERT_EQ(0, mono.status);
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0;
    void* bits = is5_ReadImage(source, &w, &h, 3, 0);
    ASSERT_NE(nullptr, bits) << ISGetLastError();
    EXPECT_EQ(37u, w);
    EXPECT_EQ(23u, h);
    const uint8_t* p = static_cast<const uint8_t*>(bits);
    EXPECT_EQ(Bytes(mono.bytes.begin(), mono.bytes.begin() + 5 * 23), Bytes(p, p + 5 * 23));
    GlobalFree(bits);
    is5_CloseSource(source);
}

}  // namespace
