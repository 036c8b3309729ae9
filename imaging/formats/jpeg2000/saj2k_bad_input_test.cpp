// The JPEG 2000 reader on input that is not a whole JPEG 2000 picture.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "imaging/core/frame.h"
#include "imaging/formats/jpeg2000/saj2k_test_support.h"

#ifdef _WIN32
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

using namespace j2kt;

namespace {

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

uint64_t PeakWorkingSet()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)) ? counters.PeakWorkingSetSize : 0;
#else
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
#endif
}

class J2KBadInput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InstallHook()); }
};

TEST_F(J2KBadInput, OtherFormatsGiveThousandWithSizesUntouched)
{
    for (const char* name : {"j2k_rgb.bmp", "j2k_rgb.png", "j2k_rgb.ppm"}) {
        ReadResult r = ReadFixture(name, 24);
        EXPECT_FALSE(r.pixels) << name;
        EXPECT_EQ(r.code, 1000) << name;
        EXPECT_EQ(r.width, 12345u) << name;
        EXPECT_EQ(r.height, 12345u) << name;
    }
    for (std::vector<uint8_t> bytes : {std::vector<uint8_t>{0xFF, 0x4F, 0xFF}, std::vector<uint8_t>{0, 0, 0, 0x0C, 'j', 'P'}}) {
        ReadResult r = ReadBytes(bytes, 24);
        EXPECT_FALSE(r.pixels);
        EXPECT_EQ(r.code, 1000);
    }
}

class J2KTruncated : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ASSERT_TRUE(InstallHook()); }
};

TEST_P(J2KTruncated, EveryCutGivesThousand)
{
    const std::vector<uint8_t> whole = Fixture(GetParam());
    ASSERT_GT(whole.size(), 100u);
    ASSERT_TRUE(ReadBytes(whole, 24).pixels);
    for (size_t n = 1; n < whole.size(); n += n < 4096 ? 1 : 7) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        auto start = std::chrono::steady_clock::now();
        ReadResult r = ReadBytes(cut, 24);
        ASSERT_LT(Seconds(start), 10.0) << "cut at " << n;
        ASSERT_FALSE(r.pixels) << "cut at " << n;
        ASSERT_EQ(r.code, 1000) << "cut at " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, J2KTruncated,
                         ::testing::Values("j2k_rgb.jp2", "j2k_rgb.j2k", "j2k_rgb_97.jp2", "j2k_rgb_tiled.j2k",
                                           "j2k_rgb_offset.j2k", "j2k_grey.jp2", "j2k_grey_97.j2k", "j2k_rgb16.jp2",
                                           "j2k_grey12.j2k", "j2k_grey4.j2k", "j2k_sycc.jp2", "j2k_rgba.jp2",
                                           "j2k_signed.j2k", "j2k_w3.j2k"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '.')
                                     c = '_';
                             return name;
                         });

void PutBE32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

TEST_F(J2KBadInput, HugeSizeInTheHeaderGivesOneQuicklyAndSmall)
{
    std::vector<uint8_t> bytes = Fixture("j2k_rgb.j2k");
    ASSERT_GT(bytes.size(), 40u);
    ASSERT_EQ(0, std::memcmp(bytes.data(), "\xFF\x4F\xFF\x51", 4));
    // SIZ: Xsiz, Ysiz at 8 and 12, the tile size at 24 and 28 (one tile).
    PutBE32(&bytes[8], 400000);
    PutBE32(&bytes[12], 400000);
    PutBE32(&bytes[24], 400000);
    PutBE32(&bytes[28], 400000);
    auto start = std::chrono::steady_clock::now();
    ReadResult r = ReadBytes(bytes, 24);
    double seconds = Seconds(start);
    EXPECT_FALSE(r.pixels);
    EXPECT_EQ(r.code, 1);
    EXPECT_LT(seconds, 1.0);
    EXPECT_LT(PeakWorkingSet(), 100u * 1024 * 1024);
}

TEST_F(J2KBadInput, PaletteThatWouldExpandBeyondTheLimitGivesOne)
{
    std::vector<uint8_t> codestream = Fixture("j2k_grey8idx.j2k");
    ASSERT_GT(codestream.size(), 40u);
    // 8000 x 8000 samples fit; 255 palette columns of that size do not.
    PutBE32(&codestream[8], 8000);
    PutBE32(&codestream[12], 8000);
    PutBE32(&codestream[24], 8000);
    PutBE32(&codestream[28], 8000);
    std::vector<std::vector<uint8_t>> palette(16, std::vector<uint8_t>(255, 9));
    ReadResult r = ReadBytes(PaletteJp2(codestream, 8000, 8000, palette, 255), 24);
    EXPECT_FALSE(r.pixels);
    EXPECT_EQ(r.code, 1);
    EXPECT_LT(PeakWorkingSet(), 100u * 1024 * 1024);
}

BOOL FailingQuery(HISSRC, int32_t*) { return FALSE; }

TEST_F(J2KBadInput, FailingTellOrSizeGivesThree)
{
    ISExtHookTable* table = is5_GetExtHook(0);
    ASSERT_NE(table, nullptr);
    ISExtHookTable copy = *table;
    GlobalFree(table);
    copy.tell = FailingQuery;
    ASSERT_EQ(SAJ2KSetExtHook(&copy), 1);
    ReadResult r = ReadFixture("j2k_rgb.j2k", 24);
    copy.tell = ISHookTell;
    copy.getSize = FailingQuery;
    ASSERT_EQ(SAJ2KSetExtHook(&copy), 1);
    ReadResult s = ReadFixture("j2k_rgb.jp2", 24);
    ASSERT_TRUE(InstallHook());
    EXPECT_FALSE(r.pixels);
    EXPECT_EQ(r.code, 3);
    EXPECT_FALSE(s.pixels);
    EXPECT_EQ(s.code, 3);
}

}  // namespace
