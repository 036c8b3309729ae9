// The library's allocation limit, as the fuzz harnesses lower it: every
// reader refuses a picture whose largest block is one byte over it with "out
// of memory" before it allocates, and reads the same picture when it fits.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imaging/core/buffers.h"
#include "imaging/dib/dib.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace {

// Reads `file` and returns the library's code.
using Read = std::function<int32_t(const std::vector<uint8_t>& file)>;

int32_t ReadWith(const std::vector<uint8_t>& file, const std::function<void*(HISSRC)>& read)
{
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    void* buffer = read(source);
    const int32_t status = ISGetLastError();
    if (buffer)
        GlobalFree(buffer);
    is5_CloseSource(source);
    return buffer || status ? status : -1;
}

struct LimitCase {
    const char* name;
    const char* fixture;
    uint64_t bytes;  // the largest block the read needs
    Read read;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

uint32_t gWidth, gHeight;

const LimitCase kCases[] = {
    {"jpeg_rgb", "jpeg_base.jpg", 61 * 47 * 3,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadJPG(s, &gWidth, &gHeight, 24, 0); });
     }},
    // Progressive: libjpeg's whole-image coefficients (72 blocks of 128
    // bytes) are the larger block.
    {"jpeg_progressive", "jpeg_prog.jpg", 72 * 128,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadJPG(s, &gWidth, &gHeight, 24, 0); });
     }},
    {"jpeg_dib", "jpeg_base.jpg", 40 + 184 * 47,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadJPG(s, &gWidth, &gHeight, 24, 2); });
     }},
    {"bmp_rgb", "bmp_im24.bmp", 37 * 23 * 3,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) {
             RGBQUAD palette[256];
             return is5_ReadBMP(s, &gWidth, &gHeight, 24, palette, 0);
         });
     }},
    {"bmp_dib", "bmp_im24.bmp", 40 + 112 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) {
             RGBQUAD palette[256];
             return is5_ReadBMP(s, &gWidth, &gHeight, 24, palette, 2);
         });
     }},
    {"tga_rgb", "tga_im10.tga", 37 * 23 * 3,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadTGA(s, &gWidth, &gHeight, 24, nullptr, 0); });
     }},
    {"tga_8", "tga_im9.tga", 37 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) {
             RGBQUAD palette[256];
             return is5_ReadTGA(s, &gWidth, &gHeight, 8, palette, 0);
         });
     }},
    {"tga_dib", "tga_im1.tga", 1064 + 40 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadTGA(s, &gWidth, &gHeight, 24, nullptr, 2); });
     }},
    {"wbmp_8", "wbmp_pbm.wbmp", 37 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) {
             RGBQUAD palette[256];
             return is5_ReadWBMP(s, &gWidth, &gHeight, palette, 8, 0);
         });
     }},
    {"wbmp_dib", "wbmp_pbm.wbmp", 48 + 8 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadWBMP(s, &gWidth, &gHeight, nullptr, 1, 2); });
     }},
    {"gif_raw", "gif89_256.gif", 37 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) {
             RGBQUAD palette[256];
             return is5_ReadGIF(s, &gWidth, &gHeight, nullptr, palette, 0);
         });
     }},
    {"gif_dib", "gif89_256.gif", 1064 + 40 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadGIF(s, &gWidth, &gHeight, nullptr, nullptr, 2); });
     }},
    {"pcx_rgb", "pcx_t200.pcx", 37 * 23 * 3,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadPCX(s, &gWidth, &gHeight, 24, nullptr, 0); });
     }},
    {"pcx_dib", "pcx_e200.pcx", 1064 + 40 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadPCX(s, &gWidth, &gHeight, 24, nullptr, 2); });
     }},
    {"png_rgb", "png/rgb8.png", 19 * 11 * 3,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadPNG(s, &gWidth, &gHeight, 24, nullptr, 0); });
     }},
    {"png_dib", "png/rgb8.png", 40 + 60 * 11,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadPNG(s, &gWidth, &gHeight, 24, nullptr, 2); });
     }},
    {"psd_rgb", "psd/rgb8_rle.psd", 40 * 30 * 3,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadPSD(s, &gWidth, &gHeight, 24, nullptr, 0); });
     }},
    {"psd_8", "psd/grey.psd", 40 * 30,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) {
             RGBQUAD palette[256];
             return is5_ReadPSD(s, &gWidth, &gHeight, 8, palette, 0);
         });
     }},
    // The DIB is larger than the picture it is made from.
    {"psd_dib", "psd/cmyk8.psd", 40 + 120 * 30,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadPSD(s, &gWidth, &gHeight, 24, nullptr, 2); });
     }},
    {"psd_dib8", "psd/bitmap.psd", 1064 + 40 * 30,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadPSD(s, &gWidth, &gHeight, 24, nullptr, 2); });
     }},
    // Strips of 10 rows: the strip buffer (10 rows and a byte) is smaller.
    {"tla_rgba", "tla/rt_37x23_b4_f7_abc.tla", 37 * 23 * 4,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadTLA(s, &gWidth, &gHeight, "abc", 4, nullptr, 0); });
     }},
    {"tla_raw", "tla/rt_37x23_b1_f7_plain.tla", 37 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) {
             RGBQUAD palette[256];
             return is5_ReadTLA(s, &gWidth, &gHeight, nullptr, 1, palette, 0);
         });
     }},
    {"tla_dib", "tla/rt_37x23_b3_f7_abc.tla", 40 + 112 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadTLA(s, &gWidth, &gHeight, "abc", 3, nullptr, 2); });
     }},
    {"generic_rgba", "reader_photo24.bmp", 61 * 47 * 4,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadImage(s, &gWidth, &gHeight, 1, 0); });
     }},
    // The RGBA raster (4 bytes a pixel) is the largest block (LZW's code table
    // would be larger: the files are uncompressed).
    {"tiff_rgb", "tif_c_none.tif", 37 * 23 * 4,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadTIFF(s, &gWidth, &gHeight, 24, nullptr, 0, 0); });
     }},
    {"tiff_rgba", "tif_c_none.tif", 37 * 23 * 4,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadTIFF(s, &gWidth, &gHeight, 32, nullptr, 0, 0); });
     }},
    {"tiff_dib", "tif_c_none.tif", 37 * 23 * 4,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadTIFF(s, &gWidth, &gHeight, 24, nullptr, 0, 2); });
     }},
    // The stored rows (112 bytes each) are the larger block here.
    {"pnm_rgb", "pnm_pat.ppm", 37 * 23 * 3,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadPNM(s, &gWidth, &gHeight, 24, 0); });
     }},
    {"pnm_dib", "pnm_pat.ppm", 40 + 112 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadPNM(s, &gWidth, &gHeight, 24, 2); });
     }},
    {"pnm_grey", "pnm_ramp.pgm", 37 * 23,
     [](const std::vector<uint8_t>& f) {
         return ReadWith(f, [](HISSRC s) { return is5_ReadPNM(s, &gWidth, &gHeight, 8, 0); });
     }},
    {"dib_decode", "bmp_im24.bmp", 112 * 23,
     [](const std::vector<uint8_t>& f) {
         // The packed DIB is the file without its 14-byte header, aligned.
         std::vector<uint32_t> dib((f.size() - 14 + 3) / 4);
         std::memcpy(dib.data(), f.data() + 14, f.size() - 14);
         std::vector<uint8_t> rgb(37 * 23 * 3);
         CISDIB op;
         const BOOL ok = op.ISDIBToRGB(reinterpret_cast<const BITMAPINFOHEADER*>(dib.data()), rgb.data());
         return ok ? 0 : op.m_status;
     }},
};

class AllocLimit : public ::testing::TestWithParam<LimitCase> {
protected:
    void TearDown() override { ISSetMaxAlloc(0); }
};

TEST_P(AllocLimit, PictureOneByteOverTheLimitIsRefusedAndFitsAtIt)
{
    const LimitCase& c = GetParam();
    std::vector<uint8_t> file;
    ASSERT_TRUE(vt::ReadFileBytes(vt::FixturePath(c.fixture), &file));
    ISSetMaxAlloc(c.bytes - 1);
    EXPECT_EQ(c.read(file), 1);
    ISSetMaxAlloc(c.bytes);
    EXPECT_EQ(c.read(file), 0);
    ISSetMaxAlloc(0);
    EXPECT_EQ(ISMaxAlloc(), kISMaxAlloc);
}

INSTANTIATE_TEST_SUITE_P(Readers, AllocLimit, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

}  // namespace
