// Stand-in until the desktop picture is built: nothing is due, no pictures load.
#include "wallpaper/wallpaper.h"

#include "app/standin_log.h"

PictureRecord* GetMainPictureRecord()
{
    return nullptr;
}

int ChangeWallpaper(HWND, HINSTANCE, int force, int keep, int manual, PictureRecord*)
{
    LogStandInCall("ChangeWallpaper(force %d, keep %d, manual %d)", force, keep, manual);
    return 1;
}

HBITMAP LoadFromResource(const char* name, const char* type, int width, int height)
{
    LogStandInCall("LoadFromResource(%s, %s, %d, %d)", name, type, width, height);
    return nullptr;
}
