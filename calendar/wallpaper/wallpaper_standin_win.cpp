// Stand-in until the desktop picture is built: nothing is due.
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
