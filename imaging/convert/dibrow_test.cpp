// Decoding DIB rows of every bit count.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/convert/convert.h"

namespace {

struct DibCase {
    const char* name;
    uint32_t bitCount;
    std::vector<BYTE> row;
    bool useMasks;
    uint32_t masks[3];
    BOOL addAlpha;
    BOOL keepOrder;
    std::vector<BYTE> expected;
};

void PrintTo(const DibCase& c, std::ostream* os) { *os << c.name; }

const RGBQUAD kPalette[16] = {{1, 2, 3, 0},    {11, 12, 13, 0}, {21, 22, 23, 0}, {31, 32, 33, 0},
                              {41, 42, 43, 0}, {51, 52, 53, 0}, {61, 62, 63, 0}, {71, 72, 73, 0},
                              {81, 82, 83, 0}, {91, 92, 93, 0}, {0, 0, 0, 0},    {0, 0, 0, 0},
                              {0, 0, 0, 0},    {0, 0, 0, 0},    {0, 0, 0, 0},    {0xB1, 0xB2, 0xB3, 0}};

class DibRow : public ::testing::TestWithParam<DibCase> {};

TEST_P(DibRow, DecodesToRGB)
{
    const DibCase& c = GetParam();
    std::vector<BYTE> out(c.expected.size());
    std::vector<RGBQUAD> palette(kPalette, kPalette + 16);
    palette.resize(256);
    const uint32_t count = static_cast<uint32_t>(c.expected.size() / (c.addAlpha ? 4 : 3));
    CISImgUtil op;
    ASSERT_TRUE(op.ISDIBRowToRGB(c.row.data(), out.data(), count, c.bitCount, palette.data(),
                                 c.useMasks ? c.masks : nullptr, c.addAlpha, 0x7E, c.keepOrder));
    EXPECT_EQ(c.expected, out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DibRow,
    ::testing::Values(
        DibCase{"white555", 16, {0xFF, 0x7F}, false, {}, FALSE, FALSE, {255, 255, 255}},
        DibCase{"mixed555", 16, {0x1F, 0x40}, false, {}, FALSE, FALSE, {131, 0, 255}},  // 16*255/31 = 131
        DibCase{"white565", 16, {0xFF, 0xFF}, true, {0xF800, 0x07E0, 0x001F}, FALSE, FALSE, {248, 252, 248}},
        DibCase{"nineBitMask", 16, {0xFE, 0x01}, true, {0x1FF, 0, 0}, FALSE, FALSE, {0xFF, 0, 0}},
        DibCase{"zeroMask", 16, {0xFF, 0xFF}, true, {0, 0xF800, 0}, FALSE, FALSE, {0, 248, 0}},
        DibCase{"highMaskBitsIgnored", 16, {0xFF, 0xFF}, true, {0xFF0000, 0x7C00, 0x3}, FALSE, FALSE, {0, 248, 192}},
        DibCase{"alpha16", 16, {0xFF, 0x7F}, false, {}, TRUE, FALSE, {255, 255, 255, 0x7E}},
        DibCase{"rgb24", 24, {1, 2, 3, 4, 5, 6}, false, {}, FALSE, FALSE, {3, 2, 1, 6, 5, 4}},
        DibCase{"keep24", 24, {1, 2, 3}, false, {}, FALSE, TRUE, {1, 2, 3}},
        DibCase{"alpha24", 24, {1, 2, 3}, false, {}, TRUE, FALSE, {3, 2, 1, 0x7E}},
        DibCase{"pixel32", 32, {0x33, 0x22, 0x11, 0x80}, false, {}, FALSE, FALSE, {0x11, 0x22, 0x33}},
        DibCase{"pixel32Alpha", 32, {0x33, 0x22, 0x11, 0x80}, false, {}, TRUE, FALSE, {0x11, 0x22, 0x33, 0x80}},
        DibCase{"keep32", 32, {0x33, 0x22, 0x11, 0x80}, false, {}, FALSE, TRUE, {0x33, 0x22, 0x11}},
        // 10-10-10: the top eight bits of each channel; 0x3FF00000 = red.
        DibCase{"fields32TenBits", 32, {0x55, 0x81, 0x08, 0x3F}, true, {0x3FF00000, 0x000FFC00, 0x000003FF}, TRUE,
                FALSE, {0xFC, 0x88, 0x55, 0x7E}},
        DibCase{"fields32Standard", 32, {0x33, 0x22, 0x11, 0x80}, true, {0xFF0000, 0xFF00, 0xFF}, TRUE, FALSE,
                {0x11, 0x22, 0x33, 0x80}},
        DibCase{"fields32Keep", 32, {0x33, 0x22, 0x11, 0x80}, true, {0xFF0000, 0xFF00, 0xFF}, FALSE, TRUE,
                {0x33, 0x22, 0x11}},
        DibCase{"fields32HighRed", 32, {0x00, 0x00, 0x00, 0xFF}, true, {0xFF000000, 0xFF00, 0xFF}, TRUE, FALSE,
                {0xFF, 0, 0, 0x7E}},
        DibCase{"fields32SmallMask", 32, {0x00, 0xF0, 0x00, 0x00}, true, {0x0F, 0xF000, 0x30000}, FALSE, FALSE,
                {0, 0xF0, 0}},
        DibCase{"palette1", 1, {0x40}, false, {}, FALSE, FALSE, {3, 2, 1, 13, 12, 11}},
        DibCase{"palette4", 4, {0x9F}, false, {}, FALSE, FALSE, {93, 92, 91, 0xB3, 0xB2, 0xB1}},
        DibCase{"palette4Alpha", 4, {0x20}, true, {}, TRUE, FALSE, {23, 22, 21, 0x7E}},
        DibCase{"palette8", 8, {7, 0}, false, {}, FALSE, FALSE, {73, 72, 71, 3, 2, 1}}),
    [](const ::testing::TestParamInfo<DibCase>& info) { return info.param.name; });

TEST(BitfieldShifts, BringTheTopOfEachRunToBit7)
{
    const uint32_t masks[3] = {0x1FF, 0x07E0, 0};
    ISBitfield f[3];
    ISBitfieldShifts(masks, f);
    EXPECT_EQ(0, f[0].first);
    EXPECT_EQ(9, f[0].width);
    EXPECT_EQ(-1, f[0].shift) << "bit 8 on top shifts right by one";
    EXPECT_EQ(5, f[1].first);
    EXPECT_EQ(6, f[1].width);
    EXPECT_EQ(-3, f[1].shift);
    EXPECT_EQ(0, f[2].width);
    const uint32_t split[3] = {0x8003, 0xFFFF, 0x10};
    ISBitfieldShifts(split, f);
    EXPECT_EQ(2, f[0].width) << "only the first run counts";
    EXPECT_EQ(6, f[0].shift);
    EXPECT_EQ(16, f[1].width);
    EXPECT_EQ(-8, f[1].shift);
    EXPECT_EQ(3, f[2].shift);
    const uint32_t wide[3] = {0xFFC00000, 0x1, 0x00FF0000};
    ISBitfieldShifts(wide, f, 32);
    EXPECT_EQ(22, f[0].first);
    EXPECT_EQ(10, f[0].width);
    EXPECT_EQ(-24, f[0].shift) << "bit 31 on top shifts right by 24";
    EXPECT_EQ(7, f[1].shift);
    EXPECT_EQ(-16, f[2].shift);
}

TEST(DibRow, BadBitCountOrMissingPaletteIsStatus5)
{
    BYTE row[4] = {}, out[12] = {};
    CISImgUtil op;
    EXPECT_FALSE(op.ISDIBRowToRGB(row, out, 1, 2, nullptr, nullptr, FALSE, 0, FALSE));
    EXPECT_EQ(5, op.m_status);
    op.ISClearStatus();
    EXPECT_FALSE(op.ISDIBRowToRGB(row, out, 1, 8, nullptr, nullptr, FALSE, 0, FALSE));
    EXPECT_EQ(5, op.m_status);
}

}  // namespace
