// Refusals, damaged and hostile files, the libtiff binding, progress and
// cancel, and the generic reader over TIFF files.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/buffers.h"
#include "imaging/core/frame.h"
#include "imaging/core/io.h"
#include "tiff_binding.h"
#include "tiff_test_util.h"

using tift::Result;

namespace {

// Empties the thread's log (it keeps only its newest entries) and returns 0.
size_t LogCount()
{
    ISGetThreadState()->errorLog.clear();
    return 0;
}

std::vector<ISErrorLogEntry> LogSince(size_t start)
{
    std::vector<ISErrorLogEntry> log = ISTestErrorLog();
    return std::vector<ISErrorLogEntry>(log.begin() + static_cast<std::ptrdiff_t>(std::min(start, log.size())), log.end());
}

std::vector<uint8_t> Fixture(const std::string& name)
{
    std::vector<uint8_t> bytes;
    vt::ReadFileBytes(vt::FixturePath(name), &bytes);
    return bytes;
}

}  // namespace

TEST(TiffRefusals, Table)
{
    struct Case {
        const char* file;  // nullptr: empty
        uint32_t bits;
        uint32_t flags;
        int32_t page;
        bool palette;
        int32_t error;
    };
    const Case cases[] = {
        {"tif_c_none.tif", 24, 0, 1, true, 5},     // page past the last
        {"tif_c_none.tif", 24, 0, -1, true, 5},    // negative page
        {"tif_palette16.tif", 8, 0, 0, true, 28},  // 65,536 entries do not fit
        {"tif_grey12.tif", 8, 0, 0, true, 28},
        {"tif_c_none.tif", 8, 0, 0, true, 28},     // RGB at 8
        {"tif_c_none.tif", 1, 0, 0, true, 28},
        {"tif_c_none.tif", 48, 0, 0, true, 28},
        {"tif_c_none.tif", 16, 0, 0, true, 28},
        {"tif_rgb16.tif", 64, 0, 0, true, 28},     // three samples, not four
        {"tif_grey_alpha.tif", 8, 0, 0, true, 28}, // two samples a pixel
        {"tif_grey_alpha.tif", 1, 0, 0, true, 28},
        {"tif_bw_white.tif", 1, 0, 0, false, 5},   // no palette
        {"tif_o_grey_1.tif", 8, 0, 0, false, 5},
        {"tif_bw_white.tif", 1, 0x22, 0, true, 5}, // DIB with padded rows
        {"tif_o_grey_1.tif", 8, 0x22, 0, true, 5},
        {"tif_c_none.tif", 12, 0, 0, true, 5},     // no such depth
        {"tif_huge_image.tif", 24, 0, 0, true, 1},
        {"tif_wide_bilevel.tif", 1, 0, 0, true, 1},
        {"tif_huge_count.tif", 24, 0, 0, true, 20},
        {"tif_p1.ppm", 24, 0, 0, true, 20},        // not a TIFF
        {"tif_not.png", 24, 0, 0, true, 20},
    };
    for (const Case& c : cases) {
        for (bool memory : {true, false}) {
            SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.bits) + " flags " + std::to_string(c.flags) +
                         (memory ? " memory" : " file"));
            tift::Source source(c.file, memory);
            ASSERT_NE(nullptr, source.Get());
            RGBQUAD palette[256];
            uint32_t w = 1, h = 1;
            void* p = is5_ReadTIFF(source.Get(), &w, &h, c.bits, c.palette ? palette : nullptr, c.page, c.flags);
            EXPECT_EQ(nullptr, p);
            EXPECT_EQ(c.error, ISGetLastError());
            if (p)
                GlobalFree(p);
        }
    }
    // An empty file.
    const std::string empty = vt::BuildPath("tif_empty.tif");
    ASSERT_TRUE(vt::WriteFileBytes(empty, {}));
    HISSRC s = is5_OpenFileSource(vt::HostPath(empty).c_str());
    ASSERT_NE(nullptr, s);
    uint32_t w = 0, h = 0;
    RGBQUAD palette[256];
    EXPECT_EQ(nullptr, is5_ReadTIFF(s, &w, &h, 24, palette, 0, 0));
    EXPECT_EQ(20, ISGetLastError());
    is5_CloseSource(s);
}

TEST(TiffHostile, HugeCountStaysUnderTheLimit)
{
    // The limit the fuzz harnesses use: libtiff's own blocks obey it too.
    ISSetMaxAlloc(1u << 20);
    Result r = tift::Read("tif_huge_count.tif", 24, 0);
    ISSetMaxAlloc(0);
    EXPECT_EQ(nullptr, r.pixels.get());
    EXPECT_EQ(20, r.error);
}

// libtiff allocates under the library's limit: the one strip of a 16-bit RGB
// file (6 bytes a pixel) is larger than the RGBA raster (4 bytes a pixel)
// that a read at 24 bits needs, so a limit of the raster's size refuses it.
TEST(TiffHostile, LibtiffsOwnBlocksObeyTheLimit)
{
    const uint64_t raster = 37 * 23 * 4;
    ISSetMaxAlloc(raster);
    const size_t start = LogCount();
    Result strip = tift::Read("tif_rgb16.tif", 24, 0);
    const std::vector<ISErrorLogEntry> log = LogSince(start);
    Result fits = tift::Read("tif_c_none.tif", 24, 0);  // its 3-byte strip fits
    ISSetMaxAlloc(0);
    EXPECT_EQ(nullptr, strip.pixels.get());
    EXPECT_EQ(20, strip.error);
    bool logged = false;
    for (const ISErrorLogEntry& e : log)
        logged = logged || (e.code == 20 && e.level == 3);
    EXPECT_TRUE(logged);
    EXPECT_TRUE(fits.pixels);
    EXPECT_EQ(0, fits.error);
    Result unlimited = tift::Read("tif_rgb16.tif", 24, 0);
    EXPECT_TRUE(unlimited.pixels);
    EXPECT_EQ(0, unlimited.error);
}

// A damaged deflate strip leaves its row zero and the rest as stored.
TEST(TiffHostile, DamagedStripKeepsTheOthers)
{
    const std::vector<uint8_t> raw = Fixture("tif_bad_deflate.raw");
    const size_t start = LogCount();
    Result r = tift::Read("tif_bad_deflate.tif", 8, 0);
    ASSERT_TRUE(r.pixels);
    EXPECT_EQ(20, r.error);
    ASSERT_EQ(13u, r.width);
    ASSERT_EQ(7u, r.height);
    for (uint32_t y = 0; y < 7; ++y)
        for (uint32_t x = 0; x < 13; ++x) {
            const uint8_t want = y == 2 ? 0 : raw[y * 13 + x];
            ASSERT_EQ(want, r.pixels.get()[y * 13 + x]) << x << "," << y;
        }
    bool logged = false;
    for (const ISErrorLogEntry& e : LogSince(start))
        logged = logged || (e.code == 20 && e.level == 3);
    EXPECT_TRUE(logged);
}

// Every prefix of a fixture, from memory and (for the small ones) from a
// file: NULL with 20, or at 1, 8 and 16 bits the image with 20 whose rows are
// each the full read's or zero; never a crash or a hang. The tif_front files
// keep their directory before the strips, so their cuts lose rows.
TEST(TiffHostile, EveryPrefix)
{
    struct Case {
        const char* file;
        uint32_t bits;
        size_t bytesPerPixel8;  // bytes a pixel times 8
        bool partial;           // some prefix gives a partial image
    };
    const Case cases[] = {{"tif_c_lzw.tif", 24, 24, false},       {"tif_tiles.tif", 32, 32, false},
                          {"tif_bw_g3.tif", 1, 1, false},         {"tif_bad_deflate.tif", 8, 8, false},
                          {"tif_rgb16.tif", 48, 48, false},       {"tif_front_grey.tif", 8, 8, true},
                          {"tif_front_bw.tif", 1, 1, true},       {"tif_front_rgb16.tif", 48, 48, true}};
    const std::string path = vt::BuildPath("tif_prefix.tif");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> bytes = Fixture(c.file);
        ASSERT_FALSE(bytes.empty());
        RGBQUAD palette[256];
        uint32_t fw = 0, fh = 0;
        tift::Source whole(bytes);
        tift::Buffer full(static_cast<uint8_t*>(is5_ReadTIFF(whole.Get(), &fw, &fh, c.bits, palette, 0, 0)));
        ASSERT_TRUE(full);
        const size_t row = (size_t(fw) * c.bytesPerPixel8 + 7) / 8;
        int partial = 0;
        const auto begin = std::chrono::steady_clock::now();
        for (bool fromFile : {false, true}) {
            if (fromFile && bytes.size() > 2048)
                continue;
            for (size_t n = 1; n < bytes.size(); n += n > 4096 ? 7 : 1) {
                const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
                uint32_t w = 0, h = 0;
                void* p = nullptr;
                int32_t error = -1;
                if (fromFile) {
                    ASSERT_TRUE(vt::WriteFileBytes(path, cut));
                    HISSRC file = is5_OpenFileSource(vt::HostPath(path).c_str());
                    ASSERT_NE(nullptr, file);
                    p = is5_ReadTIFF(file, &w, &h, c.bits, palette, 0, 0);
                    error = ISGetLastError();
                    is5_CloseSource(file);
                } else {
                    tift::Source source(cut);
                    p = is5_ReadTIFF(source.Get(), &w, &h, c.bits, palette, 0, 0);
                    error = ISGetLastError();
                }
                tift::Buffer got(static_cast<uint8_t*>(p));
                if (!got) {
                    EXPECT_EQ(20, error) << n;
                    continue;
                }
                ASSERT_TRUE(error == 20 || error == 0) << n << ": " << error;
                ASSERT_EQ(fw, w) << n;
                ASSERT_EQ(fh, h) << n;
                EXPECT_TRUE(c.bits == 1 || c.bits == 8 || c.bits == 48 || error == 0) << n;
                int zero = 0, same = 0;
                for (uint32_t y = 0; y < h; ++y) {
                    const uint8_t* r = got.get() + y * row;
                    if (std::memcmp(r, full.get() + y * row, row) == 0)
                        ++same;
                    else if (std::all_of(r, r + row, [](uint8_t v) { return v == 0; }))
                        ++zero;
                    else
                        ADD_FAILURE() << "cut at " << n << ": row " << y << " is neither the picture's nor empty";
                }
                if (error == 0) {
                    EXPECT_EQ(int(h), same) << n;
                }
                partial += error == 20 && zero > 0 && same > 0;
            }
        }
        EXPECT_EQ(c.partial, partial > 0);
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
    }
}

TEST(TiffBinding, CustomTagsNamesAndErrors)
{
    size_t start = LogCount();
    Result r = tift::Read("tif_custom_tags.tif", 8, 0);
    EXPECT_TRUE(r.pixels);
    EXPECT_EQ(0, r.error);
    for (const ISErrorLogEntry& e : LogSince(start))
        EXPECT_FALSE(e.code == 20 && e.level == 2) << e.message;

    std::vector<uint8_t> bytes = Fixture("tif_c_none.tif");
    CISIO_Memory memory;
    ASSERT_TRUE(memory.OpenRead(bytes.data(), static_cast<int32_t>(bytes.size())));
    TIFF* tif = ISTiffOpen(&memory, "r");
    ASSERT_NE(nullptr, tif);
    EXPECT_STREQ("[Memory]", TIFFFileName(tif));
    ISTiffClose(tif);
    CISIO_File file;
    const std::string path = vt::HostPath(vt::FixturePath("tif_c_none.tif"));
    ASSERT_TRUE(file.OpenRead(path.c_str()));
    tif = ISTiffOpen(&file, "r");
    ASSERT_NE(nullptr, tif);
    EXPECT_EQ(path, TIFFFileName(tif));
    ISTiffClose(tif);

    // A corrupt header: the directory offset points past the end.
    std::vector<uint8_t> corrupt = {'I', 'I', 42, 0, 0xF0, 0xFF, 0, 0, 0, 0};
    start = LogCount();
    tift::Source source(corrupt);
    uint32_t w = 0, h = 0;
    RGBQUAD palette[256];
    EXPECT_EQ(nullptr, is5_ReadTIFF(source.Get(), &w, &h, 24, palette, 0, 0));
    EXPECT_EQ(20, ISGetLastError());
    bool logged = false;
    for (const ISErrorLogEntry& e : LogSince(start))
        logged = logged || (e.code == 20 && e.level == 3 && e.message.rfind("LibTiff Error: ", 0) == 0);
    EXPECT_TRUE(logged);
}

namespace {

std::vector<int32_t> g_calls;
int g_stopAt = -1;

BOOL Record(int32_t done, int32_t, void*)
{
    g_calls.push_back(done);
    return static_cast<int>(g_calls.size()) - 1 == g_stopAt ? FALSE : TRUE;
}

}  // namespace

TEST(TiffProgress, BandsAndCancel)
{
    g_calls.clear();
    g_stopAt = -1;
    is5_SetCallback(Record, nullptr);
    Result r = tift::Read("tif_r16_tall.tif", 24, 0);
    EXPECT_TRUE(r.pixels);
    EXPECT_EQ(37u, r.height);
    EXPECT_EQ((std::vector<int32_t>{0, 16, 32}), g_calls);

    struct Case {
        const char* file;
        uint32_t bits;
        uint32_t flags;
    };
    const Case cases[] = {{"tif_r16.tif", 24, 0},       {"tif_r16.tif", 32, 0},   {"tif_r16.tif", 24, 2},
                          {"tif_bad_deflate.tif", 8, 0}, {"tif_bw_white.tif", 1, 0}, {"tif_rgb16.tif", 48, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.bits));
        g_calls.clear();
        g_stopAt = 0;
        Result cancelled = tift::Read(c.file, c.bits, c.flags);
        EXPECT_EQ(nullptr, cancelled.pixels.get());
        EXPECT_EQ(14, cancelled.error);
    }
    is5_SetCallback(nullptr, nullptr);
}

TEST(TiffGeneric, ReadImageModesAndBilevelBits)
{
    // Page 0 of three: red (the others are green and a plasma).
    for (uint32_t mode = 0; mode <= 3; ++mode) {
        SCOPED_TRACE(mode);
        tift::Source source("tif_pages.tif", true);
        uint32_t w = 0, h = 0;
        tift::Buffer p(static_cast<uint8_t*>(is5_ReadImage(source.Get(), &w, &h, mode, 0)));
        ASSERT_TRUE(p);
        EXPECT_EQ(0, ISGetLastError());
        EXPECT_EQ(37u, w);
        EXPECT_EQ(23u, h);
        if (mode == 0 || mode == 1) {
            const size_t bpp = mode == 0 ? 3 : 4;
            int wrong = 0;
            for (size_t i = 0; i < size_t(w) * h; ++i)
                wrong += p.get()[i * bpp] != 255 || p.get()[i * bpp + 1] != 0 || p.get()[i * bpp + 2] != 0;
            EXPECT_EQ(0, wrong);
        }
    }
    // Mode 3 keeps the bilevel file's own bits.
    tift::Picture bw;
    ASSERT_TRUE(tift::ReadPicture("tif_bw.pbm", &bw));
    tift::Source source("tif_bw_white.tif", true);
    uint32_t w = 0, h = 0;
    tift::Buffer p(static_cast<uint8_t*>(is5_ReadImage(source.Get(), &w, &h, 3, 0)));
    ASSERT_TRUE(p);
    ASSERT_EQ(bw.width, w);
    ASSERT_EQ(bw.height, h);
    int wrong = 0;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            wrong += int((p.get()[y * ((w + 7) / 8) + x / 8] >> (7 - x % 8)) & 1) != int(bw.At(x, y));
    EXPECT_EQ(0, wrong);
}
