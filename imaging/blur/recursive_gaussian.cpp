// The fourth-order recursive Gaussian: a causal and an anticausal recurrence
// along each row into a transposed intermediate image, then along each
// column. Its cost per sample does not depend on sigma.
#include <cmath>
#include <limits>
#include <type_traits>

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

// Truncation toward zero that saturates instead of overflowing (NaN gives 0).
template <typename Out, typename Real>
Out TruncateTo(Real v, Real low, Real high)
{
    if (!(v > low))
        return Out(low);
    if (v >= high)
        return Out(high);
    return Out(v);
}

}  // namespace

template <typename T, typename Inter>
BOOL CISGaussian::Recursive(const T* src, T* dst, const ISBlurGeometry& g, double sigma, uint32_t flags,
                            uint32_t maximum)
{
    if (!src || !dst || !ISBlurGeometryValid(g) || !(sigma > 0.0))
        return Fail(5);
    const int64_t w = g.width, h = g.height;
    const uint32_t channels = g.channels;
    const uint64_t count = uint64_t(w) * uint64_t(h) * channels;
    const int64_t longest = w > h ? w : h;
    ISArray<Inter> inter;
    if (count > INT32_MAX || !inter.Resize(int32_t(count)))
        return Fail(1);
    Inter* im = inter.GetData();

    const bool wide = sigma < 4.5;  // double precision below 4.5, single above
    ISArray<double> lineD[3];
    ISArray<float> lineF[3];
    for (int i = 0; i < 3; ++i)
        if (!(wide ? lineD[i].Resize(int32_t(longest)) : lineF[i].Resize(int32_t(longest))))
            return Fail(1);

    const auto run = [&](auto* line, auto coefficients) -> BOOL {
        using Real = decltype(coefficients.Gc);
        Real* x = line[0].GetData();
        Real* causal = line[1].GetData();
        Real* anti = line[2].GetData();
        const Real interLow = Real(std::numeric_limits<Inter>::min());
        const Real interHigh = Real(std::numeric_limits<Inter>::max());
        for (uint32_t c = 0; c < channels; ++c) {
            if (!(flags & (1u << c)))
                continue;
            coefficients.Compute(Real(sigma));
            for (int64_t y = 0; y < h; ++y) {
                const T* row = src + y * g.srcStride + c;
                for (int64_t i = 0; i < w; ++i)
                    x[i] = Real(row[i * channels]);
                coefficients.FilterLine(x, int32_t(w), causal, anti);
                Inter* out = im + y * channels + c;
                for (int64_t i = 0; i < w; ++i)
                    out[i * h * channels] = TruncateTo<Inter>(causal[i] + anti[i], interLow, interHigh);
            }
            if (m_hasProgress && ISCallProgress(int32_t(c), int32_t(2 * channels)))
                return Fail(14);
            for (int64_t col = 0; col < w; ++col) {
                const Inter* in = im + col * h * channels + c;
                for (int64_t i = 0; i < h; ++i)
                    x[i] = Real(in[i * channels]);
                coefficients.FilterLine(x, int32_t(h), causal, anti);
                T* out = dst + col * channels + c;
                for (int64_t i = 0; i < h; ++i)
                    out[i * g.dstStride] = TruncateTo<T>(causal[i] + anti[i], Real(0), Real(maximum));
                if (m_hasProgress && ISCallProgress(int32_t(2 * c), int32_t(2 * channels)))
                    return Fail(14);
            }
        }
        return TRUE;
    };
    return wide ? run(lineD, ISDericheCoefficients<double>()) : run(lineF, ISDericheCoefficients<float>());
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
