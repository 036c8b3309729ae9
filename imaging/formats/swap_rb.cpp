// Red and blue exchange over rows of 3- and 4-sample pixels.
#include "swap_rb.h"

namespace {

template <typename T>
BOOL SwapRows(T* pixels, uint32_t pixelsPerRow, uint32_t rows, size_t stride, uint32_t samples, int32_t* status)
{
    if (status)
        *status = 0;
    if (!pixels) {
        if (status)
            *status = 5;
        return FALSE;
    }
    for (uint32_t y = 0; y < rows; ++y) {
        T* p = pixels + y * stride;
        for (uint32_t x = 0; x < pixelsPerRow; ++x, p += samples) {
            T t = p[0];
            p[0] = p[2];
            p[2] = t;
        }
    }
    return TRUE;
}

}  // namespace

BOOL ISSwapRBRows48(uint16_t* pixels, uint32_t pixelsPerRow, uint32_t rows, size_t strideSamples, int32_t* status)
{
    return SwapRows(pixels, pixelsPerRow, rows, strideSamples, 3, status);
}

BOOL ISSwapRBRows64(uint16_t* pixels, uint32_t pixelsPerRow, uint32_t rows, size_t strideSamples, int32_t* status)
{
    return SwapRows(pixels, pixelsPerRow, rows, strideSamples, 4, status);
}

BOOL ISSwapRBRows32(BYTE* pixels, uint32_t pixelsPerRow, uint32_t rows, size_t strideBytes, int32_t* status)
{
    return SwapRows(pixels, pixelsPerRow, rows, strideBytes, 4, status);
}
