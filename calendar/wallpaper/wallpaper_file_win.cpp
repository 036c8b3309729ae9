#include "wallpaper/wallpaper_file.h"

#include <windows.h>

#include <string>

#include "imaging/is5.h"

namespace {

HISDEST OpenFileSink(const char* path)
{
    return is5_OpenFileDest(path, 0);
}

}  // namespace

WallpaperSinkOpener gOpenWallpaperSink = OpenFileSink;

int WriteWallpaperFile(const char* path, const uint8_t* pixels, int32_t width, int32_t height)
{
    if (!path || !*path || !pixels || width <= 0 || height <= 0)
        return 0;
    const uint64_t rowBytes = ((uint64_t)width * 3 + 3) & ~(uint64_t)3;
    const uint64_t fileBytes = 54 + rowBytes * (uint64_t)height;
    if (fileBytes > 0x7FFFFFFF)
        return 0;
    std::string temporary = std::string(path) + ".tmp";
    HISDEST dest = gOpenWallpaperSink(temporary.c_str());
    if (!dest)
        return 0;
    is5_WriteBMP(dest, pixels, (uint32_t)width, (uint32_t)height, 24, (uint32_t)width * 3, 0, nullptr, nullptr, 0);
    bool written = ISGetLastError() == 0;
    // The closed size tells whether every byte reached the file.
    int32_t size = is5_CloseDest(dest);
    written = written && (uint64_t)size == fileBytes;
    if (written && MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 1;
    DeleteFileA(temporary.c_str());
    return 0;
}
