#include "wallpaper/wallpaper_due.h"

bool WallpaperCallIgnored(int changeMode, int force, int keep, int manual)
{
    return changeMode == WALLPAPER_ON_REQUEST && !manual && !(keep && force);
}

bool WallpaperNeedsNew(int changeMode, bool currentUsable, bool startPending, int force, int manual,
                       const WallpaperMoment& now, const WallpaperMoment& last)
{
    if (!currentUsable)
        return true;
    switch (changeMode) {
    case WALLPAPER_EACH_START:
        return startPending || force;
    case WALLPAPER_HOURLY:
        return now.hour != last.hour || now.day != last.day || now.month != last.month;
    case WALLPAPER_DAILY:
        return now.day != last.day || now.month != last.month;
    case WALLPAPER_ON_REQUEST:
        return manual && force;
    default:
        return false;
    }
}
