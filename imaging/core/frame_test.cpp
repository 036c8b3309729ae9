#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "core/frame.h"
#include "core/io.h"

namespace {

TEST(ThreadState, NewThreadStartsCleanAndKeepsItsOwnLastError)
{
    is5_SetLastErrorProxy(9);
    EXPECT_EQ(ISGetLastError(), 9);

    int32_t seenFirst = -1, seenAfter = -1, seenOther = -1;
    std::thread first([&] {
        seenFirst = ISGetLastError();
        is5_SetLastErrorProxy(9);
        seenAfter = ISGetLastError();
        std::thread second([&] { seenOther = ISGetLastError(); });
        second.join();
    });
    first.join();
    EXPECT_EQ(seenFirst, 0);
    EXPECT_EQ(seenAfter, 9);
    EXPECT_EQ(seenOther, 0);
    EXPECT_EQ(ISGetLastError(), 9);
    is5_SetLastErrorProxy(0);
    EXPECT_EQ(ISGetLastError(), 0);
}

TEST(ThreadState, OneStatePerThreadReusedOnLaterCalls)
{
    ISGetThreadState();
    int32_t before = ISTestStateCount();
    int32_t afterFirst = 0, afterMore = 0;
    ISThreadState* a = nullptr;
    ISThreadState* b = nullptr;
    std::thread worker([&] {
        a = ISGetThreadState();
        afterFirst = ISTestStateCount();
        ISGetLastError();
        is5_SetLastErrorProxy(3);
        b = ISGetThreadState();
        afterMore = ISTestStateCount();
    });
    worker.join();
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(afterFirst, before + 1);
    EXPECT_EQ(afterMore, before + 1);
    EXPECT_EQ(ISGetThreadState(), ISGetThreadState());
    EXPECT_EQ(ISTestStateCount(), before + 1);
}

// ^Error \d+ in \S+ \(\d\d:\d\d:\d\d\)( \[.*\])?$
bool HasLogShape(const std::string& m)
{
    size_t i = 0;
    auto take = [&](const char* text) {
        size_t n = std::strlen(text);
        if (m.compare(i, n, text) != 0)
            return false;
        i += n;
        return true;
    };
    auto digits = [&](size_t min, size_t max) {
        size_t start = i;
        while (i < m.size() && i - start < max && m[i] >= '0' && m[i] <= '9')
            ++i;
        return i - start >= min;
    };
    if (!take("Error ") || !digits(1, 10) || !take(" in "))
        return false;
    size_t start = i;
    while (i < m.size() && m[i] != ' ' && m[i] != '\t')
        ++i;
    if (i == start || !take(" (") || !digits(2, 2) || !take(":") || !digits(2, 2) || !take(":") || !digits(2, 2) ||
        !take(")"))
        return false;
    if (i == m.size())
        return true;
    return take(" [") && m.back() == ']';
}

// Each check runs on a fresh thread so the log starts empty.
template <typename F>
void OnFreshThread(F f)
{
    std::thread t(f);
    t.join();
}

TEST(ErrorLog, KeepsTheLast51Reports)
{
    OnFreshThread([] {
        for (int i = 1; i <= 60; ++i)
            ISSetLastError(i, "is5_Test", std::to_string(i).c_str());
        std::vector<ISErrorLogEntry> log = ISTestErrorLog();
        ASSERT_EQ(log.size(), 51u);
        EXPECT_EQ(log.front().code, 10);
        EXPECT_NE(log.front().message.find("[10]"), std::string::npos);
        EXPECT_EQ(log.back().code, 60);
        EXPECT_EQ(log.back().level, 3);
        EXPECT_EQ(ISGetLastError(), 60);
    });
}

TEST(ErrorLog, MessagesHaveTheDocumentedShape)
{
    OnFreshThread([] {
        ISSetLastError(9, "is5_ReadJPG");
        ISSetLastError(3, "is5_ReadPNG", "short read");
        ISSetLastError(5, nullptr);
        ISSetLastError(0, "is5_ReadJPG");  // success: cleared, not logged
        std::vector<ISErrorLogEntry> log = ISTestErrorLog();
        ASSERT_EQ(log.size(), 3u);
        EXPECT_TRUE(HasLogShape(log[0].message)) << log[0].message;
        EXPECT_TRUE(HasLogShape(log[1].message)) << log[1].message;
        EXPECT_FALSE(HasLogShape("Error 5 in is5_X (1:02:03)"));
        EXPECT_EQ(log[0].message.rfind("Error 9 in is5_ReadJPG (", 0), 0u);
        EXPECT_EQ(log[1].message.substr(log[1].message.size() - 14), ") [short read]");
        EXPECT_EQ(log[2].message.rfind("Error 5 in (unspecified function) (", 0), 0u);
        EXPECT_EQ(ISGetLastError(), 0);
    });
}

TEST(ErrorLog, LongDetailIsCutAt999Characters)
{
    OnFreshThread([] {
        std::string detail(5000, 'x');
        ISSetLastError(3, "is5_Test", detail.c_str());
        std::vector<ISErrorLogEntry> log = ISTestErrorLog();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].message.size(), 999u);
    });
}

int32_t g_seenInCallback = -1;
std::string g_nameInCallback;
void* g_userInCallback = nullptr;
void RecordError(int32_t, const char* function, void* user)
{
    g_seenInCallback = ISGetLastError();
    g_nameInCallback = function;
    g_userInCallback = user;
}

TEST(ErrorLog, CallbackSeesThePreviousCode)
{
    OnFreshThread([] {
        int marker = 0;
        ISSetLastError(7, "first");
        ISThreadState* state = ISGetThreadState();
        state->errorCallback = RecordError;
        state->errorUser = &marker;
        ISSetLastError(12, "is5_ReadGIF");
        EXPECT_EQ(g_seenInCallback, 7);
        EXPECT_EQ(g_nameInCallback, "is5_ReadGIF");
        EXPECT_EQ(g_userInCallback, &marker);
        EXPECT_EQ(ISGetLastError(), 12);
        ISSetLastError(4, nullptr);
        EXPECT_EQ(g_nameInCallback, "(unspecified function)");
        state->errorCallback = nullptr;
    });
}

int g_progressCalls = 0;
BOOL Refuse(int32_t, int32_t, void*)
{
    ++g_progressCalls;
    return FALSE;
}

TEST(Progress, OnlyTheOutermostCallReaches)
{
    OnFreshThread([] {
        g_progressCalls = 0;
        is5_SetCallback(Refuse, nullptr);
        EXPECT_TRUE(ISHasProgressCallback());
        EXPECT_FALSE(ISCallProgress(1, 10));  // depth 0
        {
            ISCallGuard outer;
            EXPECT_TRUE(ISCallProgress(1, 10));
            {
                ISCallGuard inner;
                EXPECT_FALSE(ISCallProgress(1, 10));  // depth 2
            }
            EXPECT_TRUE(ISCallProgress(2, 10));
        }
        EXPECT_FALSE(ISCallProgress(1, 10));
        EXPECT_EQ(g_progressCalls, 2);
        is5_SetCallback(nullptr, nullptr);
        EXPECT_FALSE(ISHasProgressCallback());
    });
}

TEST(Progress, GuardUnwindsOnException)
{
    OnFreshThread([] {
        try {
            ISCallGuard guard;
            throw ISException("bad", 9);
        } catch (const ISException& e) {
            EXPECT_EQ(e.Code(), 9);
            EXPECT_STREQ(e.what(), "bad");
        }
        EXPECT_EQ(ISGetThreadState()->callDepth, 0);
    });
}

TEST(Progress, GetCallbackReturnsCallbackAndUserData)
{
    OnFreshThread([] {
        int marker = 0;
        is5_SetCallback(Refuse, &marker);
        void* user = nullptr;
        EXPECT_EQ(is5_GetCallback(&user), &Refuse);
        EXPECT_EQ(user, &marker);
        EXPECT_EQ(is5_GetCallback(nullptr), &Refuse);  // stores nothing, no crash
        EXPECT_EQ(ISGetLastError(), 0);
    });
}

TEST(Entries, InitializeAndSetCallbackReportSuccess)
{
    OnFreshThread([] {
        is5_SetLastErrorProxy(9);
        is5_Initialize(nullptr);
        EXPECT_EQ(ISGetLastError(), 0);
        is5_SetLastErrorProxy(9);
        is5_SetCallback(nullptr, nullptr);
        EXPECT_EQ(ISGetLastError(), 0);
        EXPECT_EQ(ISTestErrorLog().size(), 2u);
    });
}

TEST(Tables, ProductTableMatchesTheFormula)
{
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            ASSERT_EQ(g_isProduct[a][b], (int)(b * (a / 255.0))) << a << "," << b;
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(g_isProduct[255][b], b);
}

TEST(Tables, BitTables)
{
    EXPECT_EQ(g_isBitReverse[0x01], 0x80);
    EXPECT_EQ(g_isBitReverse[0xA0], 0x05);
    EXPECT_EQ(g_isBitReverseInv[0x01], 0x7F);
    EXPECT_EQ(g_isPartialMask[3][2], 0x0C);
    EXPECT_EQ(g_isPartialMask[7][0], 0xFF);
    const BYTE expected[8] = {1, 0, 1, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(g_isByteToPixels[0xA0], expected, 8), 0);
    EXPECT_EQ(std::memcmp(g_isByteToPixels2[0xA0], expected, 8), 0);
    EXPECT_EQ(g_isGreyPalette[77].rgbRed, 77);
    EXPECT_EQ(g_isGreyPalette[77].rgbReserved, 0);
    EXPECT_EQ(g_isBitMask[1], 0x40);
    EXPECT_EQ(g_isSingleBitInv[1], 0xFD);
}

TEST(ErrorTexts, VerbatimAndGaps)
{
    EXPECT_STREQ(ISErrorText(1), "out of memory");
    EXPECT_STREQ(ISErrorText(14), "callback returned FALSE - operation aborted");
    EXPECT_STREQ(ISErrorText(38),
                 "the HISSRC or HISDEST object passed into the function does appear to be valid");
    EXPECT_NE(std::strchr(ISErrorText(42), '\t'), nullptr);
    EXPECT_STREQ(ISErrorText(71), "processor does not support the requested operation");
    for (int32_t code : {0, 57, 72, 78, 1000, -1})
        EXPECT_EQ(ISErrorText(code), nullptr) << code;
}

TEST(Stubs, UnbuiltEntryReports45UnderItsName)
{
    OnFreshThread([] {
        const char data[4] = {1, 2, 3, 4};
        HISSRC source = is5_OpenMemorySource(data, 4);
        uint32_t w = 0, h = 0;
        EXPECT_EQ(is5_ReadPCD(source, &w, &h, 0, 0), nullptr);
        EXPECT_EQ(ISGetLastError(), 45);
        std::vector<ISErrorLogEntry> log = ISTestErrorLog();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back().message.rfind("Error 45 in is5_ReadPCD (", 0), 0u);
        is5_CloseSource(source);
    });
}

}  // namespace
