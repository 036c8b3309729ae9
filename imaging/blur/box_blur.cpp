// Box blur with running sums (constant cost per sample whatever the size),
// mixed with the source, and the interface entry is5_BlurImage.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "../core/frame.h"
#include "blur.h"

BOOL ISBlurGeometryValid(const ISBlurGeometry& g)
{
    if (g.width == 0 || g.height == 0 || g.channels == 0 || g.channels > 8)
        return FALSE;
    const uint64_t row = uint64_t(g.width) * g.channels;
    return g.srcStride >= row && g.dstStride >= row;
}

namespace {

int64_t ClampIndex(int64_t i, int64_t n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); }

// How many indices of the window [a, b] land on index k of a line of n once
// they are clamped to the line (edges replicated).
uint64_t Multiplicity(int64_t k, int64_t a, int64_t b, int64_t n)
{
    if (n == 1)
        return uint64_t(b - a + 1);
    int64_t lo = k, hi = k;
    if (k == 0)
        lo = a;
    if (k == n - 1)
        hi = b;
    lo = lo > a ? lo : a;
    hi = hi < b ? hi : b;
    return hi >= lo ? uint64_t(hi - lo + 1) : 0;
}

template <typename T>
T Mix(uint64_t blurred, T source, double mix)
{
    if (mix == 1.0)
        return T(blurred);
    if (mix == 0.0)
        return source;
    return T(uint32_t(double(blurred) * mix + double(source) * (1.0 - mix)));
}

template <typename T>
BOOL BoxBlur(const T* src, T* dst, const ISBlurGeometry& geometry, int32_t size, double mix, uint32_t flags,
             uint32_t maximum, int32_t* status)
{
    *status = 5;
    if (!src || !dst || !ISBlurGeometryValid(geometry) || size < 0)
        return FALSE;
    *status = 0;
    if ((size & 1) == 0) {
        ++size;
        char message[1024];
        snprintf(message, sizeof message, "Zero, or even filter size. Increasing to %d\n", size);
        OutputDebugStringA(message);
    }
    if (!(mix > 0.0))
        mix = 0.0;
    else if (mix >= 1.0)
        mix = 1.0;
    const bool hasProgress = ISHasProgressCallback() != FALSE;

    const int64_t w = geometry.width, h = geometry.height;
    const uint32_t channels = geometry.channels;
    size_t srcStride = geometry.srcStride;
    const size_t dstStride = geometry.dstStride;

    // In place, the rows still to be read would already hold blurred samples.
    ISArray<T> copy;
    if (src == dst) {
        const uint64_t count = uint64_t(w) * channels * uint64_t(h);
        if (count > INT32_MAX || !copy.Resize(int32_t(count))) {
            *status = 1;
            return FALSE;
        }
        const size_t row = size_t(w) * channels;
        for (int64_t y = 0; y < h; ++y)
            memcpy(copy.GetData() + y * row, src + y * srcStride, row * sizeof(T));
        src = copy.GetData();
        srcStride = row;
    }

    const int64_t r = size / 2;
    const uint64_t area = uint64_t(size) * uint64_t(size);
    // Above this the window sum no longer fits 64 bits: split each column sum
    // into its quotient and remainder by size and sum those apart.
    const bool split = area > UINT64_MAX / maximum;

    ISArray<uint64_t> columns, quotients, remainders;
    columns.Resize(int32_t(w));
    if (columns.Count() != w || (split && (!quotients.Resize(int32_t(w)) || !remainders.Resize(int32_t(w))))) {
        *status = 1;
        return FALSE;
    }
    uint64_t* col = columns.GetData();

    for (uint32_t c = 0; c < channels; ++c) {
        if (!(flags & (1u << c)))
            continue;
        // Column sums of the rows -r..r around row 0.
        for (int64_t x = 0; x < w; ++x)
            col[x] = 0;
        for (int64_t k = 0; k <= ClampIndex(r, h); ++k) {
            const uint64_t times = Multiplicity(k, -r, r, h);
            const T* row = src + k * srcStride + c;
            for (int64_t x = 0; x < w; ++x)
                col[x] += times * row[x * channels];
        }

        for (int64_t y = 0; y < h; ++y) {
            if (y > 0) {
                const T* enter = src + ClampIndex(y + r, h) * srcStride + c;
                const T* leave = src + ClampIndex(y - r - 1, h) * srcStride + c;
                for (int64_t x = 0; x < w; ++x)
                    col[x] = col[x] + enter[x * channels] - leave[x * channels];
            }
            const T* in = src + y * srcStride + c;
            T* out = dst + y * dstStride + c;
            const int64_t last = ClampIndex(r, w);
            if (!split) {
                uint64_t total = 0;
                for (int64_t k = 0; k <= last; ++k)
                    total += Multiplicity(k, -r, r, w) * col[k];
                for (int64_t x = 0; x < w; ++x) {
                    if (x > 0)
                        total = total + col[ClampIndex(x + r, w)] - col[ClampIndex(x - r - 1, w)];
                    out[x * channels] = Mix<T>(total / area, in[x * channels], mix);
                }
            } else {
                uint64_t* q = quotients.GetData();
                uint64_t* m = remainders.GetData();
                for (int64_t x = 0; x < w; ++x) {
                    q[x] = col[x] / uint64_t(size);
                    m[x] = col[x] % uint64_t(size);
                }
                uint64_t sumQ = 0, sumM = 0;
                for (int64_t k = 0; k <= last; ++k) {
                    const uint64_t times = Multiplicity(k, -r, r, w);
                    sumQ += times * q[k];
                    sumM += times * m[k];
                }
                for (int64_t x = 0; x < w; ++x) {
                    if (x > 0) {
                        const int64_t enter = ClampIndex(x + r, w), leave = ClampIndex(x - r - 1, w);
                        sumQ = sumQ + q[enter] - q[leave];
                        sumM = sumM + m[enter] - m[leave];
                    }
                    // floor((size * Q + M) / size^2) = floor((Q + floor(M / size)) / size)
                    const uint64_t blurred = (sumQ + sumM / uint64_t(size)) / uint64_t(size);
                    out[x * channels] = Mix<T>(blurred, in[x * channels], mix);
                }
            }
        }
        if (hasProgress && ISCallProgress(int32_t(c), int32_t(channels))) {
            *status = 14;
            return FALSE;
        }
    }
    return TRUE;
}

}  // namespace

BOOL ISBoxBlur8(const BYTE* src, BYTE* dst, const ISBlurGeometry& g, int32_t size, double mix, uint32_t flags,
                int32_t* status)
{
    return BoxBlur<BYTE>(src, dst, g, size, mix, flags, 255, status);
}

BOOL ISBoxBlur16(const uint16_t* src, uint16_t* dst, const ISBlurGeometry& g, int32_t size, double mix,
                 uint32_t flags, int32_t* status)
{
    return BoxBlur<uint16_t>(src, dst, g, size, mix, flags, 65535, status);
}

extern "C" BOOL is5_BlurImage(const void* source, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride,
                              void* target, uint32_t targetStride, int32_t size, double mix, uint32_t flags)
{
    static const char kName[] = "is5_BlurImage";
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
    if (source && target && ISBlurGeometryValid(g) && size >= 0) {
        if (flags & kISBlur16Bit)
            ok = ISBoxBlur16(static_cast<const uint16_t*>(source), static_cast<uint16_t*>(target), g, size, mix,
                             flags, &status);
        else
            ok = ISBoxBlur8(static_cast<const BYTE*>(source), static_cast<BYTE*>(target), g, size, mix, flags,
                            &status);
    }
    ISSetLastError(status, kName);
    return ok && status == 0;
}
