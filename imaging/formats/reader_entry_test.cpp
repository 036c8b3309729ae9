// The shared reader-entry frame and the red/blue row swaps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/frame.h"
#include "core/io.h"
#include "formats/reader_entry.h"
#include "formats/swap_rb.h"

namespace {

// A source that counts how often it is read or moved.
class CountingSource : public CISIO {
public:
    CountingSource() { m_kind = kMemory; }
    int32_t ReadUpTo(void*, int32_t) override { ++touches; return 0; }
    BOOL Seek(int32_t, int32_t) override { ++touches; return TRUE; }
    BOOL Size(int32_t* size) override { *size = 0; return TRUE; }
    BOOL Tell(int32_t* position) override { *position = 0; return TRUE; }
    BOOL AtEnd() override { return TRUE; }
    BOOL Write(const void*, int32_t, int32_t) override { return FALSE; }
    const char* Name() const override { return "[Counting]"; }
    int touches = 0;
};

constexpr char kEntry[] = "is5_ReadTestFormat";

enum class Behaviour { Fill, FillThenFail, Throw, ThrowInt, ThrowZero, NoBuffer, TouchSource };

struct Seen {
    int32_t callDepth = -1;
    bool dib = false;
    uint32_t depth = 0;
};

// A read entry built on the frame: 2x1 pixels of 3 bytes, both outs required.
void* ReadTestFormat(HISSRC source, uint32_t* width, uint32_t* height, uint32_t depth, uint32_t flags,
                     Behaviour behaviour, Seen* seen)
{
    return ISReadEntry(kEntry, source, width && height, depth, flags, {8, 24}, [&](CISReadCall& call) {
        seen->callDepth = ISGetThreadState()->callDepth;
        seen->dib = call.Dib();
        seen->depth = call.Depth();
        switch (behaviour) {
        case Behaviour::Throw:
            throw ISException("bad header", 9);
        case Behaviour::ThrowInt:
            throw 28;
        case Behaviour::ThrowZero:
            throw ISException("no code");
        case Behaviour::NoBuffer:
            return;
        case Behaviour::TouchSource: {
            BYTE b;
            call.Source()->ReadUpTo(&b, 1);
            return;
        }
        default:
            break;
        }
        BYTE* data = call.Allocate(6);
        *width = 2;
        *height = 1;
        data[0] = 7;
        if (behaviour == Behaviour::FillThenFail)
            throw ISException("short file", 3);  // the first row stays; the rest is zero
        std::memset(data, 9, 6);
    });
}

int CountLogged(const char* name)
{
    int n = 0;
    for (const ISErrorLogEntry& e : ISTestErrorLog())
        if (e.message.find(std::string("in ") + name + " (") != std::string::npos)
            ++n;
    return n;
}

struct EntryCase {
    const char* label;
    Behaviour behaviour;
    uint32_t depth;
    uint32_t flags;
    int32_t code;
    bool buffer;
};

class ReadEntryFrame : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ReadEntryFrame, ReportsTheReadersStatusOnceUnderItsName)
{
    const EntryCase& c = GetParam();
    CountingSource source;
    int before = CountLogged(kEntry);
    uint32_t w = 0, h = 0;
    Seen seen;
    void* buffer = ReadTestFormat(ISToHandle(&source), &w, &h, c.depth, c.flags, c.behaviour, &seen);
    EXPECT_EQ(c.code, ISGetLastError());
    EXPECT_EQ(c.buffer, buffer != nullptr);
    EXPECT_EQ(c.code != 0 ? 1 : 0, CountLogged(kEntry) - before);
    EXPECT_EQ(0, ISGetThreadState()->callDepth);
    if (buffer) {
        const BYTE* p = static_cast<const BYTE*>(buffer);
        if (c.code == 0)
            EXPECT_EQ(std::vector<BYTE>(6, 9), std::vector<BYTE>(p, p + 6));
        else
            EXPECT_EQ((std::vector<BYTE>{7, 0, 0, 0, 0, 0}), std::vector<BYTE>(p, p + 6));
        GlobalFree(buffer);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadEntryFrame,
    ::testing::Values(EntryCase{"Success", Behaviour::Fill, 24, 0, 0, true},
                      EntryCase{"FailureAfterTheBufferKeepsIt", Behaviour::FillThenFail, 24, 0, 3, true},
                      EntryCase{"ThrownCodeBecomesStatus", Behaviour::Throw, 8, 0, 9, false},
                      EntryCase{"ThrownIntBecomesStatus", Behaviour::ThrowInt, 8, 0, 28, false},
                      EntryCase{"ThrownZeroIsStillAFailure", Behaviour::ThrowZero, 24, 0, 17, false},
                      EntryCase{"NoPictureWithoutCodeIsAFailure", Behaviour::NoBuffer, 24, 0, 17, false},
                      EntryCase{"UnofferedDepthIs5", Behaviour::Fill, 12, 0, 5, false},
                      EntryCase{"DibFlagRunsAtAnyDepth", Behaviour::Fill, 12, IS5_DIB, 0, true}),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.label); });

TEST(ReadEntryFrame, ReaderRunsOneLevelDeepWithItsRequest)
{
    CountingSource source;
    uint32_t w = 0, h = 0;
    Seen seen;
    void* buffer = ReadTestFormat(ISToHandle(&source), &w, &h, 99, IS5_DIB | 0x10, Behaviour::Fill, &seen);
    ASSERT_NE(nullptr, buffer);
    GlobalFree(buffer);
    EXPECT_EQ(1, seen.callDepth);  // outermost: the reader's progress reaches the application
    EXPECT_TRUE(seen.dib);
    EXPECT_EQ(99u, seen.depth);
    EXPECT_EQ(2u, w);
    EXPECT_EQ(1u, h);
}

TEST(ReadEntryFrame, MissingRequiredOutIs5WithoutTouchingTheSource)
{
    CountingSource source;
    int before = CountLogged(kEntry);
    uint32_t w = 0;
    Seen seen;
    EXPECT_EQ(nullptr, ReadTestFormat(ISToHandle(&source), &w, nullptr, 24, 0, Behaviour::TouchSource, &seen));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_EQ(0, source.touches);
    EXPECT_EQ(-1, seen.callDepth);  // the reader never ran
    EXPECT_EQ(1, CountLogged(kEntry) - before);
}

TEST(ReadEntryFrame, NullAndClosedSourcesAre5And38)
{
    uint32_t w = 0, h = 0;
    Seen seen;
    EXPECT_EQ(nullptr, ReadTestFormat(nullptr, &w, &h, 24, 0, Behaviour::Fill, &seen));
    EXPECT_EQ(5, ISGetLastError());
    CountingSource closed;
    closed.Close();
    EXPECT_EQ(nullptr, ReadTestFormat(ISToHandle(&closed), &w, &h, 24, 0, Behaviour::Fill, &seen));
    EXPECT_EQ(38, ISGetLastError());
    EXPECT_EQ(0, closed.touches);
}

TEST(ReadEntryFrame, OversizedBufferIsCode1)
{
    CountingSource source;
    void* buffer = ISReadEntry(kEntry, ISToHandle(&source), true, 24, 0, {24},
                               [&](CISReadCall& call) { call.Allocate(kISMaxAlloc + 1); });
    EXPECT_EQ(nullptr, buffer);
    EXPECT_EQ(1, ISGetLastError());
}

TEST(ReadEntryFrame, EmptyDepthListLeavesTheDepthToTheReader)
{
    CountingSource source;
    // The reader accepts 24 and refuses anything else with a code of its own.
    auto read = [&](uint32_t depth) {
        return ISReadEntry(kEntry, ISToHandle(&source), true, depth, 0, {}, [](CISReadCall& call) {
            if (call.Depth() != 24)
                throw 28;
            call.Allocate(3);
        });
    };
    void* buffer = read(24);
    EXPECT_EQ(0, ISGetLastError());
    ASSERT_NE(nullptr, buffer);
    GlobalFree(buffer);
    EXPECT_EQ(nullptr, read(12));
    EXPECT_EQ(28, ISGetLastError());
}

TEST(DimsEntryFrame, ReportsOnceAndCatches)
{
    CountingSource source;
    const char* name = "is5_GetTestFormatDims";
    int before = CountLogged(name);
    EXPECT_TRUE(ISDimsEntry(name, ISToHandle(&source), true, [](CISEntryCall&) { return TRUE; }));
    EXPECT_EQ(0, ISGetLastError());
    EXPECT_FALSE(ISDimsEntry(name, ISToHandle(&source), true, [](CISEntryCall&) -> BOOL { throw 47; }));
    EXPECT_EQ(47, ISGetLastError());
    EXPECT_FALSE(ISDimsEntry(name, ISToHandle(&source), true, [](CISEntryCall& call) {
        call.m_status = 52;
        return FALSE;
    }));
    EXPECT_EQ(52, ISGetLastError());
    EXPECT_FALSE(ISDimsEntry(name, ISToHandle(&source), false, [](CISEntryCall&) { return TRUE; }));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_EQ(3, CountLogged(name) - before);
}

struct WriteCase {
    const char* label;
    bool closed;
    bool required;
    int behaviour;  // 0 writes 10 bytes, 1 fails after 4, 2 throws
    int32_t size;
    int32_t code;
    bool ran;
};

class WriteEntryFrame : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteEntryFrame, ReportsTheWritersStatusOnceAndItsSize)
{
    const WriteCase& c = GetParam();
    CountingSource sink;
    if (c.closed)
        sink.Close();
    const char* name = "is5_WriteTestFormat";
    int before = CountLogged(name);
    bool ran = false;
    int32_t depth = -1;
    int32_t size = ISWriteEntry(name, ISToHandle(&sink), c.required, [&](CISEntryCall& call) -> int32_t {
        ran = true;
        depth = ISGetThreadState()->callDepth;
        if (c.behaviour == 2)
            throw ISException("disk full", 4);
        if (c.behaviour == 1) {
            call.m_status = 4;
            return 4;  // what reached the sink before the failure
        }
        return 10;
    });
    EXPECT_EQ(c.size, size);
    EXPECT_EQ(c.code, ISGetLastError());
    EXPECT_EQ(c.ran, ran);
    EXPECT_EQ(c.code != 0 ? 1 : 0, CountLogged(name) - before);
    if (ran) {
        EXPECT_EQ(1, depth);
    }
    EXPECT_EQ(0, ISGetThreadState()->callDepth);
    EXPECT_EQ(0, sink.touches);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteEntryFrame,
    ::testing::Values(WriteCase{"Success", false, true, 0, 10, 0, true},
                      WriteCase{"FailureKeepsTheSizeReached", false, true, 1, 4, 4, true},
                      WriteCase{"ThrownFailureIsSizeZero", false, true, 2, 0, 4, true},
                      WriteCase{"MissingArgumentIs5", false, false, 0, 0, 5, false},
                      WriteCase{"ClosedSinkIs38", true, true, 0, 0, 38, false}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.label); });

TEST(SwapRBRows, Swaps32BitPixels)
{
    BYTE pixels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(ISSwapRBRows32(pixels, 2, 1, 8));
    const BYTE expected[8] = {3, 2, 1, 4, 7, 6, 5, 8};
    EXPECT_EQ(0, std::memcmp(expected, pixels, 8));
}

struct Swap16Case {
    uint32_t samples;  // 3 or 4 a pixel
};

class SwapRBRows16 : public ::testing::TestWithParam<Swap16Case> {};

TEST_P(SwapRBRows16, SwapsFirstAndThirdSampleAndLeavesPaddingAlone)
{
    const uint32_t n = GetParam().samples;
    const uint32_t width = 2, rows = 2, stride = width * n + 3;  // three padding samples a row
    std::vector<uint16_t> pixels(stride * rows);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint16_t>(0x1000 + i);
    std::vector<uint16_t> expected = pixels;
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < width; ++x)
            std::swap(expected[y * stride + x * n], expected[y * stride + x * n + 2]);
    int32_t status = -1;
    BOOL ok = n == 3 ? ISSwapRBRows48(pixels.data(), width, rows, stride, &status)
                     : ISSwapRBRows64(pixels.data(), width, rows, stride, &status);
    EXPECT_TRUE(ok);
    EXPECT_EQ(0, status);
    EXPECT_EQ(expected, pixels);
}

INSTANTIATE_TEST_SUITE_P(Widths, SwapRBRows16, ::testing::Values(Swap16Case{3}, Swap16Case{4}));

TEST(SwapRBRows, NullPixelsAreStatus5)
{
    int32_t a = 0, b = 0, c = 0;
    EXPECT_FALSE(ISSwapRBRows32(nullptr, 1, 1, 4, &a));
    EXPECT_FALSE(ISSwapRBRows48(nullptr, 1, 1, 3, &b));
    EXPECT_FALSE(ISSwapRBRows64(nullptr, 1, 1, 4, &c));
    EXPECT_EQ(5, a);
    EXPECT_EQ(5, b);
    EXPECT_EQ(5, c);
}

}  // namespace
