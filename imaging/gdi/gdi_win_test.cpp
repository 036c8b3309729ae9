// RGB buffers, packed DIBs and GDI bitmaps: round trips with both creation
// methods, monochrome and 16-bit bitmaps, bad devices, resource bitmaps.
#include "imaging/gdi/gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/dib/dib.h"
#include "imaging/gdi/gdi_test_util.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace {

BITMAP ObjectOf(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    return info;
}

class RgbHbitmapRoundTrip : public ::testing::TestWithParam<int32_t> {};

TEST_P(RgbHbitmapRoundTrip, RandomImageComesBackExact)
{
    CreationMethod method(GetParam());
    const uint32_t width = 37, height = 23;
    const std::vector<BYTE> rgb = vt::RandomBytes(width * 3 * height, 37);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = is5_RGBToHBITMAP(rgb.data(), width, height, width * 3, nullptr, screen);
    ASSERT_NE(nullptr, bitmap) << ISGetLastError();
    EXPECT_EQ(0, ISGetLastError());
    const BITMAP info = ObjectOf(bitmap);
    EXPECT_EQ(LONG(width), info.bmWidth);
    EXPECT_EQ(LONG(height), info.bmHeight);
    // Method 1 makes a DIB section: GetObject reports its pixel memory.
    EXPECT_EQ(GetParam() != 0, info.bmBits != nullptr);
    std::vector<BYTE> back(rgb.size(), 0xCD);
    EXPECT_TRUE(is5_HBITMAPToRGB(bitmap, screen, nullptr, back.data())) << ISGetLastError();
    EXPECT_EQ(rgb, back);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}

INSTANTIATE_TEST_SUITE_P(Methods, RgbHbitmapRoundTrip, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "dib_section" : "device_bitmap"; });

TEST(RgbToHbitmap, WiderStrideAndNoDcStillExact)
{
    const uint32_t width = 5, height = 4, stride = 19;
    const std::vector<BYTE> src = vt::RandomBytes(stride * height, 5);
    HBITMAP bitmap = is5_RGBToHBITMAP(src.data(), width, height, stride, nullptr, nullptr);
    ASSERT_NE(nullptr, bitmap) << ISGetLastError();
    std::vector<BYTE> back(width * 3 * height);
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(is5_HBITMAPToRGB(bitmap, screen, nullptr, back.data()));
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (uint32_t y = 0; y < height; ++y)
        EXPECT_EQ(0, std::memcmp(&src[y * stride], &back[y * width * 3], width * 3)) << "row " << y;
}

TEST(RgbToHbitmap, BadArgumentsGive5)
{
    const BYTE pixel[3] = {};
    EXPECT_EQ(nullptr, is5_RGBToHBITMAP(nullptr, 1, 1, 3, nullptr, nullptr));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_EQ(nullptr, is5_RGBToHBITMAP(pixel, 0, 1, 3, nullptr, nullptr));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_EQ(nullptr, is5_RGBToHBITMAP(pixel, 2, 1, 3, nullptr, nullptr));  // stride below the row
    EXPECT_EQ(5, ISGetLastError());
}

TEST(DibToHbitmap, OneBitDibWithoutDcStaysMonochrome)
{
    const BYTE indices[] = {0, 1, 1, 0, 1, 0, 0, 1, 1, 0};  // 5 x 2
    const RGBQUAD palette[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    CISDIB dib;
    BITMAPINFOHEADER* header = dib.ISPaletteImageToDIB(indices, 5, 2, 5, 2, 1, palette, nullptr);
    ASSERT_NE(nullptr, header);
    CISGdi gdi;
    HBITMAP bitmap = gdi.ISDIBToHBITMAP(header, nullptr, nullptr);
    GlobalFree(header);
    ASSERT_NE(nullptr, bitmap) << gdi.m_status;
    EXPECT_EQ(1, ObjectOf(bitmap).bmBitsPixel);

    std::vector<BYTE> rgb(5 * 2 * 3);
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(is5_HBITMAPToRGB(bitmap, screen, nullptr, rgb.data()));
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (size_t i = 0; i < 10; ++i)
        for (size_t k = 0; k < 3; ++k)
            ASSERT_EQ(indices[i] ? 255 : 0, rgb[i * 3 + k]) << i;
}

TEST(HbitmapToRgb, SixteenBitSectionScalesFiveBitFields)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 16;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(nullptr, bitmap);
    const uint16_t pixels[2] = {0x7FFF, (16 << 10) | (3 << 5) | 31};
    std::memcpy(bits, pixels, sizeof pixels);
    GdiFlush();
    BYTE rgb[6] = {};
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(is5_HBITMAPToRGB(bitmap, screen, nullptr, rgb));
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    const BYTE expected[6] = {255, 255, 255, 131, 24, 255};
    EXPECT_EQ(0, std::memcmp(expected, rgb, 6));
}

TEST(HbitmapToRgb, NullDcGives26AndBitFieldsGive17)
{
    const BYTE pixel[3] = {1, 2, 3};
    HBITMAP bitmap = is5_RGBToHBITMAP(pixel, 1, 1, 3, nullptr, nullptr);
    ASSERT_NE(nullptr, bitmap);
    BYTE rgb[3];
    EXPECT_FALSE(is5_HBITMAPToRGB(bitmap, nullptr, nullptr, rgb));
    EXPECT_EQ(26, ISGetLastError());
    CISGdi gdi;
    EXPECT_EQ(nullptr, gdi.ISHBITMAPToDIB(bitmap, BI_BITFIELDS, nullptr));
    EXPECT_EQ(17, gdi.m_status);
    DeleteObject(bitmap);
}

TEST(DibToHbitmap, SectionPathComputesAZeroImageSize)
{
    CreationMethod method(1);
    const uint32_t width = 7, height = 3;
    const std::vector<BYTE> rgb = vt::RandomBytes(width * 3 * height, 9);
    CISDIB dib;
    BITMAPINFOHEADER* header = dib.ISRGBToDIB(rgb.data(), width, height, 0, nullptr, 0);
    ASSERT_NE(nullptr, header);
    header->biSizeImage = 0;
    CISGdi gdi;
    HBITMAP bitmap = gdi.ISDIBToHBITMAP(header, nullptr, nullptr);
    GlobalFree(header);
    ASSERT_NE(nullptr, bitmap) << gdi.m_status;
    std::vector<BYTE> back(rgb.size());
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(is5_HBITMAPToRGB(bitmap, screen, nullptr, back.data()));
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    EXPECT_EQ(rgb, back);
}

TEST(DibToHbitmap, BadHeadersGive5)
{
    CISDIB dib;
    const BYTE pixel[3] = {};
    BITMAPINFOHEADER* header = dib.ISRGBToDIB(pixel, 1, 1, 0, nullptr, 0);
    ASSERT_NE(nullptr, header);
    for (auto change : {+[](BITMAPINFOHEADER* h) { h->biSize = 12; },
                        +[](BITMAPINFOHEADER* h) { h->biClrUsed = 257; },
                        +[](BITMAPINFOHEADER* h) { h->biBitCount = 7; }}) {
        BITMAPINFOHEADER copy[2] = {*header, {}};
        change(copy);
        CISGdi gdi;
        EXPECT_EQ(nullptr, gdi.ISDIBToHBITMAP(copy, nullptr, nullptr));
        EXPECT_EQ(5, gdi.m_status);
    }
    GlobalFree(header);
}

// ---------------------------------------------------------------------------
// Resource bitmaps from gdi_res.dll (fixtures.sh)

class ResourceBitmap : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() { gModule = LoadLibraryA(vt::FixturePath("gdi_res.dll").c_str()); }
    static void TearDownTestSuite()
    {
        if (gModule)
            FreeLibrary(gModule);
        gModule = nullptr;
    }
    void SetUp() override { ASSERT_NE(nullptr, gModule) << "gdi_res.dll missing"; }
    static HMODULE gModule;
};

HMODULE ResourceBitmap::gModule = nullptr;

TEST_P(ResourceBitmap, LoadsThePixelsImageMagickWrote)
{
    const std::string name = GetParam();
    vt::Pnm reference;
    ASSERT_TRUE(vt::ReadPnm(vt::FixturePath(name == "GDI_RGB" ? "gdi_rgb.ppm" : "gdi_pal.ppm"), &reference));
    HBITMAP bitmap = is5_LoadResourceBitmap(gModule, name.c_str(), nullptr);
    ASSERT_NE(nullptr, bitmap) << ISGetLastError();
    EXPECT_EQ(0, ISGetLastError());
    const BITMAP info = ObjectOf(bitmap);
    EXPECT_EQ(reference.width, info.bmWidth);
    EXPECT_EQ(reference.height, info.bmHeight);
    std::vector<BYTE> rgb(size_t(reference.width) * reference.height * 3);
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(is5_HBITMAPToRGB(bitmap, screen, nullptr, rgb.data()));
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    EXPECT_EQ(reference.pixels, rgb);
}

INSTANTIATE_TEST_SUITE_P(Names, ResourceBitmap, ::testing::Values("GDI_RGB", "GDI_PAL"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(ResourceBitmap, MissingNameGivesNullAnd13)
{
    EXPECT_EQ(nullptr, is5_LoadResourceBitmap(gModule, "NO_SUCH_BITMAP", nullptr));
    EXPECT_EQ(13, ISGetLastError());
}

TEST_F(ResourceBitmap, DibPaletteHasTheTableColours)
{
    HRSRC found = FindResourceA(gModule, "GDI_PAL", reinterpret_cast<LPCSTR>(RT_BITMAP));
    ASSERT_NE(nullptr, found);
    const auto* dib = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(gModule, found)));
    ASSERT_LE(dib->biBitCount, 8);
    CISGdi gdi;
    uint32_t entries = 0;
    HPALETTE palette = gdi.ISCreateDIBPalette(dib, &entries);
    ASSERT_NE(nullptr, palette);
    EXPECT_EQ(dib->biClrUsed ? dib->biClrUsed : 1u << dib->biBitCount, entries);
    std::vector<PALETTEENTRY> got(entries);
    EXPECT_EQ(entries, GetPaletteEntries(palette, 0, entries, got.data()));
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(dib) + 40);
    for (uint32_t i = 0; i < entries; ++i) {
        EXPECT_EQ(table[i].rgbRed, got[i].peRed);
        EXPECT_EQ(table[i].rgbGreen, got[i].peGreen);
        EXPECT_EQ(table[i].rgbBlue, got[i].peBlue);
    }
    DeleteObject(palette);
}

}  // namespace
