// The daily desktop picture and the picture loaders.
#pragma once

#include <windows.h>

struct PictureRecord;

// The record buffer the main dialog hands to ChangeWallpaper.
PictureRecord* GetMainPictureRecord();

// 1 when nothing was due or a new desktop picture was set, 0 when all tries failed.
int ChangeWallpaper(HWND window, HINSTANCE instance, int force, int keep, int manual, PictureRecord* record);

// A picture from the program's resources fitted to width x height, or NULL.
HBITMAP LoadFromResource(const char* name, const char* type, int width, int height);
