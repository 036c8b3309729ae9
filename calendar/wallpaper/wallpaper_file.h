// Writing the desktop picture file.
#pragma once

#include <cstdint>

#include "imaging/is5.h"

// Writes a 24-bit BMP of packed rows (width x 3 bytes, top-down) under a
// temporary name beside `path` and only then replaces `path` with it, so the
// desktop never sees a half-written file. 1 on success; on failure `path` is
// as it was and no temporary file is left.
int WriteWallpaperFile(const char* path, const uint8_t* pixels, int32_t width, int32_t height);

// Opens the sink of the work file (is5_OpenFileDest); tests put one here that
// fails part way.
typedef HISDEST (*WallpaperSinkOpener)(const char* path);
extern WallpaperSinkOpener gOpenWallpaperSink;
