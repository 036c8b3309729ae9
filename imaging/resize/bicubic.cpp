#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "bands.h"
#include "resamplers.h"

void ISBicubicTaps(double p, int32_t s, int32_t index[4], double weight[4])
{
    const double whole = std::trunc(p);
    const double t = p - whole;
    const int64_t f = static_cast<int64_t>(whole);
    // Neighbours past either edge repeat the edge sample.
    for (int32_t k = 0; k < 4; ++k)
        index[k] = static_cast<int32_t>(std::clamp<int64_t>(f - 1 + k, 0, s - 1));
    weight[0] = -t * (1.0 - t) * (1.0 - t);
    weight[1] = 1.0 - 2.0 * t * t + t * t * t;
    weight[2] = t * (1.0 + t - t * t);
    weight[3] = -t * t * (1.0 - t);
}

template <typename T>
BOOL CISBicubicResizeT<T>::Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags)
{
    if (!src.pixels || !dst.pixels || static_cast<const void*>(src.pixels) == static_cast<const void*>(dst.pixels) ||
        !src.width || !src.height || !dst.width || !dst.height)
        return this->Fail(5);
    if (ISResizeCopyIfSame(src, dst))
        return TRUE;

    ISArray<ISBicubicColumn> columns;
    if (!columns.Resize(static_cast<int32_t>(dst.width)))
        return this->Fail(5);
    const uint32_t ch = src.channels;
    const double ratio = static_cast<double>(src.width) / static_cast<double>(dst.width);
    const double lastColumn = static_cast<double>(src.width) - 1.0;
    for (uint32_t x = 0; x < dst.width; ++x) {
        const double p = std::clamp(x * ratio, 0.0, lastColumn);
        int32_t index[4];
        ISBicubicTaps(p, static_cast<int32_t>(src.width), index, columns[x].weight);
        for (int32_t k = 0; k < 4; ++k)
            columns[x].offset[k] = static_cast<int32_t>(static_cast<int64_t>(index[k]) * ch);
    }

    const ISBicubicColumn* shared = columns.GetData();
    this->m_status = ISResizeInBands(*this, flags, true, dst.width, dst.height, this->m_progress,
                                     [&](CISBicubicResizeT<T>& op, const RECT& band) {
                                         return op.Core(src, dst, band, shared);
                                     });
    return this->m_status == 0;
}

namespace {

// The horizontal sums of one source row over the band's columns, each in the
// order of the one-sample formula; CH > 0 fixes the channel count so that the
// channels' sums run side by side.
template <typename T, int CH>
void BicubicHorizontal(const T* line, const ISBicubicColumn* columns, int32_t left, int32_t right, uint32_t channels,
                       double* out)
{
    const uint32_t ch = CH > 0 ? CH : channels;
    for (int32_t x = left; x < right; ++x) {
        const ISBicubicColumn& c = columns[x];
#pragma GCC unroll 4
        for (uint32_t k = 0; k < ch; ++k) {
            const T* p = line + k;
            double inner = 0.0;
            inner += c.weight[0] * p[c.offset[0]];
            inner += c.weight[1] * p[c.offset[1]];
            inner += c.weight[2] * p[c.offset[2]];
            inner += c.weight[3] * p[c.offset[3]];
            *out++ = inner;
        }
    }
}

template <typename T>
void BicubicHorizontalAny(const T* line, const ISBicubicColumn* columns, int32_t left, int32_t right,
                          uint32_t channels, double* out)
{
    switch (channels) {
    case 1:
        BicubicHorizontal<T, 1>(line, columns, left, right, channels, out);
        break;
    case 3:
        BicubicHorizontal<T, 3>(line, columns, left, right, channels, out);
        break;
    case 4:
        BicubicHorizontal<T, 4>(line, columns, left, right, channels, out);
        break;
    default:
        BicubicHorizontal<T, 0>(line, columns, left, right, channels, out);
        break;
    }
}

// One destination row from the four rows' horizontal sums, summed row by row
// in order as the one-sample formula does.
template <typename T>
void BicubicVertical(const double* const h[4], const double wy[4], size_t n, uint32_t maxSample, T* out)
{
    size_t i = 0;
#if defined(__SSE2__)
    if (sizeof(T) == 1) {
        const __m128d w0 = _mm_set1_pd(wy[0]), w1 = _mm_set1_pd(wy[1]), w2 = _mm_set1_pd(wy[2]),
                      w3 = _mm_set1_pd(wy[3]);
        const __m128d guard = _mm_set1_pd(1e-7), top = _mm_set1_pd(255.0), zero = _mm_setzero_pd();
        for (; i + 8 <= n; i += 8) {
            __m128i q[4];
            for (int j = 0; j < 4; ++j) {
                const size_t at = i + 2 * j;
                __m128d sum = _mm_mul_pd(w0, _mm_loadu_pd(h[0] + at));
                sum = _mm_add_pd(sum, _mm_mul_pd(w1, _mm_loadu_pd(h[1] + at)));
                sum = _mm_add_pd(sum, _mm_mul_pd(w2, _mm_loadu_pd(h[2] + at)));
                sum = _mm_add_pd(sum, _mm_mul_pd(w3, _mm_loadu_pd(h[3] + at)));
                // max gives 0 for NaN, as the scalar clamp does.
                q[j] = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(_mm_add_pd(sum, guard), zero), top));
            }
            const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi64(q[0], q[1]), _mm_unpacklo_epi64(q[2], q[3]));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
        }
    }
#endif
    for (; i < n; ++i) {
        double sum = 0.0;
        for (int j = 0; j < 4; ++j)
            sum += wy[j] * h[j][i];
        out[i] = ISClampTrunc<T>(ISFlatGuard(sum), maxSample);
    }
}

}  // namespace

template <typename T>
int32_t CISBicubicResizeT<T>::Core(const CISImgView<const T>& src, const CISImgView<T>& dst, const RECT& band,
                                   const ISBicubicColumn* columns)
{
    const uint32_t ch = src.channels;
    const double ratio = static_cast<double>(src.height) / static_cast<double>(dst.height);
    const int32_t rows = band.bottom - band.top;
    // Consecutive destination rows share source rows, so each source row's
    // horizontal sums are kept while needed: the four rows of one destination
    // row are four consecutive indices (repeats at the edges), one slot each
    // by index % 4.
    const size_t n = static_cast<size_t>(band.right - band.left) * ch;
    if (n == 0)
        return 0;
    if (n > 0x7fffffff / 4)
        return 1;
    ISArray<double> sums;
    if (!sums.Resize(static_cast<int32_t>(4 * n)))
        return 1;
    int32_t held[4] = {-1, -1, -1, -1};
    for (int32_t y = band.top; y < band.bottom; ++y) {
        int32_t index[4];
        double wy[4];
        ISBicubicTaps(y * ratio, static_cast<int32_t>(src.height), index, wy);
        const double* h[4];
        for (int32_t j = 0; j < 4; ++j) {
            const int32_t slot = index[j] & 3;
            double* row = sums.GetData() + slot * n;
            if (held[slot] != index[j]) {
                BicubicHorizontalAny<T>(ISRow(src, index[j]), columns, band.left, band.right, ch, row);
                held[slot] = index[j];
            }
            h[j] = row;
        }
        T* out = ISRow(dst, y) + static_cast<size_t>(band.left) * ch;
        BicubicVertical<T>(h, wy, n, this->m_maxSample, out);
        if (this->Cancelled(y - band.top, rows))
            return 14;
    }
    return 0;
}

template class CISBicubicResizeT<BYTE>;
template class CISBicubicResizeT<uint16_t>;
