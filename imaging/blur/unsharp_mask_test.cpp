// The unsharp mask over its blur, its progress and the entries' argument
// checks.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "blur.h"
#include "blur_test_util.h"
#include "imaging/core/frame.h"
#include "imaging/is5.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// threshold, amount, sigma; the threshold -2 stands for "exactly the first
// non-zero difference", so the equality edge is always met.
using SharpenCase = std::tuple<int, double, double, bool>;
class UnsharpMask : public ::testing::TestWithParam<SharpenCase> {};

template <typename T>
void CheckSharpening(int threshold, double amount, double sigma)
{
    const int w = 24, h = 19, ch = 3;
    const uint32_t maximum = sizeof(T) == 1 ? 255 : 65535;
    const uint32_t flags = sizeof(T) == 1 ? 7 : 0x207;
    const std::vector<T> src = bt::RandomSamples<T>(size_t(w) * h * ch, maximum + 1, 17);
    ISBlurGeometry g;
    g.width = w;
    g.height = h;
    g.channels = ch;
    g.srcStride = g.dstStride = size_t(w) * ch;
    std::vector<T> blurred(src.size());
    CISGaussian gaussian;
    if constexpr (sizeof(T) == 1) {
        ASSERT_TRUE(gaussian.ISGaussianBlur8(src.data(), blurred.data(), g, sigma, flags));
    } else {
        ASSERT_TRUE(gaussian.ISGaussianBlur16(src.data(), blurred.data(), g, sigma, flags));
        if (threshold > 0)
            threshold *= 257;  // the same share of the range
    }
    if (threshold == -2)
        for (size_t i = 0; i < src.size() && threshold == -2; ++i)
            if (src[i] != blurred[i])
                threshold = std::abs(int(src[i]) - int(blurred[i]));

    std::vector<T> dst(src.size());
    ASSERT_TRUE(is5_UnsharpMaskImage(src.data(), w, h, ch, w * ch, dst.data(), w * ch, threshold, amount, sigma, flags));
    EXPECT_EQ(0, ISGetLastError());
    int sharpened = 0, kept = 0;
    for (size_t i = 0; i < src.size(); ++i) {
        const int64_t o = src[i], d = o - blurred[i];
        int64_t expected = o;
        if (threshold >= 0 && std::llabs(d) > threshold) {
            expected = o + int64_t(std::trunc(double(d) * amount));
            expected = expected < 0 ? 0 : (expected > maximum ? maximum : expected);
            sharpened += expected != o;
        } else {
            kept += d != 0;
        }
        ASSERT_EQ(expected, dst[i]) << "sample " << i << " o " << o << " b " << blurred[i];
    }
    if (amount != 0 && threshold >= 0) {
        EXPECT_GT(sharpened, 0);
    }
    if (threshold != 0) {
        EXPECT_GT(kept, 0);
    }
}

TEST_P(UnsharpMask, SharpensOnlyAboveTheThreshold)
{
    const auto [threshold, amount, sigma, wide] = GetParam();
    if (wide)
        CheckSharpening<uint16_t>(threshold, amount, sigma);
    else
        CheckSharpening<uint8_t>(threshold, amount, sigma);
}

INSTANTIATE_TEST_SUITE_P(Table, UnsharpMask,
                         ::testing::Combine(::testing::Values(-2, 0, 5, -1), ::testing::Values(1.0, 0.0, 2.5, -0.7, 300.0),
                                            ::testing::Values(0.5, 2.0), ::testing::Bool()));

// Channels are independent: a masked channel comes out as with every channel
// processed, and a channel outside the mask keeps what dst held.
using MaskCase = std::tuple<int, uint32_t, double, bool>;  // channels, mask, sigma, 16-bit
class UnsharpMaskChannels : public ::testing::TestWithParam<MaskCase> {};

template <typename T>
void CheckChannelMask(int ch, uint32_t mask, double sigma)
{
    const int w = 45, h = 23;
    const uint32_t maximum = sizeof(T) == 1 ? 255 : 65535;
    const uint32_t wide = sizeof(T) == 1 ? 0 : 0x200;
    const std::vector<T> src = bt::RandomSamples<T>(size_t(w) * h * ch, maximum + 1, 4);
    std::vector<T> all(src.size()), some(src.size(), T(0x3C));
    ASSERT_TRUE(is5_UnsharpMaskImage(src.data(), w, h, ch, w * ch, all.data(), w * ch, 3, 1.5, sigma,
                                     ((1u << ch) - 1) | wide));
    ASSERT_TRUE(is5_UnsharpMaskImage(src.data(), w, h, ch, w * ch, some.data(), w * ch, 3, 1.5, sigma, mask | wide));
    for (size_t i = 0; i < src.size(); ++i)
        ASSERT_EQ((mask >> (i % ch)) & 1 ? all[i] : T(0x3C), some[i]) << "sample " << i;
}

TEST_P(UnsharpMaskChannels, MaskedChannelsAsIfAllWereProcessedOthersUntouched)
{
    const auto [ch, mask, sigma, wide] = GetParam();
    if (wide)
        CheckChannelMask<uint16_t>(ch, mask, sigma);
    else
        CheckChannelMask<uint8_t>(ch, mask, sigma);
}

INSTANTIATE_TEST_SUITE_P(Table, UnsharpMaskChannels,
                         ::testing::Combine(::testing::Values(3, 4), ::testing::Values(5u, 2u, 0u),
                                            ::testing::Values(0.5, 2.0, 6.0), ::testing::Bool()));

TEST(UnsharpMaskArguments, SameBufferIsRejected)
{
    std::vector<uint8_t> image = bt::RandomSamples<uint8_t>(8 * 8 * 3, 256, 1);
    const std::vector<uint8_t> before = image;
    EXPECT_FALSE(is5_UnsharpMaskImage(image.data(), 8, 8, 3, 24, image.data(), 24, 0, 1.0, 2.0, 7));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_EQ(before, image);
}

struct Progress {
    std::vector<std::pair<int32_t, int32_t>> calls;
    int32_t stopAtTotal = -1;  // returns FALSE on the first call with this total
};

BOOL Record(int32_t done, int32_t total, void* user)
{
    Progress* p = static_cast<Progress*>(user);
    p->calls.emplace_back(done, total);
    return total != p->stopAtTotal;
}

TEST(UnsharpMaskProgress, ReportsFromTheBlurAndTheRowsAndStopsOnFalse)
{
    const int w = 40, h = 30, ch = 3;
    const std::vector<uint8_t> src = bt::RandomSamples<uint8_t>(size_t(w) * h * ch, 256, 9);
    struct Case {
        double sigma;
        int32_t stopAtTotal;
        BOOL ok;
    };
    for (const Case& c : {Case{2.0, -1, TRUE}, Case{0.5, -1, TRUE}, Case{2.0, 2 * ch, FALSE},
                          Case{0.5, 2 * ch, FALSE}, Case{2.0, h, FALSE}}) {
        Progress p;
        p.stopAtTotal = c.stopAtTotal;
        std::vector<uint8_t> dst(src.size());
        is5_SetCallback(Record, &p);
        const BOOL ok = is5_UnsharpMaskImage(src.data(), w, h, ch, w * ch, dst.data(), w * ch, 0, 1.0, c.sigma, 7);
        const int32_t code = ISGetLastError();
        is5_SetCallback(nullptr, nullptr);
        EXPECT_EQ(c.ok, ok) << c.sigma << " " << c.stopAtTotal;
        EXPECT_EQ(c.ok ? 0 : 14, code);
        bool fromBlur = false, fromRows = false;
        for (const auto& call : p.calls) {
            fromBlur |= call.second == 2 * ch;
            fromRows |= call.second == h;
        }
        EXPECT_TRUE(fromBlur);
        EXPECT_EQ(c.stopAtTotal != 2 * ch, fromRows);
        if (!c.ok) {
            EXPECT_EQ(c.stopAtTotal, p.calls.back().second);
        }
    }
}

// The rows of the processed channels are numbered k = 0, 1, 2, ...; every
// third is reported as (k / channels, height), in order.
TEST(UnsharpMaskProgress, RowPollsFollowTheRowNumbering)
{
    const int w = 17, h = 31;
    for (const auto& [ch, mask] : {std::pair<int, uint32_t>{3, 7}, {3, 5}, {4, 0xE}, {1, 1}, {2, 2}}) {
        const std::vector<uint8_t> src = bt::RandomSamples<uint8_t>(size_t(w) * h * ch, 256, 3);
        std::vector<uint8_t> dst(src.size());
        Progress p;
        is5_SetCallback(Record, &p);
        const BOOL ok = is5_UnsharpMaskImage(src.data(), w, h, ch, w * ch, dst.data(), w * ch, 0, 1.0, 2.0, mask);
        is5_SetCallback(nullptr, nullptr);
        ASSERT_TRUE(ok);
        int processed = 0;
        for (int c = 0; c < ch; ++c)
            processed += (mask >> c) & 1;
        std::vector<int32_t> expected, rows;
        for (int k = 0; k < processed * h; k += 3)
            expected.push_back(k / ch);
        for (const auto& call : p.calls)
            if (call.second == h)
                rows.push_back(call.first);
        EXPECT_EQ(expected, rows) << ch << " channels, mask " << mask;
    }
}

// Hostile or degenerate arguments to both entries.
struct HostileCase {
    const char* name;
    bool unsharp;
    uint32_t width, height, channels, stride;
    int32_t size;  // box size or threshold
    double value;  // mix or amount
    double sigma;
    int32_t code;
};
void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }
class BlurArguments : public ::testing::TestWithParam<HostileCase> {};

TEST_P(BlurArguments, RejectsWithCodeFiveAndWritesNothing)
{
    const HostileCase& c = GetParam();
    const std::vector<uint8_t> src = bt::RandomSamples<uint8_t>(4096, 256, 2);
    std::vector<uint8_t> dst(4096, 0x77);
    const BOOL ok = c.unsharp ? is5_UnsharpMaskImage(src.data(), c.width, c.height, c.channels, c.stride, dst.data(),
                                                     c.stride, c.size, c.value, c.sigma, 0xFF)
                              : is5_BlurImage(src.data(), c.width, c.height, c.channels, c.stride, dst.data(),
                                              c.stride, c.size, c.value, 0xFF);
    EXPECT_FALSE(ok);
    EXPECT_EQ(c.code, ISGetLastError());
    EXPECT_EQ(std::vector<uint8_t>(4096, 0x77), dst);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BlurArguments,
    ::testing::Values(HostileCase{"negativeSize", false, 8, 8, 3, 24, -3, 1.0, 0, 5},
                      HostileCase{"noChannels", false, 8, 8, 0, 24, 3, 1.0, 0, 5},
                      HostileCase{"nineChannels", false, 8, 8, 9, 72, 3, 1.0, 0, 5},
                      HostileCase{"shortStride", false, 8, 8, 3, 23, 3, 1.0, 0, 5},
                      HostileCase{"zeroWidth", false, 0, 8, 3, 24, 3, 1.0, 0, 5},
                      HostileCase{"zeroHeight", false, 8, 0, 3, 24, 3, 1.0, 0, 5},
                      HostileCase{"sigmaNaN", true, 8, 8, 3, 24, 0, 1.0, kNaN, 5},
                      HostileCase{"sigmaInfinite", true, 8, 8, 3, 24, 0, 1.0, kInf, 5},
                      HostileCase{"sigmaMinusInfinite", true, 8, 8, 3, 24, 0, 1.0, -kInf, 5},
                      HostileCase{"amountNaN", true, 8, 8, 3, 24, 0, kNaN, 2.0, 5},
                      HostileCase{"amountInfinite", true, 8, 8, 3, 24, 0, kInf, 2.0, 5},
                      HostileCase{"unsharpNoChannels", true, 8, 8, 0, 24, 0, 1.0, 2.0, 5},
                      HostileCase{"unsharpNineChannels", true, 8, 8, 9, 72, 0, 1.0, 2.0, 5},
                      HostileCase{"unsharpShortStride", true, 8, 8, 3, 20, 0, 1.0, 2.0, 5},
                      HostileCase{"unsharpZeroWidth", true, 0, 8, 3, 24, 0, 1.0, 2.0, 5}));

TEST(BlurArguments, NullBuffersGiveFive)
{
    uint8_t pixel[3] = {};
    EXPECT_FALSE(is5_BlurImage(nullptr, 1, 1, 3, 3, pixel, 3, 3, 1.0, 7));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_FALSE(is5_BlurImage(pixel, 1, 1, 3, 3, nullptr, 3, 3, 1.0, 7));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_FALSE(is5_UnsharpMaskImage(nullptr, 1, 1, 3, 3, pixel, 3, 0, 1.0, 2.0, 7));
    EXPECT_EQ(5, ISGetLastError());
}

TEST(UnsharpMaskCopies, ZeroSigmaZeroAmountOrNoThresholdCopyTheSource)
{
    const int w = 13, h = 9, ch = 3;
    const std::vector<uint8_t> src = bt::RandomSamples<uint8_t>(size_t(w) * h * ch, 256, 6);
    struct Case {
        int32_t threshold;
        double amount, sigma;
    };
    for (const Case& c : {Case{0, 1.0, 0.0}, Case{0, 1.0, -3.0}, Case{0, 0.0, 2.0}, Case{-1, 5.0, 2.0}}) {
        std::vector<uint8_t> dst(src.size());
        ASSERT_TRUE(is5_UnsharpMaskImage(src.data(), w, h, ch, w * ch, dst.data(), w * ch, c.threshold, c.amount,
                                         c.sigma, 7));
        EXPECT_EQ(src, dst) << c.threshold << " " << c.amount << " " << c.sigma;
    }
}

TEST(UnsharpMaskSmallImages, GiveDefinedResultsAndKeepUniformInput)
{
    for (const auto& [w, h] : {std::pair<int, int>{1, 1}, {2, 3}, {3, 100}, {100, 3}}) {
        const std::vector<uint8_t> noise = bt::RandomSamples<uint8_t>(size_t(w) * h * 3, 256, w + h);
        const std::vector<uint8_t> uniform(noise.size(), 200);
        std::vector<uint8_t> dst(noise.size());
        EXPECT_TRUE(is5_UnsharpMaskImage(noise.data(), w, h, 3, w * 3, dst.data(), w * 3, 0, 1.0, 2.0, 7));
        EXPECT_TRUE(is5_UnsharpMaskImage(uniform.data(), w, h, 3, w * 3, dst.data(), w * 3, 0, 1.0, 2.0, 7));
        EXPECT_EQ(uniform, dst) << w << "x" << h;
    }
}

}  // namespace
