#include "filter_resize.h"

#include <algorithm>
#include <cmath>

#include "bands.h"

namespace {

// Blocks of destination columns share one temporary; their sums are the
// same as column by column.
constexpr int32_t kMaxBlock = 64;
constexpr int64_t kTempLimit = int64_t(64) << 20;
constexpr int64_t kListLimit = int64_t(256) << 20;

inline BYTE ClampByte(double v)
{
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<BYTE>(static_cast<int>(v));
}

// One horizontal sample: `row` points at the channel's first sample of the
// source row; entries address it by their offsets.
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

// Whether every sample of the list equals the first; most lists of a noisy
// image differ at the second entry.
template <typename S>
inline bool AllEqual(const S* base, const ISContribution* e, int32_t n, ptrdiff_t step)
{
    const S s0 = base[e[0].index * step];
    for (int32_t i = 1; i < n; ++i)
        if (base[e[i].index * step] != s0)
            return false;
    return true;
}

// R rows of CH channels through one column's list at once: the sums are
// independent, so their additions overlap; each keeps the list order.
template <int CH, int R>
inline void HorizontalRows(const BYTE* const* rows, const ISContributionList& list, double* out, ptrdiff_t outStride)
{
    const ISContribution* e = list.entries;
    const int32_t n = list.count;
    double acc[R][CH];
#pragma GCC unroll 4
    for (int r = 0; r < R; ++r)
#pragma GCC unroll 4
        for (int k = 0; k < CH; ++k)
            acc[r][k] = 0.0;
    for (int32_t t = 0; t < n; ++t) {
        const double w = e[t].weight;
        const int32_t o = e[t].offset;
#pragma GCC unroll 4
        for (int r = 0; r < R; ++r)
#pragma GCC unroll 4
            for (int k = 0; k < CH; ++k)
                acc[r][k] += w * rows[r][o + k];
    }
    for (int r = 0; r < R; ++r)
        for (int k = 0; k < CH; ++k)
            out[r * outStride + k] =
                AllEqual(rows[r] + k, e, n, CH) ? rows[r][e[0].offset + k] : ClampByte(acc[r][k]);
}

// Horizontal pass of one block: every source row into the temporary, whose
// rows hold nb × ch bytes.
template <int CH>
void HorizontalBlock(const BYTE* src, ptrdiff_t srcStride, int32_t rFirst, int32_t sh, const ISContributionList* lists,
                     int32_t nb, double* temp)
{
    constexpr int R = 4;
    const ptrdiff_t tstride = static_cast<ptrdiff_t>(nb) * CH;
    int32_t r = rFirst;
    for (; r + R <= sh; r += R) {
        const BYTE* rows[R];
        for (int i = 0; i < R; ++i)
            rows[i] = src + (r + i) * srcStride;
        for (int32_t b = 0; b < nb; ++b)
            HorizontalRows<CH, R>(rows, lists[b], temp + r * tstride + b * CH, tstride);
    }
    for (; r < sh; ++r) {
        const BYTE* rows[1] = {src + r * srcStride};
        for (int32_t b = 0; b < nb; ++b)
            HorizontalRows<CH, 1>(rows, lists[b], temp + r * tstride + b * CH, tstride);
    }
}

void HorizontalBlockAny(const BYTE* src, ptrdiff_t srcStride, int32_t rFirst, int32_t sh, int32_t ch,
                        const ISContributionList* lists, int32_t nb, double* temp)
{
    const ptrdiff_t tstride = static_cast<ptrdiff_t>(nb) * ch;
    for (int32_t r = rFirst; r < sh; ++r) {
        const BYTE* srow = src + r * srcStride;
        double* trow = temp + r * tstride;
        for (int32_t b = 0; b < nb; ++b)
            for (int32_t k = 0; k < ch; ++k)
                trow[b * ch + k] = ApplyHorizontal(srow + k, lists[b]);
    }
}

// Rows in strips of kStrip: the strip's source window is staged as doubles,
// the strip's rows side by side, so that one weight meets kStrip samples in a
// row. Returns the rows done; the caller does the rest.
constexpr int kStrip = 8;

struct ByteToDouble {
    double value[256];
    ByteToDouble()
    {
        for (int i = 0; i < 256; ++i)
            value[i] = i;
    }
};
const ByteToDouble kByteToDouble;

int32_t HorizontalStaged(const BYTE* src, ptrdiff_t srcStride, int32_t sh, int32_t ch, const ISContributionList* lists,
                         int32_t nb, ISArray<double>* stage, double* temp)
{
    int32_t lo = lists[0].entries[0].index, hi = lo;
    for (int32_t b = 0; b < nb; ++b)
        for (int32_t t = 0; t < lists[b].count; ++t) {
            lo = std::min(lo, lists[b].entries[t].index);
            hi = std::max(hi, lists[b].entries[t].index);
        }
    const int64_t samples = static_cast<int64_t>(hi - lo + 1) * ch;
    if (samples * kStrip > (int64_t(1) << 19) || !stage->Resize(static_cast<int32_t>(samples * kStrip)))
        return 0;
    double* st = stage->GetData();
    const ptrdiff_t tstride = static_cast<ptrdiff_t>(nb) * ch;
    int32_t r0 = 0;
    for (; r0 + kStrip <= sh; r0 += kStrip) {
        for (int r = 0; r < kStrip; ++r) {
            const BYTE* row = src + (r0 + r) * srcStride + static_cast<ptrdiff_t>(lo) * ch;
            for (int64_t j = 0; j < samples; ++j)
                st[j * kStrip + r] = kByteToDouble.value[row[j]];
        }
        for (int32_t b = 0; b < nb; ++b) {
            const ISContribution* e = lists[b].entries;
            const int32_t n = lists[b].count;
            for (int32_t k = 0; k < ch; ++k) {
                double acc[kStrip];
#pragma GCC unroll 8
                for (int r = 0; r < kStrip; ++r)
                    acc[r] = 0.0;
                for (int32_t t = 0; t < n; ++t) {
                    const double w = e[t].weight;
                    const double* p = st + (static_cast<ptrdiff_t>(e[t].index - lo) * ch + k) * kStrip;
#pragma GCC unroll 8
                    for (int r = 0; r < kStrip; ++r)
                        acc[r] += w * p[r];
                }
                const double* p0 = st + (static_cast<ptrdiff_t>(e[0].index - lo) * ch + k) * kStrip;
                double* out = temp + r0 * tstride + b * ch + k;
                for (int r = 0; r < kStrip; ++r) {
                    int32_t t = 1;
                    while (t < n && st[(static_cast<ptrdiff_t>(e[t].index - lo) * ch + k) * kStrip + r] == p0[r])
                        ++t;
                    out[r * tstride] = t == n ? p0[r] : ClampByte(acc[r]);
                }
            }
        }
    }
    return r0;
}

// Vertical pass of one destination row: the list's rows of the temporary
// summed side by side, each sum in list order.
void VerticalRow(const double* temp, ptrdiff_t tstride, const ISContributionList& list, BYTE* out)
{
    constexpr int kChunk = 16;
    const ISContribution* e = list.entries;
    const int32_t n = list.count;
    ptrdiff_t i = 0;
    for (; i + kChunk <= tstride; i += kChunk) {
        double acc[kChunk];
#pragma GCC unroll 16
        for (int j = 0; j < kChunk; ++j)
            acc[j] = 0.0;
        for (int32_t t = 0; t < n; ++t) {
            const double w = e[t].weight;
            const double* rt = temp + e[t].index * tstride + i;
#pragma GCC unroll 16
            for (int j = 0; j < kChunk; ++j)
                acc[j] += w * rt[j];
        }
        for (int j = 0; j < kChunk; ++j)
            out[i + j] = AllEqual(temp + i + j, e, n, tstride) ? static_cast<BYTE>(temp[e[0].index * tstride + i + j])
                                                                : ClampByte(acc[j]);
    }
    for (; i < tstride; ++i) {
        double acc = 0.0;
        for (int32_t t = 0; t < n; ++t)
            acc += e[t].weight * temp[e[t].index * tstride + i];
        out[i] = AllEqual(temp + i, e, n, tstride) ? static_cast<BYTE>(temp[e[0].index * tstride + i]) : ClampByte(acc);
    }
}

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

    // Room of one column's list: every column's count is below 2 × width + 2.
    const double width = sx < 1.0 ? kernel.support / sx : kernel.support;
    const double roomD = std::floor(2.0 * width + 2.0);
    if (!(roomD < 2147483647.0))
        return 1;
    const int64_t room = static_cast<int64_t>(roomD);
    int32_t block = kMaxBlock;
    while (block > 1 && (static_cast<int64_t>(ch) * m_sh * block * 8 > kTempLimit ||
                         room * block * static_cast<int64_t>(sizeof(ISContribution)) > kListLimit))
        block /= 2;
    const int64_t tempSamples = static_cast<int64_t>(ch) * m_sh * block;
    const int64_t listEntries = room * block;
    if (tempSamples > 0x7fffffff || listEntries > 0x7fffffff)
        return 1;
    // The horizontal results are bytes, kept as doubles for the vertical sums.
    ISArray<double> temp;
    ISArray<ISContribution> entries;
    if (!temp.Resize(static_cast<int32_t>(tempSamples)) || !entries.Resize(static_cast<int32_t>(listEntries)))
        return 1;
    ISContributionList lists[kMaxBlock];
    ISArray<double> stage;

    const int32_t total = end - first;
    int32_t x0 = first;
    while (x0 < end) {
        int32_t nb = std::min(block, end - x0);
        // A cancel at the first report leaves just the first column written.
        if (progress && x0 == first)
            nb = 1;
        for (int32_t b = 0; b < nb; ++b) {
            if (ISContributionCount(x0 + b, sx, kernel.support) > room)
                return 1;
            lists[b].entries = entries.GetData() + static_cast<ptrdiff_t>(b) * room;
            lists[b].count = ISBuildContributions(x0 + b, sx, kernel, m_sw, ch, lists[b].entries);
        }

        // Horizontal pass, then vertical pass into the destination rows.
        const ptrdiff_t tstride = static_cast<ptrdiff_t>(nb) * ch;
        double* t = temp.GetData();
        const int32_t staged = HorizontalStaged(m_src, m_srcStride, m_sh, ch, lists, nb, &stage, t);
        switch (ch) {
        case 1:
            HorizontalBlock<1>(m_src, m_srcStride, staged, m_sh, lists, nb, t);
            break;
        case 3:
            HorizontalBlock<3>(m_src, m_srcStride, staged, m_sh, lists, nb, t);
            break;
        case 4:
            HorizontalBlock<4>(m_src, m_srcStride, staged, m_sh, lists, nb, t);
            break;
        default:
            HorizontalBlockAny(m_src, m_srcStride, staged, m_sh, ch, lists, nb, t);
            break;
        }
        for (int32_t y = 0; y < m_dh; ++y) {
            BYTE* drow = m_dst + static_cast<ptrdiff_t>(y) * m_dstStride + static_cast<ptrdiff_t>(x0) * ch;
            VerticalRow(t, tstride, rows[y], drow);
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
