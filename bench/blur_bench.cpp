// Blur and unsharp mask on photo-like RGB pictures, one thread each, input
// and output in memory in every implementation.
//
// Which peer operation stands for which of ours:
// - gaussian_blur_s<sigma>: our Gaussian (the blur inside the unsharp mask:
//   the recursive filter from sigma 1 up) against libvips' gaussblur (integer
//   precision, its default for 8-bit input) and ImageMagick's separable
//   BlurImage (Magick++ blur(0, sigma)).
// - unsharp_mask_s<sigma>: is5_UnsharpMaskImage with threshold 50 and amount
//   1 (the wallpaper's "sharpness 3") against ImageMagick's UnsharpMaskImage
//   (-unsharp 0x<sigma>+1+0.196) and, in libvips, the same formula composed
//   of gaussblur, subtract, abs, more-than, add, ifthenelse and a clipping
//   cast (libvips' own sharpen works on L* only, so it is no match).
// - box_blur_<size>: is5_BlurImage at the wallpaper's sizes, mix 1, against
//   libvips' separable integer convolution with an N-tap box (ImageMagick has
//   no integer box blur).
// ImageMagick's result is exported to an 8-bit RGB buffer and libvips' written
// to memory, as ours lands in the caller's buffer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <vips/vips.h>
#include <Magick++.h>

#include "imaging/blur/blur.h"
#include "imaging/is5.h"
#include "inputs.h"
#include "vips_run.h"

namespace {

constexpr int32_t kThreshold = 50;
constexpr double kAmount = 1.0;

// 0: 1920x1080 crop of the 12 MP picture; 24: the 24 MP picture.
const vb::Picture& Input(int which)
{
    return which == 24 ? vb::PhotoPixels(24) : vb::Photo1080();
}

void VeskoBox(benchmark::State& state, int which, int size)
{
    const vb::Picture& p = Input(which);
    std::vector<uint8_t> dst(p.rgb.size());
    const uint32_t stride = p.width * 3;
    for (auto _ : state) {
        if (!is5_BlurImage(p.rgb.data(), p.width, p.height, 3, stride, dst.data(), stride, size, 1.0, 7)) {
            state.SkipWithError("is5_BlurImage failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void VeskoGaussian(benchmark::State& state, int which, double sigma)
{
    const vb::Picture& p = Input(which);
    std::vector<uint8_t> dst(p.rgb.size());
    ISBlurGeometry g;
    g.width = p.width;
    g.height = p.height;
    g.channels = 3;
    g.srcStride = g.dstStride = size_t(p.width) * 3;
    for (auto _ : state) {
        CISGaussian gaussian;
        if (!gaussian.ISGaussianBlur8(p.rgb.data(), dst.data(), g, sigma, 7)) {
            state.SkipWithError("ISGaussianBlur8 failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void VeskoUnsharp(benchmark::State& state, int which, double sigma)
{
    const vb::Picture& p = Input(which);
    std::vector<uint8_t> dst(p.rgb.size());
    const uint32_t stride = p.width * 3;
    for (auto _ : state) {
        if (!is5_UnsharpMaskImage(p.rgb.data(), p.width, p.height, 3, stride, dst.data(), stride, kThreshold,
                                  kAmount, sigma, 7)) {
            state.SkipWithError("is5_UnsharpMaskImage failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

// ImageMagick: the operation on a copy of the source image, then the pixels
// exported as 8-bit RGB.
template <typename Apply>
void MagickRun(benchmark::State& state, int which, Apply apply)
{
    const vb::Picture& p = Input(which);
    Magick::Image source(p.width, p.height, "RGB", Magick::CharPixel, p.rgb.data());
    std::vector<uint8_t> out(p.rgb.size());
    for (auto _ : state) {
        Magick::Image work(source);
        apply(work);
        work.write(0, 0, p.width, p.height, "RGB", Magick::CharPixel, out.data());
        benchmark::ClobberMemory();
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void MagickUnsharp(benchmark::State& state, int which, double sigma)
{
    MagickRun(state, which, [sigma](Magick::Image& im) { im.unsharpmask(0, sigma, kAmount, kThreshold / 255.0); });
}

void MagickBlur(benchmark::State& state, int which, double sigma)
{
    MagickRun(state, which, [sigma](Magick::Image& im) { im.blur(0, sigma); });
}

template <typename Build>
void VipsRun(benchmark::State& state, int which, Build build)
{
    const vb::Picture& p = Input(which);
    vb::VipsRun(state, p.rgb, p.width, p.height, build);
}

void VipsBox(benchmark::State& state, int which, int size)
{
    VipsImage* mask = vips_image_new_matrix(size, 1);
    for (int i = 0; i < size; ++i)
        *VIPS_MATRIX(mask, i, 0) = 1.0;
    vips_image_set_double(mask, "scale", double(size));
    vips_image_set_double(mask, "offset", 0.0);
    VipsRun(state, which, [&](VipsImage* in, VipsImage** out) {
        return vips_convsep(in, out, mask, "precision", VIPS_PRECISION_INTEGER, nullptr);
    });
    g_object_unref(mask);
}

void VipsGaussBlur(benchmark::State& state, int which, double sigma)
{
    VipsRun(state, which, [sigma](VipsImage* in, VipsImage** out) { return vips_gaussblur(in, out, sigma, nullptr); });
}

// o + (o - b) where |o - b| > threshold, else o; clipped to 8 bits (amount 1).
void VipsUnsharp(benchmark::State& state, int which, double sigma)
{
    VipsRun(state, which, [sigma](VipsImage* in, VipsImage** out) {
        // Intermediates live in a context that goes with the output.
        VipsObject* scope = VIPS_OBJECT(vips_image_new());
        VipsImage** t = reinterpret_cast<VipsImage**>(vips_object_local_array(scope, 6));
        if (vips_gaussblur(in, &t[0], sigma, nullptr) || vips_subtract(in, t[0], &t[1], nullptr) ||
            vips_abs(t[1], &t[2], nullptr) ||
            vips_relational_const1(t[2], &t[3], VIPS_OPERATION_RELATIONAL_MORE, double(kThreshold), nullptr) ||
            vips_add(in, t[1], &t[4], nullptr) || vips_ifthenelse(t[3], t[4], in, &t[5], nullptr) ||
            vips_cast(t[5], out, VIPS_FORMAT_UCHAR, nullptr)) {
            g_object_unref(scope);
            return -1;
        }
        // The chain is evaluated lazily when the output is written.
        g_object_set_data_full(G_OBJECT(*out), "vesko-scope", scope, g_object_unref);
        return 0;
    });
}

#define BLUR_CASE(...) BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()

#define SIGMA_CASES(tag, sigma)                                                                        \
    BLUR_CASE(VeskoGaussian, tag, 0, sigma)->Name("gaussian_blur_" #tag "_1080p/vesko");                \
    BLUR_CASE(VipsGaussBlur, tag, 0, sigma)->Name("gaussian_blur_" #tag "_1080p/libvips");              \
    BLUR_CASE(MagickBlur, tag, 0, sigma)->Name("gaussian_blur_" #tag "_1080p/imagemagick");             \
    BLUR_CASE(VeskoUnsharp, tag, 0, sigma)->Name("unsharp_mask_" #tag "_1080p/vesko");                  \
    BLUR_CASE(VipsUnsharp, tag, 0, sigma)->Name("unsharp_mask_" #tag "_1080p/libvips");                 \
    BLUR_CASE(MagickUnsharp, tag, 0, sigma)->Name("unsharp_mask_" #tag "_1080p/imagemagick")

SIGMA_CASES(s1, 1.0);
SIGMA_CASES(s2, 2.0);
SIGMA_CASES(s5, 5.0);
SIGMA_CASES(s20, 20.0);

// The wallpaper's unsharp mask (sigma 2) on a 24 MP picture.
BLUR_CASE(VeskoUnsharp, mp24, 24, 2.0)->Name("unsharp_mask_s2_24mp/vesko");
BLUR_CASE(VipsUnsharp, mp24, 24, 2.0)->Name("unsharp_mask_s2_24mp/libvips");
BLUR_CASE(MagickUnsharp, mp24, 24, 2.0)->Name("unsharp_mask_s2_24mp/imagemagick");

BLUR_CASE(VeskoBox, b21, 0, 21)->Name("box_blur_21_1080p/vesko");
BLUR_CASE(VipsBox, b21, 0, 21)->Name("box_blur_21_1080p/libvips");
BLUR_CASE(VeskoBox, b61, 0, 61)->Name("box_blur_61_1080p/vesko");
BLUR_CASE(VipsBox, b61, 0, 61)->Name("box_blur_61_1080p/libvips");
BLUR_CASE(VeskoBox, b101, 0, 101)->Name("box_blur_101_1080p/vesko");
BLUR_CASE(VipsBox, b101, 0, 101)->Name("box_blur_101_1080p/libvips");
BLUR_CASE(VeskoBox, b21, 24, 21)->Name("box_blur_21_24mp/vesko");
BLUR_CASE(VipsBox, b21, 24, 21)->Name("box_blur_21_24mp/libvips");
BLUR_CASE(VeskoBox, b101, 24, 101)->Name("box_blur_101_24mp/vesko");
BLUR_CASE(VipsBox, b101, 24, 101)->Name("box_blur_101_24mp/libvips");

}  // namespace
