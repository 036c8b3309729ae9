// Rules of the values the screen saver reads besides "SCR"; portable.
#pragma once

// `Feiertage` outside 0..18 is no region.
int HolidayRegionOrNone(int region);
// "iFirstDayOfWeek" as text: 0 Monday .. 6 Sunday; missing or outside, 0.
int ParseFirstDayOfWeek(const char* text);
