// Reading PNM files: scaling, raw samples, channel order, DIBs, row sizes,
// depth refusals and the dims entry, from memory and file sources; and how
// black PBM pixels come out of every path.
#include "pnm_test_util.h"

#include <initializer_list>

namespace {

using namespace pnmt;

Bytes H16(std::initializer_list<uint16_t> values)
{
    Bytes b;
    for (uint16_t v : values) {
        uint8_t two[2];
        std::memcpy(two, &v, 2);
        b.insert(b.end(), two, two + 2);
    }
    return b;
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// A BITMAPINFOHEADER as a DIB reader expects it, then `tail` (palette and rows).
Bytes Dib(uint32_t w, uint32_t h, uint32_t bits, uint32_t imageBytes, uint32_t colours, const Bytes& tail)
{
    Bytes b(40, 0);
    Put32(b, 0, 40);
    Put32(b, 4, w);
    Put32(b, 8, h);
    b[12] = 1;
    b[14] = uint8_t(bits);
    Put32(b, 20, imageBytes);
    Put32(b, 32, colours);
    return Cat(b, tail);
}

struct Case {
    const char* name;
    Bytes file;
    uint32_t depth;
    uint32_t flags;
    int32_t error;
    Bytes expected;  // empty: no buffer
    uint32_t width, height;
};

const Bytes kP5_40000 = Cat(B("P5 2 1 40000\n"), {0x9C, 0x40, 0x4E, 0x20});
const Bytes kP6 = Cat(B("P6\n2 2\n255\n"), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
const Bytes kP4_10 = Cat(B("P4\n10 2\n"), {0xFF, 0xFF, 0x80, 0x40});  // pad bits of row 0 set

std::vector<Case> Cases()
{
    return {
        {"P5 maxval 255 unchanged", Cat(B("P5 4 1 255\n"), {0, 1, 128, 255}), 8, 0, 0, {0, 1, 128, 255}, 4, 1},
        {"P5 maxval 15 scaled", Cat(B("P5 3 1 15\n"), {15, 7, 0}), 8, 0, 0, {255, 119, 0}, 3, 1},
        {"P5 maxval 40000 at 16", kP5_40000, 16, 0, 0, H16({65535, 32767}), 2, 1},
        {"P5 maxval 40000 raw at 16", kP5_40000, 16, 0x8, 0, H16({40000, 20000}), 2, 1},
        {"P5 maxval 40000 raw at 8", kP5_40000, 8, 0x8, 0, {0x40, 0x20}, 2, 1},
        {"P5 maxval 40000 at 8", kP5_40000, 8, 0, 0, {255, 127}, 2, 1},
        {"P2 maxval 1023 at 16", B("P2 3 1 1023 1023 512 1"), 16, 0, 0, H16({65535, 32799, 64}), 3, 1},
        {"P6 at 24", kP6, 24, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 2, 2},
        {"P6 at 24 B,G,R", kP6, 24, 0x10, 0, {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}, 2, 2},
        {"P6 at 24 bottom-up", kP6, 24, 0x20, 0, {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}, 2, 2},
        {"P6 DIB", kP6, 24, 0x2, 0,
         Dib(2, 2, 24, 16, 0, {9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0}), 2, 2},
        {"P6 DIB whatever the depth", kP6, 8, 0x2, 0,
         Dib(2, 2, 24, 16, 0, {9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0}), 2, 2},
        {"P3 at 48", B("P3 1 1 65535 1 256 65535"), 48, 0, 0, H16({1, 256, 65535}), 1, 1},
        {"P3 at 48 B,G,R scaled", B("P3 1 1 3 1 2 3"), 48, 0x10, 0, H16({65535, 43690, 21845}), 1, 1},
        {"P6 maxval 65535 at 48 B,G,R", Cat(B("P6 1 1 65535\n"), {0, 1, 1, 0, 0xFF, 0xFE}), 48, 0x10, 0,
         H16({0xFFFE, 256, 1}), 1, 1},
        {"P6 at 8", kP6, 8, 0, 28, {}, 0, 0},
        {"P6 at 32", kP6, 32, 0, 28, {}, 0, 0},
        {"P2 at 24", B("P2 1 1 255 7"), 24, 0, 28, {}, 0, 0},
        {"P4 at 8", kP4_10, 8, 0, 28, {}, 0, 0},
        {"P5 at 16 DIB", kP5_40000, 16, 0x2, 5, {}, 0, 0},
        {"P6 at 48 padded", kP6, 48, 0x80000000u, 5, {}, 0, 0},
        {"P4 10 wide", kP4_10, 1, 0, 0, {0xFF, 0xC0, 0x80, 0x40}, 10, 2},
        {"P4 10 wide padded", kP4_10, 1, 0x80000000u, 0, {0xFF, 0xC0, 0, 0, 0x80, 0x40, 0, 0}, 10, 2},
        {"P1 digits without separators", B("P1\n10 1\n1000000001"), 1, 0, 0, {0x80, 0x40}, 10, 1},
        {"P1 with comments", B("P1 # c\n3 2\n1 0\n# x\n1 0 1 0"), 1, 0, 0, {0xA0, 0x40}, 3, 2},
        {"P4 DIB", kP4_10, 1, 0x2, 0,
         Dib(10, 2, 1, 8, 2, {255, 255, 255, 255, 0, 0, 0, 255, 0x80, 0x40, 0, 0, 0xFF, 0xC0, 0, 0}), 10, 2},
        {"P5 DIB", Cat(B("P5 2 1 255\n"), {5, 250}), 8, 0x2, 0, [] {
             Bytes pal;
             for (int i = 0; i < 256; ++i)
                 pal.insert(pal.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 255});
             return Dib(2, 1, 8, 4, 256, Cat(pal, {5, 250, 0, 0}));
         }(), 2, 1},
        {"P5 sample above maxval", Cat(B("P5 2 1 15\n"), {200, 15}), 8, 0, 0, {255, 255}, 2, 1},
        {"P5 sample above maxval raw", Cat(B("P5 2 1 15\n"), {200, 15}), 8, 0x8, 0, {200, 15}, 2, 1},
    };
}

TEST(PnmRead, CasesFromBothSources)
{
    for (const Case& c : Cases()) {
        for (From from : kBoth) {
            SCOPED_TRACE(std::string(c.name) + " from " + Name(from));
            Image img = ReadPnm(c.file, c.depth, c.flags, from);
            EXPECT_EQ(img.error, c.error);
            if (c.expected.empty()) {
                EXPECT_EQ(img.data, nullptr);
                continue;
            }
            ASSERT_NE(img.data, nullptr);
            EXPECT_EQ(GlobalSize(img.data), c.expected.size());
            EXPECT_EQ(img.All(c.expected.size()), c.expected);
            EXPECT_EQ(img.width, c.width);
            EXPECT_EQ(img.height, c.height);
        }
    }
}

TEST(PnmRead, DimsOfEveryKind)
{
    struct D {
        Bytes file;
        uint32_t w, h, value, magic;
    } table[] = {
        {B("P2\n# c\n7 5\n1023\n"), 7, 5, 1023, 0x5032},
        {B("P1 3 4"), 3, 4, 1, 0x5031},
        {B("P4 9 2\n"), 9, 2, 1, 0x5034},
        {B("P6 1 2 65535\n"), 1, 2, 65535, 0x5036},
        {B("P3 40 1 1 "), 40, 1, 1, 0x5033},
        {B("P5 2147483647 1 255\n"), 2147483647u, 1, 255, 0x5035},
    };
    for (const D& d : table) {
        for (From from : kBoth) {
            SCOPED_TRACE(std::string(d.file.begin(), d.file.end()) + " from " + Name(from));
            Dims got = GetDims(d.file, from);
            EXPECT_TRUE(got.ok);
            EXPECT_EQ(got.error, 0);
            EXPECT_EQ(got.width, d.w);
            EXPECT_EQ(got.height, d.h);
            EXPECT_EQ(got.value, d.value);
            EXPECT_EQ(got.magic, d.magic);
        }
    }
}

// A 9x2 PBM whose left five columns are black.
TEST(PnmRead, BlackStaysBlackOnEveryPath)
{
    const Bytes file = Cat(B("P4\n9 2\n"), {0xF8, 0x00, 0xF8, 0x00});
    for (From from : kBoth) {
        SCOPED_TRACE(Name(from));
        Image plain = ReadPnm(file, 1, 0, from);
        ASSERT_NE(plain.data, nullptr);
        EXPECT_EQ(plain.All(4), Bytes({0xF8, 0x00, 0xF8, 0x00}));

        Image dib = ReadPnm(file, 1, 0x2, from);
        ASSERT_NE(dib.data, nullptr);
        EXPECT_EQ(Bytes(dib.data + 40, dib.data + 48), Bytes({255, 255, 255, 255, 0, 0, 0, 255}));

        for (uint32_t mode : {0u, 2u}) {
            SCOPED_TRACE("is5_ReadImage mode " + std::to_string(mode));
            HISSRC source = Open(file, from, "generic");
            uint32_t w = 0, h = 0;
            BYTE* data = static_cast<BYTE*>(is5_ReadImage(source, &w, &h, mode, 0));
            is5_CloseSource(source);
            ASSERT_NE(data, nullptr);
            ASSERT_EQ(w, 9u);
            ASSERT_EQ(h, 2u);
            for (uint32_t y = 0; y < 2; ++y) {
                for (uint32_t x = 0; x < 9; ++x) {
                    uint8_t rgb[3];
                    if (mode == 0) {
                        std::memcpy(rgb, data + (y * 9 + x) * 3, 3);
                    } else {
                        const BYTE* pal = data + 40;
                        const BYTE* row = data + 48 + (1 - y) * 4;
                        const int bit = (row[x / 8] >> (7 - x % 8)) & 1;
                        rgb[0] = pal[4 * bit + 2];
                        rgb[1] = pal[4 * bit + 1];
                        rgb[2] = pal[4 * bit];
                    }
                    const uint8_t want = x < 5 ? 0 : 255;
                    EXPECT_EQ(Bytes(rgb, rgb + 3), Bytes(3, want)) << "at " << x << "," << y;
                }
            }
            GlobalFree(data);
        }
    }
}

}  // namespace
