// The box blur against a plain integer reference: edge-replicated window sum
// divided by size squared, then mixed with the source in double.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "blur_test_util.h"
#include "imaging/core/frame.h"
#include "imaging/is5.h"

namespace {

// The reference, separable but without running sums: rows of clamped
// horizontal sums, then clamped vertical sums of those.
template <typename T>
std::vector<T> ReferenceBox(const std::vector<T>& src, int w, int h, int ch, int stride, int size, double mix,
                            int outStride, const std::vector<T>& before, uint32_t mask)
{
    if (size % 2 == 0)
        ++size;
    mix = mix > 0 ? (mix < 1 ? mix : 1) : 0;
    const int r = size / 2;
    std::vector<T> out = before;
    std::vector<uint64_t> rows(size_t(w) * h);
    for (int c = 0; c < ch; ++c) {
        if (!(mask & (1u << c)))
            continue;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint64_t s = 0;
                for (int j = -r; j <= r; ++j)
                    s += src[size_t(y) * stride + bt::Clamp(x + j, w) * ch + c];
                rows[size_t(y) * w + x] = s;
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint64_t s = 0;
                for (int i = -r; i <= r; ++i)
                    s += rows[size_t(bt::Clamp(y + i, h)) * w + x];
                const uint64_t blurred = s / (uint64_t(size) * size);
                const T o = src[size_t(y) * stride + x * ch + c];
                out[size_t(y) * outStride + x * ch + c] = T(std::trunc(double(blurred) * mix + double(o) * (1 - mix)));
            }
    }
    return out;
}

using BoxCase = std::tuple<int, int, double, bool>;  // size, channels, mix, 16-bit

class BoxBlur : public ::testing::TestWithParam<BoxCase> {};

template <typename T>
void CheckAgainstReference(int size, int ch, double mix, uint32_t flags)
{
    const int w = 23, h = 17, stride = w * ch + 3, outStride = w * ch + 5;
    const uint32_t limit = sizeof(T) == 1 ? 256 : 65536;
    const std::vector<T> src = bt::RandomSamples<T>(size_t(stride) * h, limit, 7 + ch);
    std::vector<T> dst(size_t(outStride) * h, T(0x5A));
    const std::vector<T> expected = ReferenceBox(src, w, h, ch, stride, size, mix, outStride, dst, 0xFF);
    ASSERT_TRUE(is5_BlurImage(src.data(), w, h, ch, stride, dst.data(), outStride, size, mix, flags));
    EXPECT_EQ(0, ISGetLastError());
    ASSERT_EQ(expected, dst);
}

TEST_P(BoxBlur, EqualsTheIntegerReference)
{
    const auto [size, ch, mix, wide] = GetParam();
    if (wide)
        CheckAgainstReference<uint16_t>(size, ch, mix, 0xFF | 0x200);
    else
        CheckAgainstReference<uint8_t>(size, ch, mix, 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Table, BoxBlur,
                         ::testing::Combine(::testing::Values(1, 2, 5, 21, 101), ::testing::Range(1, 5),
                                            ::testing::Values(0.0, 0.3, 1.0, 2.0, -1.0), ::testing::Bool()));

TEST(BoxBlurMask, ChannelsOutsideTheMaskKeepWhatTheDestinationHeld)
{
    const int w = 9, h = 7, ch = 4, stride = w * ch;
    const std::vector<uint8_t> src = bt::RandomSamples<uint8_t>(size_t(stride) * h, 256, 3);
    std::vector<uint8_t> dst = bt::RandomSamples<uint8_t>(size_t(stride) * h, 256, 4);
    const uint32_t mask = 0x5;  // channels 0 and 2
    const std::vector<uint8_t> expected = ReferenceBox(src, w, h, ch, stride, 3, 1.0, stride, dst, mask);
    ASSERT_TRUE(is5_BlurImage(src.data(), w, h, ch, stride, dst.data(), stride, 3, 1.0, mask));
    EXPECT_EQ(expected, dst);
}

TEST(BoxBlurInPlace, BlursFromTheUntouchedSource)
{
    const int w = 31, h = 12, ch = 3, stride = w * ch;
    std::vector<uint8_t> image = bt::RandomSamples<uint8_t>(size_t(stride) * h, 256, 11);
    const std::vector<uint8_t> expected = ReferenceBox(image, w, h, ch, stride, 7, 0.75, stride, image, 0x7);
    ASSERT_TRUE(is5_BlurImage(image.data(), w, h, ch, stride, image.data(), stride, 7, 0.75, 7));
    EXPECT_EQ(expected, image);
}

TEST(BoxBlurHugeWindow, AveragesReplicatedEdgesPromptly)
{
    // Window sums of this size overflow 32 bits, and size squared an int.
    const int w = 10, h = 10, ch = 3, stride = w * ch;
    const std::vector<uint8_t> src = bt::RandomSamples<uint8_t>(size_t(stride) * h, 256, 5);
    for (const int size : {100001, 2147483647}) {
        std::vector<uint8_t> dst(src.size());
        ASSERT_TRUE(is5_BlurImage(src.data(), w, h, ch, stride, dst.data(), stride, size, 1.0, 7)) << size;
        // Every window covers the image; it counts the corner rows and columns
        // r - y + 1 and r - (h - 1 - y) + 1 times, the others once.
        const int64_t r = size / 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < ch; ++c) {
                    unsigned __int128 sum = 0;
                    for (int ky = 0; ky < h; ++ky)
                        for (int kx = 0; kx < w; ++kx) {
                            const int64_t cy = ky == 0 ? r - y + 1 : (ky == h - 1 ? r - (h - 1 - y) + 1 : 1);
                            const int64_t cx = kx == 0 ? r - x + 1 : (kx == w - 1 ? r - (w - 1 - x) + 1 : 1);
                            sum += (unsigned __int128)(cy * cx) * src[ky * stride + kx * ch + c];
                        }
                    const uint64_t expected = uint64_t(sum / ((unsigned __int128)size * size));
                    ASSERT_EQ(expected, dst[y * stride + x * ch + c]) << size << " at " << x << "," << y;
                }
    }
}

TEST(BoxBlurOnePixel, StaysUnchangedWhateverTheSize)
{
    const uint16_t pixel[3] = {1, 40000, 65535};
    for (const int size : {0, 1, 2, 101, 100001}) {
        uint16_t out[3] = {};
        ASSERT_TRUE(is5_BlurImage(pixel, 1, 1, 3, 3, out, 3, size, 1.0, 0x207));
        EXPECT_EQ(std::vector<uint16_t>(pixel, pixel + 3), std::vector<uint16_t>(out, out + 3)) << size;
    }
}

#ifndef _WIN32
// The native stand-in for the debugger writes to standard error.
TEST(BoxBlurEvenSize, TellsTheDebuggerOncePerCall)
{
    const std::vector<uint8_t> src = bt::RandomSamples<uint8_t>(8 * 8 * 3, 256, 1);
    std::vector<uint8_t> dst(src.size());
    struct Case {
        int size;
        std::string message;
    };
    for (const Case& c : {Case{4, "Zero, or even filter size. Increasing to 5\n"},
                          Case{0, "Zero, or even filter size. Increasing to 1\n"}, Case{5, ""}}) {
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(is5_BlurImage(src.data(), 8, 8, 3, 24, dst.data(), 24, c.size, 1.0, 7));
        EXPECT_EQ(c.message, ::testing::internal::GetCapturedStderr()) << c.size;
    }
}
#endif

int gCalls = 0;
BOOL CountCalls(int32_t, int32_t, void*)
{
    ++gCalls;
    return TRUE;
}

TEST(BoxBlurProgress, CalledFromTheApplicationReportsNothing)
{
    const std::vector<uint8_t> src = bt::RandomSamples<uint8_t>(16 * 16 * 3, 256, 2);
    std::vector<uint8_t> dst(src.size());
    gCalls = 0;
    is5_SetCallback(CountCalls, nullptr);
    EXPECT_TRUE(is5_BlurImage(src.data(), 16, 16, 3, 48, dst.data(), 48, 5, 1.0, 7));
    is5_SetCallback(nullptr, nullptr);
    EXPECT_EQ(0, gCalls);
}

}  // namespace
