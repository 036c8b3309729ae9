// PNM reads against netpbm: a seeded set of files of every kind against
// netpbm's own decoding, and netpbm tool pictures raw and plain.
#include "pnm_test_util.h"

#include <cstdio>
#include <sstream>

namespace {

using namespace pnmt;

struct Reference {
    uint32_t width = 0, height = 0, maxval = 0;
    std::vector<uint32_t> samples;
};

bool LoadReference(const std::string& path, Reference* ref)
{
    Bytes bytes;
    if (!vt::ReadFileBytes(path, &bytes))
        return false;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    in >> ref->width >> ref->height >> ref->maxval;
    uint32_t v;
    while (in >> v)
        ref->samples.push_back(v);
    return bool(in.eof());
}

TEST(PnmPeer, SeededFilesMatchNetpbm)
{
    for (int i = 0; i < 200; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "pnm_diff/%03d", i);
        SCOPED_TRACE(name);
        Bytes file;
        Reference ref;
        ASSERT_TRUE(vt::ReadFileBytes(vt::FixturePath(std::string(name) + ".pnm"), &file));
        ASSERT_TRUE(LoadReference(vt::FixturePath(std::string(name) + ".ref"), &ref));
        const char kind = char(file[1]);
        const bool mono = kind == '1' || kind == '4';
        const uint32_t channels = kind == '3' || kind == '6' ? 3 : 1;
        ASSERT_EQ(ref.samples.size(), size_t(ref.width) * ref.height * channels);
        const uint32_t depth = mono ? 1 : (ref.maxval > 255 ? 16 : 8) * channels;
        for (From from : kBoth) {
            SCOPED_TRACE(Name(from));
            Dims d = GetDims(file, from);
            EXPECT_TRUE(d.ok);
            EXPECT_EQ(d.width, ref.width);
            EXPECT_EQ(d.height, ref.height);
            EXPECT_EQ(d.value, ref.maxval);
            EXPECT_EQ(d.magic, 0x5030u + uint32_t(kind - '0'));
            Image img = ReadPnm(file, depth, 0x8, from);
            ASSERT_EQ(img.error, 0);
            ASSERT_NE(img.data, nullptr);
            ASSERT_EQ(img.width, ref.width);
            ASSERT_EQ(img.height, ref.height);
            std::vector<uint32_t> got;
            for (uint32_t y = 0; y < ref.height; ++y) {
                for (uint32_t s = 0; s < ref.width * channels; ++s) {
                    if (mono)
                        got.push_back((img.data[y * ((ref.width + 7) / 8) + s / 8] >> (7 - s % 8)) & 1);
                    else if (ref.maxval > 255)
                        got.push_back(img.U16(size_t(y) * ref.width * channels + s));
                    else
                        got.push_back(img.data[size_t(y) * ref.width * channels + s]);
                }
            }
            EXPECT_EQ(got, ref.samples);
        }
    }
}

// Raw and plain forms of tool pictures read the same, and equal the raw file's pixels.
TEST(PnmPeer, ToolPicturesRawAndPlainAgree)
{
    struct Pic {
        const char* raw;
        const char* plain;
        uint32_t depth;
    } pics[] = {{"pnm_pat.ppm", "pnm_pat_plain.ppm", 24}, {"pnm_ramp.pgm", "pnm_ramp_plain.pgm", 8}};
    for (const Pic& p : pics) {
        SCOPED_TRACE(p.raw);
        Bytes raw, plain;
        ASSERT_TRUE(vt::ReadFileBytes(vt::FixturePath(p.raw), &raw));
        ASSERT_TRUE(vt::ReadFileBytes(vt::FixturePath(p.plain), &plain));
        const size_t bytes = size_t(37) * 23 * (p.depth / 8);
        ASSERT_GT(raw.size(), bytes);
        const Bytes pixels(raw.end() - bytes, raw.end());
        for (From from : kBoth) {
            SCOPED_TRACE(Name(from));
            Image a = ReadPnm(raw, p.depth, 0, from);
            Image b = ReadPnm(plain, p.depth, 0, from);
            ASSERT_EQ(a.error, 0);
            ASSERT_EQ(b.error, 0);
            EXPECT_EQ(a.width, 37u);
            EXPECT_EQ(a.height, 23u);
            EXPECT_EQ(a.All(bytes), pixels);
            EXPECT_EQ(b.All(bytes), pixels);
        }
    }
}

// A maxval-15 ramp made by pamdepth, raw and plain, against the scaling formula.
TEST(PnmPeer, PamdepthRampScales)
{
    for (const char* name : {"pnm_ramp15.pgm", "pnm_ramp15_plain.pgm"}) {
        SCOPED_TRACE(name);
        Bytes file;
        ASSERT_TRUE(vt::ReadFileBytes(vt::FixturePath(name), &file));
        Image raw = ReadPnm(file, 8, 0x8, From::kMemory);
        Image scaled = ReadPnm(file, 8, 0, From::kFile);
        ASSERT_NE(raw.data, nullptr);
        ASSERT_NE(scaled.data, nullptr);
        ASSERT_EQ(raw.width, 16u);
        for (uint32_t x = 0; x < 16; ++x) {
            EXPECT_LE(raw.data[x], 15);
            EXPECT_EQ(scaled.data[x], raw.data[x] * 255 / 15) << x;
        }
        EXPECT_EQ(raw.data[15], 15);
    }
}

// The tools' PBM: black is a set bit.
TEST(PnmPeer, PbmmakeBlackIsSetBits)
{
    Bytes file;
    ASSERT_TRUE(vt::ReadFileBytes(vt::FixturePath("pnm_black10.pbm"), &file));
    Image img = ReadPnm(file, 1, 0, From::kFile);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.All(6), Bytes({0xFF, 0xC0, 0xFF, 0xC0, 0xFF, 0xC0}));
}

}  // namespace
