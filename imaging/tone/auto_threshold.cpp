// Automatic grey threshold (between-class variance) and packing to 1 bit.
#include <memory>
#include <new>

#include "../convert/convert.h"
#include "../core/buffers.h"
#include "../core/frame.h"
#include "tone.h"

BOOL ISAutoThreshold(const BYTE* grey, BYTE* dst, int32_t width, int32_t height, int32_t srcStride,
                     int32_t dstStride, int32_t method, int32_t value, BOOL thresholdOnly, int32_t* cut,
                     int32_t* status)
{
    (void)value;
    int32_t dummy;
    if (!status)
        status = &dummy;
    *status = 0;
    if (!grey || method != 4 || width < 0 || height < 0 || srcStride < width ||
        (!thresholdOnly && (!dst || static_cast<int64_t>(dstStride) < (static_cast<int64_t>(width) + 7) / 8))) {
        *status = 5;
        return FALSE;
    }
    ISCallGuard guard;

    uint32_t histogram[256];
    uint32_t* counters[1] = {histogram};
    if (!ISHistogram(grey, width, height, 1, srcStride, counters, status))
        return FALSE;

    const uint64_t total = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    float moment = 0.0f;
    for (int i = 0; i < 256; ++i)
        moment += static_cast<float>(i) * static_cast<float>(histogram[i]);

    int32_t threshold = 0;
    double best = 0.0;
    uint64_t w0 = 0;
    float partial = 0.0f;
    for (int t = 0; t < 256; ++t) {
        w0 += histogram[t];
        partial += static_cast<float>(t) * static_cast<float>(histogram[t]);
        if (w0 == 0)
            continue;
        if (w0 == total)
            break;
        const uint64_t w1 = total - w0;
        const double m0 = partial / static_cast<double>(w0);
        const double m1 = (moment - partial) / static_cast<double>(w1);
        const double v = (m0 - m1) * (m0 - m1) * (static_cast<double>(w0) * static_cast<double>(w1));
        if (v > best) {
            best = v;
            threshold = t;
        }
    }
    const int32_t level = threshold + 1 < 255 ? threshold + 1 : 255;
    if (cut)
        *cut = level;
    if (thresholdOnly || width == 0 || height == 0)
        return TRUE;

    std::unique_ptr<BYTE[]> bits;
    if (total <= ISMaxAlloc())
        bits.reset(new (std::nothrow) BYTE[static_cast<size_t>(total)]);
    if (!bits) {
        *status = 1;
        return FALSE;
    }
    for (int32_t row = 0; row < height; ++row) {
        const BYTE* s = grey + static_cast<int64_t>(row) * srcStride;
        BYTE* d = bits.get() + static_cast<int64_t>(row) * width;
        for (int32_t i = 0; i < width; ++i)
            d[i] = s[i] >= level ? 1 : 0;
    }
    CISImgUtil util;
    if (!util.ISPackPixels(bits.get(), width, height, width, dst, 1, dstStride)) {
        *status = util.m_status;
        return FALSE;
    }
    return TRUE;
}
