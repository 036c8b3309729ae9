// Placement, clipping, bottom-up overlays, bad geometry, bands and cancel.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "imaging/pool/pool.h"
#include "overlay_reference.h"

namespace {

std::vector<uint8_t> Noise(size_t n, uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = uint8_t(gen() >> 24);
    return v;
}

struct Placement {
    const char* name;
    int dstW, dstH, ovlW, ovlH;
    int x, y;
    int mode;
    double opacity;
    uint32_t flags;
};

// Destination and overlay have 3 channels and packed rows.
const Placement kPlacements[] = {
    {"Inside", 9, 7, 4, 3, 2, 3, 12, 0.5, 0},
    {"NegativeX", 9, 7, 5, 4, -2, 1, 0, 1.0, 0},
    {"NegativeY", 9, 7, 5, 4, 1, -3, 0, 1.0, 0},
    {"NegativeXYBlend", 9, 7, 5, 4, -3, -2, 12, 0.5, 0},
    {"NegativeXYMode1Partial", 9, 7, 5, 4, -3, -2, 1, 0.3, 0},
    {"OverRightAndBottom", 9, 7, 5, 4, 6, 5, 4, 1.0, 0},
    {"CoversWholeDestination", 4, 3, 9, 7, -2, -2, 22, 0.5, 0},
    {"WhollyLeft", 9, 7, 5, 4, -5, 0, 0, 1.0, 0},
    {"WhollyBelow", 9, 7, 5, 4, 0, 7, 12, 0.5, 0},
    {"ZeroSizeOverlay", 9, 7, 0, 0, 1, 1, 0, 1.0, 0},
    {"XAtIntMax", 9, 7, 5, 4, INT_MAX, 0, 12, 0.5, 0},
    {"YAtIntMin", 9, 7, 5, 4, 0, INT_MIN, 12, 0.5, 0},
    {"XAtIntMinY", 9, 7, 5, 4, INT_MIN, INT_MIN, 0, 1.0, 0},
    {"BottomUpCopy", 9, 7, 5, 4, 1, 1, 0, 1.0, 0x4},
    {"BottomUpBlendClipped", 9, 7, 5, 4, 2, -2, 12, 0.5, 0x4},
    {"BottomUpBitwiseClipped", 9, 7, 5, 4, -1, 5, 4, 1.0, 0x4},
};

class OverlayPlacement : public ::testing::TestWithParam<Placement> {};

TEST_P(OverlayPlacement, CombinesOnlyTheOverlapWithMatchingOverlayPixels)
{
    const Placement& p = GetParam();
    const int ch = 3;
    std::vector<uint8_t> dst = Noise(size_t(p.dstW) * p.dstH * ch, 1);
    std::vector<uint8_t> ovl = Noise(size_t(p.ovlW) * p.ovlH * ch + 1, 2);
    const double alpha = p.opacity > 1 ? 1.0 : p.opacity;
    std::vector<uint8_t> want = overlay_ref::Expected<uint8_t>(dst, p.dstW, p.dstH, ch, ovl, p.ovlW, p.ovlH, p.x, p.y,
                                                               alpha, 0.0, p.mode, (p.flags & 0x4) != 0);
    ASSERT_TRUE(is5_OverlayImage(dst.data(), p.dstW, p.dstH, ch, p.dstW * ch, ovl.data(), p.ovlW, p.ovlH,
                                 p.ovlW * ch, p.x, p.y, p.opacity, 0.0, p.mode, p.flags));
    EXPECT_EQ(dst, want);
}

INSTANTIATE_TEST_SUITE_P(Cases, OverlayPlacement, ::testing::ValuesIn(kPlacements),
                         [](const ::testing::TestParamInfo<Placement>& info) { return std::string(info.param.name); });

// Only the first row of a huge-width overlay is ever read.
TEST(OverlayPlacement, OverlayWidthIntMaxCombinesTheVisibleColumns)
{
    std::vector<uint8_t> dst = Noise(8, 3), ovl = Noise(8, 4);
    std::vector<uint8_t> want = ovl;
    ASSERT_TRUE(is5_OverlayImage(dst.data(), 8, 1, 1, 8, ovl.data(), INT_MAX, 1, INT_MAX, 0, 0, 1.0, 0.0, 0, 0));
    EXPECT_EQ(dst, want);
    std::vector<uint8_t> before = dst;
    ASSERT_TRUE(is5_OverlayImage(dst.data(), 8, 1, 1, 8, ovl.data(), INT_MAX, 1, INT_MAX, INT_MIN, 0, 1.0, 0.0, 0, 0));
    EXPECT_EQ(dst, before);
}

TEST(OverlayBottomUp, EqualsTheSameBlendOfAFlippedOverlay)
{
    const int w = 6, h = 5, ch = 3;
    std::vector<uint8_t> dst = Noise(w * h * ch, 5), ovl = Noise(w * h * ch, 6);
    std::vector<uint8_t> flipped(ovl.size());
    for (int r = 0; r < h; ++r)
        std::copy(ovl.begin() + r * w * ch, ovl.begin() + (r + 1) * w * ch, flipped.begin() + (h - 1 - r) * w * ch);
    std::vector<uint8_t> a = dst, b = dst;
    ASSERT_TRUE(is5_OverlayImage(a.data(), w, h, ch, w * ch, ovl.data(), w, h, w * ch, 1, -1, 0.5, 0.0, 12, 0x4));
    ASSERT_TRUE(is5_OverlayImage(b.data(), w, h, ch, w * ch, flipped.data(), w, h, w * ch, 1, -1, 0.5, 0.0, 12, 0));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, dst);
}

struct BadMode {
    int mode;
    int x;
    BOOL result;
    int32_t error;
};

class OverlayModeRange : public ::testing::TestWithParam<BadMode> {};

TEST_P(OverlayModeRange, UnknownModeFailsOnlyWhenSomethingIsBlended)
{
    const BadMode& m = GetParam();
    std::vector<uint8_t> dst = Noise(16, 7), ovl = Noise(16, 8);
    std::vector<uint8_t> before = dst;
    EXPECT_EQ(is5_OverlayImage(dst.data(), 4, 4, 1, 4, ovl.data(), 4, 4, 4, m.x, 0, 1.0, 0.0, m.mode, 0), m.result);
    EXPECT_EQ(ISGetLastError(), m.error);
    EXPECT_EQ(dst, before);
}

INSTANTIATE_TEST_SUITE_P(Cases, OverlayModeRange,
                         ::testing::Values(BadMode{31, 0, FALSE, 5}, BadMode{-1, 0, FALSE, 5},
                                           BadMode{31, 10, TRUE, 0}, BadMode{-1, -4, TRUE, 0}));

struct Geometry {
    const char* name;
    int dstW, dstH, channels, dstStride, ovlW, ovlH, ovlStride;
};

const Geometry kBadGeometry[] = {
    {"NegativeDestinationWidth", -4, 4, 1, 4, 4, 4, 4},
    {"NegativeDestinationHeight", 4, -1, 1, 4, 4, 4, 4},
    {"NegativeOverlayWidth", 4, 4, 1, 4, -4, 4, 4},
    {"NegativeOverlayHeight", 4, 4, 1, 4, 4, -4, 4},
    {"NoChannels", 4, 4, 0, 4, 4, 4, 4},
    {"NegativeChannels", 4, 4, -3, 4, 4, 4, 4},
    {"ShortDestinationStride", 4, 4, 1, 3, 4, 4, 4},
    {"ShortOverlayStride", 4, 4, 1, 4, 4, 4, 3},
    {"NegativeStride", 4, 4, 1, -4, 4, 4, 4},
};

class OverlayGeometry : public ::testing::TestWithParam<Geometry> {};

TEST_P(OverlayGeometry, BadGeometryIsStatus5AndChangesNothing)
{
    const Geometry& g = GetParam();
    std::vector<uint8_t> dst = Noise(64, 9), ovl = Noise(64, 10);
    std::vector<uint8_t> before = dst;
    EXPECT_FALSE(is5_OverlayImage(dst.data(), g.dstW, g.dstH, g.channels, g.dstStride, ovl.data(), g.ovlW, g.ovlH,
                                  g.ovlStride, 0, 0, 1.0, 0.0, 0, 0));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ(dst, before);
}

INSTANTIATE_TEST_SUITE_P(Cases, OverlayGeometry, ::testing::ValuesIn(kBadGeometry),
                         [](const ::testing::TestParamInfo<Geometry>& info) { return std::string(info.param.name); });

TEST(OverlayArguments, NullOrSharedPixelsAreStatus5)
{
    std::vector<uint8_t> dst = Noise(16, 11);
    std::vector<uint8_t> before = dst;
    EXPECT_FALSE(is5_OverlayImage(nullptr, 4, 4, 1, 4, dst.data(), 4, 4, 4, 0, 0, 0.5, 0.0, 1, 0));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_FALSE(is5_OverlayImage(dst.data(), 4, 4, 1, 4, nullptr, 4, 4, 4, 0, 0, 0.5, 0.0, 1, 0));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_FALSE(is5_OverlayImage(dst.data(), 4, 4, 1, 4, dst.data(), 4, 4, 4, 0, 0, 0.5, 0.0, 1, 0));
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_EQ(dst, before);
}

// Rows between the overlap rows (a stride wider than the pixels) stay as they were.
TEST(OverlayArguments, StrideGapsAreLeftAlone)
{
    const int w = 5, h = 4, ch = 3, stride = w * ch + 7;
    std::vector<uint8_t> dst = Noise(size_t(stride) * h, 12), ovl = Noise(size_t(stride) * h, 13);
    std::vector<uint8_t> before = dst;
    ASSERT_TRUE(is5_OverlayImage(dst.data(), w, h, ch, stride, ovl.data(), w, h, stride, 0, 0, 0.5, 0.0, 5, 0));
    for (int r = 0; r < h; ++r)
        for (int i = w * ch; i < stride; ++i)
            EXPECT_EQ(dst[size_t(r) * stride + i], before[size_t(r) * stride + i]);
}

class OverlayBands : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ISStartPool(); }
    void TearDown() override { ISSetCallback(nullptr, nullptr); }
};

// 200 overlap rows split into bands on the pool, against the same call kept
// on this thread.
TEST_F(OverlayBands, SplitAndUnsplitGiveIdenticalBytes)
{
    const int w = 64, h = 230, ch = 3;
    std::vector<uint8_t> dst = Noise(size_t(w) * h * ch, 14), ovl = Noise(size_t(w) * 200 * ch, 15);
    for (int mode : {1, 12, 4, 22}) {
        std::vector<uint8_t> a = dst, b = dst;
        ASSERT_TRUE(is5_OverlayImage(a.data(), w, h, ch, w * ch, ovl.data(), w, 200, w * ch, 0, 17, 0.5, 0.0, mode,
                                     0));
        ASSERT_TRUE(is5_OverlayImage(b.data(), w, h, ch, w * ch, ovl.data(), w, 200, w * ch, 0, 17, 0.5, 0.0, mode,
                                     0x100000));
        EXPECT_EQ(a, b) << "mode " << mode;
        EXPECT_EQ(a, overlay_ref::Expected<uint8_t>(dst, w, h, ch, ovl, w, 200, 0, 17, 0.5, 0.0, mode, false));
    }
}

BOOL Refuse(int32_t, int32_t, void*) { return FALSE; }

TEST_F(OverlayBands, ProgressCallbackReturningFalseGives14OnThisThread)
{
    const int w = 32, h = 200, ch = 3;
    std::vector<uint8_t> dst = Noise(size_t(w) * h * ch, 16), ovl = Noise(size_t(w) * h * ch, 17);
    ISSetCallback(Refuse, nullptr);
    EXPECT_FALSE(is5_OverlayImage(dst.data(), w, h, ch, w * ch, ovl.data(), w, h, w * ch, 0, 0, 0.5, 0.0, 1,
                                  0x100000));
    EXPECT_EQ(ISGetLastError(), 14);
    EXPECT_FALSE(is5_OverlayImage(dst.data(), w, h, ch, w * ch, ovl.data(), w, h, w * ch, 0, 0, 1.0, 0.0, 0,
                                  0x100000));
    EXPECT_EQ(ISGetLastError(), 14);
}

// Pool tasks that hold every worker until the caller's progress callback runs,
// so that a split overlay is still waiting when the pool first reports.
struct Blocker : CISThreadData {
    static std::atomic<int> started;
    static std::atomic<bool> release;
};
std::atomic<int> Blocker::started{0};
std::atomic<bool> Blocker::release{false};

int BlockerTask(CISThreadData*)
{
    ++Blocker::started;
    while (!Blocker::release)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
}

BOOL ReleaseAndRefuse(int32_t, int32_t, void*)
{
    Blocker::release = true;
    return FALSE;
}

TEST_F(OverlayBands, ProgressCallbackReturningFalseGives14ForSplitRun)
{
    constexpr int kBlockers = 8;
    Blocker::started = 0;
    Blocker::release = false;
    Blocker blockers[kBlockers];
    CISThreadData* records[kBlockers];
    for (int i = 0; i < kBlockers; ++i)
        records[i] = &blockers[i];
    std::thread holder([&] { ISRunTasks(BlockerTask, records, kBlockers); });
    for (int i = 0; i < 5000 && Blocker::started < kBlockers; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(Blocker::started, kBlockers);

    const int w = 32, h = 200, ch = 3;
    std::vector<uint8_t> dst = Noise(size_t(w) * h * ch, 16), ovl = Noise(size_t(w) * h * ch, 17);
    ISSetCallback(ReleaseAndRefuse, nullptr);
    EXPECT_FALSE(is5_OverlayImage(dst.data(), w, h, ch, w * ch, ovl.data(), w, h, w * ch, 0, 0, 0.5, 0.0, 1, 0));
    EXPECT_EQ(ISGetLastError(), 14);
    Blocker::release = true;
    holder.join();
}

}  // namespace
