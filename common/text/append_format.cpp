#include "common/text/append_format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void AppendFormat(char* buffer, size_t size, const char* format, ...)
{
    size_t used = strnlen(buffer, size);
    if (used + 1 >= size)
        return;
    va_list args;
    va_start(args, format);
    vsnprintf(buffer + used, size - used, format, args);
    va_end(args);
}
