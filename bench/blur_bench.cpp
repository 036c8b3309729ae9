// Box blur and unsharp mask on photo-like RGB pictures (1920x1080 and 24 MP),
// one thread each: the box blur at the wallpaper's sizes against libvips'
// separable integer convolution with an N-tap box, the unsharp mask (sigma 2,
// threshold 50, amount 1) against ImageMagick's -unsharp 0x2+1+0.196 and
// libvips' gaussblur 2 (the blur alone).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <vips/vips.h>
#include <Magick++.h>

#include "imaging/is5.h"
#include "inputs.h"

namespace {

// 0: 1920x1080 crop of the 12 MP picture; 24: the 24 MP picture.
const vb::Picture& Input(int which)
{
    static vb::Picture hd;
    if (which == 24)
        return vb::PhotoPixels(24);
    if (hd.rgb.empty()) {
        const vb::Picture& p = vb::PhotoPixels(12);
        hd.width = std::min<uint32_t>(1920, p.width);
        hd.height = std::min<uint32_t>(1080, p.height);
        hd.rgb.resize(size_t(hd.width) * hd.height * 3);
        for (uint32_t r = 0; r < hd.height; ++r)
            std::memcpy(hd.rgb.data() + size_t(r) * hd.width * 3, p.rgb.data() + size_t(r) * p.width * 3,
                        size_t(hd.width) * 3);
    }
    return hd;
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

void VeskoUnsharp(benchmark::State& state, int which)
{
    const vb::Picture& p = Input(which);
    std::vector<uint8_t> dst(p.rgb.size());
    const uint32_t stride = p.width * 3;
    for (auto _ : state) {
        if (!is5_UnsharpMaskImage(p.rgb.data(), p.width, p.height, 3, stride, dst.data(), stride, 50, 1.0, 2.0, 7)) {
            state.SkipWithError("is5_UnsharpMaskImage failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void MagickUnsharp(benchmark::State& state, int which)
{
    const vb::Picture& p = Input(which);
    Magick::Image source(p.width, p.height, "RGB", Magick::CharPixel, p.rgb.data());
    for (auto _ : state) {
        Magick::Image work(source);
        work.unsharpmask(0, 2, 1.0, 0.196);
        work.modifyImage();
        benchmark::ClobberMemory();
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

// libvips: the operation evaluated into a fresh memory image each run.
template <typename Build>
void VipsRun(benchmark::State& state, int which, Build build)
{
    const vb::Picture& p = Input(which);
    VipsImage* in = vips_image_new_from_memory_copy(p.rgb.data(), p.rgb.size(), int(p.width), int(p.height), 3,
                                                    VIPS_FORMAT_UCHAR);
    for (auto _ : state) {
        VipsImage* out = nullptr;
        if (build(in, &out)) {
            state.SkipWithError(vips_error_buffer());
            break;
        }
        size_t size = 0;
        void* mem = vips_image_write_to_memory(out, &size);
        g_free(mem);
        g_object_unref(out);
    }
    g_object_unref(in);
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
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

void VipsGaussBlur(benchmark::State& state, int which)
{
    VipsRun(state, which, [](VipsImage* in, VipsImage** out) { return vips_gaussblur(in, out, 2.0, nullptr); });
}

#define BLUR_CASE(...) BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()

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

BLUR_CASE(VeskoUnsharp, hd, 0)->Name("unsharp_mask_1080p/vesko");
BLUR_CASE(MagickUnsharp, hd, 0)->Name("unsharp_mask_1080p/imagemagick");
BLUR_CASE(VipsGaussBlur, hd, 0)->Name("unsharp_mask_1080p/libvips");
BLUR_CASE(VeskoUnsharp, mp24, 24)->Name("unsharp_mask_24mp/vesko");
BLUR_CASE(MagickUnsharp, mp24, 24)->Name("unsharp_mask_24mp/imagemagick");
BLUR_CASE(VipsGaussBlur, mp24, 24)->Name("unsharp_mask_24mp/libvips");

}  // namespace
