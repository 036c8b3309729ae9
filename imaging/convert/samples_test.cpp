// Resolution units, 16-to-8-bit samples and HSL.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "imaging/convert/convert.h"
#include "tests/support/test_support.h"

namespace {

struct ResolutionCase {
    const char* name;
    int32_t kind;
    ISResolution in;
    ISResolution out;
    BOOL result;
};

void PrintTo(const ResolutionCase& c, std::ostream* os) { *os << c.name; }

class Resolution : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(Resolution, ConvertsToPixelsPerMetre)
{
    const ResolutionCase& c = GetParam();
    ISResolution r = c.in;
    EXPECT_EQ(c.result, ISConvertResolution(&r, c.kind, kISResPerMetre));
    EXPECT_EQ(c.out.x, r.x);
    EXPECT_EQ(c.out.y, r.y);
    EXPECT_EQ(c.out.unit, r.unit);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Resolution,
    ::testing::Values(ResolutionCase{"jpegPerInch", 0, {72, 72, 1}, {2800, 2800, 1}, TRUE},
                      ResolutionCase{"jpegPerInchUneven", 0, {300, 150, 1}, {11800, 5900, 1}, TRUE},
                      ResolutionCase{"jpegPerCentimetre", 0, {28, 28, 2}, {2800, 2800, 1}, TRUE},
                      ResolutionCase{"jpegNoUnit", 0, {72, 72, 0}, {0, 0, 0}, FALSE},
                      ResolutionCase{"jpegUnknownUnit", 0, {72, 72, 3}, {0, 0, 0}, FALSE},
                      ResolutionCase{"tiffPerInch", 1, {72, 72, 2}, {2800, 2800, 1}, TRUE},
                      ResolutionCase{"tiffPerCentimetre", 1, {28, 10, 3}, {2800, 1000, 1}, TRUE},
                      ResolutionCase{"tiffNone", 1, {72, 72, 1}, {0, 0, 0}, FALSE},
                      ResolutionCase{"pngPerMetre", 2, {3780, 3779.5, 1}, {3780, 3779.5, 1}, TRUE},
                      ResolutionCase{"pngUnknown", 2, {3780, 3780, 0}, {0, 0, 0}, FALSE},
                      ResolutionCase{"negativeKind", -1, {72, 72, 1}, {72, 72, 1}, FALSE},
                      ResolutionCase{"kindThree", 3, {72, 72, 1}, {72, 72, 1}, FALSE}),
    [](const ::testing::TestParamInfo<ResolutionCase>& info) { return info.param.name; });

TEST(Resolution, NullRecordIsFalse) { EXPECT_FALSE(ISConvertResolution(nullptr, 0, kISResPerMetre)); }

TEST(SixteenToEight, RoundsOnThe257StepScale)
{
    const uint16_t in[] = {0x00FF, 0xFF00, 0x8000, 0xFFFF, 0x0000, 0x0180, 0x0182, 0x7FFF};
    // Hand-computed: h + 1 when low - high > 128 (so 0xFF00 stays 255).
    const BYTE expected[] = {1, 255, 128, 255, 0, 1, 2, 127};
    BYTE out[8] = {};
    CISImgUtil op;
    ASSERT_TRUE(op.ISConvert16To8Bit(in, 4, 2, 1, 4, out, 4, 0));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(expected[i], out[i]) << i;
}

TEST(SixteenToEight, FlagTakesEachSamplesFirstByteAndStridesApply)
{
    const uint16_t in[] = {0x1234, 0xABCD, 0xFFFF, 0x5678, 0x9ABC, 0xFFFF};  // rows of 2 samples, stride 3
    BYTE out[2 * 3] = {};
    CISImgUtil op;
    ASSERT_TRUE(op.ISConvert16To8Bit(in, 2, 2, 1, 3, out, 3, 1));
    const BYTE* bytes = reinterpret_cast<const BYTE*>(in);
    EXPECT_EQ(bytes[0], out[0]);
    EXPECT_EQ(bytes[2], out[1]);
    EXPECT_EQ(0, out[2]) << "stride padding is not written";
    EXPECT_EQ(bytes[6], out[3]);
    EXPECT_EQ(bytes[8], out[4]);
}

TEST(SixteenToEight, NullOrSameBufferIsStatus5)
{
    uint16_t in[4] = {};
    CISImgUtil op;
    EXPECT_FALSE(op.ISConvert16To8Bit(in, 2, 1, 1, 2, reinterpret_cast<BYTE*>(in), 2, 0));
    EXPECT_EQ(5, op.m_status);
    op.ISClearStatus();
    EXPECT_FALSE(op.ISConvert16To8Bit(nullptr, 2, 1, 1, 2, reinterpret_cast<BYTE*>(in + 2), 2, 0));
    EXPECT_EQ(5, op.m_status);
}

TEST(Hsl, EveryGreyRoundTripsExactly)
{
    for (int v = 0; v < 256; ++v) {
        double h, l, s;
        ISRGBToHSL(BYTE(v), BYTE(v), BYTE(v), &h, &l, &s);
        EXPECT_EQ(-1.0, h) << v;
        EXPECT_EQ(0.0, s) << v;
        BYTE r, g, b;
        ISHSLToRGB(h, l, s, &r, &g, &b);
        EXPECT_EQ(v, r);
        EXPECT_EQ(v, g);
        EXPECT_EQ(v, b);
    }
}

TEST(Hsl, AgreesWithPythonColorsys)
{
    FILE* f = std::fopen(vt::FixturePath("pool_hsl.txt").c_str(), "r");
    ASSERT_NE(nullptr, f) << "fixture pool_hsl.txt missing";
    int r, g, b, rb, gb, bb;
    double h, l, s;
    int lines = 0;
    while (std::fscanf(f, "%d %d %d %lf %lf %lf %d %d %d", &r, &g, &b, &h, &l, &s, &rb, &gb, &bb) == 9) {
        ++lines;
        double hue, light, sat;
        ISRGBToHSL(BYTE(r), BYTE(g), BYTE(b), &hue, &light, &sat);
        if (r == g && g == b) {
            EXPECT_EQ(-1.0, hue);
        } else {
            double turn = hue / 360.0;
            if (turn - h > 0.5)
                turn -= 1.0;  // 359.99... degrees against a colorsys hue just above 0
            EXPECT_NEAR(h, turn, 1e-9) << r << " " << g << " " << b;
        }
        EXPECT_NEAR(l, light, 1e-9) << r << " " << g << " " << b;
        EXPECT_NEAR(s, sat, 1e-9) << r << " " << g << " " << b;
        BYTE ro, go, bo;
        ISHSLToRGB(hue, light, sat, &ro, &go, &bo);
        EXPECT_NEAR(rb, ro, 1) << r << " " << g << " " << b;
        EXPECT_NEAR(gb, go, 1) << r << " " << g << " " << b;
        EXPECT_NEAR(bb, bo, 1) << r << " " << g << " " << b;
        EXPECT_NEAR(r, ro, 1);
        EXPECT_NEAR(g, go, 1);
        EXPECT_NEAR(b, bo, 1);
    }
    std::fclose(f);
    EXPECT_EQ(10000, lines);
}

TEST(Hsl, OutOfRangeHueFallsBackToTheFirstSector)
{
    BYTE r, g, b;
    ISHSLToRGB(360.0, 0.5, 1.0, &r, &g, &b);
    EXPECT_EQ(255, r);
    EXPECT_EQ(0, g);
    EXPECT_EQ(0, b);
    ISHSLToRGB(1e300, 0.5, 1.0, &r, &g, &b);  // no undefined conversion
    EXPECT_EQ(255, r);
}

}  // namespace
