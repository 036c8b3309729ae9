// Exchange of the first and third sample of every pixel, row by row, for
// readers whose files store B,G,R. Stride padding is never touched. Each
// returns FALSE with *status 5 for null pixels; status may be null.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../platform/winshim.h"

// 16-bit samples, 3 a pixel; stride in samples.
BOOL ISSwapRBRows48(uint16_t* pixels, uint32_t pixelsPerRow, uint32_t rows, size_t strideSamples,
                    int32_t* status = nullptr);
// 16-bit samples, 4 a pixel; stride in samples.
BOOL ISSwapRBRows64(uint16_t* pixels, uint32_t pixelsPerRow, uint32_t rows, size_t strideSamples,
                    int32_t* status = nullptr);
// 8-bit samples, 4 a pixel; stride in bytes.
BOOL ISSwapRBRows32(BYTE* pixels, uint32_t pixelsPerRow, uint32_t rows, size_t strideBytes,
                    int32_t* status = nullptr);
