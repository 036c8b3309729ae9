// Pictures and thumbnails as bitmaps of a given box size.
#include <windows.h>

#include "base/app.h"
#include "imaging/formats/jpeg2000/saj2k.h"
#include "imaging/is5.h"
#include "wallpaper/wallpaper.h"
#include "common/pictures/wallpaper_geometry.h"
#include "wallpaper/wallpaper_render.h"
#include "common/pictures/wallpaper_tables.h"
#include "common/win/resource_source.h"

namespace {

const int kReaderUnknown = 0;
const int kReaderWmf = 19;
const int kReaderJpeg2000 = 25;

// Scales a picture to cover width x height, cuts out the middle and makes a
// bitmap of it; the picture stays the caller's.
HBITMAP CoverToBitmap(const uint8_t* pixels, uint32_t w, uint32_t h, int width, int height, int32_t mode, HDC dc)
{
    if ((int64_t)w == width && (int64_t)h == height)
        return is5_RGBToHBITMAP(pixels, w, h, w * 3, nullptr, dc);
    WallpaperSize size;
    if (!ComputeWallpaperSize(w, h, width, height, true, &size))
        return nullptr;
    const SIZE_T scaledBytes = (SIZE_T)size.scaledWidth * (SIZE_T)size.scaledHeight * 3;
    uint8_t* scaled = (uint8_t*)GlobalAlloc(GMEM_ZEROINIT, scaledBytes);
    if (!scaled)
        return nullptr;
    HBITMAP bitmap = nullptr;
    if (is5_ResizeImage(pixels, (int32_t)w, (int32_t)h, (int32_t)(w * 3), scaled, size.scaledWidth,
                        size.scaledHeight, size.scaledWidth * 3, 3, mode, 0)) {
        if (size.scaledWidth == width && size.scaledHeight == height) {
            bitmap = is5_RGBToHBITMAP(scaled, (uint32_t)width, (uint32_t)height, (uint32_t)width * 3, nullptr, dc);
        } else if (uint8_t* kept = (uint8_t*)GlobalAlloc(GMEM_ZEROINIT, (SIZE_T)width * (SIZE_T)height * 3)) {
            RECT middle = {size.left, size.top, size.left + width, size.top + height};
            if (is5_CropImage(scaled, (uint32_t)size.scaledWidth, (uint32_t)size.scaledHeight,
                              (uint32_t)size.scaledWidth * 3, kept, (uint32_t)width * 3, &middle, 3))
                bitmap = is5_RGBToHBITMAP(kept, (uint32_t)width, (uint32_t)height, (uint32_t)width * 3, nullptr, dc);
            GlobalFree(kept);
        }
    }
    GlobalFree(scaled);
    return bitmap;
}

HBITMAP CoverWithDisplay(const uint8_t* pixels, uint32_t w, uint32_t h, int width, int height, int32_t mode)
{
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HBITMAP bitmap = CoverToBitmap(pixels, w, h, width, height, mode, dc);
    if (dc)
        DeleteDC(dc);
    return bitmap;
}

}  // namespace

void* ReadWholePicture(HISSRC source, bool jpeg2000, uint32_t* width, uint32_t* height)
{
    void* pixels = jpeg2000 ? SAJ2KReadImage(source, width, height, 24, 1.0, 0)
                            : is5_ReadImage(source, width, height, 0, 0);
    // A reader hands back what it read before a failure: never shown as a picture.
    if (pixels && ISGetLastError() != 0) {
        GlobalFree(pixels);
        pixels = nullptr;
    }
    return pixels;
}

HBITMAP ReadAndFitImage(HISSRC source, int readerType, int width, int height, int nearest)
{
    if (!source || width <= 0 || height <= 0)
        return nullptr;
    uint32_t w = 0, h = 0;
    void* pixels = ReadWholePicture(source, readerType == kReaderJpeg2000, &w, &h);
    if (!pixels)
        return nullptr;
    HBITMAP bitmap = CoverWithDisplay((const uint8_t*)pixels, w, h, width, height,
                                      nearest ? IS5_RESIZE_NEAREST : IS5_RESIZE_BILINEAR);
    GlobalFree(pixels);
    return bitmap;
}

HBITMAP LoadFromResource(const char* name, const char* type, int width, int height)
{
    HISSRC source = OpenResourceSource(ProgramModule(), name, type);
    if (!source)
        return nullptr;
    HBITMAP bitmap = ReadAndFitImage(source, kReaderUnknown, width, height, 0);
    is5_CloseSource(source);
    return bitmap;
}

HBITMAP LoadFromFileEx(const char* path, int readerType, int width, int height, int nearest)
{
    if (!path || width <= 0 || height <= 0)
        return nullptr;
    if (readerType == kReaderWmf) {
        // Drawn on grey; a picture that does not come out at the box size is
        // fitted like any other.
        uint32_t w = 0, h = 0;
        void* pixels = is5_ReadMetafile(path, &w, &h, (uint32_t)width, (uint32_t)height, 0x808080, 0);
        if (!pixels)
            return nullptr;
        HBITMAP bitmap = ((int64_t)w == width && (int64_t)h == height)
                             ? is5_RGBToHBITMAP(pixels, w, h, w * 3, nullptr, nullptr)
                             : CoverToBitmap((const uint8_t*)pixels, w, h, width, height,
                                             nearest ? IS5_RESIZE_NEAREST : IS5_RESIZE_BILINEAR, nullptr);
        GlobalFree(pixels);
        return bitmap;
    }
    HISSRC source = is5_OpenFileSource(path);
    if (!source)
        return nullptr;
    HBITMAP bitmap = ReadAndFitImage(source, readerType, width, height, nearest);
    is5_CloseSource(source);
    return bitmap;
}

int GetReaderType(const char* path)
{
    if (!path)
        return kReaderUnknown;
    HISSRC source = is5_OpenFileSource(path);
    if (!source)
        return kReaderUnknown;
    int type = kReaderJpeg2000;
    if (!HasJpeg2000Extension(path)) {
        type = ReaderTypeOfFileType(is5_GuessFileType(source));
        is5_Seek(source, 0, 0);
    }
    is5_CloseSource(source);
    return type;
}

HBITMAP LoadFromFile(const char* path, int width, int height, int nearest)
{
    int type = GetReaderType(path);
    if (type == kReaderUnknown)
        return nullptr;
    return LoadFromFileEx(path, type, width, height, nearest);
}

HBITMAP LoadPreviewBitmap(HINSTANCE instance, const char* name, int width, int height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    HISSRC source = OpenResourceSource(instance ? (HMODULE)instance : ProgramModule(), name, "PREVIEW");
    if (!source)
        return nullptr;
    uint32_t w = 0, h = 0;
    void* pixels = is5_ReadImage(source, &w, &h, 0, 0);
    is5_CloseSource(source);
    if (!pixels)
        return nullptr;
    HBITMAP bitmap = CoverWithDisplay((const uint8_t*)pixels, w, h, width, height, IS5_RESIZE_BILINEAR);
    GlobalFree(pixels);
    return bitmap;
}

HBITMAP ProcessBitmap(BYTE* work, HBITMAP bitmap, int width, int height, const PictureRecord* record)
{
    if (!work || !bitmap || width <= 0 || height <= 0)
        return nullptr;
    // The work buffer holds width x height pixels: a bitmap of another size
    // would be read past its end.
    BITMAP info;
    if (GetObjectA(bitmap, sizeof info, &info) != sizeof info || info.bmWidth != width ||
        (info.bmHeight != height && info.bmHeight != -height))
        return nullptr;
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HBITMAP result = nullptr;
    if (is5_HBITMAPToRGB(bitmap, dc, nullptr, work)) {
        ProcessImage(work, width, height, record);
        result = is5_RGBToHBITMAP(work, (uint32_t)width, (uint32_t)height, (uint32_t)width * 3, nullptr, dc);
    }
    if (dc)
        DeleteDC(dc);
    return result;
}
