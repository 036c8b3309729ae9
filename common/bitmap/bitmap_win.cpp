#include "common/bitmap/bitmap.h"

#include <cstdint>
#include <cstdlib>

#include "imaging/is5.h"

BitmapGdiCalls gBitmapGdi = {GetDC, ReleaseDC, CreateCompatibleDC, DeleteDC, CreateBitmap, DeleteObject};

namespace {

bool GetBitmapInfo(HBITMAP bitmap, BITMAP* info)
{
    return bitmap && GetObjectA(bitmap, sizeof(*info), info) == sizeof(*info) && info->bmWidth > 0 &&
           info->bmHeight != 0;
}

}  // namespace

int SaveBitmapAsJpeg(HBITMAP bitmap, int width, int height, const char* path)
{
    BITMAP info;
    if (!path || width <= 0 || height <= 0 || !GetBitmapInfo(bitmap, &info))
        return 0;
    // The conversion fills the bitmap's whole size, so the buffer must hold
    // that, whatever part of it the thumbnail takes.
    LONG bitmapHeight = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    if (width > info.bmWidth || height > bitmapHeight)
        return 0;
    uint64_t stride = (uint64_t)info.bmWidth * 3;
    uint64_t bytes = stride * (uint64_t)bitmapHeight;
    if (bytes > 0x7FFFFFFF)
        return 0;
    void* pixels = calloc((size_t)bytes, 1);
    if (!pixels)
        return 0;
    // Convert before the sink exists, so a failure leaves no file.
    HDC screen = gBitmapGdi.getDC(nullptr);
    BOOL converted = screen && is5_HBITMAPToRGB(bitmap, screen, nullptr, pixels);
    if (screen)
        gBitmapGdi.releaseDC(nullptr, screen);
    if (converted) {
        if (HISDEST sink = is5_OpenFileDest(path, 0)) {
            is5_WriteJPG(sink, pixels, (uint32_t)width, (uint32_t)height, 24, (uint32_t)stride, 40, nullptr, 0);
            bool written = ISGetLastError() == 0;
            is5_CloseDest(sink);
            if (!written)
                DeleteFileA(path);
        }
    }
    free(pixels);
    return 0;
}

void GetBitmapSize(HBITMAP bitmap, RECT* rect)
{
    if (!rect)
        return;
    BITMAP info;
    SetRect(rect, 0, 0, 0, 0);
    if (bitmap && GetObjectA(bitmap, sizeof(info), &info) == sizeof(info)) {
        rect->right = info.bmWidth;
        rect->bottom = info.bmHeight;
    }
}

void BlitBitmap(HDC dc, int x, int y, HBITMAP bitmap)
{
    BITMAP info;
    if (!dc || !GetBitmapInfo(bitmap, &info))
        return;
    HDC memory = gBitmapGdi.createCompatibleDC(dc);
    if (!memory)
        return;
    if (HGDIOBJ old = SelectObject(memory, bitmap)) {
        BitBlt(dc, x, y, info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    }
    gBitmapGdi.deleteDC(memory);
}

void BlitBitmapToWindow(HWND window, int x, int y, HBITMAP bitmap)
{
    if (!window || !bitmap)
        return;
    HDC dc = gBitmapGdi.getDC(window);
    if (!dc)
        return;
    BlitBitmap(dc, x, y, bitmap);
    gBitmapGdi.releaseDC(window, dc);
}

HBITMAP CreateMaskBitmap(HBITMAP bitmap)
{
    BITMAP info;
    if (!GetBitmapInfo(bitmap, &info))
        return nullptr;
    LONG height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    // Monochrome rows are padded to 16 bits; all zero is an opaque mask.
    uint64_t bytes = ((uint64_t)info.bmWidth + 15) / 16 * 2 * (uint64_t)height;
    if (bytes > 0x7FFFFFFF)
        return nullptr;
    void* bits = calloc((size_t)bytes, 1);
    if (!bits)
        return nullptr;
    HBITMAP mask = gBitmapGdi.createBitmap(info.bmWidth, height, 1, 1, bits);
    free(bits);
    return mask;
}

int GetFileWriteTime(const char* path, FILETIME* time)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !time || !GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return 0;
    *time = data.ftLastWriteTime;
    return 1;
}
