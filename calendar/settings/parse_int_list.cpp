#include "settings/parse_int_list.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

int ParseIntList(const char* text, int* values, int n)
{
    for (int i = 0; i < n; i++)
        values[i] = 0;
    if (!text)
        return 0;
    char copy[257];
    strncpy(copy, text, 256);
    copy[256] = 0;

    int count = 0;
    const char* p = copy;
    while (count < n) {
        p = strpbrk(p, "0123456789-");
        if (!p)
            break;
        // strtol saturates at LONG_MIN/MAX; clamp that to int, so an overlong
        // number gives the nearest int instead of an undefined conversion.
        errno = 0;
        long v = strtol(p, nullptr, 10);
        if (v > INT_MAX)
            v = INT_MAX;
        if (v < INT_MIN)
            v = INT_MIN;
        values[count++] = (int)v;
        p = strpbrk(p, ",; ");
        if (!p)
            break;
    }
    return count;
}
