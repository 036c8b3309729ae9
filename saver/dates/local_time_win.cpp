#include "common/dates/dates.h"

#include <windows.h>

void GetLocalTimeFields(int* day, int* month, int* year, int* hour, int* minute, int* second, int* weekday)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    *day = now.wDay;
    *month = now.wMonth;
    *year = now.wYear;
    *hour = now.wHour;
    *minute = now.wMinute;
    *second = now.wSecond;
    *weekday = now.wDayOfWeek;
}
