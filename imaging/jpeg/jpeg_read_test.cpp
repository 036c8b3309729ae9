// Reading JPEG files: golden decodes, layouts, colour spaces, probing and bad input.
#include "jpeg/jpeg_test_util.h"

#include <cstring>
#include <vector>

using jt::Buffer;
using jt::Bytes;

namespace {

class JpegRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        ISTestResetJpegOptions();
        is5_SetCallback(nullptr, nullptr);
    }
    void TearDown() override
    {
        ISTestResetJpegOptions();
        is5_SetCallback(nullptr, nullptr);
    }
};

// ---- golden reads ----

struct GoldenCase {
    const char* name;  // fixture stem: NAME.jpg made by cjpeg, NAME.ppm by djpeg
};

class JpegGoldenRead : public JpegRead, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(JpegGoldenRead, TwentyFourBitReadEqualsDjpeg)
{
    std::string stem = GetParam().name;
    Bytes file = jt::Fixture(stem + ".jpg");
    vt::Pnm reference = jt::Reference(stem + ".ppm");
    Buffer image = jt::ReadJpeg(file, 24);
    ASSERT_NE(image.data, nullptr);
    EXPECT_EQ(image.error, 0);
    ASSERT_EQ(image.width, uint32_t(reference.width));
    ASSERT_EQ(image.height, uint32_t(reference.height));
    EXPECT_EQ(0, std::memcmp(image.data, reference.pixels.data(), reference.pixels.size()));
}

INSTANTIATE_TEST_SUITE_P(CjpegVariants, JpegGoldenRead,
                         ::testing::Values(GoldenCase{"jpeg_base"}, GoldenCase{"jpeg_s11"}, GoldenCase{"jpeg_prog"},
                                           GoldenCase{"jpeg_rst"}, GoldenCase{"jpeg_arith"},
                                           GoldenCase{"jpeg_progarith"}, GoldenCase{"jpeg_rgb"}),
                         [](const ::testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });

TEST_F(JpegRead, GreyFileAtEightBitsEqualsDjpegAndAtTwentyFourRepeatsEachSample)
{
    Bytes file = jt::Fixture("jpeg_grey.jpg");
    vt::Pnm reference = jt::Reference("jpeg_grey.pgm");
    Buffer grey = jt::ReadJpeg(file, 8);
    ASSERT_NE(grey.data, nullptr);
    EXPECT_EQ(grey.error, 0);
    EXPECT_EQ(0, std::memcmp(grey.data, reference.pixels.data(), reference.pixels.size()));

    Buffer rgb = jt::ReadJpeg(file, 24);
    ASSERT_NE(rgb.data, nullptr);
    for (size_t i = 0; i < reference.pixels.size(); ++i)
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(rgb.data[3 * i + c], reference.pixels[i]) << i;
}

struct RefusedCase {
    const char* file;
    uint32_t bits;
    uint32_t flags;
};

class JpegRefusedDepth : public JpegRead, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(JpegRefusedDepth, IsRefusedWithCodeNine)
{
    Buffer image = jt::ReadJpeg(jt::Fixture(GetParam().file), GetParam().bits, GetParam().flags);
    EXPECT_EQ(image.data, nullptr);
    EXPECT_EQ(image.error, 9);
}

INSTANTIATE_TEST_SUITE_P(Depths, JpegRefusedDepth,
                         ::testing::Values(RefusedCase{"jpeg_grey.jpg", 32, 0}, RefusedCase{"jpeg_rgb.jpg", 8, 0},
                                           RefusedCase{"jpeg_rgb.jpg", 32, 0}, RefusedCase{"jpeg_base.jpg", 8, 0},
                                           RefusedCase{"jpeg_base.jpg", 32, 0x4}));

struct ScaleCase {
    const char* file;
    const char* reference;  // djpeg -scale N/D
    int32_t num;
    int32_t denom;
};

class JpegScaledRead : public JpegRead, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(JpegScaledRead, EqualsDjpegAtTheSameScale)
{
    ISTestJpegOptions()->scaleNum = GetParam().num;
    ISTestJpegOptions()->scaleDenom = GetParam().denom;
    vt::Pnm reference = jt::Reference(GetParam().reference);
    Buffer image = jt::ReadJpeg(jt::Fixture(GetParam().file), 24);
    ASSERT_NE(image.data, nullptr);
    ASSERT_EQ(image.width, uint32_t(reference.width));
    ASSERT_EQ(image.height, uint32_t(reference.height));
    EXPECT_EQ(0, std::memcmp(image.data, reference.pixels.data(), reference.pixels.size()));
}

INSTANTIATE_TEST_SUITE_P(Scales, JpegScaledRead,
                         ::testing::Values(ScaleCase{"jpeg_base.jpg", "jpeg_base_half.ppm", 1, 2},
                                           ScaleCase{"jpeg_prog.jpg", "jpeg_prog_3of8.ppm", 3, 8}));

// ---- DIB and padding ----

BITMAPINFOHEADER HeaderOf(const Buffer& dib)
{
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data, sizeof(header));
    return header;
}

TEST_F(JpegRead, RgbFileAsDibIsTwentyFourBitBottomUpBgrWhateverDepthIsAsked)
{
    Bytes file = jt::Fixture("jpeg_rgb5x3.jpg");
    Buffer plain = jt::ReadJpeg(file, 24);
    ASSERT_NE(plain.data, nullptr);
    for (uint32_t bits : {8u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        Buffer dib = jt::ReadJpeg(file, bits, 0x2);
        ASSERT_NE(dib.data, nullptr);
        EXPECT_EQ(dib.error, 0);
        BITMAPINFOHEADER h = HeaderOf(dib);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, 5);
        EXPECT_EQ(h.biHeight, 3);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, 24);
        EXPECT_EQ(h.biCompression, 0u);
        EXPECT_EQ(h.biSizeImage, 48u);
        EXPECT_EQ(h.biClrUsed, 0u);
        for (int y = 0; y < 3; ++y) {
            const BYTE* row = dib.data + 40 + (2 - y) * 16;
            for (int x = 0; x < 5; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(row[3 * x + c], plain.data[(y * 5 + x) * 3 + 2 - c]) << x << "," << y;
            EXPECT_EQ(row[15], 0);
        }
    }
}

TEST_F(JpegRead, GreyFileAsDibHasGreyPaletteAndPaddedRows)
{
    Bytes file = jt::Fixture("jpeg_grey5x3.jpg");
    vt::Pnm reference = jt::Reference("jpeg_grey5x3.pgm");
    Buffer dib = jt::ReadJpeg(file, 24, 0x2);
    ASSERT_NE(dib.data, nullptr);
    BITMAPINFOHEADER h = HeaderOf(dib);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biSizeImage, 24u);
    EXPECT_EQ(h.biClrUsed, 256u);
    EXPECT_GE(GlobalSize(dib.data), 40u + 1024u + 24u);
    const RGBQUAD* palette = reinterpret_cast<const RGBQUAD*>(dib.data + 40);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(palette[i].rgbBlue, i);
        ASSERT_EQ(palette[i].rgbGreen, i);
        ASSERT_EQ(palette[i].rgbRed, i);
        ASSERT_EQ(palette[i].rgbReserved, 255);
    }
    for (int y = 0; y < 3; ++y) {
        const BYTE* row = dib.data + 40 + 1024 + (2 - y) * 8;
        EXPECT_EQ(0, std::memcmp(row, reference.pixels.data() + y * 5, 5));
        EXPECT_EQ(row[5] | row[6] | row[7], 0);
    }
}

TEST_F(JpegRead, PaddedRowsAreTopDownBgrOfSixteenBytesAtWidthFive)
{
    Bytes file = jt::Fixture("jpeg_ycc5x3.jpg");
    vt::Pnm reference = jt::Reference("jpeg_ycc5x3.ppm");
    Buffer padded = jt::ReadJpeg(file, 24, 0x8);
    ASSERT_NE(padded.data, nullptr);
    for (int y = 0; y < 3; ++y) {
        const BYTE* row = padded.data + y * 16;
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(row[3 * x + c], reference.pixels[(y * 5 + x) * 3 + 2 - c]);
        EXPECT_EQ(row[15], 0);
    }
}

struct DensityCase {
    ISResolution written;
    LONG pixelsPerMetre;
};

class JpegDibDensity : public JpegRead, public ::testing::WithParamInterface<DensityCase> {};

TEST_P(JpegDibDensity, BecomesPixelsPerMetre)
{
    Bytes pixels = jt::Gradient(8, 8, 3);
    Bytes file = jt::WriteJpeg(pixels, 8, 8, 24, 90, 0, &GetParam().written);
    Buffer dib = jt::ReadJpeg(file, 24, 0x2);
    ASSERT_NE(dib.data, nullptr);
    EXPECT_EQ(HeaderOf(dib).biXPelsPerMeter, GetParam().pixelsPerMetre);
    EXPECT_EQ(HeaderOf(dib).biYPelsPerMeter, GetParam().pixelsPerMetre);
}

INSTANTIATE_TEST_SUITE_P(Units, JpegDibDensity,
                         ::testing::Values(DensityCase{{72, 72, 1}, 2800}, DensityCase{{300, 300, 1}, 11800},
                                           DensityCase{{72, 72, 0}, 0}, DensityCase{{28, 28, 2}, 2800}));

// ---- CMYK and YCCK ----

class JpegFourComponents : public JpegRead, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(JpegFourComponents, ConvertToRgbAsCTimesKOver255)
{
    const uint32_t w = 13, h = 9;
    Bytes cmyk = jt::Gradient(w, h, 4);
    Bytes file = jt::WriteJpeg(cmyk, w, h, 32, 95, GetParam());
    ASSERT_FALSE(file.empty());

    Buffer samples = jt::ReadJpeg(file, 32, 0x1);
    ASSERT_NE(samples.data, nullptr);
    EXPECT_EQ(samples.error, 0);
    Buffer rgb = jt::ReadJpeg(file, 24);
    ASSERT_NE(rgb.data, nullptr);
    EXPECT_EQ(rgb.error, 0);
    Buffer dib = jt::ReadJpeg(file, 24, 0x2);
    ASSERT_NE(dib.data, nullptr);
    EXPECT_EQ(HeaderOf(dib).biBitCount, 24);
    const uint32_t dibRow = (w * 24 + 31) / 32 * 4;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const BYTE* s = samples.data + (y * w + x) * 4;
            const BYTE* p = rgb.data + (y * w + x) * 3;
            const BYTE* d = dib.data + 40 + (h - 1 - y) * dibRow + x * 3;
            for (int c = 0; c < 3; ++c) {
                int expected = s[c] * s[3] / 255;
                ASSERT_EQ(p[c], expected) << x << "," << y;
                ASSERT_EQ(d[2 - c], expected) << x << "," << y;
            }
        }

    EXPECT_EQ(jt::ReadJpeg(file, 24, 0x1).error, 9);
    EXPECT_EQ(jt::ReadJpeg(file, 32, 0).error, 9);
}

INSTANTIATE_TEST_SUITE_P(CmykAndYcck, JpegFourComponents, ::testing::Values(0u, 0x2u));

// ---- flag 0x4 ----

class JpegKeepYCbCr : public JpegRead, public ::testing::WithParamInterface<const char*> {};

TEST_P(JpegKeepYCbCr, FirstSampleIsDjpegsLuma)
{
    std::string stem = GetParam();
    Buffer ycc = jt::ReadJpeg(jt::Fixture(stem + ".jpg"), 24, 0x4);
    vt::Pnm luma = jt::Reference(stem + "_luma.pgm");
    ASSERT_NE(ycc.data, nullptr);
    EXPECT_EQ(ycc.error, 0);
    for (size_t i = 0; i < luma.pixels.size(); ++i)
        ASSERT_EQ(ycc.data[3 * i], luma.pixels[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(YCbCrFiles, JpegKeepYCbCr,
                         ::testing::Values("jpeg_base", "jpeg_s11", "jpeg_prog", "jpeg_rst", "jpeg_arith"));

TEST_F(JpegRead, KeepYCbCrFlagLeavesGreyAndRgbFilesAlone)
{
    struct Case {
        const char* file;
        uint32_t bits;
        size_t bytes;
    } cases[] = {{"jpeg_grey.jpg", 8, 61 * 47}, {"jpeg_grey.jpg", 24, 61 * 47 * 3}, {"jpeg_rgb.jpg", 24, 61 * 47 * 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Bytes file = jt::Fixture(c.file);
        Buffer plain = jt::ReadJpeg(file, c.bits);
        Buffer flagged = jt::ReadJpeg(file, c.bits, 0x4);
        ASSERT_NE(plain.data, nullptr);
        ASSERT_NE(flagged.data, nullptr);
        EXPECT_EQ(flagged.error, 0);
        EXPECT_EQ(0, std::memcmp(plain.data, flagged.data, c.bytes));
    }
}

// ---- probing ----

struct ProbeCase {
    const char* file;
    uint32_t bits;
    uint32_t colourSpace;
    uint32_t codingFlags;
};

class JpegProbe : public JpegRead, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(JpegProbe, ReportsDepthColourSpaceAndCoding)
{
    Bytes file = jt::Fixture(GetParam().file);
    HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
    uint32_t w = 0, h = 0, bits = 0, space = 0, coding = 99;
    ISResolution res = {0, 0, 9};
    ASSERT_TRUE(is5_GetJPGDims(source, &w, &h, &bits, &space, &coding, &res, 0));
    EXPECT_EQ(ISGetLastError(), 0);
    is5_CloseSource(source);
    EXPECT_EQ(w, 61u);
    EXPECT_EQ(h, 47u);
    EXPECT_EQ(bits, GetParam().bits);
    EXPECT_EQ(space, GetParam().colourSpace);
    EXPECT_EQ(coding, GetParam().codingFlags);
    EXPECT_EQ(res.unit, 0u);  // cjpeg writes JFIF with aspect ratio only
}

INSTANTIATE_TEST_SUITE_P(CjpegVariants, JpegProbe,
                         ::testing::Values(ProbeCase{"jpeg_base.jpg", 24, 3, 0}, ProbeCase{"jpeg_prog.jpg", 24, 3, 1},
                                           ProbeCase{"jpeg_arith.jpg", 24, 3, 2},
                                           ProbeCase{"jpeg_progarith.jpg", 24, 3, 3},
                                           ProbeCase{"jpeg_grey.jpg", 8, 1, 0}, ProbeCase{"jpeg_rgb.jpg", 24, 2, 0}));

TEST_F(JpegRead, ProbeReportsCmykAndYcckAtThirtyTwoBits)
{
    for (uint32_t flags : {0u, 0x2u}) {
        Bytes file = jt::WriteJpeg(jt::Gradient(61, 47, 4), 61, 47, 32, 80, flags);
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0, bits = 0, space = 0;
        EXPECT_TRUE(is5_GetJPGDims(source, &w, &h, &bits, &space, nullptr, nullptr, 0));
        is5_CloseSource(source);
        EXPECT_EQ(bits, 32u);
        EXPECT_EQ(space, flags ? 5u : 4u);
    }
}

TEST_F(JpegRead, ProbeOfFileWithoutJfifGivesLibjpegsDefaultDensity)
{
    ISResolution written = {300, 300, 1};
    Bytes file = jt::WriteJpeg(jt::Gradient(8, 8, 3), 8, 8, 24, 80, 0x20, &written);
    HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
    uint32_t w = 0, h = 0;
    ISResolution res = {0, 0, 9};
    EXPECT_TRUE(is5_GetJPGDims(source, &w, &h, nullptr, nullptr, nullptr, &res, 0));
    is5_CloseSource(source);
    EXPECT_EQ(res.x, 1.0);
    EXPECT_EQ(res.y, 1.0);
    EXPECT_EQ(res.unit, 0u);
}

TEST_F(JpegRead, ProbeFailsOnBadInputAndArguments)
{
    Bytes junk(100, 0x42);
    HISSRC source = is5_OpenMemorySource(junk.data(), 100);
    uint32_t w = 7, h = 7;
    EXPECT_FALSE(is5_GetJPGDims(source, &w, &h, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(ISGetLastError(), 9);
    EXPECT_EQ(w, 0u);
    EXPECT_FALSE(is5_GetJPGDims(source, nullptr, &h, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(ISGetLastError(), 5);
    is5_CloseSource(source);
    EXPECT_FALSE(is5_GetJPGDims(nullptr, &w, &h, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(ISGetLastError(), 5);
    CISIO_Memory closed;
    EXPECT_FALSE(is5_GetJPGDims(reinterpret_cast<HISSRC>(static_cast<CISIO*>(&closed)), &w, &h, nullptr, nullptr,
                                nullptr, nullptr, 0));
    EXPECT_EQ(ISGetLastError(), 38);
}

// ---- bad reads ----

// A copy of `file` with its first scan's data cut in half.
Bytes CutInsideFirstScan(const Bytes& file)
{
    size_t i = jt::SegmentOffset(file, 0xDA);
    size_t scan = i + 2 + (size_t(file[i + 2]) << 8 | file[i + 3]);
    return Bytes(file.begin(), file.begin() + scan + (file.size() - scan) / 2);
}

TEST_F(JpegRead, EmptyFileIsRefusedWithLibjpegsMessage)
{
    std::string path = vt::BuildPath("jpeg_test_empty.jpg");
    FILE* empty = std::fopen(path.c_str(), "wb");
    ASSERT_NE(empty, nullptr);
    std::fclose(empty);
    HISSRC source = is5_OpenFileSource(path.c_str());
    ASSERT_NE(source, nullptr);
    uint32_t w = 0, h = 0;
    EXPECT_EQ(is5_ReadJPG(source, &w, &h, 24, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 9);
    is5_CloseSource(source);
    EXPECT_TRUE(jt::LogHas("Empty input file", 9, 3));
}

TEST_F(JpegRead, FileCutShortGivesItsPictureWithCode3)
{
    for (const char* name : {"jpeg_base.jpg", "jpeg_prog.jpg"}) {
        SCOPED_TRACE(name);
        Bytes whole = jt::Fixture(name);
        for (Bytes file : {CutInsideFirstScan(whole), Bytes(whole.begin(), whole.begin() + whole.size() / 2),
                           Bytes(whole.begin(), whole.end() - 2)}) {
            SCOPED_TRACE(file.size());
            size_t logged = ISTestErrorLog().size();
            ::testing::internal::CaptureStderr();
            Buffer image = jt::ReadJpeg(file, 24);
            std::string printed = ::testing::internal::GetCapturedStderr();
            // The partly read picture still comes back, as after failed rows.
            ASSERT_NE(image.data, nullptr);
            EXPECT_EQ(image.error, 3);
            EXPECT_EQ(image.width, 61u);
            EXPECT_EQ(image.height, 47u);
            EXPECT_GE(GlobalSize(image.data), 61u * 47u * 3u);
            std::vector<ISErrorLogEntry> log = ISTestErrorLog();
            bool warned = false;
            for (size_t i = logged; i < log.size(); ++i)
                warned = warned || (log[i].level == 2 && log[i].message.find("Premature end") != std::string::npos);
            EXPECT_TRUE(warned);
            EXPECT_EQ(printed, "");
        }
    }
}

// A copy of `file` with `count` stray bytes before its first scan's marker.
Bytes JunkBeforeScan(const Bytes& file, size_t count)
{
    size_t i = jt::SegmentOffset(file, 0xDA);
    Bytes out(file.begin(), file.begin() + i);
    out.insert(out.end(), count, 0x5A);
    out.insert(out.end(), file.begin() + i, file.end());
    return out;
}

TEST_F(JpegRead, StrayBytesBeforeAMarkerAreOnlyAWarning)
{
    Bytes whole = jt::Fixture("jpeg_base.jpg");
    Buffer clean = jt::ReadJpeg(whole, 24);
    ASSERT_NE(clean.data, nullptr);
    EXPECT_FALSE(jt::LogHas("extraneous bytes before marker", 9, 2));
    Buffer image = jt::ReadJpeg(JunkBeforeScan(whole, 3), 24);
    ASSERT_NE(image.data, nullptr);
    EXPECT_EQ(image.error, 0);
    EXPECT_TRUE(jt::LogHas("extraneous bytes before marker", 9, 2));
    ASSERT_EQ(image.width, clean.width);
    ASSERT_EQ(image.height, clean.height);
    EXPECT_EQ(std::memcmp(image.data, clean.data, size_t(clean.width) * clean.height * 3), 0);
}

TEST_F(JpegRead, RandomBytesAfterValidHeaderFailOrWarnButNeverCrash)
{
    Bytes base = jt::Fixture("jpeg_base.jpg");
    Bytes prog = jt::Fixture("jpeg_prog.jpg");
    for (const Bytes* source : {&base, &prog}) {
        Bytes cut = CutInsideFirstScan(*source);
        for (uint32_t seed = 1; seed <= 20; ++seed) {
            Bytes file(cut.begin(), cut.begin() + (cut.size() * 2) / 3);
            uint32_t r = seed;
            for (int i = 0; i < 3000; ++i) {
                r = r * 1103515245u + 12345u;
                file.push_back(static_cast<uint8_t>(r >> 16));
            }
            Buffer image = jt::ReadJpeg(file, 24, seed & 0x8);
            EXPECT_TRUE(image.error == 0 || image.error == 3 || image.error == 9) << image.error;
        }
    }
}

TEST_F(JpegRead, HugeFrameIsRefusedBeforeAllocating)
{
    Bytes file = jt::Fixture("jpeg_base.jpg");
    size_t i = jt::SegmentOffset(file, 0xC0);
    // 65,500 rows of 65,500 pixels: height and width, big-endian, after the
    // length and the precision.
    file[i + 5] = 0xFF, file[i + 6] = 0xDC;
    file[i + 7] = 0xFF, file[i + 8] = 0xDC;
    for (uint32_t flags : {0u, 0x2u}) {
        Buffer image = jt::ReadJpeg(file, 24, flags);
        EXPECT_EQ(image.data, nullptr);
        EXPECT_EQ(image.error, 1);
    }
}

TEST_F(JpegRead, BadArgumentsAndInvalidSources)
{
    Bytes file = jt::Fixture("jpeg_base.jpg");
    HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
    uint32_t w = 0, h = 0;
    EXPECT_EQ(is5_ReadJPG(source, &w, &h, 16, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ(is5_ReadJPG(nullptr, &w, &h, 24, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    is5_CloseSource(source);
    CISIO_Memory closed;
    EXPECT_EQ(is5_ReadJPG(reinterpret_cast<HISSRC>(static_cast<CISIO*>(&closed)), &w, &h, 24, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 38);
}

TEST_F(JpegRead, DepthIsCheckedUnderTheDibFlagToo)
{
    Bytes file = jt::Fixture("jpeg_rgb5x3.jpg");
    for (uint32_t bits : {0u, 1u, 16u, 48u}) {
        SCOPED_TRACE(bits);
        Buffer dib = jt::ReadJpeg(file, bits, 0x2);
        EXPECT_EQ(dib.data, nullptr);
        EXPECT_EQ(dib.error, 5);
    }
}

TEST_F(JpegRead, ProbeZeroesEveryOutBeforeTheArgumentChecks)
{
    uint32_t w = 7, h = 7, bits = 7, space = 7, coding = 7;
    ISResolution res = {7, 7, 7};
    EXPECT_FALSE(is5_GetJPGDims(nullptr, &w, &h, &bits, &space, &coding, &res, 0));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ((std::vector<uint32_t>{w, h, bits, space, coding}), std::vector<uint32_t>(5, 0));
    EXPECT_EQ(res.x, 0.0);
    EXPECT_EQ(res.y, 0.0);
    EXPECT_EQ(res.unit, 0u);
}

// ---- progress, cancel, give-back, progressive display ----

BOOL StopAtFirstRow(int32_t, int32_t, void*) { return FALSE; }

TEST_F(JpegRead, CancelAtFirstRowReturnsBufferWithOnlyThatRowAndCodeThree)
{
    Bytes file = jt::Fixture("jpeg_base.jpg");
    vt::Pnm reference = jt::Reference("jpeg_base.ppm");
    is5_SetCallback(StopAtFirstRow, nullptr);
    Buffer image = jt::ReadJpeg(file, 24);
    is5_SetCallback(nullptr, nullptr);
    ASSERT_NE(image.data, nullptr);
    EXPECT_EQ(image.error, 3);
    const size_t row = 61 * 3;
    EXPECT_EQ(0, std::memcmp(image.data, reference.pixels.data(), row));
    for (size_t i = row; i < row * 47; ++i)
        ASSERT_EQ(image.data[i], 0) << i;
}

TEST_F(JpegRead, GiveBackLeavesSourceAfterTheFirstPicture)
{
    Bytes first = jt::Fixture("jpeg_base.jpg");
    Bytes second = jt::Fixture("jpeg_grey.jpg");
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    HISSRC source = is5_OpenMemorySource(both.data(), static_cast<int32_t>(both.size()));
    uint32_t w = 0, h = 0;
    void* a = is5_ReadJPG(source, &w, &h, 24, 0x10);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(ISGetLastError(), 0);
    int32_t position = -1;
    reinterpret_cast<CISIO*>(source)->Tell(&position);
    EXPECT_EQ(position, static_cast<int32_t>(first.size()));
    void* b = is5_ReadJPG(source, &w, &h, 8, 0x10);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(ISGetLastError(), 0);
    vt::Pnm grey = jt::Reference("jpeg_grey.pgm");
    EXPECT_EQ(0, std::memcmp(b, grey.pixels.data(), grey.pixels.size()));
    is5_CloseSource(source);
    GlobalFree(a);
    GlobalFree(b);
}

struct Passes {
    std::vector<int32_t> indices;
    int32_t stopAfter = 1000;
};

BOOL CountPasses(void* buffer, uint32_t width, uint32_t height, uint32_t bits, int32_t pass, void* user)
{
    Passes* passes = static_cast<Passes*>(user);
    EXPECT_NE(buffer, nullptr);
    EXPECT_EQ(width, 61u);
    EXPECT_EQ(height, 47u);
    EXPECT_EQ(bits, 24u);
    passes->indices.push_back(pass);
    return static_cast<int32_t>(passes->indices.size()) < passes->stopAfter;
}

TEST_F(JpegRead, ProgressiveDisplayShowsEachPassAndEndsWithTheFullPicture)
{
    Bytes file = jt::Fixture("jpeg_prog.jpg");
    vt::Pnm reference = jt::Reference("jpeg_prog.ppm");
    Passes passes;
    ISTestJpegOptions()->progressive = CountPasses;
    ISTestJpegOptions()->progressiveUser = &passes;
    Buffer image = jt::ReadJpeg(file, 24, 0x20);
    ASSERT_NE(image.data, nullptr);
    EXPECT_EQ(image.error, 0);
    ASSERT_GE(passes.indices.size(), 2u);
    for (size_t i = 1; i < passes.indices.size(); ++i)
        EXPECT_GT(passes.indices[i], passes.indices[i - 1]);
    // Buffered-image output is libjpeg's final pass, the same as a plain decode.
    EXPECT_EQ(0, std::memcmp(image.data, reference.pixels.data(), reference.pixels.size()));
}

TEST_F(JpegRead, ProgressiveDisplayStopOrCancel)
{
    Bytes file = jt::Fixture("jpeg_prog.jpg");
    Passes passes;
    passes.stopAfter = 1;
    ISTestJpegOptions()->progressive = CountPasses;
    ISTestJpegOptions()->progressiveUser = &passes;
    Buffer stopped = jt::ReadJpeg(file, 24, 0x20);
    ASSERT_NE(stopped.data, nullptr);
    EXPECT_EQ(stopped.error, 0);
    EXPECT_EQ(passes.indices.size(), 1u);

    passes = Passes();
    is5_SetCallback(StopAtFirstRow, nullptr);
    Buffer cancelled = jt::ReadJpeg(file, 24, 0x20);
    is5_SetCallback(nullptr, nullptr);
    ASSERT_NE(cancelled.data, nullptr);
    EXPECT_EQ(cancelled.error, 3);
    EXPECT_TRUE(passes.indices.empty());
}

}  // namespace
