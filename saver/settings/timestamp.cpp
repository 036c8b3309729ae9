#include "settings/timestamp.h"

#include <cstdio>

void FormatTimestampFields(int day, int month, int year, int hour, int minute, int second, char* buffer, int size)
{
    if (size <= 0)
        return;
    snprintf(buffer, (size_t)size, "%02d.%02d.%02d %02d:%02d.%02d", day, month, year, hour, minute, second);
}
