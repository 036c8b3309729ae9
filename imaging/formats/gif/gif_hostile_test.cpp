// Cut, patched and random GIF input: clear codes, the rows read so far, no
// large allocation and no time lost on junk.
#include <chrono>
#include <cstring>

#include "gif_test_util.h"

namespace {

using gift::Bytes;
using gift::Fixture;
using gift::ReadGif;
using gift::Result;

Bytes Cut(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + n); }

// The same bytes read from a file source.
Result ReadGifFile(const Bytes& file, const std::string& name)
{
    Result r;
    const std::string path = vt::BuildPath(name);
    EXPECT_TRUE(vt::WriteFileBytes(path, file));
    HISSRC source = is5_OpenFileSource(vt::HostPath(path).c_str());
    EXPECT_NE(nullptr, source);
    r.buffer = is5_ReadGIF(source, &r.width, &r.height, &r.transparent, r.palette, 0);
    r.status = ISGetLastError();
    if (r.buffer) {
        const uint8_t* p = static_cast<const uint8_t*>(r.buffer);
        r.bytes.assign(p, p + uint64_t(r.width) * r.height);
        GlobalFree(r.buffer);
    }
    is5_CloseSource(source);
    return r;
}

struct HostileCase {
    const char* label;
    Bytes (*make)();
    bool buffer;  // a buffer comes back
    bool zeroed;  // ... and holds only zeros
    int32_t status;
};

// gifw_transparent: 13 header bytes, 48 of global table, an 8-byte graphic
// control extension at 61, the image descriptor at 69. gifw_local: no global
// table, its descriptor at 13, a 48-byte local table at 23, code size at 71.
const HostileCase kCases[] = {
    {"Empty", [] { return Bytes(); }, false, false, 12},
    {"CutInHeader", [] { return Cut(Fixture("gif89_16.gif"), 4); }, false, false, 12},
    {"CutInScreen", [] { return Cut(Fixture("gif89_16.gif"), 10); }, false, false, 12},
    {"CutInGlobalTable", [] { return Cut(Fixture("gifw_transparent.gif"), 40); }, false, false, 12},
    {"CutBetweenBlocks", [] { return Cut(Fixture("gifw_transparent.gif"), 61); }, false, false, 3},
    {"CutInExtension", [] { return Cut(Fixture("gifw_transparent.gif"), 65); }, false, false, 3},
    {"CutInDescriptor", [] { return Cut(Fixture("gifw_transparent.gif"), 73); }, false, false, 3},
    {"CutInLocalTable", [] { return Cut(Fixture("gifw_local.gif"), 40); }, true, true, 12},
    {"CodeSize12",
     [] {
         Bytes b = Fixture("gifw_local.gif");
         b[71] = 12;
         return b;
     },
     true, true, 12},
    {"CutBeforeCodeSize", [] { return Cut(Fixture("gifw_local.gif"), 71); }, true, true, 3},
    {"CutInImageData",
     [] {
         Bytes b = Fixture("gif89_256.gif");
         return Cut(b, b.size() - 60);
     },
     true, false, 3},
    {"TrailerMissing",
     [] {
         Bytes b = Fixture("gif89_256.gif");
         return Cut(b, b.size() - 1);
     },
     true, false, 0},
    {"ZeroScreenWidth",
     [] {
         Bytes b = Fixture("gifw_local.gif");
         b[6] = b[7] = 0;
         return b;
     },
     false, false, 12},
    {"ZeroImageHeight",
     [] {
         Bytes b = Fixture("gifw_local.gif");
         b[20] = b[21] = 0;
         return b;
     },
     false, false, 12},
    {"Image65535Square",
     [] {
         Bytes b = Fixture("gifw_local.gif");
         b[18] = b[19] = b[20] = b[21] = 0xFF;
         return b;
     },
     false, false, 1},
};

class GifHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(GifHostile, MemoryAndFileSourcesAgree)
{
    const HostileCase& c = GetParam();
    const Bytes file = c.make();
    // A memory source needs at least one byte; the empty case is a file.
    std::vector<Result> results = {ReadGifFile(file, std::string("gif_hostile_") + c.label)};
    if (!file.empty())
        results.push_back(ReadGif(file, 0, true, 0));
    for (const Result& r : results) {
        EXPECT_EQ(c.status, r.status) << c.label;
        EXPECT_EQ(c.buffer, r.buffer != nullptr) << c.label;
        if (c.zeroed && r.buffer) {
            const uint64_t n = uint64_t(r.width) * r.height;
            ASSERT_LE(n, r.bytes.size());
            for (uint64_t i = 0; i < n; ++i)
                ASSERT_EQ(0, r.bytes[i]) << c.label << " byte " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, GifHostile, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.label); });

TEST(GifHostileData, CutImageKeepsItsFirstRows)
{
    const Bytes file = Fixture("gif89_256.gif");
    const Result whole = ReadGif(file, 0);
    const Result cut = ReadGif(Cut(file, file.size() - 40), 0);
    ASSERT_EQ(0, whole.status);
    ASSERT_EQ(3, cut.status);
    EXPECT_EQ(0, std::memcmp(whole.bytes.data(), cut.bytes.data(), whole.width));
    EXPECT_EQ(Bytes(cut.width, 0), Bytes(cut.bytes.end() - cut.width, cut.bytes.end()));
}

TEST(GifHostileData, JunkAfterTheScreenEndsFast)
{
    Bytes file = {'G', 'I', 'F', '8', '9', 'a', 10, 0, 10, 0, 0, 0, 0};
    file.resize(4u << 20, 0xFF);
    const auto start = std::chrono::steady_clock::now();
    const Result r = ReadGifFile(file, "gif_hostile_junk.gif");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(nullptr, r.buffer);
    EXPECT_EQ(3, r.status);
    EXPECT_LT(seconds, 1.0);
}

TEST(GifHostileData, RandomCodesNeverReadOutOfBounds)
{
    const Bytes good = Fixture("gifw_local.gif");
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        Bytes file(good.begin(), good.begin() + 72);  // through the code-size byte
        const Bytes noise = vt::RandomBytes(600, seed);
        for (size_t at = 0; at < noise.size(); at += 100) {
            file.push_back(uint8_t(noise[at] % 100 + 1));
            file.insert(file.end(), noise.begin() + at, noise.begin() + at + file.back());
        }
        if (seed % 2)
            file.push_back(0);
        const Result r = ReadGif(file, 0);
        ASSERT_NE(nullptr, r.buffer) << seed;
        ASSERT_TRUE(r.status == 0 || r.status == 12 || r.status == 3) << seed << ": " << r.status;
    }
}

}  // namespace
