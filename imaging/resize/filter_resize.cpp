#include "filter_resize.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "bands.h"
#include "filter_simd.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define IS_FILTER_SSE2 1
#endif

namespace {

// Blocks of destination columns (64 while progress is reported) share one
// ring of horizontal results; every sum keeps the one-column order, so the
// results are the same.
constexpr int32_t kMaxBlock = 64;
constexpr int64_t kRingLimit = int64_t(64) << 20;
constexpr int64_t kStageLimit = int64_t(16) << 20;
constexpr int64_t kListLimit = int64_t(256) << 20;
constexpr int32_t kStrip = kISFilterStrip;

inline BYTE ClampByte(double v)
{
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<BYTE>(static_cast<int>(v));
}

// How far a list's sum over samples that all equal s (0..255) can land from
// s: the rounding of the n products and sums plus the distance of the
// weights' sum from 1. Only a sum within this bound below a whole number can
// be such a flat run, so only there is the all-equal rule checked sample by
// sample. One-entry lists, zero-sum (unnormalised) lists and odd weights give
// a bound that is never small, and every result of theirs is checked.
double FlatBound(const ISContribution* e, int32_t n)
{
    if (n < 2)
        return HUGE_VAL;
    double sum = 0.0, magnitude = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        sum += e[i].weight;
        magnitude += std::fabs(e[i].weight);
    }
    const double bound = 256.0 * (std::fabs(sum - 1.0) + (n + 2.0) * magnitude * 0x1p-50);
    return bound < 0x1p-12 ? bound : HUGE_VAL;
}

// One horizontal sample straight from a source row: `row` points at the
// channel's first sample; entries address it by their offsets.
inline BYTE ApplyHorizontal(const BYTE* row, const ISContributionList& list)
{
    const ISContribution* e = list.entries;
    const int32_t n = list.count;
    const BYTE s0 = row[e[0].offset];
    int32_t i = 1;
    while (i < n && row[e[i].offset] == s0)
        ++i;
    if (i == n)
        return s0;
    double sum = 0.0;
    for (i = 0; i < n; ++i)
        sum += e[i].weight * row[e[i].offset];
    return ClampByte(sum);
}

// The temporary of one block: horizontal results of the source rows that the
// pending destination rows need, as doubles, in a ring of `rows` rows.
struct Ring {
    double* data;
    int32_t rows;
    ptrdiff_t stride;  // doubles a row, a multiple of 32
    double* Row(int32_t r) const { return data + static_cast<ptrdiff_t>(r % rows) * stride; }
};

#ifdef IS_FILTER_SSE2

inline __m128i TruncClamp(__m128d v)
{
    // max returns its second operand for NaN, so NaN gives 0 like ClampByte.
    return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(v, _mm_setzero_pd()), _mm_set1_pd(255.0)));
}

// Four source rows of the window side by side: stage[kStrip q + i] = sample q
// of row i.
void StageFourRows(const BYTE* const* rows, int32_t samples, double* stage)
{
    const __m128i zero = _mm_setzero_si128();
    int32_t q = 0;
    for (; q + 16 <= samples; q += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[0] + q));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[1] + q));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2] + q));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[3] + q));
        const __m128i abLo = _mm_unpacklo_epi8(a, b), abHi = _mm_unpackhi_epi8(a, b);
        const __m128i cdLo = _mm_unpacklo_epi8(c, d), cdHi = _mm_unpackhi_epi8(c, d);
        // Each holds four samples of the four rows, sample-major.
        const __m128i quad[4] = {_mm_unpacklo_epi16(abLo, cdLo), _mm_unpackhi_epi16(abLo, cdLo),
                                 _mm_unpacklo_epi16(abHi, cdHi), _mm_unpackhi_epi16(abHi, cdHi)};
        double* out = stage + static_cast<ptrdiff_t>(q) * kStrip;
#pragma GCC unroll 4
        for (int g = 0; g < 4; ++g) {
            const __m128i w0 = _mm_unpacklo_epi8(quad[g], zero), w1 = _mm_unpackhi_epi8(quad[g], zero);
            const __m128i s0 = _mm_unpacklo_epi16(w0, zero), s1 = _mm_unpackhi_epi16(w0, zero);
            const __m128i s2 = _mm_unpacklo_epi16(w1, zero), s3 = _mm_unpackhi_epi16(w1, zero);
            const __m128i s[4] = {s0, s1, s2, s3};
#pragma GCC unroll 4
            for (int j = 0; j < 4; ++j) {
                _mm_storeu_pd(out, _mm_cvtepi32_pd(s[j]));
                _mm_storeu_pd(out + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(s[j], 0x4E)));
                out += kStrip;
            }
        }
    }
    for (; q < samples; ++q)
        for (int i = 0; i < 4; ++i)
            stage[q * kStrip + i] = rows[i][q];
}

// A strip of source rows of the window side by side; rows past the image
// repeat its last one.
void StageRows(const BYTE* const* rows, int32_t samples, double* stage)
{
    for (int32_t i = 0; i < kStrip; i += 4)
        StageFourRows(rows + i, samples, stage + i);
}

// Sums G channels (from k0) of the staged rows through one column's taps:
// acc[kPairs g + h] holds rows 2h and 2h + 1 of channel k0 + g. Each lane adds
// its products in list order, as the one-sample sum does.
constexpr int kPairs = kStrip / 2;

template <int G>
inline void SumColumn(const double* stage, const ISColumnTaps& c, int32_t k0, __m128d* acc)
{
#pragma GCC unroll 12
    for (int j = 0; j < kPairs * G; ++j)
        acc[j] = _mm_setzero_pd();
    const double* base = stage + k0 * kStrip;
    for (int32_t t = 0; t < c.count; ++t) {
        const __m128d w = _mm_set1_pd(c.entries[t].weight);
        const double* p = base + c.offsets[t];
#pragma GCC unroll 12
        for (int j = 0; j < kPairs * G; ++j)
            acc[j] = _mm_add_pd(acc[j], _mm_mul_pd(w, _mm_loadu_pd(p + 2 * j)));
    }
}

// Stores the sums of SumColumn into the four rows' ring rows at `at`.
template <int G>
inline void StoreColumn(const __m128d* acc, const ISColumnTaps& c, const double* stage, int32_t k0,
                        double* const* out, ptrdiff_t at)
{
    const __m128d bound = _mm_set1_pd(c.bound);
#pragma GCC unroll 3
    for (int g = 0; g < G; ++g)
#pragma GCC unroll 4
        for (int h = 0; h < kPairs; ++h) {
            const __m128d v = acc[kPairs * g + h];
            const __m128i t = TruncClamp(v);
            __m128d r = _mm_cvtepi32_pd(t);
            if (c.exact || (_mm_movemask_epi8(_mm_cmpeq_epi32(t, TruncClamp(_mm_add_pd(v, bound)))) & 0xFF) != 0xFF) {
                double sums[2], fixed[2];
                _mm_storeu_pd(sums, v);
                for (int l = 0; l < 2; ++l) {
                    const double* s = stage + (k0 + g) * kStrip + 2 * h + l;
                    const double s0 = s[c.offsets[0]];
                    int32_t i = 1;
                    while (i < c.count && s[c.offsets[i]] == s0)
                        ++i;
                    fixed[l] = i == c.count ? s0 : ClampByte(sums[l]);
                }
                r = _mm_loadu_pd(fixed);
            }
            _mm_storel_pd(out[2 * h] + at + g, r);
            _mm_storeh_pd(out[2 * h + 1] + at + g, r);
        }
}

template <int G>
inline void ColumnGroup(const double* stage, const ISColumnTaps& c, int32_t k0, double* const* out, ptrdiff_t at)
{
    __m128d acc[kPairs * G];
    SumColumn<G>(stage, c, k0, acc);
    StoreColumn<G>(acc, c, stage, k0, out, at);
}

// Horizontal results of the staged rows for every column of the block.
void HorizontalStaged(const double* stage, const ISColumnTaps* taps, int32_t nb, int32_t ch, double* const* out)
{
    for (int32_t b = 0; b < nb; ++b) {
        const ptrdiff_t at = static_cast<ptrdiff_t>(b) * ch;
        int32_t k0 = 0;
        for (; k0 + 3 <= ch; k0 += 3)
            ColumnGroup<3>(stage, taps[b], k0, out, at + k0);
        if (ch - k0 == 2)
            ColumnGroup<2>(stage, taps[b], k0, out, at + k0);
        else if (ch - k0 == 1)
            ColumnGroup<1>(stage, taps[b], k0, out, at + k0);
    }
}

// One destination row from the ring: `count` samples, sixteen at a time side
// by side, each sum in list order.
void VerticalRow(const double* const* rows, const ISContribution* e, int32_t n, double flatBound, bool exact,
                 int32_t count, BYTE* out)
{
    const __m128d bound = _mm_set1_pd(flatBound);
    for (int32_t i = 0; i < count; i += 16) {
        __m128d acc[8];
#pragma GCC unroll 8
        for (int j = 0; j < 8; ++j)
            acc[j] = _mm_setzero_pd();
        for (int32_t t = 0; t < n; ++t) {
            const __m128d w = _mm_set1_pd(e[t].weight);
            const double* p = rows[t] + i;
#pragma GCC unroll 8
            for (int j = 0; j < 8; ++j)
                acc[j] = _mm_add_pd(acc[j], _mm_mul_pd(w, _mm_loadu_pd(p + 2 * j)));
        }
        __m128i q[4];
        int mask = 0;
#pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) {
            const __m128i t = _mm_unpacklo_epi64(TruncClamp(acc[2 * j]), TruncClamp(acc[2 * j + 1]));
            const __m128i tb = _mm_unpacklo_epi64(TruncClamp(_mm_add_pd(acc[2 * j], bound)),
                                                  TruncClamp(_mm_add_pd(acc[2 * j + 1], bound)));
            mask |= _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(t, tb))) << (4 * j);
            q[j] = t;
        }
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
        const int32_t m = std::min(16, count - i);
        if (!exact && mask == 0xFFFF && m == 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
            continue;
        }
        alignas(16) BYTE bytes[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes), packed);
        if (exact || mask != 0xFFFF) {
            alignas(16) double sums[16];
            for (int j = 0; j < 8; ++j)
                _mm_store_pd(sums + 2 * j, acc[j]);
            for (int32_t j = 0; j < m; ++j) {
                if (!exact && (mask >> j & 1))
                    continue;
                const double s0 = rows[0][i + j];
                int32_t t = 1;
                while (t < n && rows[t][i + j] == s0)
                    ++t;
                bytes[j] = t == n ? static_cast<BYTE>(s0) : ClampByte(sums[j]);
            }
        }
        std::memcpy(out + i, bytes, static_cast<size_t>(m));
    }
}

#else

void VerticalRow(const double* const* rows, const ISContribution* e, int32_t n, double, bool, int32_t count,
                 BYTE* out)
{
    for (int32_t i = 0; i < count; ++i) {
        double sum = 0.0;
        for (int32_t t = 0; t < n; ++t)
            sum += e[t].weight * rows[t][i];
        const double s0 = rows[0][i];
        int32_t t = 1;
        while (t < n && rows[t][i] == s0)
            ++t;
        out[i] = t == n ? static_cast<BYTE>(s0) : ClampByte(sum);
    }
}

#endif

struct filterResizeThreadStruct : ISResizeTaskRecord {
    const BYTE* src = nullptr;
    int32_t sw = 0, sh = 0;
    BYTE* dst = nullptr;
    int32_t dw = 0, dh = 0;
    int32_t channels = 0;
    int32_t srcStride = 0, dstStride = 0;
    int32_t flags = 0;
    ISKernel kernel{};
    const ISContributionList* rows = nullptr;

    int32_t RunBand() override
    {
        CISFilterResize work;
        work.m_src = src;
        work.m_sw = sw;
        work.m_sh = sh;
        work.m_dst = dst;
        work.m_dw = dw;
        work.m_dh = dh;
        work.m_channels = channels;
        work.m_srcStride = srcStride;
        work.m_dstStride = dstStride;
        work.m_flags = flags;
        return work.ColumnLoop(band.left, band.right, kernel, rows, hasProgress != 0);
    }
};

}  // namespace

int32_t CISFilterResize::ColumnLoop(int32_t first, int32_t end, const ISKernel& kernel, const ISContributionList* rows,
                                    bool progress)
{
    if (first >= end)
        return 0;
    const double sx = static_cast<double>(m_dw) / static_cast<double>(m_sw);
    const int32_t ch = m_channels;

    // Each destination row's lowest and highest source row and flat bound.
    ISArray<int32_t> low, high;
    ISArray<double> bounds;
    if (!low.Resize(m_dh) || !high.Resize(m_dh) || !bounds.Resize(m_dh))
        return 1;
    int32_t rowTaps = 1;
    for (int32_t y = 0; y < m_dh; ++y) {
        const ISContribution* e = rows[y].entries;
        int32_t lo = e[0].index, hi = lo;
        for (int32_t t = 1; t < rows[y].count; ++t) {
            lo = std::min(lo, e[t].index);
            hi = std::max(hi, e[t].index);
        }
        low[y] = lo;
        high[y] = hi;
        bounds[y] = FlatBound(e, rows[y].count);
        rowTaps = std::max(rowTaps, rows[y].count);
    }
    // Source rows are made in strips when a destination row first needs
    // them; the ring keeps as many as are ever needed at once.
    int64_t ringRows = 1;
    {
        int64_t made = 0;
        for (int32_t y = 0; y < m_dh; ++y) {
            while (made <= high[y])
                made = std::min<int64_t>(made + kStrip, m_sh);
            ringRows = std::max<int64_t>(ringRows, made - low[y]);
        }
    }

    // Room of one column's list: every column's count is below 2 × width + 2.
    const double width = sx < 1.0 ? kernel.support / sx : kernel.support;
    const double roomD = std::floor(2.0 * width + 2.0);
    if (!(roomD < 2147483647.0))
        return 1;
    const int64_t room = static_cast<int64_t>(roomD);
    auto ringStride = [ch](int64_t columns) { return (columns * ch + 31) / 32 * 32; };
    // Without progress reports nobody sees the order of the columns, so the
    // whole band is one block when its ring and staged window stay small:
    // then the source is read row after row, once.
    auto stageBytes = [&](int64_t columns) {
        return (static_cast<int64_t>(static_cast<double>(columns) / sx) + room + 2) * ch * kStrip * 8;
    };
    int32_t block = kMaxBlock;
    if (!progress && end - first > kMaxBlock) {
        block = end - first;
        while (block > kMaxBlock &&
               (ringRows * ringStride(block) * 8 > kRingLimit / 4 || stageBytes(block) > kStageLimit / 4 ||
                room * block * static_cast<int64_t>(sizeof(ISContribution) + sizeof(int32_t)) > kListLimit / 4))
            block = std::max(kMaxBlock, block / 2);
    }
    while (block > 1 && (ringRows * ringStride(block) * 8 > kRingLimit ||
                         room * block * static_cast<int64_t>(sizeof(ISContribution) + sizeof(int32_t)) > kListLimit))
        block /= 2;
    const int64_t stride = ringStride(block);
    const int64_t ringSamples = (ringRows + 1) * stride;
    const int64_t listEntries = room * block;
    if (ringSamples > 0x7fffffff || listEntries > 0x7fffffff)
        return 1;
    ISArray<double> ringData;
    ISArray<ISContribution> entries;
    ISArray<int32_t> offsets;
    ISArray<const double*> pointers;
    if (!ringData.Resize(static_cast<int32_t>(ringSamples)) || !entries.Resize(static_cast<int32_t>(listEntries)) ||
        !offsets.Resize(static_cast<int32_t>(listEntries)) || !pointers.Resize(rowTaps))
        return 1;
    ringData.Fill(0.0);
    const Ring ring{ringData.GetData(), static_cast<int32_t>(ringRows), static_cast<ptrdiff_t>(stride)};
    // Rows past the image are made into this spare row and never read.
    [[maybe_unused]] double* spare = ringData.GetData() + ringRows * stride;
    ISArray<ISContributionList> lists;
    ISArray<ISColumnTaps> taps;
    if (!lists.Resize(block) || !taps.Resize(block))
        return 1;
#ifdef IS_FILTER_SSE2
    void (*horizontal)(const double*, const ISColumnTaps*, int32_t, int32_t, double* const*) = HorizontalStaged;
#endif
    void (*vertical)(const double* const*, const ISContribution*, int32_t, double, bool, int32_t, BYTE*) = VerticalRow;
#if IS_FILTER_AVX2
    if (ISFilterHasAvx2()) {
        horizontal = ISHorizontalStagedAvx2;
        vertical = ISVerticalRowAvx2;
    }
#endif
    ISArray<double> stage;

    const int32_t total = end - first;
    int32_t x0 = first;
    while (x0 < end) {
        int32_t nb = std::min(block, end - x0);
        // A cancel at the first report leaves just the first column written.
        if (progress && x0 == first)
            nb = 1;
        int32_t lo = m_sw, hi = 0;
        for (int32_t b = 0; b < nb; ++b) {
            if (ISContributionCount(x0 + b, sx, kernel.support) > room)
                return 1;
            lists[b].entries = entries.GetData() + static_cast<ptrdiff_t>(b) * room;
            lists[b].count = ISBuildContributions(x0 + b, sx, kernel, m_sw, ch, lists[b].entries);
            for (int32_t t = 0; t < lists[b].count; ++t) {
                lo = std::min(lo, lists[b].entries[t].index);
                hi = std::max(hi, lists[b].entries[t].index);
            }
        }
        // The block's source window, staged a strip of rows at a time when it
        // fits; otherwise each sample is summed straight from the source.
        [[maybe_unused]] const int64_t samples = (static_cast<int64_t>(hi) - lo + 1) * ch;
        [[maybe_unused]] bool staged = false;
#ifdef IS_FILTER_SSE2
        staged = samples * kStrip * 8 <= kStageLimit && stage.Resize(static_cast<int32_t>(samples * kStrip));
        if (staged) {
            for (int32_t b = 0; b < nb; ++b) {
                int32_t* o = offsets.GetData() + static_cast<ptrdiff_t>(b) * room;
                for (int32_t t = 0; t < lists[b].count; ++t)
                    o[t] = (lists[b].entries[t].index - lo) * ch * kStrip;
                const double bound = FlatBound(lists[b].entries, lists[b].count);
                taps[b] = ISColumnTaps{lists[b].count, o, lists[b].entries, bound, !(bound < 1.0)};
            }
        }
#endif

        int32_t made = 0;
        for (int32_t y = 0; y < m_dh; ++y) {
            while (made <= high[y]) {
                const int32_t stripEnd = std::min(made + kStrip, m_sh);
#ifdef IS_FILTER_SSE2
                if (staged) {
                    const BYTE* srcRows[kStrip];
                    double* out[kStrip];
                    for (int32_t i = 0; i < kStrip; ++i) {
                        const int32_t r = std::min(made + i, m_sh - 1);
                        srcRows[i] = m_src + static_cast<ptrdiff_t>(r) * m_srcStride + static_cast<ptrdiff_t>(lo) * ch;
                        out[i] = made + i < m_sh ? ring.Row(made + i) : spare;
                    }
                    // The next strip's window comes from memory meanwhile.
                    for (int32_t i = kStrip; i < 2 * kStrip && made + i < m_sh; ++i) {
                        const BYTE* next = m_src + static_cast<ptrdiff_t>(made + i) * m_srcStride +
                                           static_cast<ptrdiff_t>(lo) * ch;
                        for (int64_t q = 0; q < samples; q += 64)
                            _mm_prefetch(reinterpret_cast<const char*>(next + q), _MM_HINT_T0);
                    }
                    StageRows(srcRows, static_cast<int32_t>(samples), stage.GetData());
                    horizontal(stage.GetData(), taps.GetData(), nb, ch, out);
                    made = stripEnd;
                    continue;
                }
#endif
                for (; made < stripEnd; ++made) {
                    const BYTE* srow = m_src + static_cast<ptrdiff_t>(made) * m_srcStride;
                    double* trow = ring.Row(made);
                    for (int32_t b = 0; b < nb; ++b)
                        for (int32_t k = 0; k < ch; ++k)
                            trow[b * ch + k] = ApplyHorizontal(srow + k, lists[b]);
                }
            }
            const ISContributionList& list = rows[y];
            for (int32_t t = 0; t < list.count; ++t)
                pointers[t] = ring.Row(list.entries[t].index);
            BYTE* drow = m_dst + static_cast<ptrdiff_t>(y) * m_dstStride + static_cast<ptrdiff_t>(x0) * ch;
            vertical(pointers.GetData(), list.entries, list.count, bounds[y], !(bounds[y] < 1.0), nb * ch, drow);
        }

        if (progress) {
            for (int32_t b = 0; b < nb; ++b)
                if (ISCallProgress(x0 + b - first, total))
                    return 14;
        }
        x0 += nb;
    }
    return 0;
}

BOOL CISFilterResize::Run(const BYTE* src, int32_t sw, int32_t sh, BYTE* dst, int32_t dw, int32_t dh,
                          int32_t channels, int32_t kind, int32_t srcStride, int32_t dstStride, int32_t flags,
                          bool progress)
{
    m_status = 0;
    if (!src || !dst || channels < 1 || sw < 1 || sh < 1 || dw < 1 || dh < 1) {
        m_status = 5;
        return FALSE;
    }
    ISKernel kernel;
    if (!ISFilterKernel(kind, &kernel)) {
        m_status = 5;
        return FALSE;
    }
    const int32_t minimum = static_cast<int32_t>(kernel.support + 0.999999999);
    if (dw < minimum || dh < minimum) {
        m_status = 68;
        return FALSE;
    }

    // Vertical lists, built once and shared by every band.
    const double sy = static_cast<double>(dh) / static_cast<double>(sh);
    ISArray<ISContributionList> rows;
    if (!rows.Resize(dh)) {
        m_status = 1;
        return FALSE;
    }
    int64_t totalEntries = 0;
    for (int32_t y = 0; y < dh; ++y) {
        const int64_t count = ISContributionCount(y, sy, kernel.support);
        if (count < 0 || (totalEntries += count) > 0x7fffffff) {
            m_status = 1;
            return FALSE;
        }
    }
    ISArray<ISContribution> entries;
    if (!entries.Resize(static_cast<int32_t>(totalEntries))) {
        m_status = 1;
        return FALSE;
    }
    ISContribution* next = entries.GetData();
    for (int32_t y = 0; y < dh; ++y) {
        rows[y].entries = next;
        rows[y].count = ISBuildContributions(y, sy, kernel, sh, channels, next);
        next += rows[y].count;
    }

    m_src = src;
    m_sw = sw;
    m_sh = sh;
    m_dst = dst;
    m_dw = dw;
    m_dh = dh;
    m_channels = channels;
    m_srcStride = srcStride;
    m_dstStride = dstStride;
    m_flags = flags;

    const int32_t bands = ISResizeBandCount(flags, dw);
    if (bands) {
        const ISContributionList* shared = rows.GetData();
        m_status = ISResizeSplit<filterResizeThreadStruct>(
            bands, true, dw, dh, progress, [&](filterResizeThreadStruct& r) {
                r.src = src;
                r.sw = sw;
                r.sh = sh;
                r.dst = dst;
                r.dw = dw;
                r.dh = dh;
                r.channels = channels;
                r.srcStride = srcStride;
                r.dstStride = dstStride;
                r.flags = flags;
                r.kernel = kernel;
                r.rows = shared;
            });
    } else {
        m_status = ColumnLoop(0, dw, kernel, rows.GetData(), progress);
    }
    return m_status == 0;
}

BOOL CISImgFilterResizeT::Resize(const CISImgView<const BYTE>& src, const CISImgView<BYTE>& dst, int32_t flags)
{
    CISFilterResize engine;
    engine.Run(src.pixels, static_cast<int32_t>(src.width), static_cast<int32_t>(src.height), dst.pixels,
               static_cast<int32_t>(dst.width), static_cast<int32_t>(dst.height), static_cast<int32_t>(src.channels),
               m_kind, static_cast<int32_t>(src.stride), static_cast<int32_t>(dst.stride), flags, m_progress);
    m_status = engine.m_status;
    return m_status == 0;
}
