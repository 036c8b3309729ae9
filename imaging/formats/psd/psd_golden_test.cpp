// ImageMagick's files of a 40x30 plasma against its own composites: R,G,B at
// 24 bits, the 8-bit reads with their palettes, 16-bit CMYK kept at 16
// bits, and the DIBs of the reader and of the generic reader.
#include <algorithm>
#include <cstdlib>

#include "psd_test_util.h"

namespace {

using psdt::Bytes;
using psdt::Fixture;
using psdt::ReadPsd;

struct Golden {
    const char* file;
    const char* reference;  // ImageMagick's composite, -depth 8 rgb:
    int tolerance;          // CMYK: ImageMagick rounds, the reader truncates
};

void PrintTo(const Golden& g, std::ostream* os) { *os << g.file; }

const Golden kGoldens[] = {
    {"rgb8.psd", "rgb8.rgb", 0},     {"rgb8_rle.psd", "rgb8_rle.rgb", 0}, {"rgb16.psd", "rgb16.rgb", 0},
    {"grey.psd", "grey.rgb", 0},     {"bitmap.psd", "bitmap.rgb", 0},     {"cmyk8.psd", "cmyk8.rgb", 1},
    {"cmyk16.psd", "cmyk16.rgb", 2},
};

class PsdGolden : public ::testing::TestWithParam<Golden> {};

TEST_P(PsdGolden, TwentyFourBitsMatchImageMagicksComposite)
{
    const Golden& g = GetParam();
    const Bytes reference = Fixture(g.reference);
    for (bool fromFile : {false, true}) {
        const psdt::Read r = ReadPsd(Fixture(g.file), 24, 0, fromFile);
        ASSERT_TRUE(r.made) << r.code;
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.width, 40u);
        EXPECT_EQ(r.height, 30u);
        EXPECT_LE(psdt::MaxDifference(r.data, reference), g.tolerance) << (fromFile ? "file" : "memory");
    }
}

TEST_P(PsdGolden, DibIsTheSamePictureBottomUpAndGenericModesAgree)
{
    const Golden& g = GetParam();
    const Bytes file = Fixture(g.file);
    const psdt::Read rgb = ReadPsd(file, 24);
    const psdt::Read dib = ReadPsd(file, 24, IS5_DIB);
    ASSERT_TRUE(dib.made);
    EXPECT_EQ(dib.code, 0);
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data.data(), sizeof h);
    const bool eightBit = std::string(g.file) == "grey.psd" || std::string(g.file) == "bitmap.psd";
    EXPECT_EQ(h.biBitCount, eightBit ? 8 : 24);
    EXPECT_EQ(h.biClrUsed, eightBit ? 256u : 0u);
    EXPECT_EQ(h.biWidth, 40);
    EXPECT_EQ(h.biHeight, 30);
    const size_t stride = eightBit ? 40 : 120;
    EXPECT_EQ(dib.data.size(), 40 + (eightBit ? 1024 : 0) + stride * 30);
    EXPECT_EQ(psdt::DibToRgb(dib.data), rgb.data);

    // The generic reader: mode 0 is the 24-bit read, mode 2 the DIB.
    for (uint32_t mode : {0u, 2u}) {
        psdt::Source source(file, false);
        uint32_t w = 0, height = 0;
        void* buffer = is5_ReadImage(source.Handle(), &w, &height, mode, 0);
        const psdt::Read generic = psdt::Take(buffer, psdt::Read());
        ASSERT_TRUE(generic.made) << mode;
        EXPECT_EQ(generic.code, 0);
        EXPECT_EQ(mode == 0 ? generic.data : psdt::DibToRgb(generic.data), rgb.data) << mode;
    }
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, PsdGolden, ::testing::ValuesIn(kGoldens),
                         [](const ::testing::TestParamInfo<Golden>& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });

TEST(PsdGolden16, CmykKeptAtSixteenBitsIsWithinOneOfImageMagick)
{
    const Bytes reference = Fixture("cmyk16.rgb16");
    const psdt::Read r = ReadPsd(Fixture("cmyk16.psd"), 24, 8);
    ASSERT_TRUE(r.made);
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.data.size(), reference.size());
    int worst = 0;
    for (size_t i = 0; i < r.data.size(); i += 2) {
        const int mine = (r.data[i] << 8) | r.data[i + 1];
        const int theirs = (reference[i] << 8) | reference[i + 1];
        worst = std::max(worst, std::abs(mine - theirs));
    }
    EXPECT_LE(worst, 1);
}

TEST(PsdGolden16, RgbKeptAtSixteenBitsIsEverySampleTimes257)
{
    const Bytes reference = Fixture("rgb8.rgb");
    for (uint32_t depth : {24u, 32u}) {
        const psdt::Read r = ReadPsd(Fixture("rgb16.psd"), depth, 8);
        ASSERT_TRUE(r.made);
        ASSERT_EQ(r.data.size(), reference.size() * 2);
        for (size_t i = 0; i < reference.size(); ++i)
            ASSERT_EQ((r.data[2 * i] << 8) | r.data[2 * i + 1], reference[i] * 257) << depth << " at " << i;
    }
}

TEST(PsdGolden8, GreyGivesItsBytesAndBitmapGivesZeroOrOne)
{
    const psdt::Read grey = ReadPsd(Fixture("grey.psd"), 8);
    ASSERT_TRUE(grey.made);
    EXPECT_EQ(grey.code, 0);
    EXPECT_EQ(grey.data, Fixture("grey.gray"));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(grey.palette[i].rgbRed, i);

    const psdt::Read bitmap = ReadPsd(Fixture("bitmap.psd"), 8);
    ASSERT_TRUE(bitmap.made);
    EXPECT_EQ(bitmap.code, 0);
    const RGBQUAD white = bitmap.palette[0], black = bitmap.palette[1];
    EXPECT_EQ(Bytes({white.rgbBlue, white.rgbGreen, white.rgbRed, white.rgbReserved}), Bytes({255, 255, 255, 255}));
    EXPECT_EQ(Bytes({black.rgbBlue, black.rgbGreen, black.rgbRed, black.rgbReserved}), Bytes({0, 0, 0, 0}));
    const Bytes reference = Fixture("bitmap.rgb");
    ASSERT_EQ(bitmap.data.size(), 40u * 30);
    size_t blacks = 0;
    for (size_t i = 0; i < bitmap.data.size(); ++i) {
        ASSERT_LE(bitmap.data[i], 1);
        ASSERT_EQ(bitmap.data[i] == 1, reference[3 * i] == 0) << i;
        blacks += bitmap.data[i];
    }
    EXPECT_GT(blacks, 0u);
    EXPECT_LT(blacks, bitmap.data.size());
}

TEST(PsdGolden8, IndexedMapsThroughItsPaletteToTheReference)
{
    vt::Pnm reference;
    ASSERT_TRUE(vt::ReadPnm(vt::FixturePath("psd/indexed.ref.ppm"), &reference));
    const Bytes file = Fixture("indexed.psd");
    const psdt::Read r = ReadPsd(file, 8);
    ASSERT_TRUE(r.made);
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.data.size(), 40u * 30);
    ASSERT_EQ(reference.pixels.size(), 40u * 30 * 3);
    Bytes mapped;
    for (uint8_t index : r.data) {
        const RGBQUAD& q = r.palette[index];
        mapped.insert(mapped.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
    }
    EXPECT_EQ(mapped, reference.pixels);
    // At 24 bits through the same palette; as a DIB with it.
    EXPECT_EQ(ReadPsd(file, 24).data, reference.pixels);
    const psdt::Read dib = ReadPsd(file, 24, IS5_DIB);
    EXPECT_EQ(dib.data[14], 8);
    EXPECT_EQ(psdt::DibToRgb(dib.data), reference.pixels);
}

}  // namespace
