// Row order, run-length packets, colour maps, depths, refusals and hostile
// headers on small hand-written files.
#include <chrono>

#include "imaging/core/buffers.h"
#include "tga_test_util.h"

using namespace tgat;

namespace {

// 2 x 2, bottom row first: bottom (1, 2), top (3, 4) as grey-ish BGR pixels.
Spec TwoByTwo(uint32_t descriptor)
{
    Spec s;
    s.width = 2;
    s.height = 2;
    s.descriptor = descriptor;
    s.pixels = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
    return s;
}

TEST(TgaRows, BottomUpComesOutTopDownAndDibKeepsFileOrder)
{
    const Result rgb = ReadMem(Make(TwoByTwo(0)), 24, 0, 12);
    EXPECT_EQ(rgb.status, 0);
    EXPECT_EQ(rgb.data, (Bytes{3, 3, 3, 4, 4, 4, 1, 1, 1, 2, 2, 2}));
    const Result top = ReadMem(Make(TwoByTwo(0x20)), 24, 0, 12);
    EXPECT_EQ(top.data, (Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
    // DIB rows of 8 bytes, bottom row first as the file stores it.
    const Result dib = ReadMem(Make(TwoByTwo(0)), 24, 2, 40 + 16, false);
    EXPECT_EQ(dib.status, 0);
    EXPECT_EQ(Bytes(dib.data.begin() + 40, dib.data.end()), (Bytes{1, 1, 1, 2, 2, 2, 0, 0, 3, 3, 3, 4, 4, 4, 0, 0}));
    // Padded rows are blue first.
    Spec s;
    s.pixels = {10, 20, 30};
    const Result padded = ReadMem(Make(s), 24, 8, 4);
    EXPECT_EQ(padded.data, (Bytes{10, 20, 30, 0}));
    const Result plain = ReadMem(Make(s), 24, 0, 3);
    EXPECT_EQ(plain.data, (Bytes{30, 20, 10}));
    // A row cut after its first pixel keeps that pixel blue first too.
    s.width = 2;
    const Result cut = ReadMem(Make(s), 24, 8, 8);
    EXPECT_EQ(cut.status, 3);
    EXPECT_EQ(cut.data, (Bytes{10, 20, 30, 0, 0, 0, 0, 0}));
    const Result cutDib = ReadMem(Make(s), 24, 2, 48, false);
    EXPECT_EQ(cutDib.status, 3);
    EXPECT_EQ(Bytes(cutDib.data.begin() + 40, cutDib.data.end()), (Bytes{10, 20, 30, 0, 0, 0, 0, 0}));
}

TEST(TgaRle, PacketsCrossRowEndsAndRunsPastTheEndStop)
{
    // 3 x 2 grey, top first: a run of 4 (crosses the first row end), then 2 literals.
    Spec s;
    s.type = 11;
    s.bits = 8;
    s.width = 3;
    s.height = 2;
    s.descriptor = 0x20;
    s.pixels = {0x83, 50, 0x01, 60, 70};
    const Result r = ReadMem(Make(s), 24, 0, 18);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.data, (Bytes{50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 60, 60, 60, 70, 70, 70}));
    // A run of 128 for 6 pixels: a complete image, status 0.
    s.pixels = {0xFF, 9};
    const Result past = ReadMem(Make(s), 24, 0, 18);
    EXPECT_TRUE(past.made);
    EXPECT_EQ(past.status, 0);
    EXPECT_EQ(past.data, Bytes(18, 9));
    // True-colour RLE: a literal packet crosses the row end too.
    Spec t;
    t.type = 10;
    t.width = 1;
    t.height = 2;
    t.descriptor = 0x20;
    t.pixels = {0x01, 1, 2, 3, 4, 5, 6};
    const Result tc = ReadMem(Make(t), 24, 0, 6);
    EXPECT_EQ(tc.data, (Bytes{3, 2, 1, 6, 5, 4}));
}

Spec Mapped(uint32_t pixelBits, uint32_t mapBits, uint32_t first, uint32_t length)
{
    Spec s;
    s.type = 1;
    s.bits = pixelBits;
    s.mapType = 1;
    s.mapBits = mapBits;
    s.mapFirst = first;
    s.mapLength = length;
    for (uint32_t i = 0; i < length; ++i)
        for (uint32_t k = 0; k < (mapBits + 7) / 8; ++k)
            s.map.push_back(uint8_t(i * 3 + k + 1));
    return s;
}

TEST(TgaMap, EntriesFillTheirSlotsOnly)
{
    // 24-bit map read at 32: fully opaque.
    Spec s = Mapped(8, 24, 0, 2);
    s.width = 2;
    s.pixels = {1, 0};
    const Result r = ReadMem(Make(s), 32, 0, 8);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.data, (Bytes{6, 5, 4, 255, 3, 2, 1, 255}));

    // 20 entries from 250: slots 250-255 filled, the rest read past; the
    // pixels after the map read right.
    s = Mapped(8, 24, 250, 20);
    s.width = 3;
    s.pixels = {250, 255, 7};
    const Result fromSlot250 = ReadMem(Make(s), 32, 0, 12);
    EXPECT_EQ(fromSlot250.status, 0);
    EXPECT_EQ(fromSlot250.data, (Bytes{3, 2, 1, 255, 18, 17, 16, 255, 0, 0, 0, 0}));
    const Result at8 = ReadMem(Make(s), 8, 0, 3);
    EXPECT_EQ(at8.status, 0);
    EXPECT_EQ(at8.data, (Bytes{250, 255, 7}));
    EXPECT_EQ(at8.palette[250].rgbRed, 3);
    EXPECT_EQ(at8.palette[255].rgbBlue, 16);
    EXPECT_EQ(at8.palette[7].rgbReserved, 0);

    // A 16-bit index past the table reads as an unfilled slot.
    s = Mapped(16, 32, 0, 4);
    s.pixels = {0x2C, 0x01};  // 300
    const Result beyond = ReadMem(Make(s), 32, 0, 4);
    EXPECT_EQ(beyond.status, 0);
    EXPECT_EQ(beyond.data, (Bytes{0, 0, 0, 0}));

    // RLE grey with a map: the stored greys, the map unused.
    s = Mapped(8, 24, 0, 256);
    s.type = 11;
    s.pixels = {0x00, 77};
    const Result grey = ReadMem(Make(s), 24, 0, 3);
    EXPECT_EQ(grey.status, 0);
    EXPECT_EQ(grey.data, (Bytes{77, 77, 77}));
}

TEST(TgaDepth, EightBitRefusalsAndDibRoutes)
{
    Spec rle = TwoByTwo(0x20);
    rle.type = 11;
    rle.bits = 8;
    rle.pixels = {0x83, 5};
    EXPECT_EQ(ReadMem(Make(rle), 8, 0, 0).status, 28);
    EXPECT_EQ(ReadMem(Make(TwoByTwo(0)), 8, 0, 0).status, 28);
    // Type 11 as a DIB: a 24-bit DIB, as mode 0 reads it.
    const Result dib = ReadMem(Make(rle), 8, 2, 40 + 16, false);
    EXPECT_EQ(dib.status, 0);
    EXPECT_EQ(dib.data[14], 24);
    EXPECT_EQ(Bytes(dib.data.begin() + 40, dib.data.end()), (Bytes{5, 5, 5, 5, 5, 5, 0, 0, 5, 5, 5, 5, 5, 5, 0, 0}));
    // Contradictory flags, or a depth the reader has not.
    for (uint32_t depth : {8u, 24u, 32u}) {
        const Result both = ReadMem(Make(TwoByTwo(0)), depth, 2 | 8, 0);
        EXPECT_FALSE(both.made);
        EXPECT_EQ(both.status, 5) << depth;
    }
    EXPECT_EQ(ReadMem(Make(TwoByTwo(0)), 16, 0, 0).status, 5);
    Spec grey;
    grey.type = 3;
    grey.bits = 8;
    grey.pixels = {1};
    const Result noPalette = ReadMem(Make(grey), 8, 0, 0, false);
    EXPECT_FALSE(noPalette.made);
    EXPECT_EQ(noPalette.status, 5);
}

struct Refusal {
    const char* name;
    Spec spec;
    int32_t at24;      // status of the 24-bit read (NULL)
    BOOL dims;         // is5_GetTGADims
    int32_t dimsCode;  // its status
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

Spec With(Spec s, uint32_t type, uint32_t bits)
{
    s.type = type;
    s.bits = bits;
    return s;
}

Spec Sized(uint32_t w, uint32_t h)
{
    Spec s;
    s.width = w;
    s.height = h;
    s.pixels = Bytes(64, 1);
    return s;
}

const Refusal kRefusals[] = {
    {"type0", With(Sized(1, 1), 0, 24), 32, FALSE, 32},
    {"type4", With(Sized(1, 1), 4, 24), 32, FALSE, 32},
    {"type12", With(Sized(1, 1), 12, 24), 32, FALSE, 32},
    {"depth33", With(Sized(1, 1), 2, 33), 32, FALSE, 32},
    {"depth0", With(Sized(1, 1), 2, 0), 32, TRUE, 0},
    {"depth7", With(Sized(1, 1), 2, 7), 32, TRUE, 0},
    {"mapEntry20", Mapped(8, 20, 0, 1), 32, TRUE, 0},
    {"mappedWith24BitPixels", Mapped(24, 24, 0, 1), 32, TRUE, 0},
    {"width0", Sized(0, 3), 32, TRUE, 0},
    {"height0", Sized(3, 0), 32, TRUE, 0},
};

class TgaRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(TgaRefusal, NullBeforeAnyBuffer)
{
    const Refusal& c = GetParam();
    Spec spec = c.spec;
    spec.pixels.resize(64, 1);
    const Bytes file = Make(spec);
    const Result r = ReadMem(file, 24, 0, 0);
    EXPECT_FALSE(r.made);
    EXPECT_EQ(r.status, c.at24);
    const std::string path = vt::BuildPath(std::string("tga_refusal_") + c.name + ".tga");
    ASSERT_TRUE(vt::WriteFileBytes(path, file));
    const Result fromFile = ReadPath(vt::HostPath(path), 24, 0, 0);
    EXPECT_FALSE(fromFile.made);
    EXPECT_EQ(fromFile.status, c.at24);
    HISSRC s = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0, bits = 0;
    EXPECT_EQ(is5_GetTGADims(s, &w, &h, &bits, 0), c.dims);
    EXPECT_EQ(ISGetLastError(), c.dimsCode);
    is5_CloseSource(s);
    // Zero sizes refuse every read.
    if (spec.width == 0 || spec.height == 0) {
        for (uint32_t flags : {0u, 2u})
            EXPECT_EQ(ReadMem(file, 32, flags, 0).status, 32);
        spec.type = 3;
        spec.bits = 8;
        EXPECT_EQ(ReadMem(Make(spec), 8, 0, 0).status, 32);
    }
}

INSTANTIATE_TEST_SUITE_P(Headers, TgaRefusal, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& i) { return std::string(i.param.name); });

TEST(TgaDepth, TwelveBitsGivesTheZeroBufferWith32)
{
    Spec s = Sized(2, 2);
    s.bits = 12;
    const Result r = ReadMem(Make(s), 24, 0, 12);
    EXPECT_TRUE(r.made);
    EXPECT_EQ(r.status, 32);
    EXPECT_EQ(r.data, Bytes(12, 0));
}

TEST(TgaDims, SizesAndDepthNullOutsSkipped)
{
    Spec spec = Sized(300, 7);
    spec.pixels.resize(300 * 7 * 3, 5);
    const Bytes file = Make(spec);
    HISSRC s = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0, bits = 0;
    EXPECT_TRUE(is5_GetTGADims(s, &w, &h, &bits, 0));
    EXPECT_EQ(w, 300u);
    EXPECT_EQ(h, 7u);
    EXPECT_EQ(bits, 24u);
    is5_Seek(s, 0, 0);
    EXPECT_TRUE(is5_GetTGADims(s, nullptr, nullptr, nullptr, 0));
    is5_Seek(s, 0, 0);
    void* buf = is5_ReadTGA(s, nullptr, nullptr, 24, nullptr, 0);
    EXPECT_NE(buf, nullptr);
    EXPECT_EQ(ISGetLastError(), 0);
    if (buf)
        GlobalFree(buf);
    is5_CloseSource(s);
}

TEST(TgaHostile, ShortHeaderIdOrMapIsNullWith3)
{
    Spec s = Mapped(8, 24, 0, 4);
    s.id = Bytes(10, 'i');
    s.pixels = {0};
    const Bytes file = Make(s);
    const size_t pixelsAt = 18 + 10 + 12;
    const std::string path = vt::BuildPath("tga_short.tga");
    for (size_t cut = 0; cut < pixelsAt; ++cut) {
        const Bytes part(file.begin(), file.begin() + cut);
        ASSERT_TRUE(vt::WriteFileBytes(path, part));
        for (uint32_t depth : {8u, 24u}) {
            // An empty memory source is refused when it is opened: the file source reads it.
            if (cut > 0) {
                const Result r = ReadMem(part, depth, 0, 0);
                EXPECT_FALSE(r.made) << cut;
                EXPECT_EQ(r.status, 3) << "cut " << cut << " depth " << depth;
            }
            const Result f = ReadPath(vt::HostPath(path), depth, 0, 0);
            EXPECT_FALSE(f.made) << cut;
            EXPECT_EQ(f.status, 3) << "file cut " << cut << " depth " << depth;
        }
    }
}

TEST(TgaHostile, CutInsideThePixelsKeepsTheBufferWith3)
{
    for (const char* name : {"tga_im2", "tga_im10", "tga_im9"}) {
        const Bytes file = Fixture(std::string(name) + ".tga");
        const Result whole = ReadMem(file, 24, 0, 37 * 23 * 3);
        ASSERT_EQ(whole.status, 0);
        const size_t start = name == std::string("tga_im9") ? 18 + 768 : 18;
        const std::string path = vt::BuildPath(std::string("tga_cut_") + name + ".tga");
        for (size_t cut = start; cut < file.size(); ++cut) {
            const Bytes part(file.begin(), file.begin() + cut);
            const Result r = ReadMem(part, 24, 0, 37 * 23 * 3);
            ASSERT_TRUE(r.made) << name << " cut " << cut;
            ASSERT_EQ(r.status, 3) << name << " cut " << cut;
            if (cut % 97 == 0) {
                // The file source at some cuts too.
                ASSERT_TRUE(vt::WriteFileBytes(path, part));
                const Result f = ReadPath(vt::HostPath(path), 24, 0, 37 * 23 * 3);
                ASSERT_EQ(f.status, 3) << name << " file cut " << cut;
                ASSERT_EQ(f.data, r.data);
            }
        }
    }
}

TEST(TgaHostile, HugeSizeIsOutOfMemoryWithoutAllocating)
{
    Spec s = Sized(65535, 65535);
    s.bits = 32;
    const auto t0 = std::chrono::steady_clock::now();
    const Result r = ReadMem(Make(s), 32, 0, 0);
    EXPECT_FALSE(r.made);
    EXPECT_EQ(r.status, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
}

TEST(TgaFooter, ExtensionAreaNeverChangesTheResult)
{
    Spec s = TwoByTwo(0);
    const Bytes plain = Make(s);
    const Result base = ReadMem(plain, 24, 0, 12);
    ASSERT_EQ(base.status, 0);
    auto footer = [](uint32_t extension) {
        Bytes f(8, 0);
        for (int i = 0; i < 4; ++i)
            f[i] = uint8_t(extension >> (8 * i));
        const char sig[] = "TRUEVISION-XFILE.";
        f.insert(f.end(), sig, sig + sizeof(sig));  // with its closing 0
        return f;
    };
    Bytes withExt = plain;
    const uint32_t at = uint32_t(withExt.size());
    Bytes ext(495, 0);
    ext[0] = 0xEF;
    ext[1] = 0x01;
    withExt.insert(withExt.end(), ext.begin(), ext.end());
    const Bytes f1 = footer(at);
    withExt.insert(withExt.end(), f1.begin(), f1.end());
    Bytes pastEnd = plain;
    const Bytes f2 = footer(0x7FFFFFF0u);
    pastEnd.insert(pastEnd.end(), f2.begin(), f2.end());
    for (const Bytes& f : {withExt, pastEnd}) {
        const Result r = ReadMem(f, 24, 0, 12);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.data, base.data);
    }
    // A file shorter than a footer reads as before.
    Spec tiny;
    tiny.pixels = {1, 2, 3};
    EXPECT_EQ(ReadMem(Make(tiny), 24, 0, 3).data, (Bytes{3, 2, 1}));
}

}  // namespace
