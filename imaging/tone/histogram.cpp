// Per-channel histograms of 8-bit samples.
#include <cstring>

#include "../core/frame.h"
#include "tone.h"

BOOL ISHistogram(const BYTE* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                 uint32_t* const* counters, int32_t* status)
{
    int32_t dummy;
    if (!status)
        status = &dummy;
    *status = 0;
    if (!pixels || !counters || width < 0 || height < 0 || channels < 1 ||
        static_cast<int64_t>(stride) < static_cast<int64_t>(width) * channels) {
        *status = 5;
        return FALSE;
    }
    ISCallGuard guard;
    for (int32_t c = 0; c < channels; ++c) {
        uint32_t* h = counters[c];
        if (!h)
            continue;
        std::memset(h, 0, 256 * sizeof(uint32_t));
        for (int32_t row = 0; row < height; ++row) {
            const BYTE* p = pixels + static_cast<int64_t>(row) * stride + c;
            for (int32_t i = 0; i < width; ++i, p += channels)
                ++h[*p];
        }
        if (ISCallProgress(c, channels)) {
            *status = 14;
            return FALSE;
        }
    }
    return TRUE;
}
