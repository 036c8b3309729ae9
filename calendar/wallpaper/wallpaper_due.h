// When the desktop picture changes, by the setting HGwechsel. Portable: the
// clock and the current picture's standing are passed in.
#pragma once

// HGwechsel values.
enum {
    WALLPAPER_EACH_START = 0,
    WALLPAPER_HOURLY = 1,
    WALLPAPER_DAILY = 2,
    WALLPAPER_ON_REQUEST = 99,
};

// A call that does nothing at all: "only on request" and neither a manual
// call nor keep with force.
bool WallpaperCallIgnored(int changeMode, int force, int keep, int manual);

struct WallpaperMoment {
    int hour, day, month;
};

// Whether a new picture is due. currentUsable: OldPic names a record of the
// database that is not removed and usable now.
bool WallpaperNeedsNew(int changeMode, bool currentUsable, bool startPending, int force, int manual,
                       const WallpaperMoment& now, const WallpaperMoment& last);
