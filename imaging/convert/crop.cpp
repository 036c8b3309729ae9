// Row copies and rectangle crops, and the interface entry is5_CropImage.
#include "convert.h"

#include <cstring>

#include "../core/frame.h"

BOOL CISImgUtil::ISCopyRows(const BYTE* source, size_t sourceStride, uint32_t rows, size_t targetStride,
                            BYTE* target)
{
    if (!source || !target)
        return Fail(5);
    const size_t bytes = sourceStride < targetStride ? sourceStride : targetStride;
    for (uint32_t y = 0; y < rows; ++y)
        memmove(target + y * targetStride, source + y * sourceStride, bytes);
    return TRUE;
}

BOOL CISImgUtil::ISCropRect(const BYTE* source, BYTE* target, uint32_t width, uint32_t height,
                            uint32_t bytesPerPixel, int64_t left, int64_t top, int64_t cropWidth,
                            int64_t cropHeight, size_t sourceStride, size_t targetStride)
{
    // Every bound is checked before anything is copied; sums stay in 64 bits.
    if (!source || !target || source == target || bytesPerPixel == 0)
        return Fail(5);
    if (left < 0 || top < 0 || cropWidth < 0 || cropHeight < 0)
        return Fail(5);
    if (left >= width || top >= height || left + cropWidth > width || top + cropHeight > height)
        return Fail(5);
    const uint64_t pixel = bytesPerPixel;
    if (sourceStride < uint64_t(width) * pixel || targetStride < uint64_t(cropWidth) * pixel)
        return Fail(5);

    ISCallGuard depth;
    const size_t rowBytes = static_cast<size_t>(cropWidth) * pixel;
    const BYTE* in = source + static_cast<size_t>(top) * sourceStride + static_cast<size_t>(left) * pixel;
    for (int64_t y = 0; y < cropHeight; ++y) {
        memcpy(target + static_cast<size_t>(y) * targetStride, in + static_cast<size_t>(y) * sourceStride, rowBytes);
        if (ISCallProgress(static_cast<int32_t>(y + 1), static_cast<int32_t>(cropHeight)))
            return Fail(14);
    }
    return TRUE;
}

extern "C" BOOL is5_CropImage(const void* source, uint32_t width, uint32_t height, uint32_t stride, void* target,
                              uint32_t targetStride, const RECT* rect, uint32_t bytesPerPixel)
{
    static const char kName[] = "is5_CropImage";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    if (!source || !target || !rect) {
        ISSetLastError(5, kName);
        return FALSE;
    }
    const int64_t left = rect->left;
    const int64_t top = rect->top;
    CISImgUtil op;
    const BOOL ok = op.ISCropRect(static_cast<const BYTE*>(source), static_cast<BYTE*>(target), width, height,
                                  bytesPerPixel, left, top, int64_t(rect->right) - left, int64_t(rect->bottom) - top,
                                  stride, targetStride);
    ISSetLastError(op.m_status, kName);
    return ok;
}
