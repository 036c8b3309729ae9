// pbmtowbmp's file against the PBM and ImageMagick's decode, the layouts at
// 1 and 8 bits and as a DIB, flags, and broken or hostile headers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kW = 37, kH = 23;

struct Result {
    bool made = false;
    int32_t status = -1;
    uint32_t width = 0, height = 0;
    Bytes data;
    RGBQUAD palette[256];
};

Result Read(const Bytes& file, uint32_t depth, uint32_t flags, size_t bytes, bool withPalette = true)
{
    Result r;
    std::memset(r.palette, 0xAB, sizeof(r.palette));
    HISSRC s = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    void* buf = is5_ReadWBMP(s, &r.width, &r.height, withPalette ? r.palette : nullptr, depth, flags);
    r.status = ISGetLastError();
    is5_CloseSource(s);
    if (buf) {
        r.made = true;
        r.data.assign(static_cast<uint8_t*>(buf), static_cast<uint8_t*>(buf) + bytes);
        GlobalFree(buf);
    }
    return r;
}

Bytes Fixture(const std::string& name)
{
    Bytes b;
    EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath(name), &b)) << name;
    return b;
}

// The rows of a raw PBM written as "P4\n37 23\n".
Bytes PbmRows()
{
    const Bytes pbm = Fixture("wbmp_src.pbm");
    const std::string head = "P4\n37 23\n";
    EXPECT_EQ(std::string(pbm.begin(), pbm.begin() + head.size()), head);
    return Bytes(pbm.begin() + head.size(), pbm.end());
}

uint32_t Le32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

constexpr uint32_t kRow = (kW + 7) / 8;

TEST(WbmpRead, OneBitIsThePbmInverted)
{
    const Bytes rows = PbmRows();
    ASSERT_EQ(rows.size(), size_t(kRow) * kH);
    const Result r = Read(Fixture("wbmp_pbm.wbmp"), 1, 0, kRow * kH);
    ASSERT_TRUE(r.made);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.width, kW);
    EXPECT_EQ(r.height, kH);
    const uint8_t lastMask = uint8_t(0xFF << (8 * kRow - kW));
    for (size_t i = 0; i < rows.size(); ++i) {
        const uint8_t mask = (i % kRow == kRow - 1) ? lastMask : 0xFF;
        ASSERT_EQ(r.data[i] & mask, uint8_t(~rows[i]) & mask) << "byte " << i;
    }
    EXPECT_EQ((Bytes{r.palette[0].rgbBlue, r.palette[0].rgbGreen, r.palette[0].rgbRed, r.palette[0].rgbReserved}),
              (Bytes{0, 0, 0, 0}));
    EXPECT_EQ((Bytes{r.palette[1].rgbBlue, r.palette[1].rgbGreen, r.palette[1].rgbRed, r.palette[1].rgbReserved}),
              (Bytes{255, 255, 255, 255}));
}

TEST(WbmpRead, EightBitsThroughThePaletteEqualImageMagick)
{
    const Bytes grey = Fixture("wbmp_pbm.gray");
    ASSERT_EQ(grey.size(), size_t(kW) * kH);
    const Result r = Read(Fixture("wbmp_pbm.wbmp"), 8, 0, kW * kH);
    ASSERT_TRUE(r.made);
    EXPECT_EQ(r.status, 0);
    for (size_t i = 0; i < grey.size(); ++i) {
        ASSERT_LE(r.data[i], 1) << i;
        ASSERT_EQ(r.palette[r.data[i]].rgbRed, grey[i]) << "pixel " << i;
    }
    // Padded rows: 40 bytes each, the same pixels.
    const Result padded = Read(Fixture("wbmp_pbm.wbmp"), 8, 8, 40 * kH);
    EXPECT_EQ(padded.status, 0);
    for (uint32_t y = 0; y < kH; ++y)
        ASSERT_TRUE(std::equal(r.data.begin() + y * kW, r.data.begin() + (y + 1) * kW, padded.data.begin() + y * 40));
}

TEST(WbmpRead, DibHasItsTwoEntriesAndBottomUpPaddedRows)
{
    const Bytes file = Fixture("wbmp_pbm.wbmp");
    const Result plain = Read(file, 1, 0, kRow * kH);
    for (uint32_t depth : {1u, 8u}) {
        const Result r = Read(file, depth, 2, 48 + 8 * kH, false);
        ASSERT_TRUE(r.made);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(Le32(r.data, 0), 40u);
        EXPECT_EQ(Le32(r.data, 4), kW);
        EXPECT_EQ(Le32(r.data, 8), kH);
        EXPECT_EQ(r.data[12], 1);
        EXPECT_EQ(r.data[14], 1);
        EXPECT_EQ(Le32(r.data, 20), 8 * kH);
        EXPECT_EQ(Le32(r.data, 32), 2u);
        EXPECT_EQ(Bytes(r.data.begin() + 40, r.data.begin() + 48), (Bytes{0, 0, 0, 0, 255, 255, 255, 255}));
        for (uint32_t y = 0; y < kH; ++y) {
            const auto row = r.data.begin() + 48 + (kH - 1 - y) * 8;
            ASSERT_TRUE(std::equal(row, row + kRow, plain.data.begin() + y * kRow)) << y;
            ASSERT_EQ(Bytes(row + kRow, row + 8), Bytes(8 - kRow, 0)) << y;
        }
    }
}

TEST(WbmpRead, WidthTenUsesTwoBytesARow)
{
    const Bytes file = {0, 0, 10, 2, 0xA5, 0x40, 0xFF, 0xC0};
    const Result r = Read(file, 8, 0, 20);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.data, (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    // A multi-byte width: 0x81 0x00 is 128.
    const Bytes wide = [] {
        Bytes f = {0, 0, 0x81, 0x00, 1};
        f.resize(f.size() + 16, 0x80);
        return f;
    }();
    const Result w = Read(wide, 1, 0, 16);
    EXPECT_EQ(w.status, 0);
    EXPECT_EQ(w.width, 128u);
    EXPECT_EQ(w.data, Bytes(16, 0x80));
}

TEST(WbmpRead, FlagsAndPalette)
{
    const Bytes file = {0, 0, 1, 1, 0x80};
    struct Case {
        uint32_t flags;
        bool palette;
        int32_t status;
    };
    const Case cases[] = {{2 | 8, true, 5}, {8, false, 5}, {0, false, 5}, {8, true, 0}, {2, false, 0}};
    for (const Case& c : cases) {
        for (uint32_t depth : {1u, 8u}) {
            const Result r = Read(file, depth, c.flags, 0, c.palette);
            EXPECT_EQ(r.status, c.status) << "flags " << c.flags << " depth " << depth;
            EXPECT_EQ(r.made, c.status == 0);
        }
    }
    EXPECT_EQ(Read(file, 24, 0, 0).status, 5);
}

struct Bad {
    const char* name;
    Bytes file;
    int32_t status;
};

void PrintTo(const Bad& c, std::ostream* os) { *os << c.name; }

Bytes Then(Bytes head, size_t n, uint8_t fill)
{
    head.resize(head.size() + n, fill);
    return head;
}

const Bad kBad[] = {
    {"empty", {}, 53},
    {"oneByte", {0}, 53},
    {"type1", {1, 0, 1, 1, 0}, 53},
    {"fixedByte1", {0, 1, 1, 1, 0}, 53},
    {"width0", {0, 0, 0, 1, 0}, 53},
    {"height0", {0, 0, 1, 0, 0}, 53},
    {"noHeight", {0, 0, 1}, 53},
    {"sixByteWidth", {0, 0, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01, 1, 0}, 53},
    {"twoTo31", {0, 0, 0x88, 0x80, 0x80, 0x80, 0x00, 1, 0}, 53},
    {"hugeAt8", Then({0, 0, 0x87, 0xFF, 0xFF, 0xFF, 0x7F, 2}, 64, 0), 1},
};

class WbmpBad : public ::testing::TestWithParam<Bad> {};

TEST_P(WbmpBad, NullWithItsCode)
{
    const Bad& c = GetParam();
    // A file source: an empty memory source is refused when it is opened.
    const std::string path = vt::BuildPath(std::string("wbmp_bad_") + c.name + ".wbmp");
    ASSERT_TRUE(vt::WriteFileBytes(path, c.file));
    HISSRC s = is5_OpenFileSource(path.c_str());
    ASSERT_NE(s, nullptr);
    uint32_t rw = 0, rh = 0;
    RGBQUAD palette[256];
    void* buf = is5_ReadWBMP(s, &rw, &rh, palette, 8, 0);
    EXPECT_EQ(buf, nullptr);
    EXPECT_EQ(ISGetLastError(), c.status);
    if (buf)
        GlobalFree(buf);
    is5_Seek(s, 0, 0);
    uint32_t w = 0, h = 0;
    EXPECT_EQ(is5_GetWBMPDims(s, &w, &h, 0), c.status == 53 ? FALSE : TRUE);
    EXPECT_EQ(ISGetLastError(), c.status == 53 ? 53 : 0);
    is5_CloseSource(s);
}

INSTANTIATE_TEST_SUITE_P(Headers, WbmpBad, ::testing::ValuesIn(kBad),
                         [](const ::testing::TestParamInfo<Bad>& i) { return std::string(i.param.name); });

TEST(WbmpHostile, EndlessNumberStopsQuicklyFromAFile)
{
    const std::string path = vt::BuildPath("wbmp_endless.wbmp");
    ASSERT_TRUE(vt::WriteFileBytes(path, Then({0, 0}, 1 << 20, 0xFF)));
    const auto t0 = std::chrono::steady_clock::now();
    HISSRC s = is5_OpenFileSource(vt::HostPath(path).c_str());
    ASSERT_NE(s, nullptr);
    uint32_t w = 0, h = 0;
    RGBQUAD palette[256];
    EXPECT_EQ(is5_ReadWBMP(s, &w, &h, palette, 8, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 53);
    is5_CloseSource(s);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
}

TEST(WbmpHostile, CutInsideTheRowsKeepsTheBufferWith3)
{
    const Bytes file = Fixture("wbmp_pbm.wbmp");
    const size_t start = 4;  // 00 00 25 17
    for (uint32_t depth : {1u, 8u}) {
        const Result whole = Read(file, depth, 0, depth == 1 ? kRow * kH : kW * kH);
        ASSERT_EQ(whole.status, 0);
        for (size_t cut = start; cut < file.size(); ++cut) {
            const Result r = Read(Bytes(file.begin(), file.begin() + cut), depth, 0, whole.data.size());
            ASSERT_TRUE(r.made) << cut;
            ASSERT_EQ(r.status, 3) << cut;
            // Whole rows before the cut are the same as in the full read.
            const size_t rows = (cut - start) / kRow;
            const size_t rowBytes = depth == 1 ? kRow : kW;
            ASSERT_TRUE(std::equal(r.data.begin(), r.data.begin() + rows * rowBytes, whole.data.begin())) << cut;
        }
    }
}

}  // namespace
