#include "common/picturedb/picture_usable.h"

#include "common/picturedb/picture_record.h"

namespace {

// [from, to], or from..last and first..to when the window wraps.
bool InWindow(int value, int from, int to, int first, int last)
{
    if (to < from)
        return (from <= value && value <= last) || (first <= value && value <= to);
    return from <= value && value <= to;
}

}  // namespace

bool IsPictureUsable(int state, int weekdayMask, int hourFrom, int hourTo, int monthFrom, int monthTo,
                     int weekday, int hour, int month)
{
    if (state <= 1)
        return false;
    if (weekday < 0 || weekday > 15 || !(weekdayMask & (1 << weekday)))
        return false;
    return InWindow(hour, hourFrom, hourTo, 0, 23) && InWindow(month, monthFrom, monthTo, 1, 12);
}

bool IsRecordUsable(const PictureRecord& record, int weekday, int hour, int month)
{
    return IsPictureUsable(record.state, record.weekdayMask, record.hourFrom, record.hourTo, record.monthFrom,
                           record.monthTo, weekday, hour, month);
}
