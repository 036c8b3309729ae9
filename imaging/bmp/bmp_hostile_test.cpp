// Hostile and broken files: no huge allocation, no over-read, a clear status.
#include <gtest/gtest.h>

#include <climits>

#include "bmp_test_util.h"

using namespace bmpt;

namespace {

// Every way to read: the four depths, the padded flag and DIB mode.
struct Mode {
    uint32_t depth;
    uint32_t flags;
};
const Mode kModes[] = {{1, 0}, {8, 0}, {24, 0}, {32, 0}, {8, 8}, {24, 8}, {0, 2}};

int32_t ProbeStatus(const Bytes& file)
{
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0, bits = 0;
    is5_GetBMPDims(source, &w, &h, &bits, nullptr, 0);
    const int32_t status = ISGetLastError();
    is5_CloseSource(source);
    return status;
}

struct HostileCase {
    const char* name;
    FileSpec spec;
    int32_t status;  // at every depth and in DIB mode
    int32_t probe;   // of is5_GetBMPDims
    int32_t at1;     // at depth 1, when it differs (-1: the same)
    int32_t at8;     // at depth 8, when it differs
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

FileSpec Spec(int32_t width, int32_t height, uint32_t bits, uint32_t compression = 0, uint32_t colours = 0)
{
    FileSpec s;
    s.width = width;
    s.height = height;
    s.bits = bits;
    s.compression = compression;
    s.colorsUsed = colours;
    if (bits <= 8)
        s.table = Bytes(4 * (colours && colours <= 256 ? colours : (1u << bits)), 7);
    s.pixels = Bytes(64, 0x11);
    return s;
}

FileSpec WithHeaderSize(FileSpec s, uint32_t size)
{
    s.headerSize = size;
    return s;
}

FileSpec WithOffset(FileSpec s, int64_t off)
{
    s.offBits = off;
    return s;
}

class BmpHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(BmpHostile, GivesNullWithTheStatusAtEveryDepth)
{
    const HostileCase& c = GetParam();
    const Bytes file = MakeFile(c.spec);
    for (const Mode& m : kModes) {
        Image img = ReadBmp(file, m.depth, m.flags);
        int32_t expected = c.status;
        if (m.depth == 1 && c.at1 >= 0)
            expected = c.at1;
        if (m.depth == 8 && c.at8 >= 0)
            expected = c.at8;
        EXPECT_EQ(img.data, nullptr) << "depth " << m.depth << " flags " << m.flags;
        EXPECT_EQ(img.error, expected) << "depth " << m.depth << " flags " << m.flags;
    }
    EXPECT_EQ(ProbeStatus(file), c.probe);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BmpHostile,
    ::testing::Values(HostileCase{"hugeWidthAndHeight", Spec(INT_MAX, INT_MAX, 1), 1, 0, -1, -1},
                      HostileCase{"hugeWidthAndHeight24", Spec(INT_MAX, INT_MAX, 24), 1, 0, 28, 28},
                      HostileCase{"hugeWidth8", Spec(INT_MAX, 2, 8), 1, 0, 28, -1},
                      HostileCase{"heightZero", Spec(4, 0, 24), 6, 6, -1, -1},
                      HostileCase{"heightIntMin", Spec(4, INT_MIN, 24), 6, 6, -1, -1},
                      HostileCase{"widthZero", Spec(0, 4, 8), 6, 6, -1, -1},
                      HostileCase{"widthNegative", Spec(-4, 4, 8), 6, 6, -1, -1},
                      HostileCase{"bitCount0", Spec(4, 4, 0), 6, 6, -1, -1},
                      HostileCase{"bitCount2", Spec(4, 4, 2), 6, 6, -1, -1},
                      HostileCase{"bitCount7", Spec(4, 4, 7), 6, 6, -1, -1},
                      HostileCase{"bitCount15", Spec(4, 4, 15), 6, 6, -1, -1},
                      HostileCase{"rleTopDown", Spec(4, -4, 8, 1), 6, 0, 28, -1},
                      HostileCase{"rle8With4Bits", Spec(4, 4, 4, 1), 6, 0, 28, -1},
                      HostileCase{"bitfieldsWith24Bits", Spec(4, 4, 24, 3), 6, 0, 28, 28},
                      HostileCase{"compression4", Spec(4, 4, 24, 4), 6, 0, 28, 28},
                      HostileCase{"v4Header", WithHeaderSize(Spec(4, 4, 24), 108), 6, 6, -1, -1},
                      HostileCase{"v5Header", WithHeaderSize(Spec(4, 4, 24), 124), 6, 6, -1, -1}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

TEST(BmpHostileFile, OffsetPastTheEndIsStatus3WithoutAnImage)
{
    const Bytes file = MakeFile(WithOffset(Spec(4, 4, 24), 100000));
    for (uint32_t depth : {24u, 32u}) {
        Image img = ReadBmp(file, depth);
        EXPECT_EQ(img.data, nullptr);
        EXPECT_EQ(img.error, 3);
    }
    const Bytes eight = MakeFile(WithOffset(Spec(4, 4, 8), 0x7FFFFFF0));
    Image img = ReadBmp(eight, 8);
    EXPECT_EQ(img.data, nullptr);
    EXPECT_EQ(img.error, 3);
    Image dib = ReadBmp(file, 0, 2);
    EXPECT_EQ(dib.data, nullptr);
    EXPECT_EQ(dib.error, 6) << "a failed skip in DIB mode";
}

TEST(BmpHostileFile, ColoursUsedAllOnesReadsNoMoreThan256EntriesAndDibModeRefusesIt)
{
    FileSpec s = Spec(4, 1, 8, 0, 0xFFFFFFFFu);
    s.table = Bytes(1024, 9);
    s.pixels = {1, 2, 3, 4};
    const Bytes file = MakeFile(s);
    Image img = ReadBmp(file, 24);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 0);
    EXPECT_EQ(img.All(3), (Bytes{9, 9, 9}));
    Image dib = ReadBmp(file, 0, 2);
    EXPECT_EQ(dib.data, nullptr);
    EXPECT_EQ(dib.error, 6);
    // A short file under the same header: the table read comes up short.
    s.table = Bytes(16, 9);
    Image shortTable = ReadBmp(MakeFile(s), 8);
    EXPECT_EQ(shortTable.data, nullptr);
    EXPECT_EQ(shortTable.error, 3);
}

TEST(BmpHostileFile, LongDeltaChainOffTheImageEndsCleanly)
{
    FileSpec s = Spec(4, 2, 8, 1, 2);
    s.pixels.clear();
    for (int i = 0; i < 100000; ++i)
        s.pixels.insert(s.pixels.end(), {0x00, 0x02, 0xFF, 0xFF});
    s.pixels.insert(s.pixels.end(), {0x02, 0x01, 0x00, 0x01});
    const Bytes file = MakeFile(s);
    Image img = ReadBmp(file, 8);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.error, 0);
    EXPECT_EQ(img.All(8), Bytes(8, 0));
    Bytes cut(file.begin(), file.end() - 2);
    Image unterminated = ReadBmp(cut, 24);
    ASSERT_NE(unterminated.data, nullptr);
    EXPECT_EQ(unterminated.error, 3);
}

// Good files of every kind, cut after every byte.
std::vector<Bytes> GoodFiles()
{
    std::vector<Bytes> files;
    FileSpec s24 = Spec(3, 2, 24);
    s24.pixels = Bytes(24, 0x40);
    files.push_back(MakeFile(s24));
    FileSpec s8 = Spec(5, 3, 8, 0, 4);
    s8.pixels = Bytes(24, 2);
    files.push_back(MakeFile(s8));
    FileSpec s1 = Spec(9, 2, 1);
    s1.pixels = Bytes(8, 0xA5);
    files.push_back(MakeFile(s1));
    FileSpec rle8 = Spec(6, 2, 8, 1, 2);
    rle8.pixels = {0x00, 0x03, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x01, 0x01, 0x01, 0x00, 0x01};
    files.push_back(MakeFile(rle8));
    FileSpec rle4 = Spec(5, 2, 4, 2);
    rle4.pixels = {0x05, 0x12, 0x00, 0x00, 0x00, 0x05, 0x34, 0x56, 0x70, 0x00, 0x00, 0x01};
    files.push_back(MakeFile(rle4));
    FileSpec fields = Spec(2, 2, 16, 3);
    fields.table = Bytes{0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    fields.pixels = Bytes(8, 0xFF);
    files.push_back(MakeFile(fields));
    files.push_back(MakeCoreFile(3, 2, 4, Bytes(48, 3), Bytes(8, 0x12)));
    files.push_back(MakeCoreFile(2, 2, 24, {}, Bytes(16, 0x33)));
    return files;
}

TEST(BmpHostileFile, AFileCutAtEveryByteGivesNullOrAPartialImageWithStatus3)
{
    for (const Bytes& file : GoodFiles()) {
        for (size_t n = 1; n < file.size(); ++n) {
            const Bytes cut(file.begin(), file.begin() + n);
            for (const Mode& m : kModes) {
                Image img = ReadBmp(cut, m.depth, m.flags);
                if (img.error == 28)
                    continue;  // a depth this file never reads at
                if (img.data)
                    EXPECT_EQ(img.error, 3) << "cut at " << n << " of " << file.size() << ", depth " << m.depth;
                else
                    EXPECT_NE(img.error, 0) << "cut at " << n << ", depth " << m.depth;
            }
        }
        for (const Mode& m : kModes) {
            Image whole = ReadBmp(file, m.depth, m.flags);
            if (whole.error != 28) {
                EXPECT_EQ(whole.error, 0) << "whole file of " << file.size() << " bytes, depth " << m.depth;
            }
        }
    }
}

}  // namespace
