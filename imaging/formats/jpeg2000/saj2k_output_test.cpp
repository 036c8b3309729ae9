// Pixels of the JPEG 2000 reader against opj_decompress and hand-computed values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "imaging/formats/jpeg2000/saj2k_test_support.h"

using namespace j2kt;

namespace {

class J2KOutput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InstallHook()); }
};

struct ReferenceCase {
    const char* name;
    const char* file;
    const char* reference;
    uint32_t bitsPerPixel;
    uint32_t flags;
    int32_t tolerance;
};

void PrintTo(const ReferenceCase& c, std::ostream* os) { *os << c.name; }

class J2KMatchesReference : public ::testing::TestWithParam<ReferenceCase> {
protected:
    void SetUp() override { ASSERT_TRUE(InstallHook()); }
};

// Lays the reference out as the reader must: aligned to the target width,
// grey spread over R, G and B, alpha at full, DIB rows bottom-up in B, G, R.
std::vector<uint8_t> Expected(const Picture& ref, uint32_t bitsPerPixel, uint32_t flags, size_t* headerBytes)
{
    const uint32_t channels = (bitsPerPixel == 8 || bitsPerPixel == 16) ? 1 : (bitsPerPixel % 32 == 0) ? 4 : 3;
    const uint32_t bytes = (bitsPerPixel == 16 || bitsPerPixel >= 48) ? 2 : 1;
    const uint32_t bits = bytes * 8;
    const bool dib = (flags & SAJ2K_FLAG_DIB) != 0;
    size_t row = size_t(ref.width) * channels * bytes;
    if (dib)
        row = (row + 3) / 4 * 4;
    *headerBytes = dib ? (channels == 1 ? 1064 : 40) : 0;
    std::vector<uint8_t> out(row * ref.height, 0);
    const int64_t maxValue = (int64_t(1) << bits) - 1;
    for (uint32_t y = 0; y < ref.height; ++y) {
        uint8_t* line = &out[(dib ? ref.height - 1 - y : y) * row];
        for (uint32_t x = 0; x < ref.width; ++x) {
            int64_t s[4];
            for (uint32_t c = 0; c < 3; ++c)
                s[c] = Align(ref.At(x, y, ref.channels == 1 ? 0 : c), ref.precision, bits);
            s[3] = maxValue;
            if (dib)
                std::swap(s[0], s[2]);
            for (uint32_t c = 0; c < channels; ++c) {
                size_t at = (size_t(x) * channels + c) * bytes;
                line[at] = static_cast<uint8_t>(s[c]);
                if (bytes == 2)
                    line[at + 1] = static_cast<uint8_t>(s[c] >> 8);
            }
        }
    }
    return out;
}

TEST_P(J2KMatchesReference, PixelsEqualOpjDecompressAligned)
{
    const ReferenceCase& c = GetParam();
    Picture ref;
    ASSERT_TRUE(ReadPicture(c.reference, &ref)) << c.reference;
    ReadResult r = ReadFixture(c.file, c.bitsPerPixel, 1.0, c.flags);
    ASSERT_TRUE(r.pixels) << "code " << r.code;
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.width, ref.width);
    ASSERT_EQ(r.height, ref.height);
    size_t header = 0;
    std::vector<uint8_t> expected = Expected(ref, c.bitsPerPixel, c.flags, &header);
    const uint8_t* got = r.pixels.get() + header;
    const bool wide = c.bitsPerPixel == 16 || c.bitsPerPixel >= 48;
    int32_t worst = 0;
    size_t worstAt = 0;
    for (size_t i = 0; i < expected.size(); i += wide ? 2 : 1) {
        int32_t e = wide ? LE16(&expected[i]) : expected[i];
        int32_t g = wide ? LE16(got + i) : got[i];
        if (std::abs(e - g) > worst) {
            worst = std::abs(e - g);
            worstAt = i;
        }
    }
    EXPECT_LE(worst, c.tolerance) << "at byte " << worstAt;
}

const ReferenceCase kReferenceCases[] = {
    {"RgbJp2At24", "j2k_rgb.jp2", "j2k_rgb.jp2.ref.ppm", 24, 0, 0},
    {"RgbJp2At24Dib", "j2k_rgb.jp2", "j2k_rgb.jp2.ref.ppm", 24, SAJ2K_FLAG_DIB, 0},
    {"RgbJp2At48", "j2k_rgb.jp2", "j2k_rgb.jp2.ref.ppm", 48, 0, 0},
    {"RgbJ2kAt24", "j2k_rgb.j2k", "j2k_rgb.j2k.ref.ppm", 24, 0, 0},
    {"Rgb97At24", "j2k_rgb_97.jp2", "j2k_rgb_97.jp2.ref.ppm", 24, 0, 1},
    {"Rgb97At24Dib", "j2k_rgb_97.jp2", "j2k_rgb_97.jp2.ref.ppm", 24, SAJ2K_FLAG_DIB, 1},
    {"RgbTiledAt24", "j2k_rgb_tiled.j2k", "j2k_rgb_tiled.j2k.ref.ppm", 24, 0, 0},
    {"RgbOffsetAt24", "j2k_rgb_offset.j2k", "j2k_rgb_offset.j2k.ref.ppm", 24, 0, 0},
    {"RgbOffsetAt48", "j2k_rgb_offset.j2k", "j2k_rgb_offset.j2k.ref.ppm", 48, 0, 0},
    {"Rgb16At48", "j2k_rgb16.jp2", "j2k_rgb16.jp2.ref.ppm", 48, 0, 0},
    {"Rgb16At24", "j2k_rgb16.jp2", "j2k_rgb16.jp2.ref.ppm", 24, 0, 0},
    {"GreyAt8", "j2k_grey.jp2", "j2k_grey.jp2.ref.pgm", 8, 0, 0},
    {"GreyAt8Dib", "j2k_grey.jp2", "j2k_grey.jp2.ref.pgm", 8, SAJ2K_FLAG_DIB, 0},
    {"GreyAt16", "j2k_grey.jp2", "j2k_grey.jp2.ref.pgm", 16, 0, 0},
    {"GreyAt24", "j2k_grey.jp2", "j2k_grey.jp2.ref.pgm", 24, 0, 0},
    {"GreyAt24Dib", "j2k_grey.jp2", "j2k_grey.jp2.ref.pgm", 24, SAJ2K_FLAG_DIB, 0},
    {"GreyAt48", "j2k_grey.jp2", "j2k_grey.jp2.ref.pgm", 48, 0, 0},
    {"Grey97At8", "j2k_grey_97.j2k", "j2k_grey_97.j2k.ref.pgm", 8, 0, 1},
    {"Grey97At24", "j2k_grey_97.j2k", "j2k_grey_97.j2k.ref.pgm", 24, 0, 1},
    {"Grey12At8", "j2k_grey12.j2k", "j2k_grey12.j2k.ref.pgm", 8, 0, 0},
    {"Grey12At16", "j2k_grey12.j2k", "j2k_grey12.j2k.ref.pgm", 16, 0, 0},
    {"Grey12At24Dib", "j2k_grey12.j2k", "j2k_grey12.j2k.ref.pgm", 24, SAJ2K_FLAG_DIB, 0},
    {"Grey4At8", "j2k_grey4.j2k", "j2k_grey4.j2k.ref.pgm", 8, 0, 0},
    {"Grey4At16", "j2k_grey4.j2k", "j2k_grey4.j2k.ref.pgm", 16, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Fixtures, J2KMatchesReference, ::testing::ValuesIn(kReferenceCases),
                         [](const ::testing::TestParamInfo<ReferenceCase>& info) { return info.param.name; });

TEST_F(J2KOutput, SyccIsWithinTwoOfOpjDecompress)
{
    Picture ref;
    ASSERT_TRUE(ReadPicture("j2k_sycc.jp2.ref.ppm", &ref));
    ReadResult r = ReadFixture("j2k_sycc.jp2", 24);
    ASSERT_TRUE(r.pixels) << r.code;
    ASSERT_EQ(r.width, 64u);
    ASSERT_EQ(r.height, 48u);
    int worst = 0;
    for (uint32_t y = 0; y < 48; ++y)
        for (uint32_t x = 0; x < 64; ++x)
            for (uint32_t c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(r.pixels.get()[(y * 64 + x) * 3 + c]) - int(ref.At(x, y, c))));
    EXPECT_LE(worst, 2);
}

TEST_F(J2KOutput, SyccWithNeutralChromaGivesGreyEqualToLuma)
{
    std::vector<uint8_t> raw = Fixture("j2k_sycc_neutral.raw");
    ASSERT_GE(raw.size(), 64u * 48u);
    ReadResult r = ReadFixture("j2k_sycc_neutral.jp2", 24);
    ASSERT_TRUE(r.pixels) << r.code;
    for (uint32_t i = 0; i < 64 * 48; ++i) {
        const uint8_t* p = r.pixels.get() + i * 3;
        ASSERT_EQ(p[0], raw[i]) << i;
        ASSERT_EQ(p[1], raw[i]) << i;
        ASSERT_EQ(p[2], raw[i]) << i;
    }
}

TEST_F(J2KOutput, SignedTwelveBitSamplesShiftAndClampToZero)
{
    ReadResult r = ReadFixture("j2k_signed.j2k", 8);
    ASSERT_TRUE(r.pixels) << r.code;
    ASSERT_EQ(r.width, 4u);
    ASSERT_EQ(r.height, 1u);
    const uint8_t expected[4] = {0, 0, 6, 127};
    EXPECT_EQ(0, std::memcmp(r.pixels.get(), expected, 4));
}

TEST_F(J2KOutput, RgbGetsFullAlpha)
{
    ReadResult r32 = ReadFixture("j2k_rgb.jp2", 32);
    ReadResult r64 = ReadFixture("j2k_rgb.jp2", 64);
    ReadResult r24 = ReadFixture("j2k_rgb.jp2", 24);
    ASSERT_TRUE(r32.pixels && r64.pixels && r24.pixels);
    const uint8_t* p32 = r32.pixels.get();
    const uint8_t* p24 = r24.pixels.get();
    const uint8_t* p64 = r64.pixels.get();
    for (uint32_t i = 0; i < 101 * 75; ++i) {
        ASSERT_EQ(p32[i * 4 + 3], 255) << i;
        ASSERT_EQ(0, std::memcmp(p32 + i * 4, p24 + i * 3, 3)) << i;
        ASSERT_EQ(LE16(p64 + i * 8 + 6), 65535) << i;
        ASSERT_EQ(LE16(p64 + i * 8), p24[i * 3] << 8) << i;
    }
}

TEST_F(J2KOutput, PngAlphaSurvivesAsFourthSample)
{
    Picture alpha;
    Picture colour;
    ASSERT_TRUE(ReadPicture("j2k_rgba_alpha.pgm", &alpha));
    ASSERT_TRUE(ReadPicture("j2k_rgba_rgb.ppm", &colour));
    ReadResult r = ReadFixture("j2k_rgba.jp2", 32);
    ASSERT_TRUE(r.pixels) << r.code;
    ASSERT_EQ(r.width, alpha.width);
    ASSERT_EQ(r.height, alpha.height);
    bool anyTranslucent = false;
    for (uint32_t y = 0; y < r.height; ++y) {
        for (uint32_t x = 0; x < r.width; ++x) {
            const uint8_t* p = r.pixels.get() + (size_t(y) * r.width + x) * 4;
            ASSERT_EQ(p[3], alpha.At(x, y, 0)) << x << "," << y;
            ASSERT_EQ(p[0], colour.At(x, y, 0)) << x << "," << y;
            ASSERT_EQ(p[2], colour.At(x, y, 2)) << x << "," << y;
            anyTranslucent |= p[3] < 255;
        }
    }
    EXPECT_TRUE(anyTranslucent);
}

TEST_F(J2KOutput, PaletteEntriesReplaceTheIndices)
{
    std::vector<uint8_t> indices = Fixture("j2k_grey8idx.raw");
    ASSERT_EQ(indices.size(), 101u * 75u);
    std::vector<std::vector<uint8_t>> palette;
    for (uint32_t i = 0; i < 16; ++i)
        palette.push_back({static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 16), static_cast<uint8_t>(i * 8)});
    ReadResult r = ReadBytes(PaletteJp2(Fixture("j2k_grey8idx.j2k"), 101, 75, palette, 3), 24);
    ASSERT_TRUE(r.pixels) << r.code;
    ASSERT_EQ(r.width, 101u);
    for (size_t i = 0; i < indices.size(); ++i)
        ASSERT_EQ(0, std::memcmp(r.pixels.get() + i * 3, palette[indices[i]].data(), 3)) << i;
}

TEST_F(J2KOutput, DibOfWidthThreeHasPaddedRowsAndFullHeader)
{
    ReadResult r = ReadFixture("j2k_w3.j2k", 24, 1.0, SAJ2K_FLAG_DIB);
    ASSERT_TRUE(r.pixels) << r.code;
    ASSERT_EQ(r.width, 3u);
    ASSERT_EQ(r.height, 2u);
    const uint8_t* h = r.pixels.get();
    EXPECT_EQ(LE32(h + 0), 40u);
    EXPECT_EQ(LE32(h + 4), 3u);
    EXPECT_EQ(LE32(h + 8), 2u);
    EXPECT_EQ(LE16(h + 12), 1);
    EXPECT_EQ(LE16(h + 14), 24);
    EXPECT_EQ(LE32(h + 16), 0u);
    EXPECT_EQ(LE32(h + 20), 24u);  // two rows of 12 bytes
    EXPECT_EQ(LE32(h + 24), 0u);
    EXPECT_EQ(LE32(h + 28), 0u);
    EXPECT_EQ(LE32(h + 32), 0u);
    EXPECT_EQ(LE32(h + 36), 0u);
    EXPECT_GE(GlobalSize(r.pixels.get()), 40u + 24u);
    // The first picture row is the last in memory, B, G, R, then 3 pad bytes.
    std::vector<uint8_t> ppm = Fixture("j2k_w3.ppm");
    const uint8_t* top = ppm.data() + ppm.size() - 18;
    const uint8_t* last = h + 40 + 12;
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(last[x * 3 + 0], top[x * 3 + 2]);
        EXPECT_EQ(last[x * 3 + 1], top[x * 3 + 1]);
        EXPECT_EQ(last[x * 3 + 2], top[x * 3 + 0]);
    }
    EXPECT_EQ(last[9] | last[10] | last[11], 0);
}

TEST_F(J2KOutput, GreyDibHasPaletteOfGreysBeforeItsRows)
{
    ReadResult r = ReadFixture("j2k_grey.jp2", 8, 1.0, SAJ2K_FLAG_DIB);
    ASSERT_TRUE(r.pixels) << r.code;
    const uint8_t* h = r.pixels.get();
    EXPECT_EQ(LE16(h + 14), 8);
    EXPECT_EQ(LE32(h + 32), 256u);
    EXPECT_EQ(LE32(h + 20), 104u * 75u);
    for (uint32_t i = 0; i < 256; ++i) {
        const uint8_t* e = h + 40 + i * 4;
        ASSERT_EQ(e[0], i);
        ASSERT_EQ(e[1], i);
        ASSERT_EQ(e[2], i);
        ASSERT_EQ(e[3], 255);
    }
    EXPECT_GE(GlobalSize(r.pixels.get()), 1064u + 104u * 75u);
}

TEST_F(J2KOutput, NoHeaderFlagGivesTheDibRowsOnly)
{
    for (uint32_t bits : {8u, 24u, 32u}) {
        ReadResult full = ReadFixture("j2k_grey.jp2", bits == 8 ? 8 : bits, 1.0, SAJ2K_FLAG_DIB);
        ReadResult rows = ReadFixture("j2k_grey.jp2", bits, 1.0, SAJ2K_FLAG_DIB | SAJ2K_FLAG_NO_HEADER);
        ASSERT_TRUE(full.pixels && rows.pixels) << bits;
        const size_t header = bits == 8 ? 1064 : 40;
        const size_t row = (101 * bits / 8 + 3) / 4 * 4;
        EXPECT_EQ(GlobalSize(rows.pixels.get()), row * 75) << bits;
        EXPECT_EQ(0, std::memcmp(full.pixels.get() + header, rows.pixels.get(), row * 75)) << bits;
    }
}

TEST_F(J2KOutput, NoHeaderFlagWithoutDibChangesNothing)
{
    ReadResult plain = ReadFixture("j2k_rgb.jp2", 24);
    ReadResult flagged = ReadFixture("j2k_rgb.jp2", 24, 1.0, SAJ2K_FLAG_NO_HEADER);
    ASSERT_TRUE(plain.pixels && flagged.pixels);
    EXPECT_EQ(GlobalSize(flagged.pixels.get()), GlobalSize(plain.pixels.get()));
    EXPECT_EQ(0, std::memcmp(plain.pixels.get(), flagged.pixels.get(), 101 * 75 * 3));
}

struct ArgumentCase {
    const char* name;
    const char* file;
    uint32_t bitsPerPixel;
    double scale;
    uint32_t flags;
    int32_t code;
    uint32_t width;   // stored size, 12345 when untouched
    uint32_t height;
};

void PrintTo(const ArgumentCase& c, std::ostream* os) { *os << c.name; }

class J2KRefusesArguments : public ::testing::TestWithParam<ArgumentCase> {
protected:
    void SetUp() override { ASSERT_TRUE(InstallHook()); }
};

TEST_P(J2KRefusesArguments, GivesNullCodeAndSizes)
{
    const ArgumentCase& c = GetParam();
    ReadResult r = ReadFixture(c.file, c.bitsPerPixel, c.scale, c.flags);
    EXPECT_FALSE(r.pixels);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.width, c.width);
    EXPECT_EQ(r.height, c.height);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

const ArgumentCase kArgumentCases[] = {
    {"Depth48AsDib", "j2k_rgb.jp2", 48, 1.0, SAJ2K_FLAG_DIB, 5, 101, 75},
    {"Depth16AsDib", "j2k_grey.jp2", 16, 1.0, SAJ2K_FLAG_DIB, 5, 101, 75},
    {"Depth8FromRgb", "j2k_rgb.jp2", 8, 1.0, 0, 5, 101, 75},
    {"Depth16FromSycc", "j2k_sycc.jp2", 16, 1.0, 0, 5, 64, 48},
    {"Depth12", "j2k_rgb.jp2", 12, 1.0, 0, 5, 101, 75},
    {"Depth0", "j2k_grey.jp2", 0, 1.0, 0, 5, 101, 75},
    {"FiveComponents", "j2k_five.j2k", 24, 1.0, 0, 1000, 16, 16},
    {"NegativeScale", "j2k_rgb.jp2", 24, -1.0, 0, 5, 12345, 12345},
    {"NaNScale", "j2k_rgb.jp2", 24, kNaN, 0, 5, 12345, 12345},
    {"InfiniteScale", "j2k_rgb.jp2", 24, kInf, 0, 5, 12345, 12345},
    {"ScaleLeavingNoPixels", "j2k_rgb.jp2", 24, 200.0, 0, 5, 0, 0},
    {"ScaleBeyondTheLimit", "j2k_rgb.jp2", 24, 1.0 / 1024, 0, 1, 101 * 1024, 75 * 1024},
};

INSTANTIATE_TEST_SUITE_P(Arguments, J2KRefusesArguments, ::testing::ValuesIn(kArgumentCases),
                         [](const ::testing::TestParamInfo<ArgumentCase>& info) { return info.param.name; });

TEST_F(J2KOutput, ScaleTakesTheNearestSampleByTruncation)
{
    ReadResult one = ReadFixture("j2k_rgb.jp2", 24, 1.0);
    ReadResult zero = ReadFixture("j2k_rgb.jp2", 24, 0.0);
    ReadResult half = ReadFixture("j2k_rgb.jp2", 24, 2.0);
    ReadResult twice = ReadFixture("j2k_rgb.jp2", 24, 0.5);
    ASSERT_TRUE(one.pixels && zero.pixels && half.pixels && twice.pixels);
    EXPECT_EQ(zero.width, 101u);
    EXPECT_EQ(zero.height, 75u);
    EXPECT_EQ(0, std::memcmp(one.pixels.get(), zero.pixels.get(), 101 * 75 * 3));
    ASSERT_EQ(half.width, 50u);
    ASSERT_EQ(half.height, 37u);
    ASSERT_EQ(twice.width, 202u);
    ASSERT_EQ(twice.height, 150u);
    const uint8_t* src = one.pixels.get();
    for (uint32_t y = 0; y < 37; ++y)
        for (uint32_t x = 0; x < 50; ++x)
            ASSERT_EQ(0, std::memcmp(half.pixels.get() + (y * 50 + x) * 3, src + (2 * y * 101 + 2 * x) * 3, 3));
    for (uint32_t y = 0; y < 150; ++y)
        for (uint32_t x = 0; x < 202; ++x)
            ASSERT_EQ(0, std::memcmp(twice.pixels.get() + (y * 202 + x) * 3, src + (y / 2 * 101 + x / 2) * 3, 3));
}

}  // namespace
