// ImageMagick 6 as the peer: we read its files as it decodes them, and it
// decodes our files to the pixels we wrote.
#include <gtest/gtest.h>

#include <algorithm>

#include "bmp_test_util.h"
#include "imaging/dib/dib.h"

using namespace bmpt;

namespace {

struct PeerFile {
    const char* name;  // fixture base name
    uint32_t bits;     // the file's bit count
};

void PrintTo(const PeerFile& c, std::ostream* os) { *os << c.name; }

Bytes Fixture(const std::string& name)
{
    Bytes b;
    EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath(name), &b)) << name;
    return b;
}

Bytes Strip(const Image& img, size_t pixels, size_t step)
{
    Bytes rgb;
    for (size_t i = 0; i < pixels; ++i)
        rgb.insert(rgb.end(), img.data + i * step, img.data + i * step + 3);
    return rgb;
}

Bytes ThroughPalette(const Image& img, size_t pixels)
{
    Bytes rgb;
    for (size_t i = 0; i < pixels; ++i) {
        const RGBQUAD& q = img.palette[img.data[i]];
        rgb.insert(rgb.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
    }
    return rgb;
}

class BmpReadsPeerFiles : public ::testing::TestWithParam<PeerFile> {};

TEST_P(BmpReadsPeerFiles, AsThePeerDecodesThem)
{
    const PeerFile& c = GetParam();
    const Bytes file = Fixture(std::string(c.name) + ".bmp");
    const Bytes expected = Fixture(std::string(c.name) + ".rgb");
    ASSERT_FALSE(file.empty());

    Image rgb = ReadBmp(file, 24);
    ASSERT_NE(rgb.data, nullptr);
    EXPECT_EQ(rgb.error, 0);
    const size_t pixels = size_t(rgb.width) * rgb.height;
    ASSERT_EQ(pixels * 3, expected.size());
    EXPECT_EQ(rgb.All(pixels * 3), expected);

    Image rgba = ReadBmp(file, 32);
    ASSERT_NE(rgba.data, nullptr);
    EXPECT_EQ(Strip(rgba, pixels, 4), expected);

    // The packed DIB decodes to the same pixels.
    Image dib = ReadBmp(file, 0, 2);
    ASSERT_NE(dib.data, nullptr);
    EXPECT_EQ(dib.error, 0);
    uint32_t w = 0, h = 0;
    EXPECT_TRUE(is5_DIBWidth(reinterpret_cast<const BITMAPINFOHEADER*>(dib.data), &w));
    EXPECT_TRUE(is5_DIBHeight(reinterpret_cast<const BITMAPINFOHEADER*>(dib.data), &h));
    EXPECT_EQ(w, rgb.width);
    EXPECT_EQ(h, rgb.height);
    Bytes fromDib(expected.size());
    CISDIB decoder;
    EXPECT_TRUE(decoder.ISDIBToRGB(reinterpret_cast<const BITMAPINFOHEADER*>(dib.data), fromDib.data()));
    EXPECT_EQ(fromDib, expected);

    if (c.bits <= 8) {
        Image idx = ReadBmp(file, 8);
        ASSERT_NE(idx.data, nullptr);
        EXPECT_EQ(idx.error, 0);
        EXPECT_EQ(ThroughPalette(idx, pixels), expected);
    }
    if (c.bits == 1) {
        Image mono = ReadBmp(file, 1);
        ASSERT_NE(mono.data, nullptr);
        const size_t rowBytes = (rgb.width + 7) / 8;
        Bytes unpacked;
        for (uint32_t y = 0; y < rgb.height; ++y)
            for (uint32_t x = 0; x < rgb.width; ++x)
                unpacked.push_back((mono.data[y * rowBytes + x / 8] >> (7 - x % 8)) & 1);
        Bytes through;
        for (uint8_t i : unpacked)
            through.insert(through.end(), {mono.palette[i].rgbRed, mono.palette[i].rgbGreen, mono.palette[i].rgbBlue});
        EXPECT_EQ(through, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, BmpReadsPeerFiles,
                         ::testing::Values(PeerFile{"bmp_im24", 24}, PeerFile{"bmp_im32", 32},
                                           PeerFile{"bmp_im8", 8}, PeerFile{"bmp_im4", 4}, PeerFile{"bmp_im1", 1},
                                           PeerFile{"bmp_imrle8", 8}, PeerFile{"bmp_imrle8pal12", 8},
                                           PeerFile{"bmp_core1", 1}, PeerFile{"bmp_core4", 4},
                                           PeerFile{"bmp_core24", 24}),
                         [](const ::testing::TestParamInfo<PeerFile>& info) { return info.param.name; });

TEST(BmpPeer, AlphaOfThePeers32BitFileComesFromByte3)
{
    const Bytes file = Fixture("bmp_im32.bmp");
    const Bytes expected = Fixture("bmp_im32.rgba");
    Image img = ReadBmp(file, 32);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.All(expected.size()), expected);
}

TEST(BmpPeer, ThePeersDefaultFileWithA124ByteHeaderIsStatus6)
{
    Image img = ReadBmp(Fixture("bmp_imv5.bmp"), 24);
    EXPECT_EQ(img.data, nullptr);
    EXPECT_EQ(img.error, 6);
}

// A picture to write: its pixels as the writer takes them, and as R,G,B.
struct Picture {
    std::string name;
    uint32_t width, height, bits, stride, flags;
    Bytes pixels;
    std::vector<RGBQUAD> palette;
    Bytes rgb;
};

RGBQUAD Colour(uint32_t i) { return RGBQUAD{BYTE(i * 37 + 5), BYTE(255 - i * 11), BYTE(i * 73 + 9), 0}; }

Picture MakePicture(const std::string& kind, uint32_t width, uint32_t extraStride)
{
    Picture p;
    p.width = width;
    p.height = 3;
    p.flags = 0;
    const bool rle = kind == "rle8";
    p.bits = rle ? 8 : std::stoi(kind);
    p.name = "bmp_peer_" + kind + "_" + std::to_string(width) + "_" + std::to_string(extraStride);
    const uint32_t packed = (width * p.bits + 7) / 8;
    p.stride = packed + extraStride;
    p.pixels.assign(size_t(p.stride) * p.height, 0xCD);
    if (p.bits <= 8) {
        const uint32_t colours = 1u << (p.bits < 8 ? p.bits : 5);
        for (uint32_t i = 0; i < colours; ++i)
            p.palette.push_back(Colour(i));
        for (uint32_t y = 0; y < p.height; ++y) {
            BYTE* row = p.pixels.data() + y * p.stride;
            std::fill(row, row + packed, 0);
            for (uint32_t x = 0; x < width; ++x) {
                // Runs and changes alike, so that RLE8 codes both kinds.
                const uint32_t index = ((x / 3) * 7 + y * 3 + (x % 2)) % colours;
                if (p.bits == 8)
                    row[x] = BYTE(index);
                else
                    row[x * p.bits / 8] |= BYTE(index << (8 - p.bits - (x * p.bits) % 8));
                const RGBQUAD& q = p.palette[index];
                p.rgb.insert(p.rgb.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
            }
        }
        if (rle)
            p.flags = 1;
    } else {
        const uint32_t step = p.bits / 8;
        for (uint32_t y = 0; y < p.height; ++y)
            for (uint32_t x = 0; x < width; ++x) {
                BYTE* px = p.pixels.data() + y * p.stride + x * step;
                const BYTE r = BYTE(x * 29 + y * 50), g = BYTE(200 - x * 13), b = BYTE(y * 90 + x);
                px[0] = r;
                px[1] = g;
                px[2] = b;
                if (step == 4)
                    px[3] = 255;
                p.rgb.insert(p.rgb.end(), {r, g, b});
            }
    }
    return p;
}

TEST(BmpPeer, ThePeerDecodesOurFilesToTheirPixels)
{
    std::vector<Picture> pictures;
    for (const char* kind : {"1", "4", "8", "24", "32", "rle8"}) {
        for (uint32_t w = 1; w <= 9; ++w)
            pictures.push_back(MakePicture(kind, w, 0));
        pictures.push_back(MakePicture(kind, 7, 5));
    }
    std::vector<std::string> paths;
    for (const Picture& p : pictures) {
        Written w = WriteBmp(p.pixels.data(), p.width, p.height, p.bits, p.stride, uint32_t(p.palette.size()),
                             p.palette.empty() ? nullptr : p.palette.data(), p.flags);
        ASSERT_EQ(w.error, 0) << p.name;
        ASSERT_EQ(size_t(w.result), w.file.size()) << p.name;
        paths.push_back(vt::BuildPath(p.name + ".bmp"));
        ASSERT_TRUE(vt::WriteFileBytes(paths.back(), w.file)) << paths.back();
        // Our reader agrees too.
        Image back = ReadBmp(w.file, 24);
        ASSERT_NE(back.data, nullptr) << p.name;
        EXPECT_EQ(back.All(p.rgb.size()), p.rgb) << p.name;
    }
    std::vector<Bytes> decoded = PeerDecode(paths);
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(decoded[i], pictures[i].rgb) << pictures[i].name;
        std::remove(paths[i].c_str());
        std::remove((paths[i] + ".rgb").c_str());
    }
}

}  // namespace
