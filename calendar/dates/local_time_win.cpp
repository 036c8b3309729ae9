#include "common/dates/dates.h"

#include "base/seams.h"

void GetLocalTimeFields(int* day, int* month, int* year, int* hour, int* minute, int* second, int* weekday)
{
    SYSTEMTIME now;
    GetClockTime(&now);
    *day = now.wDay;
    *month = now.wMonth;
    *year = now.wYear;
    *hour = now.wHour;
    *minute = now.wMinute;
    *second = now.wSecond;
    *weekday = now.wDayOfWeek;
}
