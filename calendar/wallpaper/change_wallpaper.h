// The edges of ChangeWallpaper: clock, random numbers, pauses, screen size,
// the desktop call and the renderer. The program keeps the defaults; tests
// replace them to run without waiting, without a desktop and without pictures.
#pragma once

#include <windows.h>

struct PictureRecord;

typedef int (*WallpaperRenderFn)(const char* name, const char* outPath, int width, int height, int unused,
                                 const PictureRecord* record);

struct WallpaperSeams {
    void (*getTime)(SYSTEMTIME* now);                                 // GetClockTime
    int (*random)();                                                  // rand
    void (*sleep)(DWORD ms);                                          // AppSleep
    void (*screenSize)(int* width, int* height);                      // SM_CXSCREEN, SM_CYSCREEN
    BOOL(WINAPI* systemParametersInfo)(UINT action, UINT param, PVOID value, UINT flags);
    WallpaperRenderFn renderBuiltin;                                  // RenderBuiltinWallpaper
    WallpaperRenderFn renderFile;                                     // RenderFileWallpaper
};

extern WallpaperSeams gWallpaperSeams;
// Puts the program's own edges back.
void ResetWallpaperSeams();

// As at program start: the next call past the first guard counts as the first
// after start (HGwechsel 0).
void SetWallpaperStartPending(int pending);

// Full path of "wallpaper.bmp" in AppData\Brantlow\Raridavezazezud (folders
// made when missing), or in the program's folder when that cannot be had.
void GetWallpaperPath(char* path, int size);
