// The direct separable Gaussian: a kernel of single-precision weights, rows
// into a float plane, then columns into the destination. Taps past an edge
// are dropped and the remaining weights renormalised.
#include <cmath>

#include "../core/frame.h"
#include "blur.h"

BOOL ISMakeGaussianKernel(double sigma, int32_t maxRadius, ISArray<float>* kernel)
{
    if (maxRadius < 0)
        maxRadius = 0;
    int32_t radius = 0;
    if (sigma > 0.0) {
        const double wanted = std::ceil(2.5 * sigma);
        radius = wanted < double(maxRadius) ? int32_t(wanted) : maxRadius;
    }
    if (!kernel->Resize(2 * radius + 1))
        return FALSE;
    float* k = kernel->GetData();
    if (radius > 0) {
        ISArray<double> weights(2 * radius + 1);
        if (weights.Count() != 2 * radius + 1)
            return FALSE;
        double sum = 0.0;
        for (int32_t i = -radius; i <= radius; ++i) {
            const double weight = std::pow(2.71828, -double(i) * i / (2.0 * sigma * sigma)) /
                                  (sigma * std::sqrt(6.2831853));
            weights[i + radius] = weight;
            sum += weight;
        }
        if (std::isfinite(sum) && sum > 0.0) {
            const double scale = 1.0 / sum;
            for (int32_t i = 0; i < 2 * radius + 1; ++i)
                k[i] = float(weights[i] * scale);
            return TRUE;
        }
        // A sigma so small that the weights overflow: the identity.
        if (!kernel->Resize(1))
            return FALSE;
        k = kernel->GetData();
    }
    k[0] = 1.0f;
    return TRUE;
}

template <typename T>
BOOL CISGaussian::Kernel(const T* src, T* dst, const ISBlurGeometry& g, double sigma, uint32_t flags,
                         uint32_t maximum)
{
    if (!src || !dst || src == dst || !ISBlurGeometryValid(g))
        return Fail(5);
    if (!(sigma > 0.0))
        sigma = 0.0;
    const int64_t w = g.width, h = g.height;
    const uint32_t channels = g.channels;
    const int64_t longest = w > h ? w : h;
    ISArray<float> kernel;
    if (!ISMakeGaussianKernel(sigma, int32_t(longest - 1 < INT32_MAX / 2 ? longest - 1 : INT32_MAX / 2 - 1),
                              &kernel))
        return Fail(1);
    const int64_t radius = kernel.Count() / 2;
    const float* k = kernel.GetData() + radius;  // k[i] for i = -radius..radius

    const uint64_t planeCount = uint64_t(w) * uint64_t(h);
    ISArray<float> plane, sums;
    if (planeCount > INT32_MAX || !plane.Resize(int32_t(planeCount)) || !sums.Resize(int32_t(w)))
        return Fail(1);
    float* p = plane.GetData();
    float* acc = sums.GetData();
    const float bias = (flags & kISBlurTruncate) ? 0.0f : 0.5f;
    const float top = float(maximum);

    for (uint32_t c = 0; c < channels; ++c) {
        if (!(flags & (1u << c)))
            continue;
        for (int64_t y = 0; y < h; ++y) {
            const T* row = src + y * g.srcStride + c;
            float* out = p + y * w;
            for (int64_t x = 0; x < w; ++x) {
                const int64_t lo = x - radius < 0 ? 0 : x - radius;
                const int64_t hi = x + radius >= w ? w - 1 : x + radius;
                float sum = 0.0f, used = 0.0f;
                for (int64_t j = lo; j <= hi; ++j) {
                    sum += k[j - x] * float(row[j * channels]);
                    used += k[j - x];
                }
                out[x] = (lo == x - radius && hi == x + radius) ? sum : sum / used;
            }
        }
        if (m_hasProgress && ISCallProgress(int32_t(2 * c), int32_t(2 * channels)))
            return Fail(14);

        for (int64_t y = 0; y < h; ++y) {
            const int64_t lo = y - radius < 0 ? 0 : y - radius;
            const int64_t hi = y + radius >= h ? h - 1 : y + radius;
            for (int64_t x = 0; x < w; ++x)
                acc[x] = 0.0f;
            float used = 0.0f;
            for (int64_t j = lo; j <= hi; ++j) {
                const float weight = k[j - y];
                const float* in = p + j * w;
                for (int64_t x = 0; x < w; ++x)
                    acc[x] += weight * in[x];
                used += weight;
            }
            const bool whole = lo == y - radius && hi == y + radius;
            T* out = dst + y * g.dstStride + c;
            for (int64_t x = 0; x < w; ++x) {
                const float v = (whole ? acc[x] : acc[x] / used) + bias;
                out[x * channels] = !(v > 0.0f) ? T(0) : (v >= top ? T(maximum) : T(uint32_t(v)));
            }
        }
        if (m_hasProgress && ISCallProgress(int32_t(2 * c + 1), int32_t(2 * channels)))
            return Fail(14);
    }
    return TRUE;
}

BOOL CISGaussian::ISGaussianKernel8(const BYTE* src, BYTE* dst, const ISBlurGeometry& g, double sigma,
                                    uint32_t flags)
{
    return Kernel<BYTE>(src, dst, g, sigma, flags, 255);
}

BOOL CISGaussian::ISGaussianKernel16(const uint16_t* src, uint16_t* dst, const ISBlurGeometry& g, double sigma,
                                     uint32_t flags)
{
    return Kernel<uint16_t>(src, dst, g, sigma, flags, 65535);
}
