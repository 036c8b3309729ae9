// The generic reader on TGA and WBMP files named by their extensions.
#include "tga_test_util.h"

using namespace tgat;

namespace {

struct Generic {
    bool made = false;
    int32_t status = -1;
    uint32_t width = 0, height = 0;
    Bytes data;
};

Generic ReadNamed(const std::string& name, const Bytes& file, uint32_t mode, size_t bytes)
{
    const std::string path = vt::BuildPath(name);
    EXPECT_TRUE(vt::WriteFileBytes(path, file));
    Generic g;
    HISSRC s = is5_OpenFileSource(path.c_str());
    EXPECT_NE(s, nullptr) << path;
    void* buf = is5_ReadImage(s, &g.width, &g.height, mode, 0);
    g.status = ISGetLastError();
    is5_CloseSource(s);
    if (buf) {
        g.made = true;
        g.data.assign(static_cast<uint8_t*>(buf), static_cast<uint8_t*>(buf) + bytes);
        GlobalFree(buf);
    }
    return g;
}

TEST(TgaGeneric, IconLookingTrueColourFileReadsInModes0And2)
{
    // 00 00 02 00: the start of a cursor header, but no image count.
    const Bytes file = Fixture("tga_im2.tga");
    ASSERT_EQ(Bytes(file.begin(), file.begin() + 4), (Bytes{0, 0, 2, 0}));
    const Bytes ref = Fixture("tga_im2.rgb");
    const Generic rgb = ReadNamed("a.tga", file, 0, 37 * 23 * 3);
    ASSERT_TRUE(rgb.made);
    EXPECT_EQ(rgb.status, 0);
    EXPECT_EQ(rgb.width, 37u);
    EXPECT_EQ(rgb.data, ref);
    const uint32_t stride = (37 * 3 + 3) / 4 * 4;
    const Generic dib = ReadNamed("a.tga", file, 2, 40 + stride * 23);
    ASSERT_TRUE(dib.made);
    EXPECT_EQ(dib.status, 0);
    EXPECT_EQ(Le32(dib.data, 0), 40u);
    EXPECT_EQ(dib.data[14], 24);
    // The DIB's bottom row is the picture's last, blue first.
    const uint8_t* bottom = dib.data.data() + 40;
    const uint8_t* last = ref.data() + 22 * 37 * 3;
    for (int x = 0; x < 37; ++x)
        ASSERT_EQ((Bytes{bottom[3 * x + 2], bottom[3 * x + 1], bottom[3 * x]}),
                  (Bytes{last[3 * x], last[3 * x + 1], last[3 * x + 2]}));
}

TEST(WbmpGeneric, ModeZeroIsTheEightBitReadThroughItsPalette)
{
    const Bytes file = Fixture("wbmp_pbm.wbmp");
    RGBQUAD palette[256];
    uint32_t w = 0, h = 0;
    HISSRC s = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    void* buf = is5_ReadWBMP(s, &w, &h, palette, 8, 0);
    is5_CloseSource(s);
    ASSERT_NE(buf, nullptr);
    Bytes expect;
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        const RGBQUAD& q = palette[static_cast<uint8_t*>(buf)[i]];
        expect.insert(expect.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
    }
    GlobalFree(buf);
    const Generic g = ReadNamed("x.wbmp", file, 0, expect.size());
    ASSERT_TRUE(g.made);
    EXPECT_EQ(g.status, 0);
    EXPECT_EQ(g.width, 37u);
    EXPECT_EQ(g.height, 23u);
    EXPECT_EQ(g.data, expect);
}

}  // namespace
