// Gamma correction: the table against the formula, how it meets the channels
// and the padding, bad input, and progress callbacks kept per thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace {

// The table in double, clamped as the library does above a gamma of about 7e13.
int Expected(double gamma, int i)
{
    const double exponent = gamma == 0.0 ? 1.0 : 1.0 / gamma;
    const double v = std::trunc(256.0 * std::pow(i / 256.0, exponent));
    return v > 255.0 ? 255 : int(v);
}

// The table as the image sees it: a grey ramp 0..255 through one channel.
std::vector<uint8_t> TableOf(double gamma)
{
    std::vector<uint8_t> ramp(256);
    for (int i = 0; i < 256; ++i)
        ramp[i] = uint8_t(i);
    EXPECT_TRUE(is5_AdjustGamma(ramp.data(), 256, 1, 1, 256, gamma, 0)) << "gamma " << gamma;
    EXPECT_EQ(ISGetLastError(), 0);
    return ramp;
}

// The thread's newest log entry reports the code under the entry's name.
void ExpectLastLogEntry(int32_t code, const char* name)
{
    const std::vector<ISErrorLogEntry> log = ISTestErrorLog();
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(vt::IsErrorReport(log.back().message, code, name)) << log.back().message;
}

class GammaTable : public ::testing::TestWithParam<double> {};

TEST_P(GammaTable, EveryEntryFollowsTheFormula)
{
    const std::vector<uint8_t> t = TableOf(GetParam());
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(t[i], Expected(GetParam(), i)) << "entry " << i;
}

// From about 7.05e13 on the power rounds to 1.0 for the upper entries.
INSTANTIATE_TEST_SUITE_P(Gammas, GammaTable, ::testing::Values(0.5, 1.0, 1.5, 2.2, 0.0, 7.05e13, 1e15, 1e17, 1e300));

struct Spot {
    double gamma;
    int entry1;
    int entry128;
    int entry255;
};

class GammaSpots : public ::testing::TestWithParam<Spot> {};

TEST_P(GammaSpots, KnownEntries)
{
    const Spot& s = GetParam();
    const std::vector<uint8_t> t = TableOf(s.gamma);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[1], s.entry1);
    EXPECT_EQ(t[128], s.entry128);
    EXPECT_EQ(t[255], s.entry255);
}

INSTANTIATE_TEST_SUITE_P(Rows, GammaSpots,
                         ::testing::Values(Spot{1.5, 6, 161, 255}, Spot{0.5, 0, 64, 254}, Spot{0.0, 1, 128, 255},
                                           Spot{1e17, 255, 255, 255}, Spot{1e300, 255, 255, 255}));

TEST(GammaTable, GammaZeroLeavesTheImage)
{
    const std::vector<uint8_t> t = TableOf(0.0);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(t[i], i);
}

struct Layout {
    uint32_t channels;
    uint32_t flags;
    uint32_t width;
    uint32_t height;
    uint32_t stride;
};

class GammaLayout : public ::testing::TestWithParam<Layout> {};

TEST_P(GammaLayout, SamplesGoThroughTheTablePaddingAndAlphaStay)
{
    const Layout& l = GetParam();
    const double gamma = 2.2;
    const std::vector<uint8_t> before = vt::RandomBytes(size_t(l.stride) * l.height, l.stride * 31 + l.channels);
    std::vector<uint8_t> image = before;
    ASSERT_TRUE(is5_AdjustGamma(image.data(), l.width, l.height, l.channels, l.stride, gamma, l.flags));
    EXPECT_EQ(ISGetLastError(), 0);
    const bool alphaToo = (l.flags & 1) != 0;
    for (uint32_t y = 0; y < l.height; ++y)
        for (uint32_t x = 0; x < l.stride; ++x) {
            const size_t i = size_t(y) * l.stride + x;
            const bool sample = x < l.width * l.channels;
            const bool alpha = l.channels == 4 && x % 4 == 3;
            const int want = sample && (!alpha || alphaToo) ? Expected(gamma, before[i]) : before[i];
            ASSERT_EQ(image[i], want) << "row " << y << " byte " << x;
        }
}

INSTANTIATE_TEST_SUITE_P(Channels, GammaLayout,
                         ::testing::Values(Layout{3, 0, 5, 3, 15}, Layout{3, 0, 5, 3, 19}, Layout{4, 0, 4, 3, 16},
                                           Layout{4, 1, 4, 3, 18}, Layout{4, 0, 4, 2, 21}, Layout{1, 0, 7, 2, 7},
                                           Layout{1, 1, 7, 2, 10}, Layout{2, 0, 3, 2, 8}));

struct Bad {
    const char* what;
    bool nullBuffer;
    uint32_t width;
    uint32_t channels;
    uint32_t stride;
    double gamma;
    BOOL result;
    int32_t code;
};

class GammaBadInput : public ::testing::TestWithParam<Bad> {};

TEST_P(GammaBadInput, LeavesTheBufferAsItWas)
{
    const Bad& b = GetParam();
    const std::vector<uint8_t> before = vt::RandomBytes(4 * 4 * 3, 77);
    std::vector<uint8_t> image = before;
    is5_SetLastErrorProxy(9);
    EXPECT_EQ(is5_AdjustGamma(b.nullBuffer ? nullptr : image.data(), b.width, 4, b.channels, b.stride, b.gamma, 0),
              b.result);
    EXPECT_EQ(ISGetLastError(), b.code);
    EXPECT_EQ(image, before);
    if (b.code)
        ExpectLastLogEntry(b.code, "is5_AdjustGamma");
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, GammaBadInput,
    ::testing::Values(Bad{"negative", false, 4, 3, 12, -1.0, FALSE, 5}, Bad{"nan", false, 4, 3, 12, kNaN, FALSE, 5},
                      Bad{"plus_inf", false, 4, 3, 12, kInf, FALSE, 5},
                      Bad{"minus_inf", false, 4, 3, 12, -kInf, FALSE, 5},
                      Bad{"null_buffer", true, 4, 3, 12, 1.5, FALSE, 5},
                      Bad{"no_channels", false, 4, 0, 12, 1.5, FALSE, 5},
                      Bad{"five_channels", false, 2, 5, 12, 1.5, FALSE, 5},
                      Bad{"stride_short", false, 4, 3, 11, 1.5, FALSE, 5},
                      Bad{"width_beyond_int", false, 0x80000000u, 1, 0x80000000u, 1.5, FALSE, 5},
                      Bad{"width_0", false, 0, 3, 12, 1.5, TRUE, 0}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(GammaBadInput, HeightZeroSucceedsWithoutTouching)
{
    std::vector<uint8_t> image(12, 100);
    EXPECT_TRUE(is5_AdjustGamma(image.data(), 4, 0, 3, 12, 1.5, 0));
    EXPECT_EQ(ISGetLastError(), 0);
    EXPECT_EQ(image, std::vector<uint8_t>(12, 100));
}

std::atomic<int> g_allowCalls{0};
BOOL Refuse(int32_t, int32_t, void*) { return FALSE; }
BOOL Allow(int32_t, int32_t total, void*)
{
    if (total == 1000)
        ++g_allowCalls;
    return TRUE;
}

TEST(GammaProgress, CallbackOfOneThreadCancelsOnlyThatThread)
{
    const uint32_t side = 1000;
    const std::vector<uint8_t> picture = vt::RandomBytes(size_t(side) * side * 3, 5);
    int markerA = 0, markerB = 0;
    vt::Meeting set, done;
    BOOL resultA = TRUE, resultB = FALSE;
    int32_t errorA = -1, errorB = -1;
    ISProgressCallback seenB = nullptr;
    void* userB = nullptr;
    std::vector<uint8_t> imageA = picture, imageB = picture;
    g_allowCalls = 0;

    std::thread a([&] {
        is5_SetCallback(Refuse, &markerA);
        set.Arrive();
        resultA = is5_AdjustGamma(imageA.data(), side, side, 3, side * 3, 1.5, 0);
        errorA = ISGetLastError();
        ExpectLastLogEntry(14, "is5_AdjustGamma");
        done.Arrive();
    });
    std::thread b([&] {
        is5_SetCallback(Allow, &markerB);
        set.Arrive();
        resultB = is5_AdjustGamma(imageB.data(), side, side, 3, side * 3, 1.5, 0);
        errorB = ISGetLastError();
        done.Arrive();
        seenB = is5_GetCallback(&userB);
    });
    a.join();
    b.join();
    EXPECT_FALSE(resultA);
    EXPECT_EQ(errorA, 14);
    EXPECT_TRUE(resultB);
    EXPECT_EQ(errorB, 0);
    // The table routine's rows reach the callback of the outermost call.
    EXPECT_GT(g_allowCalls.load(), 0);
    EXPECT_EQ(seenB, &Allow);
    EXPECT_EQ(userB, &markerB);
    std::vector<uint8_t> reference = picture;
    for (uint8_t& v : reference)
        v = uint8_t(Expected(1.5, v));
    EXPECT_TRUE(imageB == reference);
}

}  // namespace
