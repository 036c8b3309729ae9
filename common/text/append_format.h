// Formatted text onto the end of a bounded buffer.
#pragma once

#include <cstddef>

// vsnprintf onto the end of the text in buffer (size bytes in all): cut when
// full, always terminated.
#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 3, 4)))
#elif defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
void AppendFormat(char* buffer, size_t size, const char* format, ...);
