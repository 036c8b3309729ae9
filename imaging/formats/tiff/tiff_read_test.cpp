// The TIFF reader against tifftopnm and ImageMagick: orientation, goldens,
// bilevel and palette files, DIBs, dims, alpha, binding and progress.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "imaging/core/frame.h"
#include "imaging/core/io.h"
#include "tiff_binding.h"
#include "tiff_test_util.h"

using tift::Picture;
using tift::ReadPicture;
using tift::Result;

namespace {

// Pixels of `r` (rows top-down, `bpp` bytes, `stride` bytes a row) against
// the picture's RGB samples within `tolerance`; `bgr` swaps the order.
void ExpectRgb(const Result& r, uint32_t bpp, size_t stride, const Picture& p, int tolerance, bool bgr = false,
               size_t offset = 0, bool bottomUp = false)
{
    ASSERT_TRUE(r.pixels);
    ASSERT_EQ(p.width, r.width);
    ASSERT_EQ(p.height, r.height);
    int worst = 0;
    for (uint32_t y = 0; y < p.height; ++y)
        for (uint32_t x = 0; x < p.width; ++x)
            for (uint32_t c = 0; c < 3; ++c) {
                const uint32_t row = bottomUp ? p.height - 1 - y : y;
                const int got = r.pixels.get()[offset + row * stride + x * bpp + (bgr ? 2 - c : c)];
                const int want = static_cast<int>(p.At(x, y, p.channels == 3 ? c : 0));
                worst = std::max(worst, std::abs(got - want));
            }
    EXPECT_LE(worst, tolerance);
}

int BitAt(const uint8_t* rows, size_t stride, uint32_t x, uint32_t y) { return (rows[y * stride + x / 8] >> (7 - x % 8)) & 1; }

void ExpectBits(const Result& r, size_t stride, const Picture& p, size_t offset = 0, bool bottomUp = false)
{
    ASSERT_TRUE(r.pixels);
    ASSERT_EQ(p.width, r.width);
    ASSERT_EQ(p.height, r.height);
    int wrong = 0;
    for (uint32_t y = 0; y < p.height; ++y)
        for (uint32_t x = 0; x < p.width; ++x)
            wrong += BitAt(r.pixels.get() + offset, stride, x, bottomUp ? p.height - 1 - y : y) != int(p.At(x, y));
    EXPECT_EQ(0, wrong);
}

// 16-bit samples of `r` (host order, packed rows) against the picture's.
void ExpectSamples16(const Result& r, const Picture& p)
{
    ASSERT_TRUE(r.pixels);
    ASSERT_EQ(p.width, r.width);
    ASSERT_EQ(p.height, r.height);
    const uint16_t* s = reinterpret_cast<const uint16_t*>(r.pixels.get());
    int wrong = 0;
    for (uint32_t i = 0; i < p.samples.size(); ++i)
        wrong += s[i] != p.samples[i];
    EXPECT_EQ(0, wrong);
}

}  // namespace

// Every kind at every orientation equals ImageMagick's upright picture, and
// with flag 1 the stored rows as tifftopnm gives them.
TEST(TiffOrientation, EveryKindAndValue)
{
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE("orientation " + std::to_string(n));
        const std::string base = "tif_o_";
        const std::string suffix = "_" + std::to_string(n);
        for (uint32_t flags : {0u, 1u}) {
            SCOPED_TRACE("flags " + std::to_string(flags));
            const std::string ref = flags ? "_raw" : "_auto";
            Picture rgb, grey, bw, rgb16;
            ASSERT_TRUE(ReadPicture(base + "rgb" + suffix + ref + ".ppm", &rgb));
            ASSERT_TRUE(ReadPicture(base + "grey" + suffix + ref + ".pgm", &grey));
            ASSERT_TRUE(ReadPicture(base + "bilevel" + suffix + ref + ".pbm", &bw));
            ASSERT_TRUE(ReadPicture(base + "rgb16" + suffix + ref + ".ppm", &rgb16));
            if (flags == 0 && n >= 5) {
                EXPECT_EQ(7u, rgb.width);
            }

            Result r24 = tift::Read(base + "rgb" + suffix + ".tif", 24, flags);
            ExpectRgb(r24, 3, rgb.width * 3, rgb, 0);
            Result r32 = tift::Read(base + "rgb" + suffix + ".tif", 32, flags);
            ExpectRgb(r32, 4, rgb.width * 4, rgb, 0);
            Result dib = tift::Read(base + "rgb" + suffix + ".tif", 24, flags | 2);
            ExpectRgb(dib, 3, (rgb.width * 3 + 3) / 4 * 4, rgb, 0, true, 40, true);

            Result g8 = tift::Read(base + "grey" + suffix + ".tif", 8, flags);
            ASSERT_TRUE(g8.pixels);
            ASSERT_EQ(grey.width, g8.width);
            int worst = 0;
            for (uint32_t y = 0; y < grey.height; ++y)
                for (uint32_t x = 0; x < grey.width; ++x)
                    worst = std::max(worst, std::abs(int(g8.palette[g8.pixels.get()[y * grey.width + x]].rgbRed) -
                                                     int(grey.At(x, y))));
            EXPECT_EQ(0, worst);

            Result b1 = tift::Read(base + "bilevel" + suffix + ".tif", 1, flags);
            ExpectBits(b1, (bw.width + 7) / 8, bw);

            ExpectSamples16(tift::Read(base + "rgb16" + suffix + ".tif", 48, flags), rgb16);
        }
    }
}

// Every compression and layout at 24 and 32 against tifftopnm.
TEST(TiffGoldens, CompressionsAndLayouts)
{
    struct Case {
        const char* name;
        int tolerance;
    };
    const Case cases[] = {{"tif_c_none", 0}, {"tif_c_lzw", 0}, {"tif_c_zip", 0}, {"tif_c_packbits", 0},
                          {"tif_c_jpeg", 1}, {"tif_r1", 0},    {"tif_r16", 0},   {"tif_tiles", 0},
                          {"tif_separate", 0}, {"tif_c_jpeg_ycc", 1}};
    for (const Case& c : cases) {
        for (bool memory : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (memory ? " memory" : " file"));
            Picture p;
            ASSERT_TRUE(ReadPicture(std::string(c.name) + ".ppm", &p));
            Result r24 = tift::Read(std::string(c.name) + ".tif", 24, 0, 0, memory);
            EXPECT_EQ(0, r24.error);
            ExpectRgb(r24, 3, p.width * 3, p, c.tolerance);
            Result r32 = tift::Read(std::string(c.name) + ".tif", 32, 0, 0, memory);
            EXPECT_EQ(0, r32.error);
            ExpectRgb(r32, 4, p.width * 4, p, c.tolerance);
            int opaque = 0;
            for (uint32_t i = 0; r32.pixels && i < p.width * p.height; ++i)
                opaque += r32.pixels.get()[i * 4 + 3] == 255;
            EXPECT_EQ(int(p.width * p.height), opaque);
            Result swapped = tift::Read(std::string(c.name) + ".tif", 24, 0x40, 0, memory);
            ExpectRgb(swapped, 3, p.width * 3, p, c.tolerance, true);
        }
    }
}

TEST(TiffGoldens, PagesAndSixteenBits)
{
    Picture third;
    ASSERT_TRUE(ReadPicture("tif_p3.ppm", &third));
    Result page = tift::Read("tif_pages.tif", 24, 0, 2);
    EXPECT_EQ(0, page.error);
    ExpectRgb(page, 3, third.width * 3, third, 0);

    Picture rgb16, grey16;
    ASSERT_TRUE(ReadPicture("tif_rgb16.ppm", &rgb16));
    ASSERT_TRUE(ReadPicture("tif_grey16.pgm", &grey16));
    for (uint32_t flags : {0u, 0x40u}) {
        Result r = tift::Read("tif_rgb16.tif", 48, flags);
        ASSERT_TRUE(r.pixels);
        const uint16_t* s = reinterpret_cast<const uint16_t*>(r.pixels.get());
        int wrong = 0;
        for (uint32_t i = 0; i < rgb16.width * rgb16.height; ++i)
            for (uint32_t c = 0; c < 3; ++c)
                wrong += s[i * 3 + (flags ? 2 - c : c)] != rgb16.samples[i * 3 + c];
        EXPECT_EQ(0, wrong) << flags;
    }
    Result g = tift::Read("tif_grey16.tif", 8, 0);
    ASSERT_TRUE(g.pixels);
    int wrong = 0;
    for (uint32_t i = 0; i < grey16.width * grey16.height; ++i)
        wrong += g.palette[g.pixels.get()[i]].rgbRed != grey16.samples[i] * 255 / 65535;
    EXPECT_EQ(0, wrong);
}

// Bilevel files of every photometric kind give 1 = black and (white, black).
TEST(TiffBilevel, EveryKindGivesBlackAsOne)
{
    Picture p;
    ASSERT_TRUE(ReadPicture("tif_bw.pbm", &p));
    for (const char* name : {"tif_bw_black.tif", "tif_bw_white.tif", "tif_bw_g3.tif", "tif_bw_g4.tif"}) {
        SCOPED_TRACE(name);
        Result r = tift::Read(name, 1, 0);
        EXPECT_EQ(0, r.error);
        ExpectBits(r, (p.width + 7) / 8, p);
        EXPECT_EQ(255, r.palette[0].rgbRed);
        EXPECT_EQ(255, r.palette[0].rgbBlue);
        EXPECT_EQ(0, r.palette[1].rgbRed);
        Result dib = tift::Read(name, 1, 2);
        ASSERT_TRUE(dib.pixels);
        EXPECT_EQ(0, dib.error);
        const BITMAPINFOHEADER* bi = reinterpret_cast<const BITMAPINFOHEADER*>(dib.pixels.get());
        EXPECT_EQ(1, bi->biBitCount);
        EXPECT_EQ(2u, bi->biClrUsed);
        ExpectBits(dib, (p.width + 31) / 32 * 4, p, 48, true);
    }
}

TEST(TiffPalette, FourBitPaletteAndShallowGrey)
{
    Picture p;
    ASSERT_TRUE(ReadPicture("tif_pal4.ppm", &p));
    Result r = tift::Read("tif_pal4.tif", 8, 0);
    EXPECT_EQ(0, r.error);
    ASSERT_TRUE(r.pixels);
    ASSERT_EQ(p.width, r.width);
    int wrong = 0, high = 0;
    for (uint32_t y = 0; y < p.height; ++y)
        for (uint32_t x = 0; x < p.width; ++x) {
            const uint8_t index = r.pixels.get()[y * p.width + x];
            high += index >= 16;
            const RGBQUAD q = r.palette[index];
            wrong += q.rgbRed != p.At(x, y, 0) || q.rgbGreen != p.At(x, y, 1) || q.rgbBlue != p.At(x, y, 2);
        }
    EXPECT_EQ(0, high);
    EXPECT_EQ(0, wrong);
    // The 16 entries are the file's ColorMap scaled from 16 to 8 bits.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(vt::ReadFileBytes(vt::FixturePath("tif_pal4.tif"), &bytes));
    CISIO_Memory memory;
    ASSERT_TRUE(memory.OpenRead(bytes.data(), static_cast<int32_t>(bytes.size())));
    TIFF* tif = ISTiffOpen(&memory, "r");
    ASSERT_NE(nullptr, tif);
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(r.palette[i].rgbRed, red[i] * 255 / 65535) << i;
        EXPECT_EQ(r.palette[i].rgbGreen, green[i] * 255 / 65535) << i;
        EXPECT_EQ(r.palette[i].rgbBlue, blue[i] * 255 / 65535) << i;
    }
    ISTiffClose(tif);

    for (const char* name : {"tif_g2", "tif_g4"}) {
        SCOPED_TRACE(name);
        Picture g;
        ASSERT_TRUE(ReadPicture(std::string(name) + "_ref.pgm", &g));
        Result gr = tift::Read(std::string(name) + ".tif", 8, 0);
        ASSERT_TRUE(gr.pixels);
        int bad = 0;
        for (uint32_t i = 0; i < g.width * g.height; ++i)
            bad += gr.palette[gr.pixels.get()[i]].rgbRed != g.samples[i] * 255 / g.maxval;
        EXPECT_EQ(0, bad);
        // Entries past the file's levels copy entry 0.
        for (uint32_t i = g.maxval + 1; i < 256; ++i)
            EXPECT_EQ(gr.palette[i].rgbRed, gr.palette[0].rgbRed) << i;
    }
}

TEST(TiffDib, RgbRowsResolutionAndDims)
{
    Result r = tift::Read("tif_dpi72.tif", 24, 2);
    ASSERT_TRUE(r.pixels);
    EXPECT_EQ(0, r.error);
    const BITMAPINFOHEADER* bi = reinterpret_cast<const BITMAPINFOHEADER*>(r.pixels.get());
    EXPECT_EQ(40u, bi->biSize);
    EXPECT_EQ(5, bi->biWidth);
    EXPECT_EQ(24, bi->biBitCount);
    EXPECT_EQ(16u * 3, bi->biSizeImage);
    EXPECT_EQ(2800, bi->biXPelsPerMeter);
    EXPECT_EQ(2800, bi->biYPelsPerMeter);

    tift::Source source("tif_dpi72.tif", true);
    uint32_t w = 0, h = 0, bits = 0;
    ISResolution res{};
    EXPECT_TRUE(is5_GetTIFFDims(source.Get(), 0, &w, &h, &bits, &res, 0));
    EXPECT_EQ(5u, w);
    EXPECT_EQ(3u, h);
    EXPECT_EQ(24u, bits);
    EXPECT_EQ(72.0, res.x);
    EXPECT_EQ(72.0, res.y);
    EXPECT_EQ(2u, res.unit);

    Result none = tift::Read("tif_o_grey_1.tif", 8, 0);
    EXPECT_EQ(0, none.error);  // a plain read after a DIB one reports nothing stale

    // The record holds the resolutions truncated and the unit as stored.
    struct DimsCase {
        const char* file;
        ISResolution res;
    } cases[] = {{"tif_res_nounit.tif", {72, 75, 0}}, {"tif_custom_tags.tif", {0, 0, 0}}};
    for (const DimsCase& c : cases) {
        tift::Source s(c.file, true);
        ISResolution got{9, 9, 9};
        EXPECT_TRUE(is5_GetTIFFDims(s.Get(), 0, &w, &h, &bits, &got, 0)) << c.file;
        EXPECT_EQ(13u, w) << c.file;
        EXPECT_EQ(8u, bits) << c.file;
        EXPECT_EQ(c.res.x, got.x) << c.file;
        EXPECT_EQ(c.res.y, got.y) << c.file;
        EXPECT_EQ(c.res.unit, got.unit) << c.file;
    }
}

// The reads that take strips and tiles themselves (1, 8 and 16 bits): one-row
// and 16-row strips (the last one short) and 16 x 16 tiles with clipped edge
// tiles give the picture; so do tiles 12 pixels wide, whose columns do not
// start on byte boundaries at 1 bit.
TEST(TiffLayouts, StripsAndTilesAtOneEightAndSixteenBits)
{
    Picture grey, bw, rgb16;
    ASSERT_TRUE(ReadPicture("tif_lay_grey.pgm", &grey));
    ASSERT_TRUE(ReadPicture("tif_bw.pbm", &bw));
    ASSERT_TRUE(ReadPicture("tif_rgb16.ppm", &rgb16));
    auto expectGrey = [](const Result& r, const Picture& p) {
        ASSERT_TRUE(r.pixels);
        EXPECT_EQ(0, r.error);
        ASSERT_EQ(p.width, r.width);
        ASSERT_EQ(p.height, r.height);
        int wrong = 0;
        for (uint32_t i = 0; i < p.width * p.height; ++i)
            wrong += r.palette[r.pixels.get()[i]].rgbRed != p.samples[i];
        EXPECT_EQ(0, wrong);
    };
    for (const char* layout : {"r1", "r16", "tiles"}) {
        SCOPED_TRACE(layout);
        const std::string suffix = std::string("_") + layout + ".tif";
        expectGrey(tift::Read("tif_lay_grey" + suffix, 8, 0), grey);
        Result b1 = tift::Read("tif_lay_bw" + suffix, 1, 0);
        EXPECT_EQ(0, b1.error);
        ExpectBits(b1, (bw.width + 7) / 8, bw);
        Result dib = tift::Read("tif_lay_bw" + suffix, 1, 2);
        EXPECT_EQ(0, dib.error);
        ExpectBits(dib, (bw.width + 31) / 32 * 4, bw, 48, true);
        Result r48 = tift::Read("tif_lay_rgb16" + suffix, 48, 0);
        EXPECT_EQ(0, r48.error);
        ExpectSamples16(r48, rgb16);
    }
    Picture bw12, grey12;
    ASSERT_TRUE(ReadPicture("tif_tile12_bw.pbm", &bw12));
    ASSERT_TRUE(ReadPicture("tif_tile12_grey.pgm", &grey12));
    Result b12 = tift::Read("tif_tile12_bw.tif", 1, 0);
    EXPECT_EQ(0, b12.error);
    ExpectBits(b12, (bw12.width + 7) / 8, bw12);
    expectGrey(tift::Read("tif_tile12_grey.tif", 8, 0), grey12);
}

// Flag 0x20 pads every row to a multiple of 4 bytes and keeps its pixels.
TEST(TiffRows, Flag0x20PadsRowsToFourBytes)
{
    struct Case {
        const char* file;
        uint32_t bits;
        size_t rowBytes;  // unpadded, 13 pixels
    } cases[] = {{"tif_o_rgb_1.tif", 24, 39}, {"tif_o_grey_1.tif", 8, 13}, {"tif_o_bilevel_1.tif", 1, 2},
                 {"tif_o_rgb16_1.tif", 48, 78}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Result plain = tift::Read(c.file, c.bits, 0);
        Result padded = tift::Read(c.file, c.bits, 0x20);
        ASSERT_TRUE(plain.pixels && padded.pixels);
        EXPECT_EQ(0, padded.error);
        ASSERT_EQ(13u, padded.width);
        const size_t stride = (c.rowBytes + 3) / 4 * 4;
        ASSERT_EQ(stride * padded.height, GlobalSize(padded.pixels.get()));
        for (uint32_t y = 0; y < padded.height; ++y) {
            const uint8_t* row = padded.pixels.get() + y * stride;
            EXPECT_EQ(0, std::memcmp(row, plain.pixels.get() + y * c.rowBytes, c.rowBytes)) << y;
            for (size_t i = c.rowBytes; i < stride; ++i)
                EXPECT_EQ(0, row[i]) << y;
        }
    }
}

TEST(TiffAlpha, UnassociatedAndDefaultKind)
{
    Result pre = tift::Read("tif_rgba_unassoc.tif", 32, 0);
    ASSERT_TRUE(pre.pixels);
    EXPECT_NEAR(200 * 64 / 255, pre.pixels.get()[0], 1);
    EXPECT_EQ(64, pre.pixels.get()[3]);
    Result kept = tift::Read("tif_rgba_unassoc.tif", 32, 4);
    ASSERT_TRUE(kept.pixels);
    EXPECT_EQ(200, kept.pixels.get()[0]);
    EXPECT_EQ(64, kept.pixels.get()[3]);

    ISThreadState* state = ISGetThreadState();
    ASSERT_NE(nullptr, state);
    state->tiff.defaultAlphaKind = 2;
    Result two = tift::Read("tif_grey_alpha.tif", 32, 0);
    state->tiff.defaultAlphaKind = -1;
    Result none = tift::Read("tif_grey_alpha.tif", 32, 0);
    ASSERT_TRUE(two.pixels);
    ASSERT_TRUE(none.pixels);
    EXPECT_EQ(64, two.pixels.get()[3]);
    EXPECT_EQ(255, none.pixels.get()[3]);
}
