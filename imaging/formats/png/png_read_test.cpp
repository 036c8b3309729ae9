// The reads' own rules: palettes, compositing, padded BGR rows, gamma, DIBs,
// refusals and progress.
#include <cmath>

#include "imaging/core/io.h"
#include "png_test_util.h"

namespace {

using pngt::Fixture;
using pngt::ReadPng;
using pngt::Ref;

bool SameQuad(const RGBQUAD& a, const RGBQUAD& b)
{
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
           a.rgbReserved == b.rgbReserved;
}

TEST(PngPalette, TwoBitGreyAt8GivesIndicesAndFourGreyLevels)
{
    const pngt::Read r = ReadPng(Fixture("g2.png"), 8);
    ASSERT_TRUE(r.ok);
    Ref ref;
    ASSERT_TRUE(pngt::LoadRef("g2.ref.pnm", &ref));
    for (size_t i = 0; i < r.data.size(); ++i) {
        ASSERT_LE(r.data[i], 3);
        EXPECT_EQ(r.data[i] * 85u, ref.samples[i]);
    }
    const BYTE levels[4] = {0, 85, 170, 255};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r.palette[i].rgbRed, levels[i]);
        EXPECT_EQ(r.palette[i].rgbGreen, levels[i]);
        EXPECT_EQ(r.palette[i].rgbBlue, levels[i]);
        EXPECT_EQ(r.palette[i].rgbReserved, 255);
    }
    for (int i = 4; i < 256; ++i)
        EXPECT_TRUE(SameQuad(r.palette[i], r.palette[0])) << i;
}

TEST(PngPalette, FivePlteEntriesTwoAlphas)
{
    const pngt::Read r = ReadPng(Fixture("pal5_trns2.png"), 8);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.code, 0);
    for (int i = 0; i < 5; ++i) {
        // The writer's PLTE formula.
        EXPECT_EQ(r.palette[i].rgbRed, (i * 53 + 7) % 256);
        EXPECT_EQ(r.palette[i].rgbGreen, (i * 97 + 31) % 256);
        EXPECT_EQ(r.palette[i].rgbBlue, (i * 151 + 89) % 256);
    }
    EXPECT_EQ(r.palette[0].rgbReserved, 10);
    EXPECT_EQ(r.palette[1].rgbReserved, 20);
    for (int i = 2; i < 5; ++i)
        EXPECT_EQ(r.palette[i].rgbReserved, 255);
    for (int i = 5; i < 256; ++i) {
        EXPECT_EQ(r.palette[i].rgbRed, r.palette[0].rgbRed) << i;
        EXPECT_EQ(r.palette[i].rgbGreen, r.palette[0].rgbGreen) << i;
        EXPECT_EQ(r.palette[i].rgbBlue, r.palette[0].rgbBlue) << i;
        EXPECT_EQ(r.palette[i].rgbReserved, 255) << i;
    }
}

// The file's bKGD, else the thread's default background (black unless set);
// the file's colour is kept in the thread's record.
TEST(PngCompositing, RgbaAt24LiesOnTheBackground)
{
    struct Case {
        const char* file;
        int bg[3];
        int threadDefault[3];
    } cases[] = {{"rgba_bkgd.png", {200, 100, 50}, {0, 0, 0}},
                 {"rgba_plain.png", {0, 0, 0}, {0, 0, 0}},
                 {"rgba_plain.png", {10, 120, 230}, {10, 120, 230}},
                 {"rgba_bkgd.png", {200, 100, 50}, {10, 120, 230}}};
    ISThreadState* state = ISGetThreadState();
    ASSERT_NE(state, nullptr);
    for (const Case& c : cases) {
        state->png.defaultBackground.red = uint16_t(c.threadDefault[0]);
        state->png.defaultBackground.green = uint16_t(c.threadDefault[1]);
        state->png.defaultBackground.blue = uint16_t(c.threadDefault[2]);
        const pngt::Read r = ReadPng(Fixture(c.file), 24);
        state->png.defaultBackground = ISPngColour();
        const ISPngColour stored = state->png.fileBackground;
        const bool bkgd = std::string(c.file) == "rgba_bkgd.png";
        EXPECT_EQ(stored.red, bkgd ? 200 : 0) << c.file;
        EXPECT_EQ(stored.green, bkgd ? 100 : 0) << c.file;
        EXPECT_EQ(stored.blue, bkgd ? 50 : 0) << c.file;
        const pngt::Read full = ReadPng(Fixture(c.file), 32);
        ASSERT_TRUE(r.ok && full.ok) << c.file;
        ASSERT_EQ(r.data.size() / 3, full.data.size() / 4);
        for (size_t p = 0; p < r.data.size() / 3; ++p) {
            const int a = full.data[p * 4 + 3];
            for (int k = 0; k < 3; ++k) {
                const double want = (a * full.data[p * 4 + k] + (255 - a) * c.bg[k]) / 255.0;
                const int got = r.data[p * 3 + k];
                if (a == 0 || a == 255)
                    ASSERT_EQ(got, int(want)) << c.file << " pixel " << p << " alpha " << a;
                else
                    ASSERT_LE(std::fabs(got - want), 1.0) << c.file << " pixel " << p << " alpha " << a;
            }
        }
    }
}

TEST(PngRows, Flag8GivesPaddedBgrRows)
{
    const pngt::Read r = ReadPng(Fixture("rgb_w5.png"), 24, 8);
    const pngt::Read plain = ReadPng(Fixture("rgb_w5.png"), 24);
    ASSERT_TRUE(r.ok && plain.ok);
    ASSERT_EQ(r.data.size(), 16u * 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(r.data[y * 16 + x * 3 + k], plain.data[(y * 5 + x) * 3 + 2 - k]);
        EXPECT_EQ(r.data[y * 16 + 15], 0);
    }
}

TEST(PngGamma, Flag1CorrectsForTheScreenGammaUnlessSrgb)
{
    const pngt::Read corrected = ReadPng(Fixture("ramp_gama.png"), 24, 1);
    const pngt::Read plain = ReadPng(Fixture("ramp_gama.png"), 24);
    const pngt::Read srgb = ReadPng(Fixture("ramp_srgb.png"), 24, 1);
    ASSERT_TRUE(corrected.ok && plain.ok && srgb.ok);
    for (int v = 0; v < 256; ++v) {
        const double want = 255.0 * std::pow(v / 255.0, 1.0 / (0.45455 * 2.9));
        EXPECT_LE(std::fabs(corrected.data[v * 3] - want), 1.0) << v;
        EXPECT_EQ(plain.data[v * 3], v);
        EXPECT_EQ(srgb.data[v * 3], v);
    }
}

uint32_t Le32(const pngt::Bytes& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

TEST(PngDib, TwoBitPaletteBecomesFourBits)
{
    const pngt::Read r = ReadPng(Fixture("p2.png"), 8, IS5_DIB);
    const pngt::Read idx = ReadPng(Fixture("p2.png"), 8);
    ASSERT_TRUE(r.ok && idx.ok);
    EXPECT_EQ(Le32(r.data, 0), 40u);
    EXPECT_EQ(r.data[14], 4);  // biBitCount
    EXPECT_EQ(Le32(r.data, 32), 16u);  // biClrUsed
    const RGBQUAD* pal = reinterpret_cast<const RGBQUAD*>(&r.data[40]);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(SameQuad(pal[i], idx.palette[i])) << i;
    for (int i = 4; i < 16; ++i)
        EXPECT_TRUE(SameQuad(pal[i], pal[0])) << i;
    const uint32_t w = r.width, h = r.height, stride = (w * 4 + 31) / 32 * 4;
    ASSERT_EQ(r.data.size(), 104u + stride * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const BYTE b = r.data[104 + (h - 1 - y) * stride + x / 2];
            EXPECT_EQ((x % 2 ? b & 15 : b >> 4), idx.data[y * w + x]) << x << "," << y;
        }
}

TEST(PngDib, OneBitRgbAndResolution)
{
    const pngt::Read mono = ReadPng(Fixture("p1.png"), 1, IS5_DIB);
    ASSERT_TRUE(mono.ok);
    EXPECT_EQ(mono.data[14], 1);
    const uint32_t monoStride = (mono.width + 31) / 32 * 4;
    EXPECT_EQ(mono.data.size(), 48u + monoStride * mono.height);

    const pngt::Read dib = ReadPng(Fixture("phys.png"), 24, IS5_DIB);
    Ref ref;
    ASSERT_TRUE(dib.ok);
    ASSERT_TRUE(pngt::LoadRef("phys.ref.pnm", &ref));
    EXPECT_EQ(dib.data[14], 24);
    EXPECT_EQ(Le32(dib.data, 24), 2835u);
    EXPECT_EQ(Le32(dib.data, 28), 2835u);
    const uint32_t stride = (ref.width * 24 + 31) / 32 * 4;
    ASSERT_EQ(dib.data.size(), 40u + stride * ref.height);
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(dib.data[40 + (ref.height - 1 - y) * stride + x * 3 + k], ref.At(x, y, 2 - k));

    pngt::Bytes file = Fixture("phys.png");
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w, h, depth, type, interlace;
    int32_t optional = 0, trans[4];
    ISResolution res{};
    ASSERT_TRUE(is5_GetPNGDims(source, &w, &h, &depth, &type, &interlace, &optional, &trans[0], &trans[1], &trans[2],
                               &trans[3], &res, 0));
    is5_CloseSource(source);
    EXPECT_EQ(res.x, 2835.0);
    EXPECT_EQ(res.y, 2835.0);
    EXPECT_EQ(res.unit, 1u);
    EXPECT_EQ(optional, -1);
    EXPECT_EQ(trans[0], -1);
}

// The tRNS outs: -1 without the chunk, libpng's (zero) colour for palette
// files; the resolution record as stored, unit 0 included.
TEST(PngDims, TransparentColourAndResolutionAsStored)
{
    struct Case {
        const char* file;
        uint32_t width, height, bitDepth, colourType, interlace;
        int32_t trans[4];  // red, green, blue, grey
        ISResolution res;
    } cases[] = {
        {"p8.png", 19, 11, 8, 3, 0, {-1, -1, -1, -1}, {0, 0, 0}},
        {"p8t.png", 19, 11, 8, 3, 0, {0, 0, 0, 0}, {0, 0, 0}},
        {"g8t.png", 19, 11, 8, 0, 0, {0, 0, 0, 17}, {0, 0, 0}},  // the writer's first pixel
        {"rgb8ti.png", 19, 11, 8, 2, 1, {17, 70, 123, 0}, {0, 0, 0}},
        {"nm_rgb_trns.png", 4, 3, 8, 2, 0, {0x14, 0xEB, 0x07, 0}, {0, 0, 0}},
        {"g16.png", 19, 11, 16, 0, 0, {-1, -1, -1, -1}, {0, 0, 0}},
        {"phys.png", 19, 11, 8, 2, 0, {-1, -1, -1, -1}, {2835, 2835, 1}},
        {"phys_aspect.png", 19, 11, 8, 2, 0, {-1, -1, -1, -1}, {3, 2, 0}},
    };
    for (const Case& c : cases) {
        pngt::Bytes file = Fixture(c.file);
        HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
        uint32_t w = 0, h = 0, depth = 0, type = 9, interlace = 9;
        int32_t optional = 0, trans[4] = {7, 7, 7, 7};
        ISResolution res{9.0, 9.0, 9};
        ASSERT_TRUE(is5_GetPNGDims(source, &w, &h, &depth, &type, &interlace, &optional, &trans[0], &trans[1],
                                   &trans[2], &trans[3], &res, 0))
            << c.file;
        is5_CloseSource(source);
        EXPECT_EQ(ISGetLastError(), 0) << c.file;
        EXPECT_EQ(w, c.width) << c.file;
        EXPECT_EQ(h, c.height) << c.file;
        EXPECT_EQ(depth, c.bitDepth) << c.file;
        EXPECT_EQ(type, c.colourType) << c.file;
        EXPECT_EQ(interlace, c.interlace) << c.file;
        EXPECT_EQ(optional, -1) << c.file;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(trans[i], c.trans[i]) << c.file << " tRNS out " << i;
        EXPECT_EQ(res.x, c.res.x) << c.file;
        EXPECT_EQ(res.y, c.res.y) << c.file;
        EXPECT_EQ(res.unit, c.res.unit) << c.file;
    }
    // A DIB takes pixels per metre only when the unit is the metre.
    const pngt::Read dib = ReadPng(Fixture("phys_aspect.png"), 24, IS5_DIB);
    ASSERT_TRUE(dib.ok);
    EXPECT_EQ(Le32(dib.data, 24), 0u);
    EXPECT_EQ(Le32(dib.data, 28), 0u);
}

TEST(PngRefusals, DepthsTheFileCannotGive)
{
    struct Case {
        const char* file;
        uint32_t bits, flags;
        int32_t code;
    } cases[] = {
        {"rgb8.png", 8, 0, 28},  {"rgb8.png", 1, 0, 28},  {"rgb8.png", 16, 0, 28}, {"g8.png", 48, 0, 17},
        {"p2.png", 1, 0, 17},    {"g2.png", 1, 0, 17},    {"rgb8.png", 12, 0, 5},  {"rgb8.png", 24, 10, 5},
        // Rows of these are as long as 1-bit rows; only their bit depth refuses them.
        {"p2_w4.png", 1, 0, 17}, {"g4_w2.png", 1, 0, 17},
    };
    for (const Case& c : cases) {
        const pngt::Read r = ReadPng(Fixture(c.file), c.bits, c.flags);
        EXPECT_FALSE(r.ok) << c.file << " at " << c.bits;
        EXPECT_EQ(r.code, c.code) << c.file << " at " << c.bits;
    }
    const pngt::Read ga = ReadPng(Fixture("g8.png"), 16);
    Ref ref;
    ASSERT_TRUE(pngt::LoadRef("g8.ref.pnm", &ref));
    ASSERT_TRUE(ga.ok);
    ASSERT_EQ(ga.data.size(), ref.samples.size() * 2);
    for (size_t i = 0; i < ref.samples.size(); ++i) {
        EXPECT_EQ(ga.data[i * 2], ref.samples[i]);
        EXPECT_EQ(ga.data[i * 2 + 1], 255);
    }
}

struct Progress {
    std::vector<int32_t> done;
    int32_t total = 0;
    int32_t stopAt = -1;
};

BOOL OnProgress(int32_t done, int32_t total, void* user)
{
    Progress* p = static_cast<Progress*>(user);
    p->done.push_back(done);
    p->total = total;
    return done != p->stopAt;  // FALSE cancels
}

TEST(PngProgress, OneCallPerRowAndCancel)
{
    for (const char* name : {"rows37.png", "rows37i.png"}) {
        Progress p;
        is5_SetCallback(OnProgress, &p);
        const pngt::Read r = ReadPng(Fixture(name), 24);
        is5_SetCallback(nullptr, nullptr);
        ASSERT_TRUE(r.ok) << name;
        ASSERT_EQ(p.done.size(), 37u) << name;
        for (int i = 0; i < 37; ++i)
            EXPECT_EQ(p.done[i], i) << name;
        EXPECT_EQ(p.total, 37);
    }
    Progress p;
    p.stopAt = 9;
    is5_SetCallback(OnProgress, &p);
    const pngt::Read r = ReadPng(Fixture("rows37.png"), 24);
    is5_SetCallback(nullptr, nullptr);
    const pngt::Read ref = ReadPng(Fixture("rows37.png"), 24);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.code, 14);
    const size_t row = 6 * 3;
    ASSERT_EQ(r.data.size(), ref.data.size());
    EXPECT_TRUE(std::equal(r.data.begin(), r.data.begin() + 9 * row, ref.data.begin()));
    EXPECT_TRUE(std::all_of(r.data.begin() + 9 * row, r.data.end(), [](uint8_t v) { return v == 0; }));
}

}  // namespace
