// Small bitmap and file helpers: JPEG thumbnails, bitmap size, blits, the
// tray icon's mask and a file's last-write time.
#pragma once

#include <windows.h>

// Writes the top-left width x height of `bitmap` as a JPEG of quality 40;
// a failure leaves no file. Returns 0 in every case.
int SaveBitmapAsJpeg(HBITMAP bitmap, int width, int height, const char* path);
// (0, 0, width, height) of the bitmap.
void GetBitmapSize(HBITMAP bitmap, RECT* rect);
// Copies the whole bitmap to (x, y); nothing for a null DC or bitmap.
void BlitBitmap(HDC dc, int x, int y, HBITMAP bitmap);
void BlitBitmapToWindow(HWND window, int x, int y, HBITMAP bitmap);
// A monochrome bitmap of the same size, all bits 0; NULL for a null bitmap.
HBITMAP CreateMaskBitmap(HBITMAP bitmap);
// 1 and the last-write time, or 0 with `time` untouched when the file is missing.
int GetFileWriteTime(const char* path, FILETIME* time);

// The GDI calls through which the helpers make and free their DCs and
// objects; tests count them.
struct BitmapGdiCalls {
    HDC(WINAPI* getDC)(HWND);
    int(WINAPI* releaseDC)(HWND, HDC);
    HDC(WINAPI* createCompatibleDC)(HDC);
    BOOL(WINAPI* deleteDC)(HDC);
    HBITMAP(WINAPI* createBitmap)(int, int, UINT, UINT, const void*);
    BOOL(WINAPI* deleteObject)(HGDIOBJ);
};
extern BitmapGdiCalls gBitmapGdi;
