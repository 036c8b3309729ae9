// Without GDI there is nothing to play a metafile with.
#ifndef _WIN32
#include "../core/frame.h"

extern "C" void* is5_ReadMetafile(const char*, uint32_t* width, uint32_t* height, uint32_t, uint32_t, COLORREF,
                                  uint32_t)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (ISGetThreadState())
        ISSetLastError(45, "is5_ReadMetafile");
    return nullptr;
}
#endif
