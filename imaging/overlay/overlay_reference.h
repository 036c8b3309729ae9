// A plain reference for the blend modes, written from the mode table: one
// sample pair at a time, truncating integer division, and the opacity tables
// as separate truncations of (1 - a) * d and a * v.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace overlay_ref {

inline int64_t ModeValue(int mode, int64_t d, int64_t o, int64_t M, double G)
{
    const int64_t H = (M + 1) / 2;
    const int64_t T = static_cast<int64_t>(G);
    switch (mode) {
    case 0:
    case 1:
    case 9:
    case 10:
        return o;
    case 2:
        return d & o;
    case 3:
        return d | o;
    case 4:
        return d ^ o;
    case 5:
        return std::max(d, o);
    case 6:
        return std::min(d, o);
    case 7:
        return std::min(M, d + o);
    case 8:
        return std::max<int64_t>(0, d - o);
    case 11:
        return std::llabs(d - o);
    case 12:
        return d * o / M;
    case 13: {
        double r = (double(d) / double(M)) * (double(o) * G);
        if (!(r > 0))
            return 0;
        if (r > double(M))
            return M;
        return int64_t(r);
    }
    case 14:
        return M - (M - o) * (M - d) / M;
    case 15:
        return std::min(M, std::max<int64_t>(0, o + d - T));
    case 16:
        return std::min(M, std::max<int64_t>(0, T + d - o));
    case 17:
        return ~(d & o) & M;
    case 18:
        return ~(d | o) & M;
    case 19:
        return ~(d ^ o) & M;
    case 20:
        return o == M ? M : std::min(M, d * M / (M - o));
    case 21: {
        if (o == 0)
            return 0;
        int64_t k = (M - d) * M / o;
        return k < M ? M - k : 0;
    }
    case 22:
        if (o + d > M)
            return std::max<int64_t>(0, M - (M - o) * H / d);
        if (o != M)
            return std::min(M, d * H / (M - o));
        return M;
    case 23:
        if (o + d > M)
            return std::max<int64_t>(0, M - (M - d) * H / o);
        if (d != M)
            return std::min(M, o * H / (M - d));
        return M;
    case 24:
        return d < H ? d * o / H : M - (M - d) * (M - o) / H;
    case 25: {
        int64_t m = d * o / M;
        int64_t s = (M - d) * (M - o);
        return d * (M - s / M - m) / M + m;
    }
    case 26:
        return o < H ? d * o / H : M - (M - d) * (M - o) / H;
    case 27:
        return o == M ? M : std::min(M, d * d / (M - o));
    case 28:
        return d == M ? M : std::min(M, o * o / (M - d));
    case 29:
        return o == 0 ? 0 : std::max<int64_t>(0, M - (M - d) * (M - d) / o);
    case 30:
        return d == 0 ? 0 : std::max<int64_t>(0, M - (M - o) * (M - o) / d);
    }
    return -1;
}

// The new destination sample; `alpha` already clamped to [0, 1].
inline int64_t Blend(int mode, int64_t d, int64_t o, double alpha, double G, int64_t M)
{
    const int64_t T = static_cast<int64_t>(G);
    if (mode == 9 && !(o > T))
        return d;
    if (mode == 10 && !(o < T))
        return d;
    if (alpha == 1.0)
        return ModeValue(mode, d, o, M, G);
    if (mode == 1)
        return static_cast<int64_t>((1.0 - alpha) * double(d) + alpha * double(o));
    int64_t v = ModeValue(mode, d, o, M, G);
    return static_cast<int64_t>((1.0 - alpha) * double(d)) + static_cast<int64_t>(alpha * double(v));
}

// The whole destination after an overlay at (x, y), by pairing every
// destination pixel with the overlay pixel (col - x, row - y).
template <typename T>
std::vector<T> Expected(const std::vector<T>& dst, int dstW, int dstH, int channels, const std::vector<T>& ovl,
                        int ovlW, int ovlH, int64_t x, int64_t y, double alpha, double G, int mode, bool bottomUp)
{
    const int64_t M = sizeof(T) == 1 ? 255 : 65535;
    std::vector<T> out = dst;
    for (int64_t row = 0; row < dstH; ++row)
        for (int64_t col = 0; col < dstW; ++col) {
            int64_t oc = col - x, orow = row - y;
            if (oc < 0 || oc >= ovlW || orow < 0 || orow >= ovlH)
                continue;
            if (bottomUp)
                orow = ovlH - 1 - orow;
            for (int k = 0; k < channels; ++k) {
                size_t di = size_t((row * dstW + col) * channels + k);
                size_t oi = size_t((orow * ovlW + oc) * channels + k);
                out[di] = static_cast<T>(Blend(mode, dst[di], ovl[oi], alpha, G, M));
            }
        }
    return out;
}

}  // namespace overlay_ref
