// The Gaussian blur: the direct kernel against a float reference with the
// same kernel, the recursive filter against a true Gaussian.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "blur.h"
#include "blur_test_util.h"

namespace {

// Separable convolution in double with replicated or renormalised edges.
std::vector<double> Convolve(const std::vector<double>& in, int w, int h, const std::vector<double>& k,
                             bool renormalise)
{
    const int r = int(k.size() / 2);
    std::vector<double> rows(in.size()), out(in.size());
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<double>& from = pass == 0 ? in : rows;
        std::vector<double>& to = pass == 0 ? rows : out;
        const int n = pass == 0 ? w : h;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int at = pass == 0 ? x : y;
                double sum = 0, used = 0;
                for (int j = -r; j <= r; ++j) {
                    int i = at + j;
                    if (renormalise && (i < 0 || i >= n))
                        continue;
                    i = bt::Clamp(i, n);
                    sum += k[j + r] * (pass == 0 ? from[size_t(y) * w + i] : from[size_t(i) * w + x]);
                    used += k[j + r];
                }
                to[size_t(y) * w + x] = renormalise ? sum / used : sum;
            }
    }
    return out;
}

// The kernel as the library describes it: base 2.71828, radius ceil(2.5
// sigma), single-precision weights.
std::vector<double> LibraryKernel(double sigma)
{
    const int r = int(std::ceil(2.5 * sigma));
    std::vector<double> k(2 * r + 1);
    double sum = 0;
    for (int i = -r; i <= r; ++i)
        sum += k[i + r] = std::pow(2.71828, -double(i * i) / (2 * sigma * sigma));
    for (double& v : k)
        v = float(v / sum);
    return k;
}

// A true Gaussian truncated at 5 sigma.
std::vector<double> TrueKernel(double sigma)
{
    const int r = int(std::ceil(5 * sigma));
    std::vector<double> k(2 * r + 1);
    double sum = 0;
    for (int i = -r; i <= r; ++i)
        sum += k[i + r] = std::exp(-double(i * i) / (2 * sigma * sigma));
    for (double& v : k)
        v /= sum;
    return k;
}

template <typename T>
std::vector<double> Channel(const std::vector<T>& image, int w, int h, int ch, int c)
{
    std::vector<double> v(size_t(w) * h);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = image[i * ch + c];
    return v;
}

ISBlurGeometry Geometry(int w, int h, int ch)
{
    ISBlurGeometry g;
    g.width = w;
    g.height = h;
    g.channels = ch;
    g.srcStride = g.dstStride = size_t(w) * ch;
    return g;
}

template <typename T>
BOOL Blur(CISGaussian& op, const std::vector<T>& src, std::vector<T>& dst, const ISBlurGeometry& g, double sigma,
          uint32_t flags)
{
    if constexpr (sizeof(T) == 1)
        return op.ISGaussianBlur8(src.data(), dst.data(), g, sigma, flags);
    else
        return op.ISGaussianBlur16(src.data(), dst.data(), g, sigma, flags);
}

using KernelCase = std::tuple<double, bool>;  // sigma (2 with flag 0x100), 16-bit
class DirectKernel : public ::testing::TestWithParam<KernelCase> {};

template <typename T>
void CheckDirectKernel(double sigma)
{
    const int w = 29, h = 21, ch = 3;
    const uint32_t maximum = sizeof(T) == 1 ? 255 : 65535;
    const uint32_t wide = sizeof(T) == 1 ? 0 : 0x200;
    const std::vector<T> src = bt::RandomSamples<T>(size_t(w) * h * ch, maximum + 1, 21);
    std::vector<T> rounded(src.size()), truncated(src.size());
    CISGaussian op;
    ASSERT_TRUE(Blur(op, src, rounded, Geometry(w, h, ch), sigma, 0x107 | wide));
    ASSERT_TRUE(Blur(op, src, truncated, Geometry(w, h, ch), sigma, 0x507 | wide));
    int lower = 0;
    for (int c = 0; c < ch; ++c) {
        const std::vector<double> ref = Convolve(Channel(src, w, h, ch, c), w, h, LibraryKernel(sigma), true);
        for (size_t i = 0; i < ref.size(); ++i) {
            ASSERT_NEAR(std::floor(ref[i] + 0.5), rounded[i * ch + c], 1.0) << "sample " << i;
            ASSERT_LE(truncated[i * ch + c], rounded[i * ch + c]) << "sample " << i;
            lower += truncated[i * ch + c] < rounded[i * ch + c];
        }
    }
    EXPECT_GT(lower, 0);
}

TEST_P(DirectKernel, WithinOneOfTheFloatReferenceAndTruncationOnlyLowers)
{
    const auto [sigma, wide] = GetParam();
    if (wide)
        CheckDirectKernel<uint16_t>(sigma);
    else
        CheckDirectKernel<uint8_t>(sigma);
}

INSTANTIATE_TEST_SUITE_P(Table, DirectKernel, ::testing::Combine(::testing::Values(0.5, 0.8, 2.0), ::testing::Bool()));

struct RecursiveCase {
    double sigma;
    bool step;  // a vertical edge from 20 to 230 instead of noise
};
void PrintTo(const RecursiveCase& c, std::ostream* os) { *os << c.sigma << (c.step ? " step" : " random"); }
class RecursiveGaussian : public ::testing::TestWithParam<RecursiveCase> {};

TEST_P(RecursiveGaussian, StaysCloseBelowATrueGaussian)
{
    const RecursiveCase& c = GetParam();
    const int w = 61, h = 47, ch = 3;
    std::vector<uint8_t> src = bt::RandomSamples<uint8_t>(size_t(w) * h * ch, 256, 8);
    if (c.step)
        for (int i = 0; i < w * h; ++i)
            for (int k = 0; k < ch; ++k)
                src[size_t(i) * ch + k] = (i % w) < w / 3 + 7 * k ? 20 : 230;
    std::vector<uint8_t> dst(src.size());
    CISGaussian op;
    ASSERT_TRUE(op.ISRecursiveGaussian8(src.data(), dst.data(), Geometry(w, h, ch), c.sigma, 7));
    for (int k = 0; k < ch; ++k) {
        const std::vector<double> ref = Convolve(Channel(src, w, h, ch, k), w, h, TrueKernel(c.sigma), false);
        for (size_t i = 0; i < ref.size(); ++i) {
            ASSERT_GE(dst[i * ch + k], ref[i] - 2.3) << "sample " << i << " channel " << k;
            ASSERT_LE(dst[i * ch + k], ref[i] + 0.3) << "sample " << i << " channel " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RecursiveGaussian,
                         ::testing::Values(RecursiveCase{1, false}, RecursiveCase{2, false},
                                           RecursiveCase{4.5, false}, RecursiveCase{8, false},
                                           RecursiveCase{1, true}, RecursiveCase{2, true},
                                           RecursiveCase{4.5, true}, RecursiveCase{8, true}));

// The recursive filter line by line in scalar code: each row of a channel
// through FilterLine, truncated into a transposed intermediate, then each
// column, clamped. The library filters many lines side by side; its results
// must be these exactly.
template <typename T, typename Inter, typename Real>
void OneLineRecursive(const T* src, T* dst, const ISBlurGeometry& g, double sigma, uint32_t flags, double maximum)
{
    const int w = int(g.width), h = int(g.height), ch = int(g.channels);
    std::vector<Inter> inter(size_t(w) * h);
    std::vector<Real> x(std::max(w, h)), causal(x.size()), anti(x.size());
    const auto trunc = [](Real v, double low, double high) {
        return !(v > Real(low)) ? low : (v >= Real(high) ? high : double(int64_t(v)));
    };
    for (int c = 0; c < ch; ++c) {
        if (!(flags & (1u << c)))
            continue;
        ISDericheCoefficients<Real> k;
        k.Compute(Real(sigma));
        for (int y = 0; y < h; ++y) {
            for (int i = 0; i < w; ++i)
                x[i] = Real(src[y * g.srcStride + size_t(i) * ch + c]);
            k.FilterLine(x.data(), w, causal.data(), anti.data());
            for (int i = 0; i < w; ++i)
                inter[size_t(i) * h + y] = Inter(trunc(causal[i] + anti[i], std::numeric_limits<Inter>::min(),
                                                       std::numeric_limits<Inter>::max()));
        }
        for (int col = 0; col < w; ++col) {
            for (int i = 0; i < h; ++i)
                x[i] = Real(inter[size_t(col) * h + i]);
            k.FilterLine(x.data(), h, causal.data(), anti.data());
            for (int i = 0; i < h; ++i)
                dst[i * g.dstStride + size_t(col) * ch + c] = T(trunc(causal[i] + anti[i], 0, maximum));
        }
    }
}

struct LanesCase {
    int w, h, ch;
    uint32_t mask;
    int pad;  // extra samples per row in both strides
    double sigma;
    bool wide;  // 16-bit
};
void PrintTo(const LanesCase& c, std::ostream* os)
{
    *os << c.w << "x" << c.h << "x" << c.ch << " mask " << c.mask << " pad " << c.pad << " sigma " << c.sigma
        << (c.wide ? " 16-bit" : " 8-bit");
}
class RecursiveLanes : public ::testing::TestWithParam<LanesCase> {};

template <typename T, typename Inter>
void CheckLanes(const LanesCase& c)
{
    const uint32_t maximum = sizeof(T) == 1 ? 255 : 65535;
    ISBlurGeometry g = Geometry(c.w, c.h, c.ch);
    g.srcStride = g.dstStride = size_t(c.w) * c.ch + c.pad;
    // Noise with hard black and white blocks, so that overshoot reaches the clamps.
    std::vector<T> src = bt::RandomSamples<T>(g.srcStride * c.h, maximum + 1, uint32_t(c.w * 31 + c.h));
    for (size_t i = 0; i < src.size(); ++i)
        if ((i / 7) % 5 == 0)
            src[i] = (i / 35) % 2 ? T(maximum) : T(0);
    std::vector<T> expected(src.size(), T(0x5A)), got(src.size(), T(0x5A));
    if (c.sigma < 4.5)
        OneLineRecursive<T, Inter, double>(src.data(), expected.data(), g, c.sigma, c.mask, maximum);
    else
        OneLineRecursive<T, Inter, float>(src.data(), expected.data(), g, c.sigma, c.mask, maximum);
    CISGaussian op;
    BOOL ok;
    if constexpr (sizeof(T) == 1)
        ok = op.ISRecursiveGaussian8(src.data(), got.data(), g, c.sigma, c.mask);
    else
        ok = op.ISRecursiveGaussian16(src.data(), got.data(), g, c.sigma, c.mask | 0x200);
    ASSERT_TRUE(ok);
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(expected[i], got[i]) << "sample " << i;
}

TEST_P(RecursiveLanes, EqualsTheOneLineFilterExactly)
{
    const LanesCase& c = GetParam();
    if (c.wide)
        CheckLanes<uint16_t, int32_t>(c);
    else
        CheckLanes<uint8_t, int16_t>(c);
}

// Sizes below, at and past the widths of the row groups and column strips.
INSTANTIATE_TEST_SUITE_P(
    Table, RecursiveLanes,
    ::testing::Values(LanesCase{1, 1, 3, 7, 0, 2, false}, LanesCase{2, 3, 3, 7, 0, 1, false},
                      LanesCase{3, 100, 3, 7, 0, 5, false}, LanesCase{100, 3, 3, 7, 0, 20, false},
                      LanesCase{37, 41, 3, 7, 0, 1, false}, LanesCase{37, 41, 3, 7, 0, 4.49, false},
                      LanesCase{37, 41, 3, 7, 0, 4.5, false}, LanesCase{137, 53, 3, 7, 5, 2, false},
                      LanesCase{137, 53, 3, 7, 5, 8, false}, LanesCase{70, 90, 4, 5, 3, 20, false},
                      LanesCase{65, 33, 1, 1, 0, 1.5, false}, LanesCase{64, 32, 8, 0xA6, 2, 3, false},
                      LanesCase{257, 17, 3, 2, 0, 40, false}, LanesCase{37, 41, 3, 7, 0, 2, true},
                      LanesCase{137, 53, 3, 6, 4, 8, true}, LanesCase{5, 70, 2, 3, 1, 20, true}));

TEST(GaussianUniform, UniformImagesStayUnchanged)
{
    for (const double sigma : {0.5, 1.0, 2.0, 4.5, 8.0})
        for (const int value : {0, 1, 77, 128, 254, 255})
            for (const auto& [w, h] : {std::pair<int, int>{1, 1}, {2, 3}, {3, 100}, {40, 30}}) {
                const std::vector<uint8_t> src(size_t(w) * h * 3, uint8_t(value));
                std::vector<uint8_t> dst(src.size(), 0x33);
                CISGaussian op;
                ASSERT_TRUE(Blur(op, src, dst, Geometry(w, h, 3), sigma, 7));
                ASSERT_EQ(src, dst) << "sigma " << sigma << " value " << value << " size " << w << "x" << h;
            }
}

TEST(GaussianDispatch, SmallSigmaOrFlagTakesTheKernelOtherwiseTheRecursion)
{
    const int w = 20, h = 16, ch = 3;
    const std::vector<uint8_t> src = bt::RandomSamples<uint8_t>(size_t(w) * h * ch, 256, 13);
    const ISBlurGeometry g = Geometry(w, h, ch);
    struct Case {
        double sigma;
        uint32_t flags;
        bool kernel;
    };
    for (const Case& c : {Case{0.5, 7, true}, Case{0.99, 7, true}, Case{2, 0x107, true}, Case{1, 7, false},
                          Case{2, 7, false}, Case{4.5, 7, false}}) {
        std::vector<uint8_t> dispatched(src.size()), direct(src.size());
        CISGaussian op;
        ASSERT_TRUE(op.ISGaussianBlur8(src.data(), dispatched.data(), g, c.sigma, c.flags));
        if (c.kernel)
            ASSERT_TRUE(op.ISGaussianKernel8(src.data(), direct.data(), g, c.sigma, c.flags));
        else
            ASSERT_TRUE(op.ISRecursiveGaussian8(src.data(), direct.data(), g, c.sigma, c.flags));
        EXPECT_EQ(direct, dispatched) << c.sigma;
    }
}

}  // namespace
