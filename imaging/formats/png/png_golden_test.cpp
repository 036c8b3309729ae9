// Every colour type and bit depth, plain and Adam7, against pngtopam.
#include "png_test_util.h"

namespace {

using pngt::Ref;

struct Golden {
    const char* name;
    bool alphaOrTrns;
    bool sixteen;
    bool indexed;  // palette, or grey without tRNS: readable at 8
};

const Golden kGoldens[] = {
    {"g1", false, false, true},     {"g2", false, false, true},     {"g4", false, false, true},
    {"g8", false, false, true},     {"g16", false, true, true},     {"g8t", true, false, false},
    {"p1", false, false, true},     {"p2", false, false, true},     {"p4", false, false, true},
    {"p8", false, false, true},     {"p1t", true, false, true},     {"p2t", true, false, true},
    {"p4t", true, false, true},     {"p8t", true, false, true},     {"rgb8", false, false, false},
    {"rgb16", false, true, false},  {"rgb8t", true, false, false},  {"rgba8", true, false, false},
    {"rgba16", true, true, false},  {"ga8", true, false, false},    {"ga16", true, true, false},
    {"im_rgb", false, false, false}, {"nm_rgb_trns", true, false, false},
};

std::vector<std::string> Names(const Golden& g)
{
    std::vector<std::string> names{g.name};
    if (std::string(g.name).rfind("im_", 0) != 0 && std::string(g.name).rfind("nm_", 0) != 0)
        names.push_back(std::string(g.name) + "i");
    return names;
}

// The reference sample c (0 R, 1 G, 2 B, 3 A) of a PNM or PAM, grey widened.
uint32_t RefSample(const Ref& ref, int x, int y, int c, bool wide)
{
    const bool grey = ref.depth <= 2;
    int channel = c;
    if (c == 3)
        channel = grey ? 1 : 3;
    else if (grey)
        channel = 0;
    if (channel >= ref.depth)
        return wide ? 65535 : 255;
    return wide ? ref.At(x, y, channel) : ref.At8(x, y, channel);
}

void ExpectPixels(const pngt::Read& r, const Ref& ref, int channels, bool wide, const std::string& what)
{
    ASSERT_TRUE(r.ok) << what << " code " << r.code;
    EXPECT_EQ(r.code, 0) << what;
    ASSERT_EQ(int(r.width), ref.width) << what;
    ASSERT_EQ(int(r.height), ref.height) << what;
    const size_t sampleBytes = wide ? 2 : 1;
    ASSERT_EQ(r.data.size(), size_t(ref.width) * ref.height * channels * sampleBytes) << what;
    int wrong = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            for (int c = 0; c < channels; ++c) {
                const size_t at = (size_t(y) * ref.width + x) * channels + c;
                uint32_t got = r.data[at];
                if (wide) {
                    uint16_t v;
                    std::memcpy(&v, &r.data[at * 2], 2);
                    got = v;
                }
                const uint32_t want = RefSample(ref, x, y, c, wide);
                if (got != want && wrong++ < 3)
                    ADD_FAILURE() << what << " at " << x << "," << y << " channel " << c << ": " << got
                                  << " want " << want;
            }
}

TEST(PngGolden, At24FilesWithoutAlphaEqualPngtopam)
{
    for (const Golden& g : kGoldens) {
        if (g.alphaOrTrns)
            continue;
        for (const std::string& name : Names(g)) {
            Ref ref;
            ASSERT_TRUE(pngt::LoadRef(name + ".ref.pnm", &ref)) << name;
            ExpectPixels(pngt::ReadPng(pngt::Fixture(name + ".png"), 24), ref, 3, false, name + " at 24");
        }
    }
}

// The transparent colour of an RGB file's tRNS chunk, through is5_GetPNGDims.
bool TrnsColour(const pngt::Bytes& file, int32_t rgb[3])
{
    HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
    uint32_t w, h, depth, type, interlace;
    int32_t optional, grey;
    const BOOL ok = is5_GetPNGDims(source, &w, &h, &depth, &type, &interlace, &optional, &rgb[0], &rgb[1], &rgb[2],
                                   &grey, nullptr, 0);
    is5_CloseSource(source);
    return ok && type == 2 && rgb[0] >= 0;
}

TEST(PngGolden, At32EveryFileEqualsPngtopamWithAlpha)
{
    for (const Golden& g : kGoldens)
        for (const std::string& name : Names(g)) {
            Ref ref;
            ASSERT_TRUE(pngt::LoadRef(name + ".ref.pam", &ref)) << name;
            const pngt::Bytes file = pngt::Fixture(name + ".png");
            // pngtopam leaves RGB pixels of the tRNS colour opaque; they are
            // transparent, so its alpha is set here from the colour.
            int32_t trns[3];
            if (ref.depth == 4 && TrnsColour(file, trns))
                for (int y = 0; y < ref.height; ++y)
                    for (int x = 0; x < ref.width; ++x) {
                        const bool hit = int32_t(ref.At(x, y, 0)) == trns[0] && int32_t(ref.At(x, y, 1)) == trns[1] &&
                                         int32_t(ref.At(x, y, 2)) == trns[2];
                        ref.samples[(size_t(y) * ref.width + x) * 4 + 3] = hit ? 0 : ref.maxval;
                    }
            ExpectPixels(pngt::ReadPng(file, 32), ref, 4, false, name + " at 32");
        }
}

TEST(PngGolden, SixteenBitFilesKeepTheirSamplesAt48And64)
{
    for (const Golden& g : kGoldens) {
        if (!g.sixteen)
            continue;
        for (const std::string& name : Names(g)) {
            Ref pam;
            ASSERT_TRUE(pngt::LoadRef(name + ".ref.pam", &pam)) << name;
            ExpectPixels(pngt::ReadPng(pngt::Fixture(name + ".png"), 64), pam, 4, true, name + " at 64");
            if (std::string(g.name) == "rgb16") {
                Ref pnm;
                ASSERT_TRUE(pngt::LoadRef(name + ".ref.pnm", &pnm));
                ExpectPixels(pngt::ReadPng(pngt::Fixture(name + ".png"), 48), pnm, 3, true, name + " at 48");
            }
        }
    }
}

TEST(PngGolden, IndexedFilesAt8MapThroughTheReturnedPalette)
{
    for (const Golden& g : kGoldens) {
        if (!g.indexed)
            continue;
        for (const std::string& name : Names(g)) {
            Ref ref;
            ASSERT_TRUE(pngt::LoadRef(name + ".ref.pnm", &ref)) << name;
            const pngt::Read r = pngt::ReadPng(pngt::Fixture(name + ".png"), 8);
            ASSERT_TRUE(r.ok) << name << " code " << r.code;
            ASSERT_EQ(r.data.size(), size_t(ref.width) * ref.height) << name;
            pngt::Read rgb = r;
            rgb.data.resize(r.data.size() * 3);
            for (size_t i = 0; i < r.data.size(); ++i) {
                const RGBQUAD& q = r.palette[r.data[i]];
                rgb.data[i * 3] = q.rgbRed;
                rgb.data[i * 3 + 1] = q.rgbGreen;
                rgb.data[i * 3 + 2] = q.rgbBlue;
            }
            ExpectPixels(rgb, ref, 3, false, name + " at 8");
        }
    }
}

}  // namespace
