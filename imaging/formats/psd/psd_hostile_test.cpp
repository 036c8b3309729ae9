// Wrong and hostile files from memory and from files: refusals with their
// codes, lengths past the end, huge headers, PackBits rows that run over or
// out, every fixture cut at every byte, and missing arguments.
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "imaging/core/io.h"
#include "psd_test_util.h"

namespace {

using psdt::Bytes;
using psdt::Fixture;
using psdt::ReadPsd;

// The largest block asked of the output allocator while set.
intptr_t g_largest = 0;
void* Largest(intptr_t bytes, intptr_t)
{
    g_largest = std::max(g_largest, bytes);
    return std::calloc(size_t(bytes), 1);
}
BOOL FreeBlock(void* block, intptr_t)
{
    std::free(block);
    return TRUE;
}

struct Hostile {
    const char* file;
    uint32_t depth;
    int32_t code;
    bool buffer;
    intptr_t largest;  // the largest output block allowed
};

void PrintTo(const Hostile& c, std::ostream* os) { *os << c.file << " at " << c.depth; }

const Hostile kHostile[] = {
    {"bad_signature.psd", 24, 46, false, 0},
    {"version2.psd", 24, 46, false, 0},
    {"width0.psd", 24, 46, false, 0},
    {"height0.psd", 8, 46, false, 0},
    {"mode7.psd", 24, 47, false, 0},
    {"mode9.psd", 24, 47, false, 0},
    {"depth32.psd", 24, 47, false, 0},
    {"mode0_depth8.psd", 8, 47, false, 0},
    {"grey_depth1.psd", 8, 47, false, 0},
    {"rgb_2ch.psd", 24, 47, false, 0},
    {"cmyk_3ch.psd", 24, 47, false, 0},
    {"cmyk_3ch.psd", 32, 47, false, 0},
    {"channels0.psd", 8, 47, false, 0},
    {"compression2.psd", 24, 3, false, 0},
    {"rgb16_rle.psd", 24, 46, false, 0},
    {"grey16_rle.psd", 8, 46, false, 0},
    {"grey16_rle.psd", 24, 46, false, 0},
    {"grey16_rle_2ch.psd", 8, 17, false, 0},
    {"huge.psd", 24, 1, false, 0},
    {"huge.psd", 8, 47, false, 0},
    {"resources_past_end.psd", 24, 3, false, 0},
    {"counts_past_end.psd", 24, 3, false, 0},
    {"indexed_short_colour.psd", 8, 46, false, 0},
    {"indexed_short_colour.psd", 24, 46, false, 0},
    {"row_data_short.psd", 8, 3, true, 8},
    {"run_crossing.psd", 8, 0, true, 8},
    {"run_crossing.psd", 24, 0, true, 24},
};

class PsdHostile : public ::testing::TestWithParam<Hostile> {};

TEST_P(PsdHostile, RefusedOrCutWithoutALargeBlock)
{
    const Hostile& c = GetParam();
    const Bytes file = Fixture(c.file);
    ISThreadState* state = ISGetThreadState();
    for (bool fromFile : {false, true}) {
        state->allocCallback = Largest;
        state->freeCallback = FreeBlock;
        g_largest = 0;
        const auto start = std::chrono::steady_clock::now();
        psdt::Source source(file, fromFile);
        uint32_t w = 0, h = 0;
        RGBQUAD palette[256];
        void* buffer = is5_ReadPSD(source.Handle(), &w, &h, c.depth, palette, 0);
        const int32_t code = ISGetLastError();
        state->allocCallback = nullptr;
        state->freeCallback = nullptr;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 10.0);
        EXPECT_EQ(code, c.code) << (fromFile ? "file" : "memory");
        EXPECT_EQ(buffer != nullptr, c.buffer) << (fromFile ? "file" : "memory");
        EXPECT_LE(g_largest, c.largest);
        std::free(buffer);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, PsdHostile, ::testing::ValuesIn(kHostile));

TEST(PsdHostileRows, PackBitsRowsAreCutAtTheWidthAndBrokenRowsStayEmpty)
{
    const psdt::Read crossing = ReadPsd(Fixture("run_crossing.psd"), 8);
    EXPECT_EQ(crossing.data, (Bytes{1, 2, 3, 4, 42, 42, 42, 42}));
    const psdt::Read crossing24 = ReadPsd(Fixture("run_crossing.psd"), 24);
    EXPECT_EQ(crossing24.data, (Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42}));
    // The first row's literal claims 8 bytes and has 2: that row stays empty.
    const psdt::Read shortRow = ReadPsd(Fixture("row_data_short.psd"), 8);
    EXPECT_EQ(shortRow.code, 3);
    EXPECT_EQ(shortRow.data, Bytes(8, 0));
}

// ImageMagick's files and a few hand-made ones, cut at every byte.
TEST(PsdHostileCuts, EveryCutGivesNullOrTheBufferWithACode)
{
    const char* files[] = {"rgb8.psd", "rgb8_rle.psd", "rgb16.psd", "cmyk8.psd", "cmyk16.psd", "grey.psd",
                           "bitmap.psd", "indexed.psd", "d28.psd", "duotone.psd", "run_crossing.psd"};
    struct Read {
        uint32_t depth, flags;
    } reads[] = {{24, 0}, {32, 0}, {8, 0}, {24, IS5_DIB}, {24, 8}};
    for (const char* name : files) {
        const Bytes whole = Fixture(name);
        for (size_t cut = 1; cut < whole.size(); ++cut) {
            const Bytes part(whole.begin(), whole.begin() + cut);
            for (const Read& r : reads) {
                const psdt::Read got = ReadPsd(part, r.depth, r.flags);
                if (got.code == 47 || got.code == 5)
                    continue;  // this read does not take the file at all
                ASSERT_TRUE(got.code == 3 || (!got.made && got.code == 46))
                    << name << " cut at " << cut << " depth " << r.depth << " flags " << r.flags << ": code "
                    << got.code << (got.made ? " with" : " without") << " buffer";
            }
            psdt::Dims d = psdt::GetDims(part);
            ASSERT_TRUE(d.code == 0 || d.code == 3 || d.code == 46 || d.code == 67) << name << " " << cut;
        }
    }
    // A file source gives the same, byte by byte.
    const Bytes bitmap = Fixture("bitmap.psd");
    for (size_t cut = 0; cut < bitmap.size(); cut += 7) {
        const psdt::Read got = ReadPsd(Bytes(bitmap.begin(), bitmap.begin() + cut), 24, 0, true);
        ASSERT_TRUE(got.code == 3 || (!got.made && got.code == 46)) << cut << ": " << got.code;
    }
}

TEST(PsdHostileArguments, MissingOutsAndBadSources)
{
    const Bytes file = Fixture("rgb8.psd");
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    CISIO* io = ISFromHandle(source);
    uint32_t w = 0, h = 0, depth = 0, mode = 0;
    EXPECT_EQ(is5_ReadPSD(source, &w, nullptr, 24, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ(is5_ReadPSD(source, nullptr, &h, 24, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_FALSE(is5_GetPSDDims(source, &w, &h, &depth, nullptr, nullptr, 0));
    EXPECT_EQ(ISGetLastError(), 5);
    int32_t position = -1;
    EXPECT_TRUE(io->Tell(&position));
    EXPECT_EQ(position, 0) << "the source was read";
    EXPECT_TRUE(is5_GetPSDDims(source, &w, &h, &depth, &mode, nullptr, 0)) << "the resolution may be null";
    is5_CloseSource(source);

    EXPECT_EQ(is5_ReadPSD(nullptr, &w, &h, 24, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    CISIO_Memory closed;
    HISSRC bad = reinterpret_cast<HISSRC>(static_cast<CISIO*>(&closed));
    EXPECT_EQ(is5_ReadPSD(bad, &w, &h, 24, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 38);
    EXPECT_FALSE(is5_GetPSDDims(bad, &w, &h, &depth, &mode, nullptr, 0));
    EXPECT_EQ(ISGetLastError(), 38);
}

}  // namespace
