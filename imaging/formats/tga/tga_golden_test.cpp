// ImageMagick's and pamtotga's files of every type, against ImageMagick's
// own decodes, at 24 and 32 bits, at 8 bits through the palette and as DIBs.
#include "tga_test_util.h"

using namespace tgat;

namespace {

constexpr uint32_t kW = 37, kH = 23;

struct Golden {
    const char* name;
    bool indexed;  // readable at 8 bits (types 1, 3, 9)
    bool alpha;    // the reference is rgba:
};

void PrintTo(const Golden& g, std::ostream* os) { *os << g.name; }

const Golden kGoldens[] = {
    {"tga_im1", true, false},   {"tga_im2", false, false},  {"tga_im3", true, false},
    {"tga_im9", true, false},   {"tga_im10", false, false}, {"tga_im11", false, false},
    {"tga_im32", false, true},  {"tga_imtopleft", false, false}, {"tga_pam", false, false},
    {"tga_pamrle", false, false},
};

// The reference as RGBA, alpha 255 where the file has none.
Bytes Reference(const Golden& g)
{
    const Bytes ref = Fixture(std::string(g.name) + (g.alpha ? ".rgba" : ".rgb"));
    if (g.alpha)
        return ref;
    Bytes rgba;
    for (size_t i = 0; i + 2 < ref.size(); i += 3)
        rgba.insert(rgba.end(), {ref[i], ref[i + 1], ref[i + 2], 255});
    return rgba;
}

class TgaGolden : public ::testing::TestWithParam<Golden> {};

TEST_P(TgaGolden, RgbAndRgbaEqualTheReference)
{
    const Golden& g = GetParam();
    const Bytes file = Fixture(std::string(g.name) + ".tga");
    const Bytes ref = Reference(g);
    ASSERT_EQ(ref.size(), size_t(kW) * kH * 4);

    const Result r24 = ReadMem(file, 24, 0, kW * kH * 3);
    ASSERT_TRUE(r24.made);
    EXPECT_EQ(r24.status, 0);
    EXPECT_EQ(r24.width, kW);
    EXPECT_EQ(r24.height, kH);
    Bytes ref24;
    for (size_t i = 0; i < ref.size(); i += 4)
        ref24.insert(ref24.end(), {ref[i], ref[i + 1], ref[i + 2]});
    EXPECT_EQ(r24.data, ref24);

    const Result r32 = ReadMem(file, 32, 0, kW * kH * 4);
    ASSERT_TRUE(r32.made);
    EXPECT_EQ(r32.status, 0);
    EXPECT_EQ(r32.data, ref);

    // A file source reads the same.
    const Result fromFile = ReadPath(vt::FixturePath(std::string(g.name) + ".tga"), 32, 0, kW * kH * 4);
    EXPECT_EQ(fromFile.status, 0);
    EXPECT_EQ(fromFile.data, ref);
}

TEST_P(TgaGolden, EightBitsOrRefusal)
{
    const Golden& g = GetParam();
    const Bytes file = Fixture(std::string(g.name) + ".tga");
    const Result r = ReadMem(file, 8, 0, kW * kH);
    if (!g.indexed) {
        EXPECT_FALSE(r.made);
        EXPECT_EQ(r.status, 28);
        return;
    }
    ASSERT_TRUE(r.made);
    EXPECT_EQ(r.status, 0);
    const Bytes ref = Reference(g);
    for (size_t i = 0; i < size_t(kW) * kH; ++i) {
        const RGBQUAD& q = r.palette[r.data[i]];
        ASSERT_EQ((Bytes{q.rgbRed, q.rgbGreen, q.rgbBlue}), (Bytes{ref[4 * i], ref[4 * i + 1], ref[4 * i + 2]}))
            << "pixel " << i;
    }
}

TEST_P(TgaGolden, DibKeepsColoursBottomUpPadded)
{
    const Golden& g = GetParam();
    const Bytes file = Fixture(std::string(g.name) + ".tga");
    const Bytes ref = Reference(g);
    const uint32_t bits = g.indexed ? 8 : (g.alpha ? 32 : 24);
    const uint32_t stride = (kW * bits / 8 + 3) / 4 * 4;
    const uint32_t header = g.indexed ? 1064 : 40;
    const Result r = ReadMem(file, 24, 2, header + stride * kH, false);
    ASSERT_TRUE(r.made);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Le32(r.data, 0), 40u);
    EXPECT_EQ(Le32(r.data, 4), kW);
    EXPECT_EQ(Le32(r.data, 8), kH);
    EXPECT_EQ(r.data[14], bits);
    EXPECT_EQ(Le32(r.data, 20), stride * kH);
    EXPECT_EQ(Le32(r.data, 32), g.indexed ? 256u : 0u);
    for (uint32_t y = 0; y < kH; ++y) {
        const uint8_t* row = r.data.data() + header + size_t(kH - 1 - y) * stride;
        for (uint32_t x = 0; x < kW; ++x) {
            const uint8_t* want = ref.data() + (size_t(y) * kW + x) * 4;
            Bytes got;
            if (g.indexed) {
                const uint8_t* e = r.data.data() + 40 + 4 * row[x];
                got = {e[2], e[1], e[0]};
            } else {
                const uint8_t* p = row + x * (bits / 8);
                got = {p[2], p[1], p[0]};
                if (bits == 32)
                    got.push_back(p[3]);
            }
            Bytes expect(want, want + (bits == 32 ? 4 : 3));
            ASSERT_EQ(got, expect) << "x " << x << " y " << y;
        }
        for (uint32_t pad = kW * bits / 8; pad < stride; ++pad)
            ASSERT_EQ(row[pad], 0) << "padding of row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, TgaGolden, ::testing::ValuesIn(kGoldens),
                         [](const ::testing::TestParamInfo<Golden>& i) { return std::string(i.param.name); });

// ImageMagick rescales 5-bit samples; tgatoppm's samples times 8 are the
// reference.
TEST(TgaSixteen, SamplesShiftLeftByThree)
{
    const Bytes file = Fixture("tga_im16.tga");
    const Bytes five = Fixture("tga_im16.rgb5");
    ASSERT_EQ(five.size(), size_t(kW) * kH * 3);
    const Result r = ReadMem(file, 32, 0, kW * kH * 4);
    ASSERT_TRUE(r.made);
    EXPECT_EQ(r.status, 0);
    for (size_t i = 0; i < size_t(kW) * kH; ++i)
        ASSERT_EQ((Bytes{r.data[4 * i], r.data[4 * i + 1], r.data[4 * i + 2], r.data[4 * i + 3]}),
                  (Bytes{uint8_t(five[3 * i] * 8), uint8_t(five[3 * i + 1] * 8), uint8_t(five[3 * i + 2] * 8), 255}))
            << "pixel " << i;

    Spec s;
    s.bits = 16;
    s.pixels = {0xFF, 0x7F};
    const Result one = ReadMem(Make(s), 32, 0, 4);
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.data, (Bytes{248, 248, 248, 255}));
}

}  // namespace
