// The GIF reader against giftopnm: tool and hand-written files, interlace,
// tables, transparency, the DIB and padded layouts.
#include <cstring>

#include "gif_test_util.h"

namespace {

using gift::Bytes;
using gift::Fixture;
using gift::ReadGif;
using gift::Result;

// Index rows (with the stride given) through the palette equal the reference.
void ExpectColours(const Result& r, const uint8_t* rows, uint64_t stride, bool bottomUp, const RGBQUAD* palette,
                   const std::string& reference)
{
    vt::Pnm ref;
    ASSERT_TRUE(vt::ReadPnm(vt::FixturePath(reference), &ref)) << reference;
    ASSERT_EQ(uint32_t(ref.width), r.width) << reference;
    ASSERT_EQ(uint32_t(ref.height), r.height) << reference;
    for (uint32_t y = 0; y < r.height; ++y) {
        const uint8_t* row = rows + (bottomUp ? r.height - 1 - y : y) * stride;
        for (uint32_t x = 0; x < r.width; ++x) {
            const RGBQUAD& c = palette[row[x]];
            const uint8_t* want = &ref.pixels[(size_t(y) * r.width + x) * 3];
            ASSERT_EQ(want[0], c.rgbRed) << reference << " at " << x << "," << y;
            ASSERT_EQ(want[1], c.rgbGreen) << reference << " at " << x << "," << y;
            ASSERT_EQ(want[2], c.rgbBlue) << reference << " at " << x << "," << y;
        }
    }
}

class GifGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(GifGolden, RawPaddedAndDibShowTheSameColours)
{
    const std::string name = GetParam();
    const Bytes file = Fixture(name + ".gif");
    const Result raw = ReadGif(file, 0);
    ASSERT_EQ(0, raw.status) << name;
    ASSERT_FALSE(raw.bytes.empty());
    ExpectColours(raw, raw.bytes.data(), raw.width, false, raw.palette, name + ".ppm");

    const Result padded = ReadGif(file, 8);
    ASSERT_EQ(0, padded.status) << name;
    ExpectColours(padded, padded.bytes.data(), (padded.width + 3) / 4 * 4, false, padded.palette, name + ".ppm");

    const Result dib = ReadGif(file, 2, false);
    ASSERT_EQ(0, dib.status) << name;
    const uint32_t stride = (dib.width + 3) / 4 * 4;
    ASSERT_GE(dib.bytes.size(), 1064u + uint64_t(stride) * dib.height);
    const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(dib.bytes.data());
    EXPECT_EQ(40u, bih->biSize);
    EXPECT_EQ(int32_t(dib.width), bih->biWidth);
    EXPECT_EQ(int32_t(dib.height), bih->biHeight);
    EXPECT_EQ(1, bih->biPlanes);
    EXPECT_EQ(8, bih->biBitCount);
    EXPECT_EQ(uint32_t(stride * dib.height), bih->biSizeImage);
    EXPECT_EQ(256u, bih->biClrUsed);
    EXPECT_EQ(0, std::memcmp(dib.bytes.data() + 40, raw.palette, 1024));
    ExpectColours(dib, dib.bytes.data() + 1064, stride, true, raw.palette, name + ".ppm");
}

INSTANTIATE_TEST_SUITE_P(Files, GifGolden,
                         ::testing::Values("gif87_2", "gif87_16", "gif87_256", "gif89_2", "gif89_16", "gif89_256",
                                           "gif_il_1", "gif_il_2", "gif_il_3", "gif_il_4", "gif_il_5", "gif_il_6",
                                           "gif_il_7", "gif_il_8", "gif_il_9", "gif_il_37", "gif_ilnp_1",
                                           "gif_ilnp_2", "gif_ilnp_3", "gif_ilnp_4", "gif_ilnp_5", "gif_ilnp_6",
                                           "gif_ilnp_7", "gif_ilnp_8", "gif_ilnp_9", "gif_ilnp_37", "gif_pamtrans",
                                           "gifw_local", "gifw_local_global", "gifw_transparent", "gifw_nogce",
                                           "gifw_noise"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// Fourth bytes: 0 for the transparent entry (entry 0 without one), 255 else.
void ExpectAlpha(const Result& r, uint32_t clearEntry)
{
    for (uint32_t i = 0; i < 256; ++i)
        ASSERT_EQ(i == clearEntry ? 0 : 255, r.palette[i].rgbReserved) << "entry " << i;
}

TEST(GifTransparency, IndexIsTheOneWrittenAndItsEntryIsClear)
{
    const Result written = ReadGif(Fixture("gifw_transparent.gif"), 0);
    ASSERT_EQ(0, written.status);
    EXPECT_EQ(5, written.transparent);
    ExpectAlpha(written, 5);

    // pamtogif chose the index of the colour it was given.
    const Result pam = ReadGif(Fixture("gif_pamtrans.gif"), 0);
    ASSERT_EQ(0, pam.status);
    ASSERT_GE(pam.transparent, 0);
    Bytes colour = Fixture("gif_pamtrans.colour");
    char want[8] = {};
    const RGBQUAD& c = pam.palette[pam.transparent];
    std::snprintf(want, sizeof(want), "#%02X%02X%02X", c.rgbRed, c.rgbGreen, c.rgbBlue);
    EXPECT_EQ(std::string(want), std::string(colour.begin(), colour.begin() + 7));
    ExpectAlpha(pam, uint32_t(pam.transparent));

    const Result none = ReadGif(Fixture("gifw_nogce.gif"), 0);
    ASSERT_EQ(0, none.status);
    EXPECT_EQ(-1, none.transparent);
    ExpectAlpha(none, 0);
}

// Short graphic control sub-blocks leave the index unset; comments, loop
// counts and stray bytes between blocks change nothing.
TEST(GifTransparency, FieldsOnlyFromInsideTheirSubBlock)
{
    const Bytes pixels = Fixture("gifw_pix16.raw");
    const struct {
        const char* file;
        int32_t transparent;
    } cases[] = {{"gifw_gce1.gif", -1}, {"gifw_gce3.gif", -1}, {"gifw_blocks.gif", 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Result r = ReadGif(Fixture(c.file), 0);
        ASSERT_EQ(0, r.status);
        EXPECT_EQ(c.transparent, r.transparent);
        ExpectAlpha(r, c.transparent < 0 ? 0 : uint32_t(c.transparent));
        EXPECT_EQ(pixels, Bytes(r.bytes.begin(), r.bytes.begin() + gift::RawBytes(r)));
    }
}

// Pixels are checked against the entry count of the table in use, the local
// one when there is one; a pixel past it is flagged and the read goes on.
TEST(GifCodes, PixelsAreCheckedAgainstTheTableInUse)
{
    const Bytes pixels = Fixture("gifw_pix16.raw");
    const Result small = ReadGif(Fixture("gifw_small_local.gif"), 0);
    EXPECT_EQ(12, small.status);
    ASSERT_NE(nullptr, small.buffer);
    EXPECT_EQ(pixels, Bytes(small.bytes.begin(), small.bytes.begin() + gift::RawBytes(small)));
    EXPECT_EQ(0, small.palette[4].rgbRed | small.palette[4].rgbGreen | small.palette[4].rgbBlue);

    const Result large = ReadGif(Fixture("gifw_large_local.gif"), 0);
    EXPECT_EQ(0, large.status);
    EXPECT_EQ(pixels, Bytes(large.bytes.begin(), large.bytes.begin() + gift::RawBytes(large)));
}

TEST(GifCodes, OnlyTheFirstImageAtItsOwnSize)
{
    // A 200 x 150 screen holding two 41 x 29 images.
    const Result r = ReadGif(Fixture("gifw_two.gif"), 0);
    ASSERT_EQ(0, r.status);
    EXPECT_EQ(41u, r.width);
    EXPECT_EQ(29u, r.height);
    EXPECT_EQ(Fixture("gifw_pix16.raw"), Bytes(r.bytes.begin(), r.bytes.begin() + gift::RawBytes(r)));
}

TEST(GifCodes, CodeSizeOneGivesItsPixels)
{
    const Result r = ReadGif(Fixture("gifw_cs1.gif"), 0);
    ASSERT_EQ(0, r.status);
    const Bytes want = Fixture("gifw_cs1.raw");
    ASSERT_EQ(want.size(), gift::RawBytes(r));
    EXPECT_EQ(0, std::memcmp(want.data(), r.bytes.data(), want.size()));
    EXPECT_EQ(250, r.palette[1].rgbRed);
    EXPECT_EQ(10, r.palette[1].rgbBlue);
}

TEST(GifCodes, CodesPastAFullTableStopTheImage)
{
    const Result r = ReadGif(Fixture("gifw_overflow.gif"), 0);
    EXPECT_EQ(12, r.status);
    ASSERT_EQ(100u * 100u, gift::RawBytes(r));
    const Bytes noise = Fixture("gifw_overflow.raw");
    const Bytes stopText = Fixture("gifw_overflow.stop");
    const size_t stop = std::stoul(std::string(stopText.begin(), stopText.end()));
    ASSERT_GT(stop, 100u);
    ASSERT_LT(stop, noise.size());
    EXPECT_EQ(0, std::memcmp(noise.data(), r.bytes.data(), stop));
    for (size_t i = stop; i < noise.size(); ++i)
        ASSERT_EQ(0, r.bytes[i]) << "pixel " << i;
}

TEST(GifHeader, VersionAndFlagsAreChecked)
{
    Bytes file = Fixture("gif89_16.gif");
    file[4] = '8';  // "GIF88a"
    Result r = ReadGif(file, 0);
    EXPECT_EQ(nullptr, r.buffer);
    EXPECT_EQ(12, r.status);

    const Bytes good = Fixture("gif89_16.gif");
    r = ReadGif(good, 2 | 8);
    EXPECT_EQ(nullptr, r.buffer);
    EXPECT_EQ(5, r.status);
    r = ReadGif(good, 0, false);
    EXPECT_EQ(nullptr, r.buffer);
    EXPECT_EQ(5, r.status);
    // The size and index outs may be null.
    HISSRC source = is5_OpenMemorySource(good.data(), int32_t(good.size()));
    RGBQUAD palette[256];
    void* buffer = is5_ReadGIF(source, nullptr, nullptr, nullptr, palette, 0);
    EXPECT_EQ(0, ISGetLastError());
    EXPECT_NE(nullptr, buffer);
    if (buffer)
        GlobalFree(buffer);
    is5_CloseSource(source);
}

TEST(GifGeneric, ModeZeroIsThePaletteExpansion)
{
    const Bytes file = Fixture("gif89_256.gif");
    const Result raw = ReadGif(file, 0);
    ASSERT_EQ(0, raw.status);
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0;
    void* rgb = is5_ReadImage(source, &w, &h, 0, 0);
    ASSERT_NE(nullptr, rgb) << ISGetLastError();
    ASSERT_EQ(raw.width, w);
    ASSERT_EQ(raw.height, h);
    const uint8_t* p = static_cast<const uint8_t*>(rgb);
    for (uint32_t i = 0; i < w * h; ++i) {
        const RGBQUAD& c = raw.palette[raw.bytes[i]];
        ASSERT_EQ(c.rgbRed, p[3 * i]) << i;
        ASSERT_EQ(c.rgbGreen, p[3 * i + 1]) << i;
        ASSERT_EQ(c.rgbBlue, p[3 * i + 2]) << i;
    }
    GlobalFree(rgb);
    is5_CloseSource(source);
}

}  // namespace
