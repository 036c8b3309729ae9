// Hostile and cut TLA files: bad header values, lengths past the end, huge
// pictures, and every writer file cut at every byte.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "tla_test_util.h"

namespace {

using tlat::Bytes;

struct Refusal {
    const char* base;
    int32_t status;
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.base; }

class TlaRefused : public ::testing::TestWithParam<Refusal> {};

// Refused while the header is read: no buffer from any read, and the dims
// entry fails the same way.
TEST_P(TlaRefused, NoBufferAndTheCode)
{
    const Refusal& c = GetParam();
    for (const char* suffix : {"_plain", "_abc"}) {
        const std::string name = std::string(c.base) + suffix + ".tla";
        for (tlat::Source source : {tlat::Source::kMemory, tlat::Source::kFile}) {
            const std::string what = name + " from " + tlat::Name(source);
            for (uint32_t bytes : {1u, 3u, 4u}) {
                for (uint32_t flags : {0u, uint32_t(IS5_DIB)}) {
                    const tlat::Result r = tlat::ReadFixture(name, source, "abc", bytes, flags);
                    EXPECT_FALSE(r.made) << what << " " << bytes << " " << flags;
                    EXPECT_EQ(c.status, r.status) << what << " " << bytes << " " << flags;
                }
            }
            const tlat::Dims d = tlat::FixtureDims(name, source, "abc");
            EXPECT_FALSE(d.ok) << what;
            EXPECT_EQ(c.status, d.status) << what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, TlaRefused,
                         ::testing::Values(Refusal{"bad_magic", 52}, Refusal{"version2", 52}, Refusal{"bpp0", 52},
                                           Refusal{"bpp5", 52}, Refusal{"width0", 52}, Refusal{"out_of_order", 52},
                                           Refusal{"entries300", 52},
                                           // A length past the end: nothing allocated for it,
                                           // and no skip of 4 GiB (or of -1 as a seek offset).
                                           Refusal{"item_huge", 3}, Refusal{"palette_huge", 3}),
                         [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.base); });

TEST(TlaHostile, ThreeHundredPaletteEntriesWriteNothingPastThePalette)
{
    struct Guarded {
        RGBQUAD palette[256];
        uint8_t guard[1024];
    } g;
    std::memset(&g, 0x5A, sizeof g);
    for (const char* name : {"entries300_plain.tla", "entries300_abc.tla"}) {
        const Bytes file = tlat::Fixture(name);
        HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
        uint32_t w = 0, h = 0;
        void* buffer = is5_ReadTLA(source, &w, &h, "abc", 1, g.palette, 0);
        EXPECT_EQ(52, ISGetLastError());
        is5_CloseSource(source);
        EXPECT_EQ(nullptr, buffer);
        EXPECT_EQ(Bytes(1024, 0x5A), Bytes(g.guard, g.guard + 1024)) << name;
    }
}

// The compression chunk comes after the header: dims still answer; a read
// fails as a read, a DIB read (which reads that chunk itself) with 52.
TEST(TlaHostile, ACompressionChunkPastTheEndStopsTheReadBeforeAnyBuffer)
{
    for (const char* name : {"compression_huge_plain.tla", "compression_huge_abc.tla"}) {
        for (tlat::Source source : {tlat::Source::kMemory, tlat::Source::kFile}) {
            const std::string what = std::string(name) + " from " + tlat::Name(source);
            const tlat::Result r = tlat::ReadFixture(name, source, "abc", 3);
            EXPECT_FALSE(r.made) << what;
            EXPECT_EQ(3, r.status) << what;
            const tlat::Result dib = tlat::ReadFixture(name, source, "abc", 3, IS5_DIB);
            EXPECT_FALSE(dib.made) << what;
            EXPECT_EQ(52, dib.status) << what;
            const tlat::Dims d = tlat::FixtureDims(name, source, "abc");
            EXPECT_TRUE(d.ok) << what;
            EXPECT_EQ(37u, d.width) << what;
        }
    }
}

TEST(TlaHostile, AnItemLengthPastTheEndAllocatesNothingForIt)
{
    // Under a 64 KiB limit a 4 GiB item would be refused with 1 if it were
    // sized against memory; it is refused with 3 before that.
    ISSetMaxAlloc(65536);
    const tlat::Result r = tlat::Read(tlat::Fixture("item_huge_abc.tla"), "abc", 3);
    ISSetMaxAlloc(0);
    EXPECT_FALSE(r.made);
    EXPECT_EQ(3, r.status);
}

struct Partial {
    const char* base;
    uint32_t bytesPerPixel;
    int32_t status;
};

void PrintTo(const Partial& c, std::ostream* os) { *os << c.base; }

class TlaPartial : public ::testing::TestWithParam<Partial> {};

// The output buffer exists when the strip fails: it comes back with the rows
// of the earlier strips, the rest zero.
TEST_P(TlaPartial, TheBufferWithTheEarlierStrips)
{
    const Partial& c = GetParam();
    for (const char* suffix : {"_plain", "_abc"}) {
        const std::string base = std::string(c.base) + suffix;
        const tlat::Expected e = tlat::LoadExpected(base, 37, 23, c.bytesPerPixel);
        for (tlat::Source source : {tlat::Source::kMemory, tlat::Source::kFile}) {
            const std::string what = base + " from " + tlat::Name(source);
            const tlat::Result r = tlat::ReadFixture(base + ".tla", source, "abc", 4);
            ASSERT_TRUE(r.made) << what;
            EXPECT_EQ(c.status, r.status) << what;
            EXPECT_TRUE(e.rgba == r.data) << what << ": " << tlat::FirstDifference(e.rgba, r.data);
            const tlat::Result dib = tlat::ReadFixture(base + ".tla", source, "abc", 3, IS5_DIB);
            ASSERT_TRUE(dib.made) << what;
            EXPECT_EQ(c.status, dib.status) << what;
            const Bytes want = tlat::DibOf(e);
            EXPECT_TRUE(want == dib.data) << what << ": " << tlat::FirstDifference(want, dib.data);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, TlaPartial,
                         ::testing::Values(Partial{"strip_huge", 3, 3}, Partial{"strip_huge_b1", 1, 3},
                                           Partial{"zero_rows", 3, 48}, Partial{"zero_rows_b1", 1, 48}),
                         [](const ::testing::TestParamInfo<Partial>& info) { return std::string(info.param.base); });

// Allocation requests through the application's callbacks.
uint64_t gLargestRequest = 0;
void* CountingAlloc(intptr_t bytes, intptr_t)
{
    if (uint64_t(bytes) > gLargestRequest)
        gLargestRequest = uint64_t(bytes);
    return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, SIZE_T(bytes));
}
BOOL PlainFree(void* block, intptr_t)
{
    GlobalFree(block);
    return TRUE;
}

TEST(TlaHostile, AHugePictureIsRefusedBeforeAnyOutputIsAllocated)
{
    ISThreadState* state = ISGetThreadState();
    state->allocCallback = CountingAlloc;
    state->freeCallback = PlainFree;
    for (const char* name : {"huge_plain.tla", "huge_abc.tla"}) {
        const Bytes file = tlat::Fixture(name);
        for (uint32_t flags : {0u, uint32_t(IS5_DIB)}) {
            gLargestRequest = 0;
            const tlat::Result r = tlat::Read(file, "abc", 4, flags);
            EXPECT_FALSE(r.made) << name << " " << flags;
            EXPECT_EQ(1, r.status) << name << " " << flags;
            EXPECT_EQ(0u, gLargestRequest) << name << " " << flags;
        }
        const tlat::Dims d = tlat::GetDims(file, "abc");
        EXPECT_TRUE(d.ok);
        EXPECT_EQ(65535u, d.width);
        EXPECT_EQ(65535u, d.height);
    }
    state->allocCallback = nullptr;
    state->freeCallback = nullptr;
}

// Every writer file, cut at every length: NULL with 52 or 3, or the buffer
// with 3; never a crash, never a hang.
class TlaCut : public ::testing::TestWithParam<std::string> {};

void ExpectCutResult(const tlat::Result& r, const std::string& what)
{
    if (r.made) {
        EXPECT_EQ(3, r.status) << what;
    } else {
        EXPECT_TRUE(r.status == 52 || r.status == 3) << what << ": " << r.status;
    }
}

TEST_P(TlaCut, EveryCutIsRefusedOrShort)
{
    const std::string base = GetParam();
    const Bytes file = tlat::Fixture(base + ".tla");
    const uint32_t depth = base.find("_b1_") != std::string::npos ? 1 : 4;
    const auto start = std::chrono::steady_clock::now();
    for (size_t n = 1; n < file.size(); ++n) {
        const Bytes cut(file.begin(), file.begin() + n);
        const std::string what = base + " cut at " + std::to_string(n);
        ExpectCutResult(tlat::Read(cut, "abc", depth), what);
        ExpectCutResult(tlat::Read(cut, "abc", 3, IS5_DIB), what + " DIB");
        const tlat::Dims d = tlat::GetDims(cut, "abc");
        if (!d.ok) {
            EXPECT_TRUE(d.status == 52 || d.status == 3) << what << ": " << d.status;
        }
        if (HasFailure())
            break;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

std::vector<std::string> CutFiles()
{
    std::vector<std::string> out;
    const char* sizes[] = {"37x23", "1x1", "37x1"};
    for (const char* size : sizes)
        for (int bytes = 1; bytes <= 4; ++bytes)
            for (int filters : {0, 1, 2, 4, 7})
                for (const char* kind : {"plain", "abc"})
                    out.push_back(std::string("rt_") + size + "_b" + std::to_string(bytes) + "_f" +
                                  std::to_string(filters) + "_" + kind);
    for (const char* kind : {"plain", "abc"})
        for (const char* base : {"items", "words", "long_palette", "taller_strip"})
            out.push_back(std::string(base) + "_" + kind);
    return out;
}

INSTANTIATE_TEST_SUITE_P(Files, TlaCut, ::testing::ValuesIn(CutFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
