// Unsharp mask: blur into the destination, then push each sample away from
// its blurred value; and the interface entry is5_UnsharpMaskImage.
#include <cmath>

#include "../core/frame.h"
#include "blur.h"

namespace {

uint32_t Sharpen(uint32_t o, uint32_t b, uint32_t threshold, double amount, uint32_t maximum)
{
    const int64_t d = int64_t(o) - int64_t(b);
    if (uint64_t(d < 0 ? -d : d) <= threshold)
        return o;
    const double v = double(o) + std::trunc(double(d) * amount);
    if (!(v > 0.0))
        return 0;
    return v >= double(maximum) ? maximum : uint32_t(v);
}

template <typename T>
BOOL UnsharpMask(const T* src, T* dst, const ISBlurGeometry& g, int32_t threshold, double amount, double sigma,
                 uint32_t flags, uint32_t maximum, int32_t* status)
{
    ISCallGuard depth;
    const bool hasProgress = ISHasProgressCallback() != FALSE;
    *status = 5;
    if (!src || !dst || src == dst || !ISBlurGeometryValid(g) || !std::isfinite(amount) || !std::isfinite(sigma))
        return FALSE;
    *status = 0;

    CISGaussian gaussian;
    BOOL blurred;
    if constexpr (sizeof(T) == 1)
        blurred = gaussian.ISGaussianBlur8(src, dst, g, sigma, flags);
    else
        blurred = gaussian.ISGaussianBlur16(src, dst, g, sigma, flags);
    if (!blurred) {
        *status = gaussian.m_status;
        return FALSE;
    }

    const uint32_t limit = uint32_t(threshold);  // -1 sharpens nothing
    ISArray<BYTE> table;
    if constexpr (sizeof(T) == 1) {
        if (!table.Resize(65536)) {
            *status = 1;
            return FALSE;
        }
        for (uint32_t b = 0; b < 256; ++b)
            for (uint32_t o = 0; o < 256; ++o)
                table[b * 256 + o] = BYTE(Sharpen(o, b, limit, amount, 255));
    }

    // Row by row over every processed channel at once. The rows of the
    // channels are still numbered k = 0, 1, 2, ... (a row of the m processed
    // channels is k = m * y .. m * y + m - 1), so the polls come in the same
    // order with the same values as channel by channel.
    const uint32_t channels = g.channels;
    uint32_t processed[8];
    uint32_t m = 0;
    for (uint32_t c = 0; c < channels; ++c)
        if (flags & (1u << c))
            processed[m++] = c;
    const bool whole = m == channels;
    const size_t rowLength = size_t(g.width) * channels;
    for (uint32_t y = 0; y < g.height; ++y) {
        const T* in = src + y * g.srcStride;
        T* out = dst + y * g.dstStride;
        if constexpr (sizeof(T) == 1) {
            const BYTE* t = table.GetData();
            if (whole) {
                for (size_t i = 0; i < rowLength; ++i)
                    out[i] = t[out[i] * 256u + in[i]];
            } else {
                for (size_t i = 0; i < rowLength; i += channels)
                    for (uint32_t j = 0; j < m; ++j)
                        out[i + processed[j]] = t[out[i + processed[j]] * 256u + in[i + processed[j]]];
            }
        } else {
            for (size_t i = 0; i < rowLength; i += channels)
                for (uint32_t j = 0; j < m; ++j) {
                    const size_t at = i + processed[j];
                    out[at] = T(Sharpen(in[at], out[at], limit, amount, maximum));
                }
        }
        for (uint32_t j = 0; hasProgress && j < m; ++j) {
            const int64_t k = int64_t(m) * y + j;
            if (k % 3 == 0 && ISCallProgress(int32_t(k / channels), int32_t(g.height))) {
                *status = 14;
                return FALSE;
            }
        }
    }
    return TRUE;
}

}  // namespace

BOOL ISUnsharpMask8(const BYTE* src, BYTE* dst, const ISBlurGeometry& g, int32_t threshold, double amount,
                    double sigma, uint32_t flags, int32_t* status)
{
    return UnsharpMask<BYTE>(src, dst, g, threshold, amount, sigma, flags, 255, status);
}

BOOL ISUnsharpMask16(const uint16_t* src, uint16_t* dst, const ISBlurGeometry& g, int32_t threshold, double amount,
                     double sigma, uint32_t flags, int32_t* status)
{
    return UnsharpMask<uint16_t>(src, dst, g, threshold, amount, sigma, flags, 65535, status);
}

extern "C" BOOL is5_UnsharpMaskImage(const void* source, uint32_t width, uint32_t height, uint32_t channels,
                                     uint32_t stride, void* target, uint32_t targetStride, int32_t threshold,
                                     double amount, double sigma, uint32_t flags)
{
    static const char kName[] = "is5_UnsharpMaskImage";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    ISBlurGeometry g;
    g.width = width;
    g.height = height;
    g.channels = channels;
    g.srcStride = stride;
    g.dstStride = targetStride;
    int32_t status = 5;
    BOOL ok = FALSE;
    if (flags & kISBlur16Bit)
        ok = ISUnsharpMask16(static_cast<const uint16_t*>(source), static_cast<uint16_t*>(target), g, threshold,
                             amount, sigma, flags, &status);
    else
        ok = ISUnsharpMask8(static_cast<const BYTE*>(source), static_cast<BYTE*>(target), g, threshold, amount,
                            sigma, flags, &status);
    ISSetLastError(status, kName);
    return ok && status == 0;
}
