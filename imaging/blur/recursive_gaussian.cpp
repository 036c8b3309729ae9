// The fourth-order recursive Gaussian: a causal and an anticausal recurrence
// along each row into an intermediate image, then along each column. Its cost
// per sample does not depend on sigma. Many lines run side by side in SSE
// lanes, each lane with FilterLine's operations in FilterLine's order.
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "../core/frame.h"
#include "blur.h"

template <typename Real>
void ISDericheCoefficients<Real>::Compute(Real s)
{
    const Real k = Real(1) / (s * std::sqrt(Real(2) * std::acos(Real(-1))));
    const Real a0 = Real(1.68) * k, a1 = Real(3.735) * k, c0 = Real(-0.6803) * k, c1 = Real(-0.2598) * k;
    const Real e0 = std::exp(Real(-1.783) / s), e1 = std::exp(Real(-1.723) / s);
    const Real cw0 = std::cos(Real(0.6318) / s), sw0 = std::sin(Real(0.6318) / s);
    const Real cw1 = std::cos(Real(1.997) / s), sw1 = std::sin(Real(1.997) / s);

    F[0] = a0 + c0;
    F[1] = e0 * (a1 * sw0 - (a0 + 2 * c0) * cw0) + e1 * (c1 * sw1 - (c0 + 2 * a0) * cw1);
    F[2] = a0 * e1 * e1 + c0 * e0 * e0 +
           2 * e0 * e1 * ((a0 + c0) * cw0 * cw1 - a1 * sw0 * cw1 - c1 * cw0 * sw1);
    F[3] = e0 * e1 * e1 * (a1 * sw0 - a0 * cw0) + e1 * e0 * e0 * (c1 * sw1 - c0 * cw1);
    F[4] = 0;
    D[0] = 0;
    D[1] = -2 * e1 * cw1 - 2 * e0 * cw0;
    D[2] = 4 * cw0 * cw1 * e0 * e1 + e1 * e1 + e0 * e0;
    D[3] = -2 * cw0 * e0 * e1 * e1 - 2 * cw1 * e1 * e0 * e0;
    D[4] = e0 * e0 * e1 * e1;
    M[0] = 0;
    for (int i = 1; i < 5; ++i)
        M[i] = F[i] - F[0] * D[i];

    Real sumD = 0, sumF = 0, sumM = 0;
    for (int i = 0; i < 5; ++i) {
        sumD += D[i];
        sumF += F[i];
        sumM += M[i];
        DA[i] = D[i];
    }
    if (sumD == Real(-1))
        sumD = Real(-0.999999);
    const Real q = 1 + sumD;
    Gc = sumF / q;
    Ga = sumM / q;
    for (int i = 0; i < 5; ++i) {
        BC[i] = Gc * D[i];
        BA[i] = Ga * D[i];
    }
}

template <typename Real>
void ISDericheCoefficients<Real>::FilterLine(const Real* x, int32_t n, Real* causal, Real* anticausal) const
{
    // Before the line every input is x[0] and every output Gc * x[0]; after
    // it every input is x[n-1] and every output Ga * x[n-1].
    Real x1 = x[0], x2 = x[0], x3 = x[0];
    Real y1 = Gc * x[0], y2 = y1, y3 = y1, y4 = y1;
    for (int32_t i = 0; i < n; ++i) {
        const Real x0 = x[i];
        const Real y0 = F[0] * x0 + F[1] * x1 + F[2] * x2 + F[3] * x3 - D[1] * y1 - D[2] * y2 - D[3] * y3 - D[4] * y4;
        causal[i] = y0;
        x3 = x2;
        x2 = x1;
        x1 = x0;
        y4 = y3;
        y3 = y2;
        y2 = y1;
        y1 = y0;
    }
    const Real last = x[n - 1];
    x1 = x2 = x3 = last;
    Real x4 = last;
    y1 = y2 = y3 = y4 = Ga * last;
    for (int32_t i = n - 1; i >= 0; --i) {
        const Real y0 =
            M[1] * x1 + M[2] * x2 + M[3] * x3 + M[4] * x4 - DA[1] * y1 - DA[2] * y2 - DA[3] * y3 - DA[4] * y4;
        anticausal[i] = y0;
        x4 = x3;
        x3 = x2;
        x2 = x1;
        x1 = x[i];
        y4 = y3;
        y3 = y2;
        y2 = y1;
        y1 = y0;
    }
}

template struct ISDericheCoefficients<double>;
template struct ISDericheCoefficients<float>;

namespace {

// One SSE register of the filter's precision, and as many 32-bit integers.
// Many lines are filtered side by side, one per lane, each lane doing exactly
// the scalar operations in the scalar order, so the results equal those of
// FilterLine bit for bit. The buffers are arrays of Real seen through these.
template <typename Real>
struct ISLanes;
template <>
struct ISLanes<double> {
    typedef double V __attribute__((vector_size(16), may_alias));
    typedef int32_t I __attribute__((vector_size(8), may_alias));
};
template <>
struct ISLanes<float> {
    typedef float V __attribute__((vector_size(16), may_alias));
    typedef int32_t I __attribute__((vector_size(16), may_alias));
};

template <typename Real>
typename ISLanes<Real>::V Splat(Real value)
{
    typename ISLanes<Real>::V v;
    for (size_t i = 0; i < sizeof(v) / sizeof(Real); ++i)
        v[i] = value;
    return v;
}

// Stores n values (a multiple of 16) already clamped to the sample range.
#if defined(__SSE2__)
void StoreSamples(const int32_t* from, BYTE* to, int64_t n)
{
    for (int64_t i = 0; i < n; i += 16) {
        const __m128i* v = reinterpret_cast<const __m128i*>(from + i);
        const __m128i low = _mm_packs_epi32(_mm_load_si128(v), _mm_load_si128(v + 1));
        const __m128i high = _mm_packs_epi32(_mm_load_si128(v + 2), _mm_load_si128(v + 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_packus_epi16(low, high));
    }
}

void StoreSamples(const int32_t* from, uint16_t* to, int64_t n)
{
    // Signed packing is exact once the range is moved down by 32768.
    const __m128i bias = _mm_set1_epi32(32768), flip = _mm_set1_epi16(-32768);
    for (int64_t i = 0; i < n; i += 8) {
        const __m128i* v = reinterpret_cast<const __m128i*>(from + i);
        const __m128i packed =
            _mm_packs_epi32(_mm_sub_epi32(_mm_load_si128(v), bias), _mm_sub_epi32(_mm_load_si128(v + 1), bias));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_xor_si128(packed, flip));
    }
}
#else
template <typename T>
void StoreSamples(const int32_t* from, T* to, int64_t n)
{
    for (int64_t i = 0; i < n; ++i)
        to[i] = T(from[i]);
}
#endif

// to[i] = Real(from[i]) for i < n.
template <typename Real, typename T>
void WidenRow(const T* from, Real* to, int64_t n)
{
    int64_t i = 0;
#if defined(__SSE2__)
    constexpr int64_t step = 16 / int64_t(sizeof(T));
    const __m128i zero = _mm_setzero_si128();
    for (; i + step <= n; i += step) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        // Into 32-bit integers, four at a time.
        __m128i q[4];
        int quads = 2;
        if constexpr (sizeof(T) == 1) {
            const __m128i low = _mm_unpacklo_epi8(v, zero), high = _mm_unpackhi_epi8(v, zero);
            q[0] = _mm_unpacklo_epi16(low, zero);
            q[1] = _mm_unpackhi_epi16(low, zero);
            q[2] = _mm_unpacklo_epi16(high, zero);
            q[3] = _mm_unpackhi_epi16(high, zero);
            quads = 4;
        } else {
            q[0] = _mm_unpacklo_epi16(v, zero);
            q[1] = _mm_unpackhi_epi16(v, zero);
        }
        for (int j = 0; j < quads; ++j) {
            if constexpr (sizeof(Real) == 4) {
                _mm_storeu_ps(reinterpret_cast<float*>(to + i + 4 * j), _mm_cvtepi32_ps(q[j]));
            } else {
                _mm_storeu_pd(reinterpret_cast<double*>(to + i + 4 * j), _mm_cvtepi32_pd(q[j]));
                _mm_storeu_pd(reinterpret_cast<double*>(to + i + 4 * j + 2),
                              _mm_cvtepi32_pd(_mm_shuffle_epi32(q[j], 0x0E)));
            }
        }
    }
#endif
    for (; i < n; ++i)
        to[i] = Real(from[i]);
}

// Filters `width` lines side by side (a multiple of the lanes), fed step by
// step by the caller. x and y are arrays of rows of `width` values; row s + 4
// holds step s, rows 0-3 stand for the steps before the line.
template <typename Real>
class ISLaneFilter {
    typedef typename ISLanes<Real>::V V;
    static constexpr int64_t P = int64_t(sizeof(V) / sizeof(Real));

public:
    ISLaneFilter(const ISDericheCoefficients<Real>& k, int64_t width, Real* ring)
        : m_k(k), m_row(width / P), m_width(width), m_ring(reinterpret_cast<V*>(ring))
    {
    }

    // Step 0 is in x row 4: before the line every input is that sample and
    // every output Gc times it.
    void Start(Real* x, Real* y) const
    {
        for (int64_t s = 0; s < 4; ++s)
            std::memcpy(x + s * m_width, x + 4 * m_width, size_t(m_width) * sizeof(Real));
        const V* x0 = Row(x, 4);
        for (int64_t s = 0; s < 4; ++s) {
            V* y0 = Row(y, s);
            for (int64_t i = 0; i < m_row; ++i)
                y0[i] = m_k.Gc * x0[i];
        }
    }

    // y row s from x rows s-3..s and y rows s-4..s-1, in FilterLine's order.
    void Causal(const Real* x, Real* y, int64_t s) const
    {
        const Real f0 = m_k.F[0], f1 = m_k.F[1], f2 = m_k.F[2], f3 = m_k.F[3];
        const Real d1 = m_k.D[1], d2 = m_k.D[2], d3 = m_k.D[3], d4 = m_k.D[4];
        const int64_t r = m_row;
        const V* x0 = Row(x, s);
        V* y0 = Row(y, s);
        for (int64_t i = 0; i < r; ++i)
            y0[i] = f0 * x0[i] + f1 * x0[i - r] + f2 * x0[i - 2 * r] + f3 * x0[i - 3 * r] - d1 * y0[i - r] -
                    d2 * y0[i - 2 * r] - d3 * y0[i - 3 * r] - d4 * y0[i - 4 * r];
    }

    // After n steps: past the line every input is the last sample (x row
    // n + 3) and every output Ga times it.
    void StartBack(Real* x, int64_t n)
    {
        for (int64_t s = n + 4; s < n + 8; ++s)
            std::memcpy(x + s * m_width, x + (n + 3) * m_width, size_t(m_width) * sizeof(Real));
        const V* last = Row(x, n + 3);
        for (int i = 0; i < 4; ++i)
            m_r[i] = m_ring + i * m_row;
        for (int64_t i = 0; i < m_row; ++i)
            m_r[0][i] = m_r[1][i] = m_r[2][i] = m_r[3][i] = m_k.Ga * last[i];
    }

    // The output of step s: y row s plus the anticausal output (from x rows
    // s+1..s+4 and the four later outputs), truncated toward zero and
    // saturated at low and high (NaN gives low), into `out`. Call for s from
    // n + 3 down to 4.
    void Anticausal(const Real* x, const Real* y, int64_t s, Real low, Real high, int32_t* out)
    {
        typedef typename ISLanes<Real>::I I;
        const Real m1 = m_k.M[1], m2 = m_k.M[2], m3 = m_k.M[3], m4 = m_k.M[4];
        const Real a1 = m_k.DA[1], a2 = m_k.DA[2], a3 = m_k.DA[3], a4 = m_k.DA[4];
        const V lo = Splat(low), hi = Splat(high);
        const int64_t r = m_row;
        const V* x1 = Row(x, s + 1);
        const V* y0 = Row(y, s);
        I* to = reinterpret_cast<I*>(out);
        V *r1 = m_r[0], *r2 = m_r[1], *r3 = m_r[2], *r4 = m_r[3];
        for (int64_t i = 0; i < r; ++i) {
            const V a = m1 * x1[i] + m2 * x1[i + r] + m3 * x1[i + 2 * r] + m4 * x1[i + 3 * r] - a1 * r1[i] -
                        a2 * r2[i] - a3 * r3[i] - a4 * r4[i];
            r4[i] = a;  // the oldest output's row takes the newest
            V v = y0[i] + a;
            v = v > lo ? v : lo;
            v = v >= hi ? hi : v;
            to[i] = __builtin_convertvector(v, I);
        }
        m_r[3] = r3;
        m_r[2] = r2;
        m_r[1] = r1;
        m_r[0] = r4;
    }

private:
    V* Row(Real* b, int64_t s) const { return reinterpret_cast<V*>(b + s * m_width); }
    const V* Row(const Real* b, int64_t s) const { return reinterpret_cast<const V*>(b + s * m_width); }

    const ISDericheCoefficients<Real>& m_k;
    const int64_t m_row, m_width;
    V* m_ring;
    V* m_r[4] = {};
};

// An array aligned for the vector loads.
template <typename E>
struct ISAlignedLanes {
    ISArray<E> storage;
    E* data = nullptr;
    bool Resize(int64_t n)
    {
        const int64_t extra = int64_t(16 / sizeof(E));
        if (n + extra > INT32_MAX || !storage.Resize(int32_t(n + extra)))
            return false;
        const uintptr_t at = reinterpret_cast<uintptr_t>(storage.GetData());
        data = storage.GetData() + ((16 - at % 16) % 16) / sizeof(E);
        return true;
    }
};

// Both passes over all channels at once. Rows: groups of whole rows side by
// side, every sample of the group a lane, into the intermediate image.
// Columns: strips of K neighbouring samples of each row, into dst. The
// intermediate is stored strip after strip, so the column pass reads it in
// order. kChannels is the channel count when known at compile time, else 0.
// Returns the status.
template <typename Real, int kChannels, typename Inter, typename T>
int32_t RecursivePasses(const T* src, T* dst, const ISBlurGeometry& g, double sigma, uint32_t flags,
                        uint32_t maximum, bool hasProgress)
{
    constexpr int64_t P = int64_t(16 / sizeof(Real));  // lanes per register
    constexpr int64_t K = 16 * P;                       // samples per column strip
    constexpr int64_t kAhead = 16;                      // dst rows fetched ahead in the column pass
    const int64_t w = g.width, h = g.height, channels = kChannels ? kChannels : g.channels;
    const int64_t rowLength = w * channels;
    // About eight registers of rows: enough independent lanes to hide the
    // recurrence's latency; never more rows than the image has.
    const int64_t wanted = (8 * P + channels - 1) / channels;
    const int64_t groupRows = wanted < h ? wanted : h;
    const int64_t G = (groupRows * channels + P - 1) / P * P;  // lanes per row group

    const int64_t strips = (rowLength + K - 1) / K;
    const int64_t stripSize = h * K;
    ISArray<Inter> intermediate;
    if (uint64_t(strips) * uint64_t(stripSize) > INT32_MAX || !intermediate.Resize(int32_t(strips * stripSize)))
        return 1;
    Inter* inter = intermediate.GetData();

    ISAlignedLanes<Real> xRows, yRows, xColumns, yColumns, ring;
    ISAlignedLanes<int32_t> truncated;
    const int64_t ringWidth = G > K ? G : K;
    if (!xRows.Resize((w + 8) * G) || !yRows.Resize((w + 4) * G) || !xColumns.Resize((h + 8) * K) ||
        !yColumns.Resize((h + 4) * K) || !ring.Resize(4 * ringWidth) || !truncated.Resize(ringWidth))
        return 1;
    Real* xr = xRows.data;
    Real* yr = yRows.data;
    Real* xc = xColumns.data;
    Real* yc = yColumns.data;
    int32_t* whole = truncated.data;
    // Lanes past the group's samples stay zero.
    std::memset(xr, 0, size_t((w + 8) * G) * sizeof(Real));

    ISDericheCoefficients<Real> k;
    k.Compute(Real(sigma));
    const Real interLow = Real(std::numeric_limits<Inter>::min());
    const Real interHigh = Real(std::numeric_limits<Inter>::max());

    // The group's rows widened to Real, and its results before they go to
    // the strips: both read and written row by row.
    ISAlignedLanes<Real> widened;
    ISArray<Inter> narrowed;
    if (!widened.Resize(groupRows * rowLength) || !narrowed.Resize(int32_t(groupRows * rowLength)))
        return 1;
    ISLaneFilter<Real> rows(k, G, ring.data);
    for (int64_t top = 0; top < h; top += groupRows) {
        const int64_t count = h - top < groupRows ? h - top : groupRows;
        for (int64_t r = 0; r < count; ++r)
            WidenRow(src + (top + r) * g.srcStride, widened.data + r * rowLength, rowLength);
        const auto load = [&](int64_t x) {
            Real* to = xr + (x + 4) * G;
            const Real* from = widened.data + x * channels;
            for (int64_t r = 0; r < count; ++r, to += channels, from += rowLength)
                for (int64_t c = 0; c < channels; ++c)
                    to[c] = from[c];
        };
        load(0);
        rows.Start(xr, yr);
        for (int64_t x = 0; x < w; ++x) {
            if (x > 0)
                load(x);
            rows.Causal(xr, yr, x + 4);
        }
        rows.StartBack(xr, w);
        for (int64_t x = w - 1; x >= 0; --x) {
            rows.Anticausal(xr, yr, x + 4, interLow, interHigh, whole);
            const int32_t* from = whole;
            Inter* to = narrowed.GetData() + x * channels;
            for (int64_t r = 0; r < count; ++r, from += channels, to += rowLength)
                for (int64_t c = 0; c < channels; ++c)
                    to[c] = Inter(from[c]);
        }
        for (int64_t r = 0; r < count; ++r)
            for (int64_t left = 0; left < rowLength; left += K)
                std::memcpy(inter + left * h + (top + r) * K, narrowed.GetData() + r * rowLength + left,
                            size_t(rowLength - left < K ? rowLength - left : K) * sizeof(Inter));
    }
    for (int64_t c = 0; c < channels; ++c)
        if (hasProgress && (flags & (1u << c)) && ISCallProgress(int32_t(c), int32_t(2 * channels)))
            return 14;

    bool written[K];
    ISLaneFilter<Real> columns(k, K, ring.data);
    for (int64_t left = 0; left < rowLength; left += K) {
        const int64_t count = rowLength - left < K ? rowLength - left : K;
        bool all = true;
        for (int64_t i = 0; i < K; ++i) {
            written[i] = i < count && (flags & (1u << ((left + i) % channels)));
            all = all && written[i];
        }
        const auto load = [&](int64_t y) {
            const Inter* in = inter + left * h + y * K;
            Real* to = xc + (y + 4) * K;
            if (count == K) {
                for (int64_t i = 0; i < K; ++i)
                    to[i] = Real(in[i]);
            } else {
                for (int64_t i = 0; i < K; ++i)
                    to[i] = i < count ? Real(in[i]) : Real(0);
            }
        };
        load(0);
        columns.Start(xc, yc);
        for (int64_t y = 0; y < h; ++y) {
            if (y > 0)
                load(y);
            columns.Causal(xc, yc, y + 4);
        }
        columns.StartBack(xc, h);
        for (int64_t y = h - 1; y >= 0; --y) {
            columns.Anticausal(xc, yc, y + 4, Real(0), Real(maximum), whole);
            T* out = dst + y * g.dstStride + left;
            if (y >= kAhead)
                for (int64_t i = 0; i < count; i += 64 / int64_t(sizeof(T)))
                    __builtin_prefetch(out - kAhead * g.dstStride + i, 1);
            if (all) {
                StoreSamples(whole, out, K);
            } else {
                for (int64_t i = 0; i < count; ++i)
                    if (written[i])
                        out[i] = T(whole[i]);
            }
        }
        // One poll per column filtered, with its channel's value.
        for (int64_t i = 0; hasProgress && i < count; ++i)
            if (written[i] && ISCallProgress(int32_t(2 * ((left + i) % channels)), int32_t(2 * channels)))
                return 14;
    }
    return 0;
}

}  // namespace

template <typename T, typename Inter>
BOOL CISGaussian::Recursive(const T* src, T* dst, const ISBlurGeometry& g, double sigma, uint32_t flags,
                            uint32_t maximum)
{
    if (!src || !dst || !ISBlurGeometryValid(g) || !(sigma > 0.0))
        return Fail(5);
    const bool hasProgress = m_hasProgress != 0;
    // Double precision below sigma 4.5, single above; the usual channel
    // counts get loops of their own.
    const auto run = [&](auto real) {
        using Real = decltype(real);
        switch (g.channels) {
        case 1:
            return RecursivePasses<Real, 1, Inter>(src, dst, g, sigma, flags, maximum, hasProgress);
        case 3:
            return RecursivePasses<Real, 3, Inter>(src, dst, g, sigma, flags, maximum, hasProgress);
        case 4:
            return RecursivePasses<Real, 4, Inter>(src, dst, g, sigma, flags, maximum, hasProgress);
        default:
            return RecursivePasses<Real, 0, Inter>(src, dst, g, sigma, flags, maximum, hasProgress);
        }
    };
    const int32_t status = sigma < 4.5 ? run(0.0) : run(0.0f);
    return status ? Fail(status) : TRUE;
}

BOOL CISGaussian::ISRecursiveGaussian8(const BYTE* src, BYTE* dst, const ISBlurGeometry& g, double sigma,
                                       uint32_t flags)
{
    return Recursive<BYTE, int16_t>(src, dst, g, sigma, flags, 255);
}

BOOL CISGaussian::ISRecursiveGaussian16(const uint16_t* src, uint16_t* dst, const ISBlurGeometry& g, double sigma,
                                        uint32_t flags)
{
    return Recursive<uint16_t, int32_t>(src, dst, g, sigma, flags, 65535);
}
