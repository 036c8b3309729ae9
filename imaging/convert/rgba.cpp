// 3-byte pixels to 4-byte pixels with a given alpha, and is5_RGBToRGBA.
#include "convert.h"

#include "../core/frame.h"

BOOL CISImgUtil::ISRGBToRGBAImpl(const BYTE* source, uint32_t width, uint32_t height, size_t sourceStride,
                                 size_t targetStride, BYTE alpha, BYTE* target)
{
    if (!source || !target)
        return Fail(5);
    ISCallGuard depth;
    for (uint32_t y = 0; y < height; ++y) {
        const BYTE* in = source + size_t(y) * sourceStride;
        BYTE* out = target + size_t(y) * targetStride;
        for (uint32_t x = 0; x < width; ++x, in += 3, out += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            out[3] = alpha;
        }
        if (ISCallProgress(static_cast<int32_t>(y + 1), static_cast<int32_t>(height)))
            return Fail(14);
    }
    return TRUE;
}

extern "C" BOOL is5_RGBToRGBA(const void* source, uint32_t width, uint32_t height, uint32_t stride, void* target,
                              uint32_t targetStride, uint32_t alpha)
{
    static const char kName[] = "is5_RGBToRGBA";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    CISImgUtil op;
    const BOOL ok = op.ISRGBToRGBAImpl(static_cast<const BYTE*>(source), width, height, stride, targetStride,
                                       static_cast<BYTE>(alpha), static_cast<BYTE*>(target));
    ISSetLastError(op.m_status, kName);
    return ok;
}
