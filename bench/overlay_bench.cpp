// Overlay and tone adjustments on 1920x1080 RGB pictures: the screen saver's
// cross-fade (mode 1 at half opacity) against ImageMagick's blend at 1 and 4
// threads, the other blend paths for tracking, brightness against
// ImageMagick and a libvips lookup table, gamma 1.5 against ImageMagick's and
// libvips' gamma, saturation against ImageMagick and a libvips 3x3 matrix.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <vips/vips.h>
#include <Magick++.h>

#include "imaging/is5.h"
#include "inputs.h"
#include "vips_run.h"

namespace {

constexpr uint32_t kNoSplit = 0x100000;

// Two different 1920x1080 crops of the photo-like picture (smaller in tiny mode).
struct Pair {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> a;
    std::vector<uint8_t> b;
};

std::vector<uint8_t> Crop(const vb::Picture& p, uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
    std::vector<uint8_t> out(size_t(w) * h * 3);
    for (uint32_t r = 0; r < h; ++r)
        std::memcpy(out.data() + size_t(r) * w * 3, p.rgb.data() + (size_t(y + r) * p.width + x) * 3, size_t(w) * 3);
    return out;
}

const Pair& Pictures()
{
    static Pair pair;
    if (pair.a.empty()) {
        const vb::Picture& p = vb::PhotoPixels(12);
        pair.width = std::min<uint32_t>(1920, p.width);
        pair.height = std::min<uint32_t>(1080, p.height);
        pair.a = Crop(p, 0, 0, pair.width, pair.height);
        pair.b = Crop(p, p.width - pair.width, p.height - pair.height, pair.width, pair.height);
    }
    return pair;
}

void VeskoOverlay(benchmark::State& state, int mode, double opacity, uint32_t flags)
{
    const Pair& p = Pictures();
    std::vector<uint8_t> dst = p.a;
    const int32_t w = int32_t(p.width), h = int32_t(p.height);
    for (auto _ : state) {
        if (!is5_OverlayImage(dst.data(), w, h, 3, w * 3, p.b.data(), w, h, w * 3, 0, 0, opacity, 0.0, mode, flags)) {
            state.SkipWithError("is5_OverlayImage failed");
            break;
        }
        benchmark::DoNotOptimize(dst.data());
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

Magick::Image MagickPicture(const std::vector<uint8_t>& rgb, uint32_t w, uint32_t h)
{
    return Magick::Image(w, h, "RGB", Magick::CharPixel, rgb.data());
}

// Each run works on a private copy of the destination; the copy is not timed.
template <typename Op>
void MagickRun(benchmark::State& state, size_t threads, Op op)
{
    const Pair& p = Pictures();
    Magick::Image a = MagickPicture(p.a, p.width, p.height);
    Magick::ResourceLimits::thread(threads);
    for (auto _ : state) {
        state.PauseTiming();
        Magick::Image work(a);
        work.modifyImage();
        state.ResumeTiming();
        op(work);
        benchmark::ClobberMemory();
    }
    Magick::ResourceLimits::thread(1);
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void MagickBlend(benchmark::State& state, size_t threads)
{
    const Pair& p = Pictures();
    Magick::Image b = MagickPicture(p.b, p.width, p.height);
    MagickRun(state, threads, [&](Magick::Image& work) {
        work.artifact("compose:args", "50");
        work.composite(b, 0, 0, MagickCore::BlendCompositeOp);
    });
}

void MagickBrightness(benchmark::State& state)
{
    MagickRun(state, 1, [](Magick::Image& work) { work.brightnessContrast(10, 0); });
}

void MagickGamma(benchmark::State& state)
{
    MagickRun(state, 1, [](Magick::Image& work) { work.gamma(1.5); });
}

void MagickModulate(benchmark::State& state)
{
    MagickRun(state, 1, [](Magick::Image& work) { work.modulate(100, 150, 100); });
}

void VeskoBrightness(benchmark::State& state)
{
    const Pair& p = Pictures();
    std::vector<uint8_t> img = p.a;
    const int32_t w = int32_t(p.width), h = int32_t(p.height);
    for (auto _ : state) {
        state.PauseTiming();
        img = p.a;
        state.ResumeTiming();
        if (!is5_AdjustBrightnessContrast(img.data(), w, h, 3, w * 3, 0.1, 0.0, 2)) {
            state.SkipWithError("is5_AdjustBrightnessContrast failed");
            break;
        }
        benchmark::DoNotOptimize(img.data());
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void VeskoGamma(benchmark::State& state)
{
    const Pair& p = Pictures();
    std::vector<uint8_t> img = p.a;
    for (auto _ : state) {
        state.PauseTiming();
        img = p.a;
        state.ResumeTiming();
        if (!is5_AdjustGamma(img.data(), p.width, p.height, 3, p.width * 3, 1.5, 0)) {
            state.SkipWithError("is5_AdjustGamma failed");
            break;
        }
        benchmark::DoNotOptimize(img.data());
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void VeskoSaturation(benchmark::State& state)
{
    const Pair& p = Pictures();
    std::vector<uint8_t> img = p.a;
    const int32_t w = int32_t(p.width), h = int32_t(p.height);
    for (auto _ : state) {
        state.PauseTiming();
        img = p.a;
        state.ResumeTiming();
        if (!is5_ModifyImageSaturation(img.data(), w, h, 3, w * 3, 1.5)) {
            state.SkipWithError("is5_ModifyImageSaturation failed");
            break;
        }
        benchmark::DoNotOptimize(img.data());
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

template <typename Build>
void VipsRun(benchmark::State& state, Build build)
{
    const Pair& p = Pictures();
    vb::VipsRun(state, p.a, p.width, p.height, build);
}

void VipsMapLut(benchmark::State& state)
{
    // Brightness +10% as a table, like the library's 3-point curve at 0.1.
    std::vector<uint8_t> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = uint8_t(std::min(255, i + 25));
    VipsImage* lut = vips_image_new_from_memory_copy(table.data(), table.size(), 256, 1, 1, VIPS_FORMAT_UCHAR);
    VipsRun(state, [&](VipsImage* in, VipsImage** out) { return vips_maplut(in, out, lut, nullptr); });
    g_object_unref(lut);
}

void VipsGamma(benchmark::State& state)
{
    VipsRun(state, [](VipsImage* in, VipsImage** out) { return vips_gamma(in, out, "exponent", 1.5, nullptr); });
}

void VipsRecomb(benchmark::State& state)
{
    const double s = 1.5, a = 0.3086 * (1 - s), b = 0.6094 * (1 - s), c = 0.082 * (1 - s);
    VipsImage* m = vips_image_new_matrixv(3, 3, a + s, b, c, a, b + s, c, a, b, c + s);
    VipsRun(state, [&](VipsImage* in, VipsImage** out) { return vb::VipsRecombUchar(in, out, m); });
    g_object_unref(m);
}

#define OVERLAY_TIMING ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()
#define OVERLAY_CASE(fn, name) BENCHMARK(fn)->Name(name) OVERLAY_TIMING

BENCHMARK_CAPTURE(VeskoOverlay, m1, 1, 0.5, kNoSplit)->Name("overlay_crossfade_1t/vesko") OVERLAY_TIMING;
BENCHMARK_CAPTURE(MagickBlend, t1, 1)->Name("overlay_crossfade_1t/imagemagick") OVERLAY_TIMING;
BENCHMARK_CAPTURE(VeskoOverlay, m1, 1, 0.5, 0u)->Name("overlay_crossfade_4t/vesko") OVERLAY_TIMING;
BENCHMARK_CAPTURE(MagickBlend, t4, 4)->Name("overlay_crossfade_4t/imagemagick") OVERLAY_TIMING;
BENCHMARK_CAPTURE(VeskoOverlay, m12, 12, 0.5, 0u)->Name("overlay_multiply_half_4t/vesko") OVERLAY_TIMING;
BENCHMARK_CAPTURE(VeskoOverlay, m4, 4, 1.0, 0u)->Name("overlay_xor_full_4t/vesko") OVERLAY_TIMING;

OVERLAY_CASE(VeskoBrightness, "brightness_table/vesko");
OVERLAY_CASE(MagickBrightness, "brightness_table/imagemagick");
OVERLAY_CASE(VipsMapLut, "brightness_table/libvips");

OVERLAY_CASE(VeskoGamma, "gamma_table/vesko");
OVERLAY_CASE(MagickGamma, "gamma_table/imagemagick");
OVERLAY_CASE(VipsGamma, "gamma_table/libvips");

OVERLAY_CASE(VeskoSaturation, "saturation_1_5/vesko");
OVERLAY_CASE(MagickModulate, "saturation_1_5/imagemagick");
OVERLAY_CASE(VipsRecomb, "saturation_1_5/libvips");

}  // namespace
