// Damaged and hostile files: every cut, bad chunks, huge and wrong headers,
// bad sources.
#include <algorithm>

#include "imaging/core/io.h"
#include "png_test_util.h"

namespace {

using pngt::Bytes;
using pngt::Fixture;
using pngt::ReadPng;

// Through a file of its own per test: ctest runs the tests side by side.
pngt::Read ReadFromFile(const Bytes& file, uint32_t bits)
{
    const std::string path =
        vt::BuildPath(std::string("png_hostile_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png");
    EXPECT_TRUE(vt::WriteFileBytes(path, file));
    pngt::Read r;
    HISSRC source = is5_OpenFileSource(path.c_str());
    EXPECT_NE(source, nullptr);
    void* buffer = is5_ReadPNG(source, &r.width, &r.height, bits, r.palette, 0);
    r.code = ISGetLastError();
    is5_CloseSource(source);
    if (buffer) {
        r.ok = true;
        r.data.assign(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + GlobalSize(buffer));
        GlobalFree(buffer);
    }
    return r;
}

TEST(PngHostile, ACutFileGivesWhatCameBeforeTheCut)
{
    const Bytes file = Fixture("rgb8.png");
    const pngt::Read whole = ReadPng(file, 24);
    ASSERT_TRUE(whole.ok);
    const size_t row = whole.width * 3;
    bool sawBuffer = false;
    for (bool fromFile : {false, true}) {
        // A memory source of no bytes cannot be opened; an empty file can.
        for (size_t cut = fromFile ? 0 : 1; cut < file.size(); ++cut) {
            const Bytes part(file.begin(), file.begin() + cut);
            const pngt::Read r = fromFile ? ReadFromFile(part, 24) : ReadPng(part, 24);
            ASSERT_EQ(r.code, 15) << "cut at " << cut;
            if (!r.ok)
                continue;
            sawBuffer = true;
            ASSERT_EQ(r.data.size(), whole.data.size()) << cut;
            size_t good = 0;
            while (good < whole.height &&
                   std::equal(r.data.begin() + good * row, r.data.begin() + (good + 1) * row, whole.data.begin() + good * row))
                ++good;
            EXPECT_TRUE(std::all_of(r.data.begin() + good * row, r.data.end(), [](uint8_t v) { return v == 0; }))
                << "cut at " << cut << ": rows after row " << good << " are not empty";
        }
    }
    EXPECT_TRUE(sawBuffer);
    // An interlaced file cut short still hands back its buffer.
    const Bytes adam7 = Fixture("rgb8i.png");
    const pngt::Read r = ReadPng(Bytes(adam7.begin(), adam7.begin() + adam7.size() * 2 / 3), 24);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.code, 15);
}

TEST(PngHostile, BrokenFilesAndHugeHeaders)
{
    Bytes bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0};
    bmp.resize(70);
    struct Case {
        const char* what;
        Bytes file;
        int32_t code;
        bool buffer;
    } cases[] = {
        {"empty", {}, 15, false},
        {"bmp bytes", bmp, 15, false},
        {"100000 x 100000 RGB", Fixture("huge.png"), 1, false},
        {"width 2^31-1", Fixture("wide.png"), 15, false},
        {"damaged IDAT CRC", Fixture("idat_bad_crc.png"), 15, true},
    };
    for (const Case& c : cases)
        for (bool fromFile : {false, true}) {
            if (c.file.empty() && !fromFile)
                continue;  // a memory source of no bytes cannot be opened
            const pngt::Read r = fromFile ? ReadFromFile(c.file, 24) : ReadPng(c.file, 24);
            EXPECT_EQ(r.code, c.code) << c.what << (fromFile ? " (file)" : " (memory)");
            EXPECT_EQ(r.ok, c.buffer) << c.what << (fromFile ? " (file)" : " (memory)");
        }
}

TEST(PngHostile, BenignFaultsAreLoggedAndTheReadGoesOn)
{
    for (const char* name : {"anc_bad_crc.png", "pal5_trns10.png"}) {
        pngt::MarkLog();
        const pngt::Read r = ReadPng(Fixture(name), 24);
        EXPECT_TRUE(r.ok) << name;
        EXPECT_EQ(r.code, 0) << name;
        EXPECT_TRUE(pngt::HasWarning15(pngt::LogAfterMark())) << name;
    }
}

// Chunks no read uses are skipped unread: the picture is as without them, and
// libpng has nothing to say about them (it would warn about the international
// text and the profile, and would allocate what a text chunk's length claims).
TEST(PngHostile, ChunksNoReadUsesAreSkippedUnread)
{
    pngt::MarkLog();
    const pngt::Read r = ReadPng(Fixture("unused_chunks.png"), 24);
    const std::vector<ISErrorLogEntry> log = pngt::LogAfterMark();
    const pngt::Read plain = ReadPng(Fixture("rgb8.png"), 24);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.data, plain.data);
    for (const ISErrorLogEntry& e : log)
        EXPECT_NE(e.code, 15) << e.message;
    for (bool fromFile : {false, true}) {
        const pngt::Read claim = fromFile ? ReadFromFile(Fixture("text_2gb.png"), 24) : ReadPng(Fixture("text_2gb.png"), 24);
        EXPECT_FALSE(claim.ok);
        EXPECT_EQ(claim.code, 15);
    }
}

TEST(PngHostile, IndexPastThePalette)
{
    const Bytes file = Fixture("pal5_index7.png");
    const pngt::Read at8 = ReadPng(file, 8);
    ASSERT_TRUE(at8.ok);
    EXPECT_EQ(at8.palette[7].rgbRed, at8.palette[0].rgbRed);
    EXPECT_EQ(at8.palette[7].rgbGreen, at8.palette[0].rgbGreen);
    EXPECT_EQ(at8.palette[7].rgbBlue, at8.palette[0].rgbBlue);
    EXPECT_NE(std::find(at8.data.begin(), at8.data.end(), 7), at8.data.end());
    const pngt::Read at24 = ReadPng(file, 24);
    EXPECT_TRUE(at24.ok);
    EXPECT_EQ(at24.data.size(), size_t(at24.width) * at24.height * 3);
}

TEST(PngHostile, BadSourcesAndMissingOuts)
{
    uint32_t w = 0, h = 0, depth = 0, type = 0, interlace = 0;
    int32_t optional = 0, r = 0, g = 0, b = 0, grey = 0;
    EXPECT_EQ(is5_ReadPNG(nullptr, &w, &h, 24, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 5);
    CISIO_Memory closed;
    HISSRC bad = reinterpret_cast<HISSRC>(static_cast<CISIO*>(&closed));
    EXPECT_EQ(is5_ReadPNG(bad, &w, &h, 24, nullptr, 0), nullptr);
    EXPECT_EQ(ISGetLastError(), 38);
    EXPECT_FALSE(is5_GetPNGDims(bad, &w, &h, &depth, &type, &interlace, &optional, &r, &g, &b, &grey, nullptr, 0));
    EXPECT_EQ(ISGetLastError(), 38);

    const Bytes file = Fixture("rgb8.png");
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    CISIO* io = ISFromHandle(source);
    EXPECT_FALSE(is5_GetPNGDims(source, &w, nullptr, &depth, &type, &interlace, &optional, &r, &g, &b, &grey, nullptr, 0));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_FALSE(is5_GetPNGDims(source, &w, &h, &depth, &type, &interlace, &optional, &r, &g, &b, nullptr, nullptr, 0));
    EXPECT_EQ(ISGetLastError(), 5);
    int32_t position = -1;
    EXPECT_TRUE(io->Tell(&position));
    EXPECT_EQ(position, 0) << "the source was read";
    EXPECT_TRUE(is5_GetPNGDims(source, &w, &h, &depth, &type, &interlace, nullptr, &r, &g, &b, &grey, nullptr, 0))
        << "the optional out may be null";
    is5_CloseSource(source);
}

}  // namespace
