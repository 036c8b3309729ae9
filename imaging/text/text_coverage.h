// Coverage of smoothed text from its supersampled 1-bit mask. Portable: no
// GDI here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../platform/winshim.h"

// A rectangle of whole k x k blocks of a mask, right and bottom excluded.
struct ISMaskBlocks {
    int32_t left, top, right, bottom;
};

// The smallest rectangle of whole k x k blocks that holds every set bit of a
// 1-bit mask of width x height bits (rows of `stride` bytes, the most
// significant bit first; bits at and past `width` are not looked at). False
// when no bit is set.
bool ISFindInkBlocks(const BYTE* bits, size_t stride, int32_t width, int32_t height, int32_t k, ISMaskBlocks* blocks);

// One coverage byte per block of `blocks`: trunc(on x set bits / k²), which
// is what unpacking the mask to 0 or `on` per pixel and decimating it by k
// gives. Rows of `outStride` bytes.
void ISShrinkTextMask(const BYTE* bits, size_t stride, int32_t k, BYTE on, const ISMaskBlocks& blocks, BYTE* out,
                      size_t outStride);
