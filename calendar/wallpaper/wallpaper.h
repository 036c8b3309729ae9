// The daily desktop picture and the picture loaders.
#pragma once

#include <windows.h>

#include "imaging/is5.h"

struct PictureRecord;

// The record buffer the main dialog hands to ChangeWallpaper.
PictureRecord* GetMainPictureRecord();

// 1 when nothing was due or a new desktop picture was set, 0 when all tries failed.
int ChangeWallpaper(HWND window, HINSTANCE instance, int force, int keep, int manual, PictureRecord* record);

// Build the desktop picture (a 24-bit BMP of width x height) from a built-in
// month picture ("C01X".."C12X") or a picture file, with the record's fit mode
// and adjustments. The fifth argument has no effect. 1 when the BMP was written.
int RenderBuiltinWallpaper(const char* name, const char* outPath, int width, int height, int unused,
                           const PictureRecord* record);
int RenderFileWallpaper(const char* path, const char* outPath, int width, int height, int unused,
                        const PictureRecord* record);

// The record's brightness, contrast, saturation and sharpness, in place on
// packed 24-bit rows (stride width x 3).
void ProcessImage(BYTE* pixels, int width, int height, const PictureRecord* record);
// A new bitmap with the record's adjustments, or NULL; `work` holds width x height x 3 bytes.
HBITMAP ProcessBitmap(BYTE* work, HBITMAP bitmap, int width, int height, const PictureRecord* record);

// The picture of a source, read whole (JPEG 2000 by its own reader); NULL when
// the read failed or left a code, as a damaged file read partly does.
void* ReadWholePicture(HISSRC source, bool jpeg2000, uint32_t* width, uint32_t* height);

// Loaders: bitmaps that cover the box exactly, or NULL. Bitmaps are the caller's to delete.
HBITMAP ReadAndFitImage(HISSRC source, int readerType, int width, int height, int nearest);
HBITMAP LoadFromResource(const char* name, const char* type, int width, int height);
HBITMAP LoadFromFileEx(const char* path, int readerType, int width, int height, int nearest);
int GetReaderType(const char* path);
HBITMAP LoadFromFile(const char* path, int width, int height, int nearest);
HBITMAP LoadPreviewBitmap(HINSTANCE instance, const char* name, int width, int height);
