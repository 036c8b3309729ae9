// Red and blue exchange in packed 3- and 4-byte pixels.
#include "convert.h"

#include <utility>

void ISSwapRB24(BYTE* pixels, uint32_t width, uint32_t height)
{
    if (!pixels)
        return;
    const uint64_t count = uint64_t(width) * height;
    for (uint64_t i = 0; i < count; ++i, pixels += 3)
        std::swap(pixels[0], pixels[2]);
}

void ISSwapRB32(BYTE* pixels, uint32_t width, uint32_t height)
{
    if (!pixels)
        return;
    const uint64_t count = uint64_t(width) * height;
    for (uint64_t i = 0; i < count; ++i, pixels += 4)
        std::swap(pixels[0], pixels[2]);
}
