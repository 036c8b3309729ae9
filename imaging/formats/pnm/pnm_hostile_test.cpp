// Bad and hostile PNM input: refusals with 78 and a logged message, huge
// headers refused before allocating, cut files keeping their whole rows, and
// every prefix of a valid file read without a hang.
#include "pnm_test_util.h"

#include <chrono>
#include <cstdlib>

#include "imaging/core/frame.h"

namespace {

using namespace pnmt;

TEST(PnmHostile, EmptyFileLogsTheMagicTextBeforeTheReport)
{
    for (From from : kBoth) {
        SCOPED_TRACE(Name(from));
        Image img = ReadPnm({}, 8, 0, from);
        EXPECT_EQ(img.data, nullptr);
        EXPECT_EQ(img.error, 78);
        const std::vector<ISErrorLogEntry> log = ISTestErrorLog();
        ASSERT_GE(log.size(), 2u);
        const ISErrorLogEntry& text = log[log.size() - 2];
        EXPECT_EQ(text.message,
                  "Error reading magic number from Netpbm image stream.  Most often, this means your input file is "
                  "empty.");
        EXPECT_EQ(text.code, 78);
        EXPECT_EQ(text.level, 3);
        EXPECT_TRUE(vt::IsErrorReport(log.back().message, 78, "is5_ReadPNM")) << log.back().message;
    }
}

TEST(PnmHostile, BadHeadersAreRefused)
{
    struct Bad {
        const char* what;
        Bytes file;
        uint32_t depth;
        int32_t error;
    } table[] = {
        {"P7", B("P7\nWIDTH 1\n"), 8, 78},
        {"XY", B("XY 1 1 255\n\x01"), 8, 78},
        {"P alone", B("P"), 8, 78},
        {"maxval 0", Cat(B("P5 1 1 0\n"), {0}), 8, 78},
        {"maxval 65536", Cat(B("P5 1 1 65536\n"), {0, 0}), 16, 78},
        {"width 0", B("P2 0 1 255 "), 8, 78},
        {"height 0", B("P1 1 0 "), 1, 78},
        {"width 99999999999", B("P2 99999999999 1 255 1"), 8, 78},
        {"width 2^31", B("P2 2147483648 1 255 1"), 8, 78},
        {"negative width", B("P2 -2 1 255 1"), 8, 78},
        {"signed maxval", B("P2 1 1 +255 1"), 8, 78},
        {"letters for a number", B("P3 1 1 x 1 2 3"), 24, 78},
        {"header cut", B("P6 3 "), 24, 78},
        {"unterminated comment", B("P2\n# comment"), 8, 78},
        {"huge picture", Cat(B("P5 70000 70000 255\n"), Bytes(10, 7)), 8, 1},
        {"huge P6 row", Cat(B("P6 2147483647 1 255\n"), Bytes(10, 7)), 24, 1},
        {"huge P4", Cat(B("P4 2147483647 2147483647\n"), Bytes(10, 7)), 1, 1},
    };
    for (const Bad& b : table) {
        for (From from : kBoth) {
            SCOPED_TRACE(std::string(b.what) + " from " + Name(from));
            const auto start = std::chrono::steady_clock::now();
            Image img = ReadPnm(b.file, b.depth, 0, from);
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
            EXPECT_EQ(img.data, nullptr);
            EXPECT_EQ(img.error, b.error);
            if (b.error == 78) {
                const std::vector<ISErrorLogEntry> log = ISTestErrorLog();
                ASSERT_GE(log.size(), 2u);
                EXPECT_EQ(log[log.size() - 2].code, 78);
                EXPECT_FALSE(log[log.size() - 2].message.empty());
                Dims d = GetDims(b.file, from);
                EXPECT_FALSE(d.ok);
                EXPECT_EQ(d.error, 78);
                EXPECT_EQ(d.value, 0u);
            }
        }
    }
}

uint32_t g_allocations = 0;

void* CountingAlloc(intptr_t bytes, intptr_t)
{
    ++g_allocations;
    return std::calloc(size_t(bytes), 1);
}

BOOL CountingFree(void* block, intptr_t)
{
    std::free(block);
    return TRUE;
}

// 48-bit rows of 1684887088 pixels times 1824726041 rows are 2^64 + 32
// bytes: a product taken in 64 bits would wrap to 32.
TEST(PnmHostile, SizeBeyond64BitsIsRefusedBeforeAnyAllocation)
{
    ISThreadState* thread = ISGetThreadState();
    ASSERT_NE(thread, nullptr);
    thread->allocCallback = CountingAlloc;
    thread->freeCallback = CountingFree;
    g_allocations = 0;
    const Bytes file = Cat(B("P6 1684887088 1824726041 65535\n"), Bytes(64, 7));
    for (From from : kBoth) {
        SCOPED_TRACE(Name(from));
        Image img = ReadPnm(file, 48, 0, from);
        EXPECT_EQ(img.data, nullptr);
        EXPECT_EQ(img.error, 1);
    }
    thread->allocCallback = nullptr;
    thread->freeCallback = nullptr;
    EXPECT_EQ(g_allocations, 0u);
}

TEST(PnmHostile, CutPixelDataKeepsTheWholeRows)
{
    struct Cut {
        const char* what;
        Bytes file;
        uint32_t depth;
        Bytes expected;
    } table[] = {
        {"P3 cut in its pixels", B("P3 2 3 255 1 2 3 4 5 6 7 8 9 10 11 12 13 1"), 24,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0, 0, 0, 0}},
        {"P6 cut mid-row", Cat(B("P6 2 3 255\n"), {1, 2, 3, 4, 5, 6, 7, 8, 9}), 24,
         {1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"P5 16-bit cut", Cat(B("P5 1 2 65535\n"), {1, 2, 3}), 8, {1, 0}},
        {"P4 cut", Cat(B("P4 9 2\n"), {0xFF, 0x80}), 1, {0xFF, 0x80, 0, 0}},
        {"P1 junk", B("P1 2 2 1 1 0 7"), 1, {0xC0, 0}},
    };
    for (const Cut& c : table) {
        for (From from : kBoth) {
            SCOPED_TRACE(std::string(c.what) + " from " + Name(from));
            Image img = ReadPnm(c.file, c.depth, 0, from);
            EXPECT_EQ(img.error, 78);
            ASSERT_NE(img.data, nullptr);
            EXPECT_EQ(img.All(c.expected.size()), c.expected);
            EXPECT_NE(img.width, 0u);
            EXPECT_NE(img.height, 0u);
        }
    }
}

TEST(PnmHostile, EveryPrefixOfAValidFileEndsWell)
{
    const Bytes files[] = {
        B("P1\n# c\n3 2\n1 0 1\n0 1 0\n"),
        B("P2 2 2\n# m\n1023\n0 1023 # s\n512 7\n"),
        B("P3\n2 1\n255\n1 2 3 4 5 6\n"),
        Cat(B("P4\n10 2\n"), {0xFF, 0xC0, 0x80, 0x40}),
        Cat(B("P5 2 2 65535\n"), {1, 2, 3, 4, 5, 6, 7, 8}),
        Cat(B("P6 2 1 255\n"), {1, 2, 3, 4, 5, 6}),
    };
    const uint32_t depths[] = {1, 16, 24, 1, 16, 48};
    for (size_t f = 0; f < 6; ++f) {
        for (From from : kBoth) {
            Image whole = ReadPnm(files[f], depths[f], 0, from);
            ASSERT_EQ(whole.error, 0) << f;
            for (size_t n = 0; n < files[f].size(); ++n) {
                SCOPED_TRACE("file " + std::to_string(f) + " cut at " + std::to_string(n) + " from " + Name(from));
                const Bytes cut(files[f].begin(), files[f].begin() + n);
                const auto start = std::chrono::steady_clock::now();
                Image img = ReadPnm(cut, depths[f], 0, from, "cut");
                EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
                const bool plain = files[f][1] <= '3';
                if (img.error == 0) {
                    // Only a plain file cut inside its last number reads as whole.
                    EXPECT_TRUE(plain);
                    ASSERT_NE(img.data, nullptr);
                } else {
                    EXPECT_EQ(img.error, 78);
                }
            }
        }
    }
}

TEST(PnmHostile, NullSizeOutsReadNothing)
{
    const Bytes file = Cat(B("P5 1 1 255\n"), {9});
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0;
    EXPECT_EQ(is5_ReadPNM(source, nullptr, &h, 8, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ(is5_ReadPNM(source, &w, nullptr, 8, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    // The source is still at its start.
    BYTE* data = static_cast<BYTE*>(is5_ReadPNM(source, &w, &h, 8, 0));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data[0], 9);
    GlobalFree(data);
    is5_CloseSource(source);
}

}  // namespace
