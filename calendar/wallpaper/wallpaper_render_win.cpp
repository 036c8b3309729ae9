#include <windows.h>

#include "base/app.h"
#include "imaging/formats/jpeg2000/saj2k.h"
#include "imaging/is5.h"
#include "common/win/display.h"
#include "common/win/resource_source.h"
#include "wallpaper/wallpaper.h"
#include "wallpaper/wallpaper_file.h"
#include "wallpaper/wallpaper_render.h"
#include "common/pictures/wallpaper_tables.h"
#include "text/text.h"

namespace {

// A month picture of the program file; its own JPEG 2000 reader when the
// generic reader does not know it.
void* ReadBuiltinPicture(const char* name, uint32_t* width, uint32_t* height)
{
    HISSRC source = OpenResourceSource(ProgramModule(), name, "KALENDER");
    if (!source)
        return nullptr;
    void* pixels = is5_ReadImage(source, width, height, 0, 0);
    if (!pixels) {
        is5_Seek(source, 0, 0);
        pixels = SAJ2KReadImage(source, width, height, 24, 1.0, 0);
    }
    is5_CloseSource(source);
    return pixels;
}

// A damaged file can come back partly read: never a wallpaper. The caller
// draws another picture.
void* ReadPictureFile(const char* path, uint32_t* width, uint32_t* height)
{
    void* pixels = nullptr;
    if (HISSRC source = is5_OpenFileSource(path)) {
        pixels = ReadWholePicture(source, HasJpeg2000Extension(path), width, height);
        is5_CloseSource(source);
    }
    if (!pixels)
        LogLine("Hintergrundbild nicht lesbar: %s", path);
    return pixels;
}

int RenderWallpaper(void* picture, uint32_t pictureWidth, uint32_t pictureHeight, const char* outPath, int width,
                    int height, const PictureRecord* record)
{
    if (!picture)
        return 0;
    uint8_t* pixels = BuildWallpaperPixels((const uint8_t*)picture, pictureWidth, pictureHeight, width, height,
                                           record, !IsTrueColorDisplay());
    GlobalFree(picture);
    if (!pixels)
        return 0;
    int written = WriteWallpaperFile(outPath, pixels, width, height);
    GlobalFree(pixels);
    return written;
}

}  // namespace

int RenderBuiltinWallpaper(const char* name, const char* outPath, int width, int height, int,
                           const PictureRecord* record)
{
    if (!name || !outPath || !record)
        return 0;
    uint32_t w = 0, h = 0;
    void* picture = ReadBuiltinPicture(name, &w, &h);
    return RenderWallpaper(picture, w, h, outPath, width, height, record);
}

int RenderFileWallpaper(const char* path, const char* outPath, int width, int height, int,
                        const PictureRecord* record)
{
    if (!path || !outPath || !record)
        return 0;
    uint32_t w = 0, h = 0;
    void* picture = ReadPictureFile(path, &w, &h);
    return RenderWallpaper(picture, w, h, outPath, width, height, record);
}
