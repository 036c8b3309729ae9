// Reading gen_tla.py's files: every depth, filter and strip layout, plain and
// protected, at every output is5_ReadTLA offers, from memory and from a file;
// then the format's own cases (passwords, palettes, 16-bit pixels, metadata,
// damaged strips).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tla_test_util.h"

namespace {

using tlat::Bytes;
using tlat::Source;

struct RoundTrip {
    uint32_t width, height, bytesPerPixel, filters;
    bool protectedFile;
    Source source;

    std::string Base() const
    {
        return "rt_" + std::to_string(width) + "x" + std::to_string(height) + "_b" + std::to_string(bytesPerPixel) +
               "_f" + std::to_string(filters) + (protectedFile ? "_abc" : "_plain");
    }
};

std::vector<RoundTrip> RoundTrips()
{
    std::vector<RoundTrip> cases;
    const uint32_t sizes[3][2] = {{37, 23}, {1, 1}, {37, 1}};
    for (const auto& size : sizes)
        for (uint32_t bytes : {1u, 2u, 3u, 4u})
            for (uint32_t filters : {0u, 1u, 2u, 4u, 7u})
                for (bool protectedFile : {false, true})
                    for (Source source : {Source::kMemory, Source::kFile})
                        cases.push_back({size[0], size[1], bytes, filters, protectedFile, source});
    return cases;
}

class TlaRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(TlaRoundTrip, EveryOutputEqualsTheWritersPixels)
{
    const RoundTrip& c = GetParam();
    const std::string name = c.Base() + ".tla";
    const Bytes file = tlat::Fixture(name);
    const std::string path = vt::FixturePath("tla/" + name);
    const tlat::Expected e = tlat::LoadExpected(c.Base(), c.width, c.height, c.bytesPerPixel);
    const char* password = c.protectedFile ? "abc" : nullptr;

    struct Output {
        uint32_t bytes, flags;
    };
    std::vector<Output> outputs = {{3, 0}, {3, 8}, {4, 0}, {4, 8}, {3, IS5_DIB}};
    if (c.bytesPerPixel == 1) {
        outputs.push_back({1, 0});
        outputs.push_back({1, 8});
    }
    for (const Output& o : outputs) {
        SCOPED_TRACE("bytes " + std::to_string(o.bytes) + " flags " + std::to_string(o.flags));
        HISSRC source = tlat::Open(file, path, c.source);
        ASSERT_NE(nullptr, source);
        const tlat::Result r = tlat::ReadSource(source, password, o.bytes, o.flags);
        is5_CloseSource(source);
        ASSERT_TRUE(r.made) << r.status;
        EXPECT_EQ(0, r.status);
        EXPECT_EQ(c.width, r.width);
        EXPECT_EQ(c.height, r.height);
        Bytes want;
        if (o.flags & IS5_DIB)
            want = tlat::DibOf(e);
        else
            want = tlat::Layout(o.bytes == 1 ? e.idx : o.bytes == 3 ? e.rgb : e.rgba, c.width, c.height, o.bytes,
                                (o.flags & 8) != 0);
        EXPECT_TRUE(want == r.data) << tlat::FirstDifference(want, r.data);
        if (o.bytes == 1 && !(o.flags & IS5_DIB)) {
            EXPECT_EQ(0, std::memcmp(e.pal.data(), r.palette, 1024)) << "palette";
        }
    }

    HISSRC source = tlat::Open(file, path, c.source);
    uint32_t w = 0, h = 0, bits = 0;
    EXPECT_TRUE(is5_GetTLADims_(source, &w, &h, &bits, password, 0));
    is5_CloseSource(source);
    EXPECT_EQ(0, ISGetLastError());
    EXPECT_EQ(c.width, w);
    EXPECT_EQ(c.height, h);
    EXPECT_EQ(8 * c.bytesPerPixel, bits);
}

INSTANTIATE_TEST_SUITE_P(Files, TlaRoundTrip, ::testing::ValuesIn(RoundTrips()),
                         [](const ::testing::TestParamInfo<RoundTrip>& info) {
                             return info.param.Base().substr(3) + "_" + tlat::Name(info.param.source);
                         });

// --- Passwords

const Source kSources[] = {Source::kMemory, Source::kFile};

TEST(TlaPassword, APlainFileIgnoresAnyPassword)
{
    const char kName[] = "rt_37x23_b3_f7_plain.tla";
    for (Source source : kSources) {
        const tlat::Result without = tlat::ReadFixture(kName, source, nullptr, 3);
        for (const char* password : {"x", "", "abc"}) {
            const tlat::Result with = tlat::ReadFixture(kName, source, password, 3);
            EXPECT_EQ(0, with.status) << password << " " << tlat::Name(source);
            EXPECT_TRUE(with.data == without.data) << password << " " << tlat::Name(source);
        }
    }
}

TEST(TlaPassword, AProtectedFileWithoutTheRightPasswordIsRefused)
{
    const char kName[] = "rt_37x23_b3_f7_abc.tla";
    for (Source source : kSources) {
        for (const char* password : {static_cast<const char*>(nullptr), "", "abd", "ab", "abcd"}) {
            const std::string label = std::string(password ? password : "NULL") + " " + tlat::Name(source);
            for (uint32_t flags : {0u, uint32_t(IS5_DIB)}) {
                const tlat::Result r = tlat::ReadFixture(kName, source, password, 3, flags);
                EXPECT_FALSE(r.made) << label << " flags " << flags;
                EXPECT_EQ(52, r.status) << label << " flags " << flags;
            }
            const tlat::Dims d = tlat::FixtureDims(kName, source, password);
            EXPECT_FALSE(d.ok) << label;
            EXPECT_EQ(52, d.status) << label;
        }
    }
}

// --- Palettes

TEST(TlaPalette, AChunkShorterThanTheEntriesIsRefused)
{
    for (const char* name : {"short_palette_plain.tla", "short_palette_abc.tla"}) {
        for (Source source : kSources) {
            const tlat::Result r = tlat::ReadFixture(name, source, "abc", 1);
            EXPECT_FALSE(r.made) << name << " " << tlat::Name(source);
            EXPECT_EQ(52, r.status) << name << " " << tlat::Name(source);
        }
    }
}

TEST(TlaPalette, ALongerChunkHasItsTailSkipped)
{
    for (const char* base : {"long_palette_plain", "long_palette_abc"}) {
        const tlat::Expected e = tlat::LoadExpected(base, 37, 23, 1);
        const std::string name = std::string(base) + ".tla";
        for (Source source : kSources) {
            SCOPED_TRACE(name + " " + tlat::Name(source));
            const tlat::Result raw = tlat::ReadFixture(name, source, "abc", 1);
            EXPECT_EQ(0, raw.status);
            EXPECT_TRUE(e.idx == raw.data);
            EXPECT_EQ(0, std::memcmp(e.pal.data(), raw.palette, 1024));
            const tlat::Result rgba = tlat::ReadFixture(name, source, "abc", 4);
            EXPECT_TRUE(e.rgba == rgba.data) << tlat::FirstDifference(e.rgba, rgba.data);
        }
    }
}

TEST(TlaPalette, OnlyRawReadsHandThePaletteOut)
{
    const Bytes file = tlat::Fixture("rt_37x23_b1_f0_plain.tla");
    for (uint32_t bytes : {3u, 4u}) {
        const tlat::Result r = tlat::Read(file, nullptr, bytes);
        EXPECT_EQ(0, r.status);
        EXPECT_EQ(Bytes(1024, 0xCD), Bytes(r.palette, r.palette + 1024)) << bytes;
    }
    // Without a palette argument the raw read still gives the indices.
    HISSRC source = tlat::Open(file, "", Source::kMemory);
    const tlat::Result r = tlat::ReadSource(source, nullptr, 1, 0, false);
    is5_CloseSource(source);
    EXPECT_EQ(0, r.status);
    EXPECT_TRUE(tlat::Fixture("rt_37x23_b1_f0_plain.idx") == r.data);
}

// --- 16-bit pixels: 5 bits a channel times 8, alpha from bit 15

TEST(TlaWords, FieldsExpandByEightAndBit15GivesAlpha)
{
    // The file holds 0x7FFF, 0xFFFF.
    for (const char* name : {"words_plain.tla", "words_abc.tla"}) {
        for (Source source : kSources) {
            SCOPED_TRACE(std::string(name) + " " + tlat::Name(source));
            const tlat::Result rgb = tlat::ReadFixture(name, source, "abc", 3);
            EXPECT_EQ(0, rgb.status);
            EXPECT_EQ((Bytes{248, 248, 248, 248, 248, 248}), rgb.data);
            const tlat::Result rgba = tlat::ReadFixture(name, source, "abc", 4);
            EXPECT_EQ((Bytes{248, 248, 248, 0, 248, 248, 248, 255}), rgba.data);
            // A 32-bit DIB: one row of B, G, R, A.
            const tlat::Result dib = tlat::ReadFixture(name, source, "abc", 3, IS5_DIB);
            ASSERT_EQ(48u, dib.data.size());
            EXPECT_EQ(32, dib.data[14]);
            EXPECT_EQ((Bytes{248, 248, 248, 0, 248, 248, 248, 255}), Bytes(dib.data.begin() + 40, dib.data.end()));
        }
    }
}

TEST(TlaDepth, RawReadsOfDeeperFilesAreRefused)
{
    for (const char* name : {"rt_37x23_b2_f0_plain.tla", "rt_37x23_b3_f0_plain.tla", "rt_37x23_b4_f7_abc.tla"}) {
        for (Source source : kSources) {
            const tlat::Result r = tlat::ReadFixture(name, source, "abc", 1);
            EXPECT_FALSE(r.made) << name << " " << tlat::Name(source);
            EXPECT_EQ(5, r.status) << name << " " << tlat::Name(source);
        }
    }
    for (uint32_t bytes : {0u, 2u, 5u, 24u}) {
        const tlat::Result r = tlat::Read(tlat::Fixture("rt_37x23_b3_f0_plain.tla"), nullptr, bytes);
        EXPECT_FALSE(r.made) << bytes;
        EXPECT_EQ(5, r.status) << bytes;
    }
}

// --- Metadata items become the thread's file data tags

TEST(TlaMetadata, ItemsBecomeTagsInFileOrderAfterReadsAndDims)
{
    const std::vector<std::string> items = {"a", "bc", ""};
    for (const char* name : {"items_plain.tla", "items_abc.tla"}) {
        for (Source source : kSources) {
            SCOPED_TRACE(std::string(name) + " " + tlat::Name(source));
            const tlat::Result r = tlat::ReadFixture(name, source, "abc", 3);
            EXPECT_EQ(0, r.status);
            EXPECT_EQ(items, tlat::Tags());
            // A file without items empties the list, by a dims call as well.
            tlat::FixtureDims("rt_1x1_b3_f0_plain.tla", source, nullptr);
            EXPECT_TRUE(tlat::Tags().empty());
            const tlat::Dims d = tlat::FixtureDims(name, source, "abc");
            EXPECT_TRUE(d.ok);
            EXPECT_EQ(items, tlat::Tags());
            tlat::ReadFixture("rt_1x1_b3_f0_plain.tla", source, nullptr, 4);
            EXPECT_TRUE(tlat::Tags().empty());
        }
    }
}

TEST(TlaMetadata, AFailedOpenEmptiesTheList)
{
    const Bytes file = tlat::Fixture("items_abc.tla");
    tlat::Read(file, "abc", 3);
    ASSERT_EQ(3u, tlat::Tags().size());
    const tlat::Result r = tlat::Read(file, "abd", 3);
    EXPECT_EQ(52, r.status);
    EXPECT_TRUE(tlat::Tags().empty());
    tlat::Read(file, "abc", 3);
    ASSERT_EQ(3u, tlat::Tags().size());
    tlat::Read(tlat::Fixture("bad_magic_plain.tla"), nullptr, 3);
    EXPECT_TRUE(tlat::Tags().empty());
}

// --- Strips: damaged, taller than the picture, too few

struct StripCase {
    const char* base;
    uint32_t bytesPerPixel;
    int32_t status;
};

void PrintTo(const StripCase& c, std::ostream* os) { *os << c.base; }

class TlaStrips : public ::testing::TestWithParam<StripCase> {};

TEST_P(TlaStrips, RowsThatCameAreDeliveredWithTheStatus)
{
    const StripCase& c = GetParam();
    for (const char* suffix : {"_plain", "_abc"}) {
        const std::string base = std::string(c.base) + suffix;
        SCOPED_TRACE(base);
        const tlat::Expected e = tlat::LoadExpected(base, 37, 23, c.bytesPerPixel);
        for (Source source : {Source::kMemory, Source::kFile}) {
            SCOPED_TRACE(tlat::Name(source));
            for (uint32_t bytes : {1u, 3u, 4u}) {
                if (bytes == 1 && c.bytesPerPixel != 1)
                    continue;
                const tlat::Result r = tlat::ReadFixture(base + ".tla", source, "abc", bytes);
                ASSERT_TRUE(r.made) << bytes;
                EXPECT_EQ(c.status, r.status) << bytes;
                const Bytes& want = bytes == 1 ? e.idx : bytes == 3 ? e.rgb : e.rgba;
                EXPECT_TRUE(want == r.data) << bytes << ": " << tlat::FirstDifference(want, r.data);
            }
            const tlat::Result dib = tlat::ReadFixture(base + ".tla", source, "abc", 3, IS5_DIB);
            EXPECT_EQ(c.status, dib.status);
            const Bytes want = tlat::DibOf(e);
            EXPECT_TRUE(want == dib.data) << tlat::FirstDifference(want, dib.data);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, TlaStrips,
    ::testing::Values(
        // The second strip's deflate stops after half its rows (the chunk is
        // whole), or goes on with bytes inflate refuses: its rows come as
        // inflated, unfiltered, the rest zero; the third strip still reads.
        StripCase{"cut_strip", 3, 3}, StripCase{"cut_strip_b1", 1, 3}, StripCase{"corrupt_strip", 3, 3},
        StripCase{"corrupt_strip_b1", 1, 3},
        // Strips of 10 and 20 rows for 23: only the rows needed.
        StripCase{"taller_strip", 3, 0},
        // Strips of 10 and 10 rows for 23: the last rows stay zero.
        StripCase{"short_strips", 3, 3}),
    [](const ::testing::TestParamInfo<StripCase>& info) { return std::string(info.param.base); });

// The generic reader hands on the damaged file's picture with its code.
TEST(TlaStrips, TheGenericReaderPassesADamagedPictureOn)
{
    const tlat::Expected e = tlat::LoadExpected("cut_strip_plain", 37, 23, 3);
    const Bytes file = tlat::Fixture("cut_strip_plain.tla");
    HISSRC source = tlat::Open(file, "", Source::kMemory);
    uint32_t w = 0, h = 0;
    void* buffer = is5_ReadImage(source, &w, &h, 0, 0);
    const int32_t status = ISGetLastError();
    is5_CloseSource(source);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(3, status);
    const Bytes got(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + GlobalSize(buffer));
    GlobalFree(buffer);
    EXPECT_TRUE(e.rgb == got) << tlat::FirstDifference(e.rgb, got);
}

}  // namespace
