// The JPEG 2000 reader's hook table, per-thread records, format table,
// progress and allocation.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/formats/jpeg2000/saj2k_internal.h"
#include "imaging/formats/jpeg2000/saj2k_test_support.h"

using namespace j2kt;

namespace {

bool ReadsRgb()
{
    ReadResult r = ReadFixture("j2k_rgb.jp2", 24);
    return r.pixels && r.code == 0 && r.width == 101 && r.height == 75;
}

TEST(J2KFormatTable, JasInitRegistersJp2ThenJpcAndCleanupEmptiesIt)
{
    EXPECT_EQ(jas_init(), 0);
    ASSERT_EQ(SAJ2KFormatCount(), 2);
    SAJ2KFormatEntry e;
    ASSERT_TRUE(SAJ2KGetFormat(0, &e));
    EXPECT_EQ(e.id, 0);
    EXPECT_STREQ(e.name, "jp2");
    EXPECT_STREQ(e.description, "JPEG-2000 JP2 File Format Syntax (ISO/IEC 15444-1)");
    ASSERT_TRUE(SAJ2KGetFormat(1, &e));
    EXPECT_EQ(e.id, 1);
    EXPECT_STREQ(e.name, "jpc");
    EXPECT_STREQ(e.description, "JPEG-2000 Code Stream Syntax (ISO/IEC 15444-1)");
    SAJ2KCleanup();
    EXPECT_EQ(SAJ2KFormatCount(), 0);
    EXPECT_FALSE(SAJ2KGetFormat(0, &e));
}

TEST(J2KHook, ReadNeedsNoFormatTable)
{
    ASSERT_TRUE(InstallHook());
    SAJ2KCleanup();
    EXPECT_TRUE(ReadsRgb());
    jas_init();
    SAJ2KCleanup();
    EXPECT_TRUE(ReadsRgb());
}

TEST(J2KHook, SecondThreadReadsAfterFirstThreadCleanedUp)
{
    bool first = false;
    bool second = false;
    std::thread a([&] {
        first = InstallHook() && ReadsRgb();
        SAJ2KCleanup();
    });
    a.join();
    std::thread b([&] { second = InstallHook() && ReadsRgb(); });
    b.join();
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);
}

TEST(J2KHook, ThreadWithoutHookGetsNullAndNoReport)
{
    ASSERT_TRUE(InstallHook());  // installed here, but not in the other thread
    bool nullResult = false;
    int32_t lastError = -1;
    uint32_t width = 7;
    std::thread t([&] {
        std::vector<uint8_t> bytes = Fixture("j2k_rgb.jp2");
        HISSRC source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
        is5_SetLastErrorProxy(0);
        uint32_t height = 7;
        void* p = SAJ2KReadImage(source, &width, &height, 24, 1.0, 0);
        nullResult = p == nullptr;
        lastError = ISGetLastError();
        GlobalFree(p);
        is5_CloseSource(source);
    });
    t.join();
    EXPECT_TRUE(nullResult);
    EXPECT_EQ(lastError, 0);
    EXPECT_EQ(width, 7u);
}

TEST(J2KHook, WrongSizedTableIsRefusedAndTheInstalledOneKept)
{
    ASSERT_TRUE(InstallHook());
    ISExtHookTable* table = is5_GetExtHook(0);
    ASSERT_NE(table, nullptr);
    ISExtHookTable copy = *table;
    GlobalFree(table);
    copy.size = 48;
    is5_SetLastErrorProxy(0);
    EXPECT_EQ(SAJ2KSetExtHook(&copy), 0);
    EXPECT_EQ(ISGetLastError(), 5);
    is5_SetLastErrorProxy(0);
    EXPECT_EQ(SAJ2KSetExtHook(nullptr), 0);
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_TRUE(ReadsRgb());
}

class J2KMissingOperation : public ::testing::TestWithParam<int> {};

TEST_P(J2KMissingOperation, GivesCodeFiveWithoutCrashing)
{
    ISExtHookTable* table = is5_GetExtHook(0);
    ASSERT_NE(table, nullptr);
    ISExtHookTable copy = *table;
    GlobalFree(table);
    switch (GetParam()) {
    case 0:
        copy.read = nullptr;
        break;
    case 1:
        copy.seek = nullptr;
        break;
    case 2:
        copy.tell = nullptr;
        break;
    default:
        copy.getSize = nullptr;
        break;
    }
    ASSERT_EQ(SAJ2KSetExtHook(&copy), 1);
    ReadResult r = ReadFixture("j2k_rgb.jp2", 24);
    EXPECT_FALSE(r.pixels);
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.width, 12345u);
    ASSERT_TRUE(InstallHook());
}

INSTANTIATE_TEST_SUITE_P(ReadSeekTellSize, J2KMissingOperation, ::testing::Values(0, 1, 2, 3));

TEST(J2KHook, EveryReadLeavesItsCodeAsTheLastError)
{
    ASSERT_TRUE(InstallHook());
    is5_SetLastErrorProxy(9);
    EXPECT_TRUE(ReadsRgb());
    EXPECT_EQ(ISGetLastError(), 0);
    ReadResult bad = ReadFixture("j2k_rgb.bmp", 24);
    EXPECT_EQ(bad.code, 1000);
    std::vector<ISErrorLogEntry> log = ISTestErrorLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().code, 1000);
    EXPECT_NE(log.back().message.find("is5_SetLastErrorProxy"), std::string::npos) << log.back().message;
    HISSRC none = nullptr;
    uint32_t w = 0;
    uint32_t h = 0;
    EXPECT_EQ(SAJ2KReadImage(none, &w, &h, 24, 1.0, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
}

TEST(J2KHook, NullSizePointerGivesFive)
{
    ASSERT_TRUE(InstallHook());
    std::vector<uint8_t> bytes = Fixture("j2k_rgb.jp2");
    HISSRC source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
    ASSERT_NE(source, nullptr);
    uint32_t v = 0;
    EXPECT_EQ(SAJ2KReadImage(source, nullptr, &v, 24, 1.0, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    is5_SetLastErrorProxy(0);
    EXPECT_EQ(SAJ2KReadImage(source, &v, nullptr, 24, 1.0, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    is5_CloseSource(source);
}

struct ProgressLog {
    std::vector<std::pair<int32_t, int32_t>> calls;
    int32_t stopAt = -1;
};

BOOL RecordProgress(int32_t done, int32_t total, void* user)
{
    ProgressLog* log = static_cast<ProgressLog*>(user);
    log->calls.emplace_back(done, total);
    return done == log->stopAt ? FALSE : TRUE;
}

TEST(J2KProgress, ReportsEveryRow)
{
    ASSERT_TRUE(InstallHook());
    ProgressLog log;
    is5_SetCallback(RecordProgress, &log);
    bool ok = ReadsRgb();
    is5_SetCallback(nullptr, nullptr);
    EXPECT_TRUE(ok);
    ASSERT_EQ(log.calls.size(), 75u);
    EXPECT_EQ(log.calls.front(), std::make_pair(0, 75));
    EXPECT_EQ(log.calls.back(), std::make_pair(74, 75));
}

TEST(J2KProgress, CancelAtRowZeroGivesFourteenAndOnlyThatRow)
{
    ASSERT_TRUE(InstallHook());
    ReadResult full = ReadFixture("j2k_rgb.jp2", 24);
    ASSERT_TRUE(full.pixels);
    ProgressLog log;
    log.stopAt = 0;
    is5_SetCallback(RecordProgress, &log);
    ReadResult r = ReadFixture("j2k_rgb.jp2", 24);
    is5_SetCallback(nullptr, nullptr);
    EXPECT_EQ(r.code, 14);
    ASSERT_TRUE(r.pixels);
    EXPECT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(0, std::memcmp(r.pixels.get(), full.pixels.get(), 101 * 3));
    const uint8_t* p = r.pixels.get();
    size_t nonZero = 0;
    for (size_t i = 101 * 3; i < 101 * 75 * 3; ++i)
        nonZero += p[i] != 0;
    EXPECT_EQ(nonZero, 0u);
}

struct AllocLog {
    int allocs = 0;
    int frees = 0;
};
AllocLog g_allocLog;

void* CountingAlloc(intptr_t bytes, intptr_t user)
{
    ++g_allocLog.allocs;
    EXPECT_EQ(user, 77);
    return GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(bytes));
}

BOOL CountingFree(void* block, intptr_t)
{
    ++g_allocLog.frees;
    GlobalFree(block);
    return TRUE;
}

TEST(J2KAllocation, UsesTheThreadsCallbacksAndZeroesTheBuffer)
{
    ASSERT_TRUE(InstallHook());
    ISThreadState* state = ISGetThreadState();
    ASSERT_NE(state, nullptr);
    g_allocLog = AllocLog();
    state->allocCallback = CountingAlloc;
    state->freeCallback = CountingFree;
    state->allocUser = 77;
    ProgressLog log;
    log.stopAt = 0;
    is5_SetCallback(RecordProgress, &log);
    ReadResult r = ReadFixture("j2k_rgb.jp2", 24);
    is5_SetCallback(nullptr, nullptr);
    ReadResult refused = ReadFixture("j2k_five.j2k", 24);
    state->allocCallback = nullptr;
    state->freeCallback = nullptr;
    state->allocUser = 0;
    EXPECT_EQ(r.code, 14);
    ASSERT_TRUE(r.pixels);
    EXPECT_EQ(g_allocLog.allocs, 1);
    EXPECT_EQ(g_allocLog.frees, 0);
    EXPECT_EQ(refused.code, 1000);
    const uint8_t* p = r.pixels.get();
    size_t nonZero = 0;
    for (size_t i = 101 * 3; i < 101 * 75 * 3; ++i)
        nonZero += p[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    // Without callbacks the reader goes back to GlobalAlloc.
    EXPECT_TRUE(ReadsRgb());
    EXPECT_EQ(g_allocLog.allocs, 1);
}

}  // namespace
