// The resize interface: statuses, flat areas, pool bands, cancel and hostile
// arguments, over every mode.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/pool/pool.h"
#include "resize_test_util.h"

namespace {

constexpr int kNoSplit = 0x100000;

// --- Status table ------------------------------------------------------------

struct StatusCase {
    int mode, sw, sh, dw, dh, flags;
    int error;
};

const StatusCase kStatusCases[] = {
    {3, 8, 8, 8, 1, 0, 68},    {3, 8, 8, 8, 2, 0, 0},    {10, 8, 8, 3, 3, 0, 68},  {10, 8, 8, 4, 4, 0, 0},
    {10, 8, 8, 4, 3, 0, 68},   {8, 8, 8, 2, 8, 0, 68},   {0, 8, 8, 1, 1, 0, 0},    {1, 8, 8, 1, 1, 0, 0},
    {2, 8, 8, 1, 1, 0, 0},     {6, 8, 8, 1, 1, 0, 0},    {11, 8, 8, 1, 1, 0, 0},   {12, 8, 8, 1, 1, 0, 0},
    {0, 8, 8, 4, 4, 1, 5},     {1, 8, 8, 4, 4, 1, 5},    {2, 8, 8, 4, 4, 1, 5},    {3, 8, 8, 4, 4, 1, 5},
    {4, 8, 8, 4, 4, 1, 5},     {5, 8, 8, 4, 4, 1, 5},    {6, 8, 8, 4, 4, 1, 5},    {7, 8, 8, 4, 4, 1, 5},
    {8, 8, 8, 4, 4, 1, 5},     {9, 8, 8, 4, 4, 1, 5},    {10, 8, 8, 4, 4, 1, 5},   {11, 8, 8, 4, 4, 1, 5},
    {12, 8, 8, 4, 4, 1, 5},    {13, 8, 8, 4, 4, 1, 5},   {19, 8, 8, 4, 4, 0, 5},   {-1, 8, 8, 4, 4, 0, 5},
    {19, 8, 8, 4, 4, 1, 5},    {-1, 8, 8, 4, 4, 1, 5},   {14, 8, 8, 9, 4, 0, 5},   {14, 8, 8, 4, 9, 0, 5},
    {15, 8, 8, 9, 4, 0, 5},    {15, 8, 8, 4, 9, 0, 5},   {14, 8, 8, 16, 16, 1, 5}, {15, 8, 8, 16, 16, 1, 5},
    {14, 8, 8, 8, 8, 0, 0},    {15, 8, 8, 3, 5, 1, 0},   {16, 8, 8, 3, 5, 1, 0},   {17, 8, 8, 30, 5, 1, 0},
    {18, 8, 8, 3, 50, 1, 0},
};

class ResizeStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ResizeStatus, ReportsItsStatusUnderItsOwnName)
{
    const StatusCase c = GetParam();
    // Room for 16-bit samples either way.
    std::vector<uint16_t> src(static_cast<size_t>(c.sw) * c.sh * 3, 1000);
    std::vector<uint16_t> dst(static_cast<size_t>(c.dw) * c.dh * 3);
    ISSetLastError(77, "earlier call");
    const BOOL ok = is5_ResizeImage(src.data(), c.sw, c.sh, c.sw * 3, dst.data(), c.dw, c.dh, c.dw * 3, 3, c.mode,
                                    c.flags | kNoSplit);
    EXPECT_EQ(ok, c.error == 0 ? TRUE : FALSE);
    EXPECT_EQ(ISGetLastError(), c.error);
}

INSTANTIATE_TEST_SUITE_P(Table, ResizeStatus, ::testing::ValuesIn(kStatusCases));

TEST(ResizeStatus, BicubicRefusesTheSameBufferForBothSides)
{
    std::vector<uint8_t> buf(16 * 16 * 3, 9);
    EXPECT_FALSE(is5_ResizeImage(buf.data(), 8, 8, 24, buf.data(), 4, 4, 12, 3, 17, 0));
    EXPECT_EQ(ISGetLastError(), 5);
}

// --- Flat areas --------------------------------------------------------------

struct FlatSize {
    int sw, sh, dw, dh;
};
const FlatSize kShrink[] = {{37, 23, 11, 7}, {40, 30, 8, 6}, {19, 19, 18, 4}};
const FlatSize kEnlarge[] = {{11, 7, 37, 23}, {23, 11, 9, 30}, {1, 1, 5, 4}, {2, 3, 7, 7}};

class FlatImage : public ::testing::TestWithParam<std::tuple<int, int>> {};

// Every mode keeps a uniform image exactly uniform, at any scale it accepts.
TEST_P(FlatImage, StaysExactlyUniform)
{
    const int mode = std::get<0>(GetParam());
    const int value = std::get<1>(GetParam());
    const bool wide = value > 255;
    if (wide && mode < 14)
        return;
    std::vector<FlatSize> sizes(std::begin(kShrink), std::end(kShrink));
    if (mode != 14 && mode != 15)
        sizes.insert(sizes.end(), std::begin(kEnlarge), std::end(kEnlarge));
    for (const FlatSize& z : sizes) {
        const int ch = 3;
        SCOPED_TRACE(::testing::Message() << z.sw << "x" << z.sh << " -> " << z.dw << "x" << z.dh);
        if (wide) {
            const std::vector<uint16_t> src(static_cast<size_t>(z.sw) * z.sh * ch, static_cast<uint16_t>(value));
            std::vector<uint16_t> dst(static_cast<size_t>(z.dw) * z.dh * ch, 0);
            ASSERT_TRUE(rt::Resize16(src, z.sw, z.sh, &dst, z.dw, z.dh, ch, mode).ok);
            EXPECT_EQ(dst, std::vector<uint16_t>(dst.size(), static_cast<uint16_t>(value)));
        } else {
            if (mode == 10 && (z.dw < 4 || z.dh < 4))
                continue;
            const std::vector<uint8_t> src(static_cast<size_t>(z.sw) * z.sh * ch, static_cast<uint8_t>(value));
            std::vector<uint8_t> dst(static_cast<size_t>(z.dw) * z.dh * ch, 0);
            ASSERT_TRUE(rt::Resize8(src, z.sw, z.sh, &dst, z.dw, z.dh, ch, mode).ok);
            EXPECT_EQ(dst, std::vector<uint8_t>(dst.size(), static_cast<uint8_t>(value)));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, FlatImage,
                         ::testing::Combine(::testing::Range(0, 19),
                                            ::testing::Values(0, 1, 77, 200, 255, 40000, 65535)));

class FlatWallpaper : public ::testing::TestWithParam<std::tuple<int, int, bool>> {};

// Sizes of the daily wallpaper, where unguarded sums lost a level in places.
TEST_P(FlatWallpaper, StaysExactlyUniform)
{
    const int mode = std::get<0>(GetParam());
    const int value = std::get<1>(GetParam());
    const bool enlarge = std::get<2>(GetParam());
    if (enlarge && mode == 15)
        return;
    const int sw = enlarge ? 1000 : 1920, sh = enlarge ? 750 : 1440;
    const int dw = enlarge ? 1920 : 1000, dh = enlarge ? 1440 : 750;
    const size_t n = static_cast<size_t>(sw) * sh, m = static_cast<size_t>(dw) * dh;
    if (value > 255) {
        const std::vector<uint16_t> src(n, static_cast<uint16_t>(value));
        std::vector<uint16_t> dst(m, 0);
        ASSERT_TRUE(rt::Resize16(src, sw, sh, &dst, dw, dh, 1, mode).ok);
        EXPECT_EQ(dst, std::vector<uint16_t>(m, static_cast<uint16_t>(value)));
    } else {
        const std::vector<uint8_t> src(n, static_cast<uint8_t>(value));
        std::vector<uint8_t> dst(m, 0);
        ASSERT_TRUE(rt::Resize8(src, sw, sh, &dst, dw, dh, 1, mode).ok);
        EXPECT_EQ(dst, std::vector<uint8_t>(m, static_cast<uint8_t>(value)));
    }
}

INSTANTIATE_TEST_SUITE_P(GuardedModes, FlatWallpaper,
                         ::testing::Combine(::testing::Values(15, 16, 17),
                                            ::testing::Values(0, 1, 77, 200, 255, 40000, 65535), ::testing::Bool()));

// --- Bands and cancel ----------------------------------------------------------

class PoolBands : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() { is5_Initialize(""); }
};

// The four bands on the pool give the same bytes as one pass on this thread.
TEST_P(PoolBands, MatchCallingThreadRun)
{
    ASSERT_TRUE(ISShouldSplit(0)) << "the pool did not start";
    const int mode = GetParam();
    const bool rowSplit = mode == 14 || mode == 15 || mode == 16;
    // Column splitters get 640 destination columns, row splitters 200 rows.
    const int sw = rowSplit ? (mode == 16 ? 150 : 390) : 300;
    const int sh = rowSplit ? (mode == 16 ? 170 : 600) : 50;
    const int dw = rowSplit ? 130 : 640;
    const int dh = rowSplit ? 200 : 37;
    const int ch = 3;
    const std::vector<uint8_t> src = rt::Noise8(static_cast<size_t>(sw) * sh * ch, mode);
    std::vector<uint8_t> split(static_cast<size_t>(dw) * dh * ch, 0xCD), single(split);
    ASSERT_TRUE(rt::Resize8(src, sw, sh, &split, dw, dh, ch, mode, 0).ok);
    ASSERT_TRUE(rt::Resize8(src, sw, sh, &single, dw, dh, ch, mode, kNoSplit).ok);
    EXPECT_EQ(split, single);
    if (mode >= 14) {
        const std::vector<uint16_t> src16 = rt::Noise16(static_cast<size_t>(sw) * sh * ch, mode);
        std::vector<uint16_t> split16(static_cast<size_t>(dw) * dh * ch), single16(split16);
        ASSERT_TRUE(rt::Resize16(src16, sw, sh, &split16, dw, dh, ch, mode, 0).ok);
        ASSERT_TRUE(rt::Resize16(src16, sw, sh, &single16, dw, dh, ch, mode, kNoSplit).ok);
        EXPECT_EQ(split16, single16);
    }
}

INSTANTIATE_TEST_SUITE_P(SplittingModes, PoolBands,
                         ::testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17));

int g_progressCalls = 0;
BOOL CancelAtOnce(int32_t, int32_t, void*)
{
    ++g_progressCalls;
    return FALSE;
}

class CancelledResize : public ::testing::TestWithParam<int> {};

// A cancel at the first report leaves one unit written: a column for the
// filter engine, a row for modes 14 to 17, a channel plane for mode 18.
TEST_P(CancelledResize, LeavesOnlyTheFirstUnitWritten)
{
    const int mode = GetParam();
    const int sw = 48, sh = 36, dw = 24, dh = 18, ch = 3;
    // Samples below 64 never resample to the 0xCD fill.
    std::vector<uint8_t> src = rt::Noise8(static_cast<size_t>(sw) * sh * ch, mode);
    for (uint8_t& s : src)
        s &= 63;
    std::vector<uint8_t> full(static_cast<size_t>(dw) * dh * ch, 0xCD);
    ASSERT_TRUE(rt::Resize8(src, sw, sh, &full, dw, dh, ch, mode, kNoSplit).ok);

    std::vector<uint8_t> dst(full.size(), 0xCD);
    g_progressCalls = 0;
    ISSetCallback(CancelAtOnce, nullptr);
    const rt::Result r = rt::Resize8(src, sw, sh, &dst, dw, dh, ch, mode, kNoSplit);
    ISSetCallback(nullptr, nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, 14);
    EXPECT_EQ(g_progressCalls, 1);
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x)
            for (int k = 0; k < ch; ++k) {
                const bool written = mode <= 13 ? x == 0 : (mode == 18 ? k == 0 : y == 0);
                const size_t i = (static_cast<size_t>(y) * dw + x) * ch + k;
                ASSERT_EQ(dst[i], written ? full[i] : 0xCD) << x << "," << y << "," << k;
            }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, CancelledResize, ::testing::Range(0, 19));

// --- Hostile arguments ---------------------------------------------------------

struct BadArgs {
    int sw, sh, srcStride, dw, dh, dstStride, ch;
    bool nullSrc, nullDst;
};
const BadArgs kBadArgs[] = {
    {-1, 4, 12, 2, 2, 6, 3, false, false},  {4, -4, 12, 2, 2, 6, 3, false, false}, {4, 4, 12, -2, 2, 6, 3, false, false},
    {4, 4, 12, 2, -2, 6, 3, false, false},  {4, 4, 12, 0, 2, 6, 3, false, false},  {4, 4, 12, 2, 0, 6, 3, false, false},
    {0, 4, 12, 2, 2, 6, 3, false, false},   {4, 4, 12, 2, 2, 6, 0, false, false},  {4, 4, 12, 2, 2, 6, -3, false, false},
    {4, 4, 11, 2, 2, 6, 3, false, false},   {4, 4, 12, 2, 2, 5, 3, false, false},  {4, 4, -12, 2, 2, 6, 3, false, false},
    {4, 4, 12, 2, 2, 6, 3, true, false},    {4, 4, 12, 2, 2, 6, 3, false, true},
};

class HostileArguments : public ::testing::TestWithParam<std::tuple<int, int, bool>> {};

TEST_P(HostileArguments, GiveBadUserParameter)
{
    const int mode = std::get<0>(GetParam());
    const BadArgs a = kBadArgs[std::get<1>(GetParam())];
    const bool wide = std::get<2>(GetParam());
    std::vector<uint16_t> src(64, 5), dst(64, 7);
    const BOOL ok = is5_ResizeImage(a.nullSrc ? nullptr : src.data(), a.sw, a.sh, a.srcStride,
                                    a.nullDst ? nullptr : dst.data(), a.dw, a.dh, a.dstStride, a.ch, mode, wide ? 1 : 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ(dst, std::vector<uint16_t>(64, 7));
}

INSTANTIATE_TEST_SUITE_P(EveryMode, HostileArguments,
                         ::testing::Combine(::testing::Range(0, 19),
                                            ::testing::Range(0, static_cast<int>(sizeof(kBadArgs) / sizeof(kBadArgs[0]))),
                                            ::testing::Bool()));

class ExactBuffers : public ::testing::TestWithParam<int> {};

// Equal sizes with padded rows: buffers end right after the last row's pixels.
TEST_P(ExactBuffers, EqualSizesTouchNothingPastTheLastPixel)
{
    const int mode = GetParam();
    const int w = 9, h = 7, ch = 3, stride = 32;
    const size_t exact = static_cast<size_t>(h - 1) * stride + w * ch;
    const size_t guard = 64;
    std::vector<uint8_t> src = rt::Noise8(exact, mode);
    // The destination's tail is a canary; the source is read from an exactly
    // sized block, which the sanitizer build watches.
    std::vector<uint8_t> dst(exact + guard, 0xA5);
    ASSERT_TRUE(is5_ResizeImage(src.data(), w, h, stride, dst.data(), w, h, stride, ch, mode, kNoSplit));
    for (size_t i = exact; i < dst.size(); ++i)
        ASSERT_EQ(dst[i], 0xA5) << "byte " << i;
    if (mode >= 16) {
        // Copies: every pixel, none of the padding.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < stride; ++x) {
                const size_t i = static_cast<size_t>(y) * stride + x;
                if (i >= exact)
                    break;
                ASSERT_EQ(dst[i], x < w * ch ? src[i] : 0xA5) << x << "," << y;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, ExactBuffers, ::testing::Range(0, 19));

TEST(SmallSources, WideKernelsStayInsideAndKeepUniformValues)
{
    const std::vector<uint8_t> one = {123};
    std::vector<uint8_t> dst(25, 0);
    ASSERT_TRUE(rt::Resize8(one, 1, 1, &dst, 5, 5, 1, 10).ok);
    EXPECT_EQ(dst, std::vector<uint8_t>(25, 123));

    const std::vector<uint8_t> column(7, 61);
    std::fill(dst.begin(), dst.end(), 0);
    ASSERT_TRUE(rt::Resize8(column, 1, 7, &dst, 5, 5, 1, 8).ok);
    EXPECT_EQ(dst, std::vector<uint8_t>(25, 61));
}

}  // namespace
