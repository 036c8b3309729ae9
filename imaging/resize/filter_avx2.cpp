// The filter engine's sums four lanes wide, for processors with AVX2. Each
// lane still adds its products one by one in list order (separate multiply and
// add, no fused steps), so the results are those of the two-lane loops.
#include "filter_simd.h"

#if IS_FILTER_AVX2

#include <immintrin.h>

#define IS_AVX2 __attribute__((target("avx2")))

namespace {

IS_AVX2 inline BYTE ClampByteAvx(double v)
{
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<BYTE>(static_cast<int>(v));
}

IS_AVX2 inline __m128i TruncClamp4(__m256d v)
{
    // max returns its second operand for NaN, so NaN gives 0.
    return _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), _mm256_set1_pd(255.0)));
}

constexpr int kQuads = kISFilterStrip / 4;

template <int G>
IS_AVX2 inline void ColumnGroup4(const double* stage, const ISColumnTaps& c, int32_t k0, double* const* out, ptrdiff_t at)
{
    __m256d acc[kQuads * G];
#pragma GCC unroll 6
    for (int j = 0; j < kQuads * G; ++j)
        acc[j] = _mm256_setzero_pd();
    const double* base = stage + k0 * kISFilterStrip;
    for (int32_t t = 0; t < c.count; ++t) {
        const __m256d w = _mm256_set1_pd(c.entries[t].weight);
        const double* p = base + c.offsets[t];
#pragma GCC unroll 6
        for (int j = 0; j < kQuads * G; ++j)
            acc[j] = _mm256_add_pd(acc[j], _mm256_mul_pd(w, _mm256_loadu_pd(p + 4 * j)));
    }
    const __m256d bound = _mm256_set1_pd(c.bound);
#pragma GCC unroll 3
    for (int g = 0; g < G; ++g)
#pragma GCC unroll 2
        for (int h = 0; h < kQuads; ++h) {
            const __m256d v = acc[kQuads * g + h];
            const __m128i t = TruncClamp4(v);
            __m256d r = _mm256_cvtepi32_pd(t);
            if (c.exact || _mm_movemask_epi8(_mm_cmpeq_epi32(t, TruncClamp4(_mm256_add_pd(v, bound)))) != 0xFFFF) {
                alignas(32) double sums[4], fixed[4];
                _mm256_store_pd(sums, v);
                for (int l = 0; l < 4; ++l) {
                    const double* s = stage + (k0 + g) * kISFilterStrip + 4 * h + l;
                    const double s0 = s[c.offsets[0]];
                    int32_t i = 1;
                    while (i < c.count && s[c.offsets[i]] == s0)
                        ++i;
                    fixed[l] = i == c.count ? s0 : ClampByteAvx(sums[l]);
                }
                r = _mm256_load_pd(fixed);
            }
            const __m128d lo = _mm256_castpd256_pd128(r), hi = _mm256_extractf128_pd(r, 1);
            _mm_storel_pd(out[4 * h] + at + g, lo);
            _mm_storeh_pd(out[4 * h + 1] + at + g, lo);
            _mm_storel_pd(out[4 * h + 2] + at + g, hi);
            _mm_storeh_pd(out[4 * h + 3] + at + g, hi);
        }
}

}  // namespace

bool ISFilterHasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

IS_AVX2 void ISHorizontalStagedAvx2(const double* stage, const ISColumnTaps* taps, int32_t nb, int32_t ch, double* const* out)
{
    for (int32_t b = 0; b < nb; ++b) {
        const ptrdiff_t at = static_cast<ptrdiff_t>(b) * ch;
        int32_t k0 = 0;
        for (; k0 + 3 <= ch; k0 += 3)
            ColumnGroup4<3>(stage, taps[b], k0, out, at + k0);
        if (ch - k0 == 2)
            ColumnGroup4<2>(stage, taps[b], k0, out, at + k0);
        else if (ch - k0 == 1)
            ColumnGroup4<1>(stage, taps[b], k0, out, at + k0);
    }
}

IS_AVX2 void ISVerticalRowAvx2(const double* const* rows, const ISContribution* e, int32_t n, double flatBound, bool exact,
                       int32_t count, BYTE* out)
{
    const __m256d bound = _mm256_set1_pd(flatBound);
    for (int32_t i = 0; i < count; i += 32) {
        __m256d acc[8];
#pragma GCC unroll 8
        for (int j = 0; j < 8; ++j)
            acc[j] = _mm256_setzero_pd();
        for (int32_t t = 0; t < n; ++t) {
            const __m256d w = _mm256_set1_pd(e[t].weight);
            const double* p = rows[t] + i;
#pragma GCC unroll 8
            for (int j = 0; j < 8; ++j)
                acc[j] = _mm256_add_pd(acc[j], _mm256_mul_pd(w, _mm256_loadu_pd(p + 4 * j)));
        }
        __m128i q[8];
        uint32_t mask = 0;
#pragma GCC unroll 8
        for (int j = 0; j < 8; ++j) {
            q[j] = TruncClamp4(acc[j]);
            const __m128i tb = TruncClamp4(_mm256_add_pd(acc[j], bound));
            mask |= static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(q[j], tb)))) << (4 * j);
        }
        const __m128i lo = _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
        const __m128i hi = _mm_packus_epi16(_mm_packs_epi32(q[4], q[5]), _mm_packs_epi32(q[6], q[7]));
        const int32_t m = count - i < 32 ? count - i : 32;
        if (!exact && mask == 0xFFFFFFFFu && m == 32) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 16), hi);
            continue;
        }
        alignas(16) BYTE bytes[32];
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes), lo);
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes + 16), hi);
        if (exact || mask != 0xFFFFFFFFu) {
            alignas(32) double sums[32];
            for (int j = 0; j < 8; ++j)
                _mm256_store_pd(sums + 4 * j, acc[j]);
            for (int32_t j = 0; j < m; ++j) {
                if (!exact && (mask >> j & 1))
                    continue;
                const double s0 = rows[0][i + j];
                int32_t t = 1;
                while (t < n && rows[t][i + j] == s0)
                    ++t;
                bytes[j] = t == n ? static_cast<BYTE>(s0) : ClampByteAvx(sums[j]);
            }
        }
        for (int32_t j = 0; j < m; ++j)
            out[i + j] = bytes[j];
    }
}

#endif
