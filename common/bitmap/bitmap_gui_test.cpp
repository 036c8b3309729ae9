// The bitmap and file helpers on a real display: pixels they draw, the JPEG
// they write (read back by djpeg), and every DC and GDI object they make
// released again, counted through their GDI calls.
#include "common/bitmap/bitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

int gLive = 0;   // DCs and objects made through the helpers' calls and not yet freed

HDC WINAPI CountedGetDC(HWND window)
{
    HDC dc = GetDC(window);
    gLive += dc != nullptr;
    return dc;
}

int WINAPI CountedReleaseDC(HWND window, HDC dc)
{
    gLive--;
    return ReleaseDC(window, dc);
}

HDC WINAPI CountedCreateCompatibleDC(HDC dc)
{
    HDC made = CreateCompatibleDC(dc);
    gLive += made != nullptr;
    return made;
}

BOOL WINAPI CountedDeleteDC(HDC dc)
{
    gLive--;
    return DeleteDC(dc);
}

HBITMAP WINAPI CountedCreateBitmap(int width, int height, UINT planes, UINT bits, const void* data)
{
    HBITMAP made = CreateBitmap(width, height, planes, bits, data);
    gLive += made != nullptr;
    return made;
}

BOOL WINAPI CountedDeleteObject(HGDIOBJ object)
{
    gLive--;
    return DeleteObject(object);
}

std::string HostSide(const std::string& path)
{
    return path.rfind("Z:", 0) == 0 ? path.substr(2) : path;
}

// A 32-bit top-down DIB section to draw on and read back.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP section = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* pixels = nullptr;
    int width = 0, height = 0;

    Canvas(int w, int h, uint32_t fill) : width(w), height(h)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<uint32_t*>(bits);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, section);
        for (int i = 0; i < w * h; i++)
            pixels[i] = fill;
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(section);
    }
    uint32_t At(int x, int y)
    {
        GdiFlush();
        return pixels[y * width + x] & 0xFFFFFF;
    }
};

// A device bitmap of one colour.
HBITMAP SolidBitmap(int width, int height, COLORREF colour)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

class BitmapHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = gBitmapGdi;
        gBitmapGdi = {CountedGetDC,  CountedReleaseDC,   CountedCreateCompatibleDC,
                      CountedDeleteDC, CountedCreateBitmap, CountedDeleteObject};
        gLive = 0;
        base_ = vt::BuildPath("calendar_bitmap_" + std::to_string(GetCurrentProcessId()));
    }
    void TearDown() override
    {
        EXPECT_EQ(gLive, 0) << "DCs or GDI objects left by a helper";
        gBitmapGdi = saved_;
    }
    BitmapGdiCalls saved_;
    std::string base_;
};

TEST_F(BitmapHelpers, ThumbnailOfOneColourIsAJpegThatDjpegReads)
{
    const COLORREF colour = RGB(200, 60, 30);
    HBITMAP bitmap = SolidBitmap(150, 112, colour);
    std::string jpeg = base_ + "_thumb.jpg";
    DeleteFileA(jpeg.c_str());
    EXPECT_EQ(SaveBitmapAsJpeg(bitmap, 150, 112, jpeg.c_str()), 0);
    DeleteObject(bitmap);
    ASSERT_NE(GetFileAttributesA(jpeg.c_str()), INVALID_FILE_ATTRIBUTES);

    std::string ppm = base_ + "_thumb.ppm";
    DeleteFileA(ppm.c_str());
    // Wine does not wait for Unix children: the picture appears whole, by a rename.
    vt::RunHost("/bin/sh", {"-c", "\"djpeg -pnm " + HostSide(jpeg) + " > " + HostSide(base_) + ".tmp && mv " +
                                      HostSide(base_) + ".tmp " + HostSide(ppm) + "\""});
    vt::Pnm picture;
    bool decoded = false;
    for (int i = 0; i < 200 && !(decoded = vt::ReadPnm(ppm, &picture)); i++)
        Sleep(50);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(picture.width, 150);
    EXPECT_EQ(picture.height, 112);
    ASSERT_EQ(picture.channels, 3);
    const int expected[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    int worst = 0;
    for (size_t i = 0; i < picture.pixels.size(); i++)
        worst = std::max(worst, std::abs(picture.pixels[i] - expected[i % 3]));
    EXPECT_LE(worst, 3);
    DeleteFileA(jpeg.c_str());
    DeleteFileA(ppm.c_str());
}

TEST_F(BitmapHelpers, ThumbnailThatCannotBeWrittenLeavesNoFile)
{
    HBITMAP bitmap = SolidBitmap(150, 112, RGB(1, 2, 3));
    std::string missingFolder = base_ + "_missing\\thumb.jpg";
    EXPECT_EQ(SaveBitmapAsJpeg(bitmap, 150, 112, missingFolder.c_str()), 0);
    EXPECT_EQ(GetFileAttributesA(missingFolder.c_str()), INVALID_FILE_ATTRIBUTES);
    // Larger than the bitmap, or no bitmap at all: nothing is written.
    std::string tooLarge = base_ + "_large.jpg";
    EXPECT_EQ(SaveBitmapAsJpeg(bitmap, 151, 112, tooLarge.c_str()), 0);
    EXPECT_EQ(SaveBitmapAsJpeg(nullptr, 150, 112, tooLarge.c_str()), 0);
    EXPECT_EQ(GetFileAttributesA(tooLarge.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteObject(bitmap);
}

TEST_F(BitmapHelpers, SizeOfABitmap)
{
    HBITMAP bitmap = SolidBitmap(17, 9, 0);
    RECT rect = {5, 5, 5, 5};
    GetBitmapSize(bitmap, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, 17);
    EXPECT_EQ(rect.bottom, 9);
    DeleteObject(bitmap);
}

TEST_F(BitmapHelpers, BlitPutsExactlyTheBitmapsPixels)
{
    const uint32_t white = 0xFFFFFF, red = 0xFF0000;   // as a 32-bit DIB holds them
    Canvas canvas(10, 10, white);
    HBITMAP bitmap = SolidBitmap(4, 4, RGB(255, 0, 0));
    BlitBitmap(canvas.dc, 2, 3, nullptr);
    BlitBitmap(nullptr, 2, 3, bitmap);
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++)
            ASSERT_EQ(canvas.At(x, y), white) << x << "," << y;
    BlitBitmap(canvas.dc, 2, 3, bitmap);
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++) {
            bool inside = x >= 2 && x < 6 && y >= 3 && y < 7;
            EXPECT_EQ(canvas.At(x, y), inside ? red : white) << x << "," << y;
        }
    DeleteObject(bitmap);
}

TEST_F(BitmapHelpers, BlitToAWindowReleasesItsDC)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    HBITMAP bitmap = SolidBitmap(4, 4, RGB(0, 0, 255));
    BlitBitmapToWindow(window, 1, 1, bitmap);
    BlitBitmapToWindow(window, 1, 1, nullptr);
    BlitBitmapToWindow(nullptr, 1, 1, bitmap);
    DeleteObject(bitmap);
    DestroyWindow(window);
}

TEST_F(BitmapHelpers, MaskIsAnOpaqueMonochromeBitmapOfTheSameSize)
{
    EXPECT_EQ(CreateMaskBitmap(nullptr), nullptr);
    HBITMAP bitmap = SolidBitmap(16, 16, RGB(9, 9, 9));
    HBITMAP mask = CreateMaskBitmap(bitmap);
    ASSERT_NE(mask, nullptr);
    BITMAP info;
    ASSERT_EQ(GetObjectA(mask, sizeof(info), &info), (int)sizeof(info));
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 16);
    EXPECT_EQ(info.bmPlanes, 1);
    EXPECT_EQ(info.bmBitsPixel, 1);
    std::vector<uint8_t> bits(info.bmWidthBytes * 16, 0xAA);
    ASSERT_EQ(GetBitmapBits(mask, (LONG)bits.size(), bits.data()), (LONG)bits.size());
    for (uint8_t b : bits)
        EXPECT_EQ(b, 0);
    gBitmapGdi.deleteObject(mask);
    DeleteObject(bitmap);
}

TEST_F(BitmapHelpers, WriteTimeOfMissingAndOfUnsharedOpenFiles)
{
    FILETIME time = {0x1234, 0x5678};
    EXPECT_EQ(GetFileWriteTime((base_ + "_nothing_here.txt").c_str(), &time), 0);
    EXPECT_EQ(time.dwLowDateTime, 0x1234u);
    EXPECT_EQ(time.dwHighDateTime, 0x5678u);

    std::string path = base_ + "_held.txt";
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SYSTEMTIME when = {2021, 3, 0, 14, 15, 9, 26, 0};
    FILETIME set;
    ASSERT_TRUE(SystemTimeToFileTime(&when, &set));
    ASSERT_TRUE(SetFileTime(held, nullptr, nullptr, &set));
    EXPECT_EQ(GetFileWriteTime(path.c_str(), &time), 1);
    EXPECT_EQ(CompareFileTime(&time, &set), 0);
    CloseHandle(held);
    DeleteFileA(path.c_str());
}

}  // namespace
