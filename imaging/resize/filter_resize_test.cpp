// The filtered resampling (modes 0 to 13) against a float64 reference written
// from the kernel table and the contribution rule.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "imaging/core/frame.h"
#include "resize_test_util.h"

namespace {

// --- Reference -------------------------------------------------------------

const double kPi = 3.141592653589793;

double RefSinc(double x)
{
    const double px = kPi * x;
    return px == 0.0 ? 1.0 : std::sin(px) / px;
}

const double kSupport[14] = {0.5, 1.0, 1.0, 1.25, 1.5, 2.0, 1.0, 2.0, 3.0, 2.0, 4.0, 1.0, 1.0, 2.0};

double RefKernel(int kind, double x)
{
    const double a = std::fabs(x);
    switch (kind) {
    case 0:
        return (-0.5 < x && x <= 0.5) ? 1.0 : 0.0;
    case 1:
        return a < 1.0 ? 1.0 - a : 0.0;
    case 2:
        return 0.54 + 0.46 * std::cos(kPi * x);
    case 3:
        return std::exp(-2.0 * x * x) * std::sqrt(0.6366197723675814);
    case 4:
        if (a < 0.5)
            return 0.75 - x * x;
        if (a < 1.5)
            return 0.5 * (a - 1.5) * (a - 1.5);
        return 0.0;
    case 5:
    case 7:
        if (a < 1.0)
            return 0.5 * a * a * a - x * x + 0.6666666666666666;
        if (a < 2.0)
            return (2.0 - a) * (2.0 - a) * (2.0 - a) * 0.16666666666666666;
        return 0.0;
    case 6:
    case 11:
        return a < 1.0 ? 2.0 * a * a * a - 3.0 * x * x + 1.0 : 0.0;
    case 8:
        if (x == 0.0)
            return 1.0;
        return a < 3.0 ? RefSinc(x) * RefSinc(x / 3.0) : 0.0;
    case 9:
        if (a < 1.0)
            return (7.0 * a * a * a - 12.0 * x * x + 5.333333333333333) / 6.0;
        if (a < 2.0)
            return (-2.3333333333333335 * a * a * a + 12.0 * x * x - 20.0 * a + 10.666666666666666) / 6.0;
        return 0.0;
    case 10:
        return RefSinc(x);
    case 12:
        return 0.5 + 0.5 * std::cos(kPi * x);
    case 13:
        if (a < 1.0)
            return 1.5 * a * a * a - 2.5 * x * x + 1.0;
        if (a < 2.0)
            return -0.5 * a * a * a + 2.5 * x * x - 4.0 * a + 2.0;
        return 0.0;
    }
    return 0.0;
}

struct Tap {
    int index;
    double weight;
};

std::vector<Tap> RefTaps(int kind, int i, int dstExtent, int n)
{
    const double s = static_cast<double>(dstExtent) / n;
    const double r = kSupport[kind];
    const double c = i / s;
    const double w = s < 1.0 ? r / s : r;
    std::vector<Tap> taps;
    double sum = 0.0;
    for (long j = static_cast<long>(std::ceil(c - w)); j <= static_cast<long>(std::floor(c + w)); ++j) {
        const double weight = s < 1.0 ? RefKernel(kind, (c - j) * s) * s : RefKernel(kind, c - j);
        long m = j < 0 ? -j : (j >= n ? 2L * n - j - 1 : j);
        m = m < 0 ? 0 : (m >= n ? n - 1 : m);
        taps.push_back({static_cast<int>(m), weight});
        sum += weight;
    }
    if (sum != 0.0)
        for (Tap& t : taps)
            t.weight /= sum;
    return taps;
}

// All samples equal: that sample; otherwise the truncated, clamped sum.
int RefApply(const std::vector<Tap>& taps, const std::vector<int>& values)
{
    bool same = true;
    for (int v : values)
        same = same && v == values[0];
    if (same)
        return values[0];
    double sum = 0.0;
    for (size_t i = 0; i < taps.size(); ++i)
        sum += taps[i].weight * values[i];
    const double t = std::trunc(sum);
    return t < 0 ? 0 : (t > 255 ? 255 : static_cast<int>(t));
}

// Returns false when the destination is below the kernel's minimum size.
bool RefFilter(const std::vector<uint8_t>& src, int sw, int sh, int ch, int kind, int dw, int dh,
               std::vector<uint8_t>* out)
{
    const int minimum = static_cast<int>(kSupport[kind] + 0.999999999);
    if (dw < minimum || dh < minimum)
        return false;
    std::vector<int> mid(static_cast<size_t>(sh) * dw * ch);
    for (int x = 0; x < dw; ++x) {
        const std::vector<Tap> taps = RefTaps(kind, x, dw, sw);
        for (int r = 0; r < sh; ++r)
            for (int k = 0; k < ch; ++k) {
                std::vector<int> values;
                for (const Tap& t : taps)
                    values.push_back(src[(static_cast<size_t>(r) * sw + t.index) * ch + k]);
                mid[(static_cast<size_t>(r) * dw + x) * ch + k] = RefApply(taps, values);
            }
    }
    out->assign(static_cast<size_t>(dw) * dh * ch, 0);
    for (int y = 0; y < dh; ++y) {
        const std::vector<Tap> taps = RefTaps(kind, y, dh, sh);
        for (int x = 0; x < dw; ++x)
            for (int k = 0; k < ch; ++k) {
                std::vector<int> values;
                for (const Tap& t : taps)
                    values.push_back(mid[(static_cast<size_t>(t.index) * dw + x) * ch + k]);
                (*out)[(static_cast<size_t>(y) * dw + x) * ch + k] = static_cast<uint8_t>(RefApply(taps, values));
            }
    }
    return true;
}

// Kernels whose functions call cos, exp or sin may differ in the last bit
// between C libraries.
bool UsesLibm(int kind) { return kind == 2 || kind == 3 || kind == 8 || kind == 10 || kind == 12; }

struct Sizes {
    int sw, sh, dw, dh;
};
const Sizes kSizes[] = {{7, 5, 3, 2}, {5, 3, 11, 7}, {9, 9, 9, 9}};

class FilterKernel : public ::testing::TestWithParam<std::tuple<int, int, int>> {};

TEST_P(FilterKernel, MatchesFloat64Reference)
{
    const int kind = std::get<0>(GetParam());
    const int ch = std::get<1>(GetParam());
    const Sizes z = kSizes[std::get<2>(GetParam())];
    const std::vector<uint8_t> src = rt::Noise8(static_cast<size_t>(z.sw) * z.sh * ch, 31 * kind + ch);
    std::vector<uint8_t> expected;
    const bool fits = RefFilter(src, z.sw, z.sh, ch, kind, z.dw, z.dh, &expected);
    std::vector<uint8_t> dst(static_cast<size_t>(z.dw) * z.dh * ch, 0xCD);
    const rt::Result r = rt::Resize8(src, z.sw, z.sh, &dst, z.dw, z.dh, ch, kind, 0x100000);
    if (!fits) {
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, 68);
        return;
    }
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.error, 0);
    const int tolerance = UsesLibm(kind) ? 1 : 0;
    for (size_t i = 0; i < dst.size(); ++i)
        ASSERT_LE(std::abs(dst[i] - expected[i]), tolerance) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(AllKernels, FilterKernel,
                         ::testing::Combine(::testing::Range(0, 14), ::testing::Values(1, 3), ::testing::Range(0, 3)));

TEST(FilterResize, BoxEnlargingCopiesTheNearerSourcePixelLowerOnTies)
{
    // Scale 2: c = i / 2 and a half takes the lower index.
    const std::vector<uint8_t> src = {10, 20, 30};
    std::vector<uint8_t> dst(6 * 1);
    ASSERT_TRUE(rt::Resize8(src, 3, 1, &dst, 6, 1, 1, 0).ok);
    EXPECT_EQ(dst, (std::vector<uint8_t>{10, 10, 20, 20, 30, 30}));
    // Scale 5/3: c = 0, .6, 1.2, 1.8, 2.4.
    std::vector<uint8_t> five(5);
    ASSERT_TRUE(rt::Resize8(src, 3, 1, &five, 5, 1, 1, 0).ok);
    EXPECT_EQ(five, (std::vector<uint8_t>{10, 20, 20, 30, 30}));
}

struct WideCase {
    int sw, sh, dw, dh, ch, kind;
};
// Several blocks of columns, strips of rows with a remainder, strong shrinks
// and enlargements, and a source window too wide to stage.
const WideCase kWideCases[] = {
    {300, 40, 150, 17, 3, 1}, {300, 40, 150, 17, 3, 8},  {300, 43, 150, 17, 3, 13}, {37, 29, 80, 61, 1, 0},
    {37, 29, 80, 61, 3, 4},   {37, 29, 80, 61, 4, 10},   {41, 27, 130, 9, 2, 9},    {70000, 9, 2, 4, 1, 1},
    {90000, 5, 2, 3, 3, 13},  {60, 3000, 7, 5, 3, 8},    {90, 3, 200, 7, 5, 13},    {130, 20, 70, 300, 3, 9},
};

class FilterWide : public ::testing::TestWithParam<WideCase> {};

TEST_P(FilterWide, MatchesFloat64Reference)
{
    const WideCase c = GetParam();
    const std::vector<uint8_t> src = rt::Noise8(static_cast<size_t>(c.sw) * c.sh * c.ch, c.kind + c.sw);
    std::vector<uint8_t> expected;
    ASSERT_TRUE(RefFilter(src, c.sw, c.sh, c.ch, c.kind, c.dw, c.dh, &expected));
    std::vector<uint8_t> dst(static_cast<size_t>(c.dw) * c.dh * c.ch);
    ASSERT_TRUE(rt::Resize8(src, c.sw, c.sh, &dst, c.dw, c.dh, c.ch, c.kind, 0x100000).ok);
    const int tolerance = UsesLibm(c.kind) ? 1 : 0;
    for (size_t i = 0; i < dst.size(); ++i)
        ASSERT_LE(std::abs(dst[i] - expected[i]), tolerance) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(Table, FilterWide, ::testing::ValuesIn(kWideCases));

// Flat patches, ramps, hard edges and noise side by side: many sums land on or
// just below whole numbers, where only the all-equal rule decides.
std::vector<uint8_t> Patchwork(int w, int h, int ch)
{
    const std::vector<uint8_t> noise = rt::Noise8(static_cast<size_t>(w) * h * ch, 99);
    std::vector<uint8_t> v(noise.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < ch; ++k) {
                const size_t i = (static_cast<size_t>(y) * w + x) * ch + k;
                switch ((x / 13 + y / 7 * 3) % 5) {
                case 0:
                    v[i] = static_cast<uint8_t>(77 + 50 * k);
                    break;
                case 1:
                    v[i] = static_cast<uint8_t>(x + 3 * y);
                    break;
                case 2:
                    v[i] = (x + y + k) % 2 ? 255 : 0;
                    break;
                case 3:
                    v[i] = k % 2 ? 255 : 1;
                    break;
                default:
                    v[i] = noise[i];
                }
            }
    return v;
}

class FilterPatchwork : public ::testing::TestWithParam<std::tuple<int, int, int>> {};

// The reference calls the same C library as the engine in the same process,
// so every kernel must match exactly here.
TEST_P(FilterPatchwork, MatchesFloat64ReferenceExactly)
{
    const int kind = std::get<0>(GetParam());
    const int ch = std::get<1>(GetParam());
    const int dw = std::get<2>(GetParam()) ? 333 : 61, dh = std::get<2>(GetParam()) ? 211 : 47;
    const int sw = 200, sh = 150;
    const std::vector<uint8_t> src = Patchwork(sw, sh, ch);
    std::vector<uint8_t> expected;
    ASSERT_TRUE(RefFilter(src, sw, sh, ch, kind, dw, dh, &expected));
    std::vector<uint8_t> dst(static_cast<size_t>(dw) * dh * ch);
    ASSERT_TRUE(rt::Resize8(src, sw, sh, &dst, dw, dh, ch, kind, 0x100000).ok);
    for (size_t i = 0; i < dst.size(); ++i)
        ASSERT_EQ(dst[i], expected[i]) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(AllKernels, FilterPatchwork,
                         ::testing::Combine(::testing::Range(0, 14), ::testing::Values(1, 3, 4), ::testing::Values(0, 1)));

int g_reports = 0;
BOOL CountReport(int32_t, int32_t, void*)
{
    ++g_reports;
    return TRUE;
}

class FilterProgress : public ::testing::TestWithParam<int> {};

// Reporting progress works through 64-column blocks, one report a column; the
// pixels are those of a run without reports.
TEST_P(FilterProgress, ReportsEveryColumnAndKeepsThePixels)
{
    const int kind = GetParam();
    const int sw = 300, sh = 50, dw = 200, dh = 37, ch = 3;
    const std::vector<uint8_t> src = Patchwork(sw, sh, ch);
    std::vector<uint8_t> expected;
    ASSERT_TRUE(RefFilter(src, sw, sh, ch, kind, dw, dh, &expected));
    std::vector<uint8_t> dst(expected.size());
    g_reports = 0;
    ISSetCallback(CountReport, nullptr);
    const rt::Result r = rt::Resize8(src, sw, sh, &dst, dw, dh, ch, kind, 0x100000);
    ISSetCallback(nullptr, nullptr);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(g_reports, dw);
    EXPECT_EQ(dst, expected);
}

INSTANTIATE_TEST_SUITE_P(Kernels, FilterProgress, ::testing::Values(0, 1, 8, 13));

}  // namespace
