// Gamma correction through one 256-entry table (the screen saver's pictures).
#include <cmath>
#include <cstdint>

#include "../core/frame.h"
#include "../is5.h"
#include "tone.h"

BOOL ISGammaTable(double gamma, BYTE table[256])
{
    // NaN slips through a plain "below 0" test; infinity would give exponent 0.
    if (!std::isfinite(gamma) || gamma < 0.0)
        return FALSE;
    const double exponent = gamma == 0.0 ? 1.0 : 1.0 / gamma;
    for (int i = 0; i < 256; ++i) {
        // From a gamma of about 7e13 on, the power rounds to 1.0 and the entry
        // would be 256, which a byte wraps to 0.
        const double v = 256.0 * std::pow(i / 256.0, exponent);
        table[i] = static_cast<BYTE>(v < 255.0 ? v : 255.0);
    }
    return TRUE;
}

BOOL ISAdjustGammaImpl(BYTE* pixels, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride,
                       double gamma, uint32_t flags, int32_t* status)
{
    int32_t dummy;
    if (!status)
        status = &dummy;
    *status = 0;
    BYTE table[256];
    // The table routine counts in int32_t: larger geometry cannot be a real buffer.
    if (!ISGammaTable(gamma, table) || !pixels || channels < 1 || channels > 4 || width > INT32_MAX ||
        height > INT32_MAX || stride > INT32_MAX || uint64_t(stride) < uint64_t(width) * channels) {
        *status = 5;
        return FALSE;
    }
    if (width == 0 || height == 0)
        return TRUE;
    const BYTE* tables[4] = {table, table, table, table};
    if (channels == 4 && !(flags & kISGammaAlpha))
        tables[3] = nullptr;
    // The table routine holds the call depth itself, so its rows report progress.
    return ISApplyChannelLUT(pixels, int32_t(width), int32_t(height), int32_t(channels), int32_t(stride), tables,
                             status);
}

BOOL is5_AdjustGamma(void* pixels, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride, double gamma,
                     uint32_t flags)
{
    static const char kName[] = "is5_AdjustGamma";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    int32_t status = 0;
    ISAdjustGammaImpl(static_cast<BYTE*>(pixels), width, height, channels, stride, gamma, flags, &status);
    ISSetLastError(status, kName);
    return status == 0;
}
