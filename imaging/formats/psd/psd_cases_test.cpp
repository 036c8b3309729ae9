// Chosen pixels in every layout, the resolution of resource 1005, duotone,
// progress and cancel, and the allocation callbacks around a DIB read.
#include <algorithm>
#include <cstdlib>

#include "psd_test_util.h"

namespace {

using psdt::Bytes;
using psdt::Fixture;
using psdt::ReadPsd;

struct Layout {
    const char* file;
    uint32_t depth;
    uint32_t flags;
    Bytes pixels;  // the whole buffer
};

void PrintTo(const Layout& c, std::ostream* os) { *os << c.file << " at " << c.depth << " flags " << c.flags; }

const Layout kLayouts[] = {
    // Stored CMYK is inverted: R = C x K / 255.
    {"cmyk_pixel.psd", 24, 0, {128, 128, 128}},
    {"cmyk_pixel.psd", 32, 0, {255, 255, 255, 128}},
    {"cmyk_pixel.psd", 24, 4, {255, 255, 255, 128}},
    {"cmyk5_pixel.psd", 32, 0, {1, 2, 3, 4}},
    {"cmyk5_pixel.psd", 24, 0, {0, 0, 0}},
    {"rgb_pixels.psd", 24, 0, {10, 30, 50, 20, 40, 60}},
    {"rgb_pixels.psd", 32, 0, {10, 30, 50, 255, 20, 40, 60, 255}},
    {"rgb_pixels.psd", 32, 4, {10, 30, 50, 255, 20, 40, 60, 255}},
    // 16 bits: high bytes, or the file's big-endian samples with flag 8.
    {"rgb16_pixels.psd", 24, 0, {1, 5, 9, 3, 7, 11}},
    {"rgb16_pixels.psd", 32, 0, {1, 5, 9, 255, 3, 7, 11, 255}},
    {"rgb16_pixels.psd", 24, 8, {1, 2, 5, 6, 9, 10, 3, 4, 7, 8, 11, 12}},
    {"rgb16_pixels.psd", 32, 8, {1, 2, 5, 6, 9, 10, 3, 4, 7, 8, 11, 12}},
    {"cmyk16_pixel.psd", 24, 8, {0x40, 0x00, 0x20, 0x00, 0x80, 0x00}},
    {"cmyk16_pixel.psd", 32, 8, {0x80, 0x00, 0x40, 0x00, 0xFF, 0xFF, 0x80, 0x00}},
    {"cmyk16_pixel.psd", 24, 8 | 4, {0x80, 0x00, 0x40, 0x00, 0xFF, 0xFF, 0x80, 0x00}},
    {"cmyk16_pixel.psd", 24, 0, {0x40, 0x20, 0x80}},
    {"cmyk16_pixel.psd", 32, 0, {0x80, 0x40, 0xFF, 0x80}},
    {"grey16_alpha.psd", 24, 8, {0x12, 0x34, 0x9A, 0xBC, 0x56, 0x78, 0xDE, 0xF0}},
    {"grey16_alpha.psd", 24, 0, {0x12, 0x12, 0x12, 0x56, 0x56, 0x56}},
    {"grey16_alpha.psd", 8, 0, {0x12, 0x56}},
    {"grey16_alpha.psd", 32, 0, {0x12, 0x12, 0x12, 255, 0x56, 0x56, 0x56, 255}},
    // A colour table longer than 768 bytes: its tail is skipped.
    {"indexed_long_colour.psd", 24, 0, {0, 255, 7, 1, 254, 7, 255, 0, 7}},
};

class PsdLayout : public ::testing::TestWithParam<Layout> {};

TEST_P(PsdLayout, BufferHoldsExactlyThePixels)
{
    const Layout& c = GetParam();
    const psdt::Read r = ReadPsd(Fixture(c.file), c.depth, c.flags);
    ASSERT_TRUE(r.made) << r.code;
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.data, c.pixels);
}

INSTANTIATE_TEST_SUITE_P(Hand, PsdLayout, ::testing::ValuesIn(kLayouts));

TEST(PsdLayoutRefusal, SixteenBitLayoutsNeedSixteenBitFilesThatCanHoldThem)
{
    struct Case {
        const char* file;
        uint32_t depth, flags;
        int32_t code;
    } cases[] = {
        {"rgb_pixels.psd", 24, 8, 5},    {"rgb_pixels.psd", 32, 8, 5},  {"rgb16_rle.psd", 24, 8, 46},
        {"bitmap.psd", 24, 8, 47},       {"indexed.psd", 24, 8, 47},    {"duotone.psd", 24, 8, 47},
        {"rgb_pixels.psd", 8, 0, 47},    {"cmyk_pixel.psd", 8, 0, 47},  {"rgb_pixels.psd", 16, 0, 5},
        {"rgb_pixels.psd", 1, 0, 5},
    };
    for (const Case& c : cases) {
        const psdt::Read r = ReadPsd(Fixture(c.file), c.depth, c.flags);
        EXPECT_FALSE(r.made) << c.file << " " << c.depth << " " << c.flags;
        EXPECT_EQ(r.code, c.code) << c.file << " " << c.depth << " " << c.flags;
    }
    psdt::Source source(Fixture("grey.psd"), false);
    uint32_t w = 0, h = 0;
    EXPECT_EQ(is5_ReadPSD(source.Handle(), &w, &h, 8, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5) << "8 bits need a palette";
}

TEST(PsdDibForms, CmykKeepsFourChannelsWithFlag4AndSixteenBitsAreNotKept)
{
    // R,G,B,A order in, B,G,R,A in the DIB: C,M,Y,K become Y,M,C,K.
    const psdt::Read four = ReadPsd(Fixture("cmyk5_pixel.psd"), 24, IS5_DIB | 4);
    EXPECT_EQ(four.code, 0);
    ASSERT_EQ(four.data.size(), 44u);
    EXPECT_EQ(four.data[14], 32);
    EXPECT_EQ(Bytes(four.data.begin() + 40, four.data.end()), (Bytes{3, 2, 1, 4}));
    // A DIB holds 8-bit samples: flag 8 does not change it.
    const psdt::Read plain = ReadPsd(Fixture("rgb16.psd"), 24, IS5_DIB);
    const psdt::Read wide = ReadPsd(Fixture("rgb16.psd"), 24, IS5_DIB | 8);
    EXPECT_EQ(wide.code, 0);
    EXPECT_EQ(wide.data, plain.data);
    const psdt::Read narrow = ReadPsd(Fixture("rgb8.psd"), 8, IS5_DIB | 8);
    EXPECT_EQ(narrow.code, 0);
    EXPECT_EQ(narrow.data[14], 24);
}

struct Resolution {
    const char* file;
    double x, y;
    uint32_t unit;
    int32_t code;
};

void PrintTo(const Resolution& c, std::ostream* os) { *os << c.file; }

const Resolution kResolutions[] = {
    {"d72.psd", 72, 72, 1, 0},
    // 28 px/cm is stored as 71.12 pixels per inch.
    {"d28.psd", 28, 28, 2, 0},
    // 300.5 and 150 pixels per inch.
    {"res_cm.psd", 118, 59, 2, 0},
    {"res_unit0.psd", 96, 48, 0, 0},
    {"no_resources.psd", 0, 0, 0, 0},
    {"no_1005.psd", 0, 0, 0, 0},
    {"res_short_1005.psd", 0, 0, 0, 0},
    {"garbage_resources.psd", 0, 0, 0, 67},
    // What was parsed before a record cut in its name still counts.
    {"res_cut_after_1005.psd", 72, 72, 1, 67},
};

class PsdResolution : public ::testing::TestWithParam<Resolution> {};

TEST_P(PsdResolution, DimsGiveResolutionUnitAndCode)
{
    const Resolution& c = GetParam();
    const Bytes file = Fixture(c.file);
    const psdt::Dims d = psdt::GetDims(file);
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.code, c.code);
    EXPECT_EQ(d.resolution.x, c.x);
    EXPECT_EQ(d.resolution.y, c.y);
    EXPECT_EQ(d.resolution.unit, c.unit);
    EXPECT_GT(d.width, 0u);
    EXPECT_GT(d.height, 0u);
    // Without a record the resources are not parsed: nothing to report.
    const psdt::Dims plain = psdt::GetDims(file, false);
    EXPECT_TRUE(plain.ok);
    EXPECT_EQ(plain.code, 0);
    // The read does not look at the resources.
    const psdt::Read r = ReadPsd(file, 24);
    EXPECT_TRUE(r.made);
    EXPECT_EQ(r.code, 0);
    // The generic reader's probe takes the resolution and its code.
    psdt::Source source(file, false);
    uint32_t w = 0, h = 0;
    void* generic = is5_ReadImage(source.Handle(), &w, &h, 0, 0);
    EXPECT_EQ(generic != nullptr, c.code == 0);
    EXPECT_EQ(ISGetLastError(), c.code);
    if (generic)
        GlobalFree(generic);
}

INSTANTIATE_TEST_SUITE_P(Files, PsdResolution, ::testing::ValuesIn(kResolutions),
                         [](const ::testing::TestParamInfo<Resolution>& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });

TEST(PsdDims, HeaderValuesOfEachMode)
{
    struct Case {
        const char* file;
        uint32_t depth, mode;
    } cases[] = {{"rgb16.psd", 16, 3}, {"cmyk8.psd", 8, 4}, {"bitmap.psd", 1, 0},
                 {"indexed.psd", 8, 2}, {"grey.psd", 8, 1}, {"duotone.psd", 8, 8}};
    for (const Case& c : cases) {
        const psdt::Dims d = psdt::GetDims(Fixture(c.file));
        EXPECT_TRUE(d.ok) << c.file;
        EXPECT_EQ(d.code, 0) << c.file;
        EXPECT_EQ(d.depth, c.depth) << c.file;
        EXPECT_EQ(d.mode, c.mode) << c.file;
        EXPECT_EQ(d.width, c.mode == 8 ? 6u : 40u) << c.file;
        EXPECT_EQ(d.height, c.mode == 8 ? 4u : 30u) << c.file;
    }
}

TEST(PsdDuotone, ReadsAsGreyButTheGenericReaderRefusesIt)
{
    const Bytes file = Fixture("duotone.psd");
    Bytes ramp;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ramp.push_back(uint8_t((x * 37 + y * 11) % 256));
    const psdt::Read at8 = ReadPsd(file, 8);
    EXPECT_EQ(at8.code, 0);
    EXPECT_EQ(at8.data, ramp);
    EXPECT_EQ(at8.palette[200].rgbRed, 200);
    const psdt::Read at24 = ReadPsd(file, 24);
    EXPECT_EQ(at24.code, 0);
    Bytes grey;
    for (uint8_t v : ramp)
        grey.insert(grey.end(), {v, v, v});
    EXPECT_EQ(at24.data, grey);
    for (uint32_t mode : {0u, 2u}) {
        psdt::Source source(file, false);
        uint32_t w = 0, h = 0;
        EXPECT_EQ(is5_ReadImage(source.Handle(), &w, &h, mode, 0), nullptr);
        EXPECT_EQ(ISGetLastError(), 47) << mode;
    }
}

struct ProgressLog {
    std::vector<std::pair<int32_t, int32_t>> calls;
    int stopAt = -1;  // FALSE at this call
};

BOOL LogProgress(int32_t done, int32_t total, void* user)
{
    ProgressLog* log = static_cast<ProgressLog*>(user);
    log->calls.emplace_back(done, total);
    return int(log->calls.size()) - 1 == log->stopAt ? FALSE : TRUE;
}

TEST(PsdProgress, ThreePlanesCountNinetyRowsAndACancelKeepsTheBuffer)
{
    struct Case {
        const char* file;
        uint32_t depth;
        int32_t total;
    } cases[] = {{"rgb8.psd", 24, 90}, {"rgb8_rle.psd", 24, 90}, {"cmyk8.psd", 24, 120}, {"grey.psd", 8, 30},
                 {"bitmap.psd", 24, 30}};
    for (const Case& c : cases) {
        ProgressLog log;
        is5_SetCallback(LogProgress, &log);
        const psdt::Read r = ReadPsd(Fixture(c.file), c.depth);
        is5_SetCallback(nullptr, nullptr);
        EXPECT_EQ(r.code, 0) << c.file;
        ASSERT_EQ(log.calls.size(), size_t(c.total)) << c.file;
        for (size_t i = 0; i < log.calls.size(); ++i) {
            EXPECT_EQ(log.calls[i].second, c.total) << c.file;
            if (i > 0) {
                EXPECT_GE(log.calls[i].first, log.calls[i - 1].first) << c.file;
            }
        }
        EXPECT_EQ(log.calls.back().first, c.total) << c.file;
    }

    ProgressLog stop, stopDib;
    stop.stopAt = stopDib.stopAt = 0;
    is5_SetCallback(LogProgress, &stop);
    const psdt::Read cancelled = ReadPsd(Fixture("rgb8.psd"), 24);
    is5_SetCallback(LogProgress, &stopDib);
    const psdt::Read cancelledDib = ReadPsd(Fixture("rgb8.psd"), 24, IS5_DIB);
    is5_SetCallback(nullptr, nullptr);
    EXPECT_TRUE(cancelled.made);
    EXPECT_EQ(cancelled.code, 14);
    EXPECT_EQ(cancelled.data.size(), 40u * 30 * 3);
    // Only the first row of red came before the cancel.
    const Bytes whole = ReadPsd(Fixture("rgb8.psd"), 24).data;
    for (size_t i = 0; i < cancelled.data.size(); ++i)
        ASSERT_EQ(cancelled.data[i], i < 120 && i % 3 == 0 ? whole[i] : 0) << i;
    EXPECT_TRUE(cancelledDib.made);
    EXPECT_EQ(cancelledDib.code, 14);
}

std::vector<intptr_t> g_allocSizes;
int g_otherCalls = 0;
void* RecordAlloc(intptr_t bytes, intptr_t) { g_allocSizes.push_back(bytes); return std::calloc(size_t(bytes), 1); }
void* RecordRealloc(void* block, intptr_t bytes, intptr_t) { ++g_otherCalls; return std::realloc(block, size_t(bytes)); }
BOOL RecordFree(void* block, intptr_t) { ++g_otherCalls; std::free(block); return TRUE; }

TEST(PsdDibCallbacks, TheIntermediatePictureNeverReachesTheCallbacks)
{
    ISThreadState* state = ISGetThreadState();
    state->allocCallback = RecordAlloc;
    state->reallocCallback = RecordRealloc;
    state->freeCallback = RecordFree;
    state->allocUser = 77;
    struct Case {
        const char* file;
        intptr_t dibBytes;
    } cases[] = {{"rgb8.psd", 40 + 120 * 30}, {"grey.psd", 40 + 1024 + 40 * 30}, {"cmyk8.psd", 40 + 120 * 30}};
    for (const Case& c : cases) {
        g_allocSizes.clear();
        g_otherCalls = 0;
        psdt::Source source(Fixture(c.file), false);
        uint32_t w = 0, h = 0;
        void* dib = is5_ReadPSD(source.Handle(), &w, &h, 24, nullptr, IS5_DIB);
        EXPECT_EQ(ISGetLastError(), 0) << c.file;
        ASSERT_NE(dib, nullptr) << c.file;
        // The DIB is the caller's block; nothing else came from the callbacks.
        EXPECT_EQ(g_allocSizes, std::vector<intptr_t>{c.dibBytes}) << c.file;
        EXPECT_EQ(g_otherCalls, 0) << c.file;
        EXPECT_EQ(state->allocCallback, RecordAlloc);
        EXPECT_EQ(state->reallocCallback, RecordRealloc);
        EXPECT_EQ(state->freeCallback, RecordFree);
        EXPECT_EQ(state->allocUser, 77);
        std::free(dib);
    }
    // A failing read restores them too.
    psdt::Source broken(Fixture("row_data_short.psd"), false);
    uint32_t w = 0, h = 0;
    void* partial = is5_ReadPSD(broken.Handle(), &w, &h, 24, nullptr, IS5_DIB);
    EXPECT_EQ(ISGetLastError(), 3);
    EXPECT_EQ(state->allocCallback, RecordAlloc);
    EXPECT_EQ(state->freeCallback, RecordFree);
    std::free(partial);
    state->allocCallback = nullptr;
    state->reallocCallback = nullptr;
    state->freeCallback = nullptr;
    state->allocUser = 0;
}

}  // namespace
