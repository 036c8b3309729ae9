// Per-channel lookup tables (brightness and contrast, the screen saver's gamma).
#include "../core/frame.h"
#include "tone.h"

BOOL ISApplyChannelLUT(BYTE* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                       const BYTE* const* tables, int32_t* status)
{
    int32_t dummy;
    if (!status)
        status = &dummy;
    *status = 0;
    if (!pixels || !tables || width < 0 || height < 0 || channels < 1 ||
        static_cast<int64_t>(stride) < static_cast<int64_t>(width) * channels) {
        *status = 5;
        return FALSE;
    }
    ISCallGuard guard;
    bool any = false;
    for (int32_t c = 0; c < channels; ++c)
        any = any || tables[c] != nullptr;
    if (!any)
        return TRUE;

    for (int32_t row = 0; row < height; ++row) {
        BYTE* p = pixels + static_cast<int64_t>(row) * stride;
        if (channels == 1) {
            const BYTE* t = tables[0];
            for (int32_t i = 0; i < width; ++i)
                p[i] = t[p[i]];
        } else {
            for (int32_t c = 0; c < channels; ++c) {
                const BYTE* t = tables[c];
                if (!t)
                    continue;
                BYTE* q = p + c;
                for (int32_t i = 0; i < width; ++i, q += channels)
                    *q = t[*q];
            }
        }
        if (ISCallProgress(row, height)) {
            *status = 14;
            return FALSE;
        }
    }
    return TRUE;
}
