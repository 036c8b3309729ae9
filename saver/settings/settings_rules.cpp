#include "settings/settings_rules.h"

#include <cstdlib>

#include "common/dates/dates.h"

int HolidayRegionOrNone(int region)
{
    return region >= 0 && region < HOLIDAY_REGION_COUNT ? region : HOLIDAY_REGION_NONE;
}

int ParseFirstDayOfWeek(const char* text)
{
    // atoi's reading without its overflow; a negative day would index the
    // weekday names with a negative remainder.
    long day = text ? strtol(text, nullptr, 10) : 0;
    return day >= 0 && day <= 6 ? (int)day : 0;
}
