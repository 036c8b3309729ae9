// Stand-in until the picture loaders are built: no pictures load.
#include "wallpaper/wallpaper.h"

#include "app/standin_log.h"

HBITMAP LoadFromResource(const char* name, const char* type, int width, int height)
{
    LogStandInCall("LoadFromResource(%s, %s, %d, %d)", name, type, width, height);
    return nullptr;
}
