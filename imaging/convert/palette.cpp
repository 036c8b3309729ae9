// Palette indices and 1-bit rows to 3-byte pixels, and is5_8BitToRGB.
#include "convert.h"

#include "../core/buffers.h"
#include "../core/frame.h"

BOOL CISImgUtil::ISPaletteToRGB(const BYTE* indices, BYTE* target, uint32_t width, uint32_t height,
                                size_t sourceStride, size_t targetStride, int32_t /*unused*/,
                                const RGBQUAD* palette, uint32_t flags)
{
    if (!indices || !target || !palette)
        return Fail(5);
    ISCallGuard depth;
    const bool bgr = (flags & 1) != 0;
    for (uint32_t y = 0; y < height; ++y) {
        const BYTE* in = indices + size_t(y) * sourceStride;
        BYTE* out = target + size_t(y) * targetStride;
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            const RGBQUAD& q = palette[in[x]];
            out[0] = bgr ? q.rgbBlue : q.rgbRed;
            out[1] = q.rgbGreen;
            out[2] = bgr ? q.rgbRed : q.rgbBlue;
        }
        if (ISCallProgress(static_cast<int32_t>(y + 1), static_cast<int32_t>(height)))
            return Fail(14);
    }
    return TRUE;
}

BOOL CISImgUtil::ISMonoToRGB(const BYTE* source, uint32_t width, uint32_t rows, size_t sourceStride,
                             const RGBQUAD* palette, BYTE* target, size_t targetStride)
{
    if (!source || !target || !palette)
        return Fail(5);
    if (width == 0 || rows == 0)
        return TRUE;
    ISArray<BYTE> row;
    if (width > INT32_MAX || !row.Resize(static_cast<int32_t>(width)))
        return Fail(1);
    // Only entries 0 and 1 exist; the unpacked indices never go beyond them.
    RGBQUAD two[256] = {};
    two[0] = palette[0];
    two[1] = palette[1];
    for (uint32_t y = 0; y < rows; ++y) {
        if (!ISUnpackPixels(source + size_t(y) * sourceStride, width, 1, 1, row.GetData()))
            return FALSE;
        if (!ISPaletteToRGB(row.GetData(), target + size_t(y) * targetStride, width, 1, width, 0, 0, two, 0))
            return FALSE;
    }
    return TRUE;
}

extern "C" BOOL is5_8BitToRGB(const void* indices, uint32_t width, uint32_t height, uint32_t stride, void* target,
                              uint32_t targetStride, int32_t unused, const RGBQUAD* palette, uint32_t flags)
{
    static const char kName[] = "is5_8BitToRGB";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    CISImgUtil op;
    const BOOL ok = op.ISPaletteToRGB(static_cast<const BYTE*>(indices), static_cast<BYTE*>(target), width, height,
                                      stride, targetStride, unused, palette, flags);
    ISSetLastError(op.m_status, kName);
    return ok;
}
