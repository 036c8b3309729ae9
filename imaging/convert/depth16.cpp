// 16-bit samples to 8-bit samples.
#include "convert.h"

#include <cstring>

BOOL CISImgUtil::ISConvert16To8Bit(const uint16_t* source, uint32_t pixelsPerRow, uint32_t rows,
                                   uint32_t channels, size_t sourceStrideSamples, BYTE* target,
                                   size_t targetStride, uint32_t flags)
{
    if (!source || !target || static_cast<const void*>(source) == static_cast<const void*>(target))
        return Fail(5);
    const size_t samples = size_t(pixelsPerRow) * channels;
    const bool firstByte = (flags & 1) != 0;
    for (uint32_t y = 0; y < rows; ++y) {
        const uint16_t* in = source + size_t(y) * sourceStrideSamples;
        BYTE* out = target + size_t(y) * targetStride;
        if (firstByte) {
            const BYTE* bytes = reinterpret_cast<const BYTE*>(in);
            for (size_t i = 0; i < samples; ++i)
                out[i] = bytes[2 * i];
            continue;
        }
        for (size_t i = 0; i < samples; ++i) {
            const int32_t h = in[i] >> 8;
            const int32_t l = in[i] & 0xFF;
            // Rounds to the nearest of h and h + 1 on the 257-step scale.
            out[i] = static_cast<BYTE>(l - h > 128 ? h + 1 : h);
        }
    }
    return TRUE;
}
