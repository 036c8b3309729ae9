// Automatic threshold by between-class variance, and the packed result.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "imaging/convert/convert.h"
#include "tone.h"

namespace {

// Otsu in double precision throughout: the first t of greatest variance.
int ReferenceThreshold(const std::vector<uint8_t>& grey, double* bestOut, std::vector<double>* variances)
{
    double h[256] = {};
    for (uint8_t g : grey)
        h[g] += 1;
    const double n = double(grey.size());
    double total = 0;
    for (int i = 0; i < 256; ++i)
        total += i * h[i];
    double w0 = 0, k = 0, best = 0;
    int threshold = 0;
    variances->assign(256, 0.0);
    for (int t = 0; t < 256; ++t) {
        w0 += h[t];
        k += t * h[t];
        if (w0 == 0)
            continue;
        if (w0 == n)
            break;
        double w1 = n - w0, m0 = k / w0, m1 = (total - k) / w1;
        double v = (m0 - m1) * (m0 - m1) * w0 * w1;
        (*variances)[t] = v;
        if (v > best) {
            best = v;
            threshold = t;
        }
    }
    *bestOut = best;
    return threshold;
}

struct Flat {
    uint8_t grey;
    uint8_t bits;
};

class OneColour : public ::testing::TestWithParam<Flat> {};

TEST_P(OneColour, ThresholdZeroCutOne)
{
    const int w = 13, h = 3, stride = 2;
    std::vector<uint8_t> grey(w * h, GetParam().grey);
    std::vector<uint8_t> packed(stride * h, 0xA5);
    int32_t cut = -1, status = -1;
    ASSERT_TRUE(ISAutoThreshold(grey.data(), packed.data(), w, h, w, stride, 4, 0, FALSE, &cut, &status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(cut, 1);
    for (int row = 0; row < h; ++row) {
        EXPECT_EQ(packed[row * stride], GetParam().bits);
        // 13 pixels: five bits in the second byte, the rest padding.
        EXPECT_EQ(packed[row * stride + 1] & 0xF8, GetParam().bits & 0xF8);
    }
}

INSTANTIATE_TEST_SUITE_P(Greys, OneColour,
                         ::testing::Values(Flat{0, 0x00}, Flat{1, 0xFF}, Flat{128, 0xFF}, Flat{255, 0xFF}));

TEST(AutoThreshold, BlackAndWhiteCutsAtOne)
{
    std::vector<uint8_t> grey = {0, 255, 255, 0, 0, 0, 255, 0, 255};
    int32_t cut = -1;
    ASSERT_TRUE(ISAutoThreshold(grey.data(), nullptr, 3, 3, 3, 0, 4, 0, TRUE, &cut, nullptr));
    EXPECT_EQ(cut, 1);
}

// Two noisy clusters per image, at random places and spreads.
TEST(AutoThreshold, BimodalImagesMatchDoublePrecisionReference)
{
    std::mt19937 gen(77);
    auto uniform = [&](double lo, double hi) { return lo + (hi - lo) * (gen() / 4294967296.0); };
    for (int image = 0; image < 40; ++image) {
        const int w = 61, h = 47;
        const double mean0 = uniform(20, 110), mean1 = uniform(140, 235);
        const double sd0 = uniform(4, 30), sd1 = uniform(4, 30), share = uniform(0.2, 0.8);
        std::vector<uint8_t> grey(w * h);
        for (auto& g : grey) {
            double u1 = uniform(1e-12, 1), u2 = uniform(0, 1);
            double z = std::sqrt(-2 * std::log(u1)) * std::cos(6.283185307179586 * u2);
            double v = uniform(0, 1) < share ? mean0 + sd0 * z : mean1 + sd1 * z;
            g = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
        double best;
        std::vector<double> variances;
        const int want = ReferenceThreshold(grey, &best, &variances);
        int32_t cut = -1;
        ASSERT_TRUE(ISAutoThreshold(grey.data(), nullptr, w, h, w, 0, 4, 0, TRUE, &cut, nullptr));
        const int got = cut - 1;
        if (got != want) {
            // Single-precision sums may pick a neighbour when the two are nearly tied.
            EXPECT_EQ(std::abs(got - want), 1) << "image " << image;
            EXPECT_LT(std::fabs(variances[got] - best), best * 1e-5) << "image " << image;
        }
    }
}

TEST(AutoThreshold, PackedRowsEqualPackingTheThresholdedCopy)
{
    const int w = 29, h = 11, srcStride = 32, dstStride = 6;
    std::mt19937 gen(5);
    std::vector<uint8_t> grey(srcStride * h);
    for (auto& g : grey)
        g = uint8_t(gen() >> 24);
    std::vector<uint8_t> packed(dstStride * h, 0);
    int32_t cut = -1, status = -1;
    ASSERT_TRUE(ISAutoThreshold(grey.data(), packed.data(), w, h, srcStride, dstStride, 4, 0, FALSE, &cut, &status));
    std::vector<uint8_t> ones(w * h);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            ones[row * w + col] = grey[row * srcStride + col] >= cut ? 1 : 0;
            EXPECT_EQ((packed[row * dstStride + col / 8] >> (7 - col % 8)) & 1, ones[row * w + col]);
        }
    std::vector<uint8_t> want(dstStride * h, 0);
    CISImgUtil util;
    ASSERT_TRUE(util.ISPackPixels(ones.data(), w, h, w, want.data(), 1, dstStride));
    EXPECT_EQ(packed, want);
}

TEST(AutoThreshold, OtherMethodsAndBadArgumentsAre5)
{
    std::vector<uint8_t> grey(16, 9), packed(8, 0);
    int32_t cut = -1, status = 0;
    for (int method : {0, 3, 5, 13, -1}) {
        EXPECT_FALSE(ISAutoThreshold(grey.data(), packed.data(), 4, 4, 4, 1, method, 0, FALSE, &cut, &status));
        EXPECT_EQ(status, 5);
    }
    EXPECT_FALSE(ISAutoThreshold(nullptr, packed.data(), 4, 4, 4, 1, 4, 0, FALSE, &cut, &status));
    EXPECT_EQ(status, 5);
    EXPECT_FALSE(ISAutoThreshold(grey.data(), nullptr, 4, 4, 4, 1, 4, 0, FALSE, &cut, &status));
    EXPECT_EQ(status, 5);
    EXPECT_FALSE(ISAutoThreshold(grey.data(), packed.data(), 4, 4, 3, 1, 4, 0, FALSE, &cut, &status));
    EXPECT_EQ(status, 5);
    EXPECT_EQ(packed, std::vector<uint8_t>(8, 0));
}

}  // namespace
