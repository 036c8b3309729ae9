// Whether a picture record may be shown at a moment. The screen saver applies
// the same rule, so this file stays portable and free of program state.
#pragma once

// state: usable when > 1; weekdayMask: bit 0 Sunday .. bit 6 Saturday;
// a window whose end is below its start wraps over midnight or the new year.
// hourTo 24 admits every hour up to the end of the day.
bool IsPictureUsable(int state, int weekdayMask, int hourFrom, int hourTo, int monthFrom, int monthTo,
                     int weekday, int hour, int month);

struct PictureRecord;

// The same rule over a record's fields.
bool IsRecordUsable(const PictureRecord& record, int weekday, int hour, int month);
