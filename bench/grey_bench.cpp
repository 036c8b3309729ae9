// R,G,B to 8-bit grey on the 24 MP picture (the generic reader's 1-bit path
// starts with it): the library's ISRGBToGrey on one band against libvips
// (vips_recomb with the library's weights 306/1024, 601/1024, 117/1024, cast
// to 8 bits) and ImageMagick (GrayscaleImage with Rec. 601 luma, exported as
// 8-bit grey), one thread each; and the library on its pool against itself on
// one band, so that the ratio is the pool's speed-up.
#include <benchmark/benchmark.h>

#include <vector>

#include <vips/vips.h>
#include <Magick++.h>

#include "imaging/convert/convert.h"
#include "imaging/is5.h"
#include "inputs.h"
#include "vips_run.h"

namespace {

void VeskoGrey(benchmark::State& state, uint32_t flags)
{
    const vb::Picture& p = vb::PhotoPixels(24);
    std::vector<uint8_t> grey(size_t(p.width) * p.height);
    for (auto _ : state) {
        CISImgUtil op;
        if (!op.ISRGBToGrey(p.rgb.data(), p.width, p.height, 3, size_t(p.width) * 3, p.width, flags, grey.data())) {
            state.SkipWithError("ISRGBToGrey failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel(flags & IS5_NO_SPLIT ? "ISRGBToGrey on one band" : "ISRGBToGrey split over the pool");
}

void VipsGrey(benchmark::State& state)
{
    const vb::Picture& p = vb::PhotoPixels(24);
    VipsImage* weights = vips_image_new_matrixv(3, 1, 306 / 1024.0, 601 / 1024.0, 117 / 1024.0);
    vb::VipsRun(state, p.rgb, p.width, p.height,
                [&](VipsImage* in, VipsImage** out) { return vb::VipsRecombUchar(in, out, weights); });
    g_object_unref(weights);
}

void MagickGrey(benchmark::State& state)
{
    const vb::Picture& p = vb::PhotoPixels(24);
    Magick::Image source(p.width, p.height, "RGB", Magick::CharPixel, p.rgb.data());
    std::vector<uint8_t> grey(size_t(p.width) * p.height);
    for (auto _ : state) {
        Magick::Image work(source);
        work.grayscale(MagickCore::Rec601LumaPixelIntensityMethod);
        work.write(0, 0, p.width, p.height, "I", Magick::CharPixel, grey.data());
        benchmark::ClobberMemory();
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

#define GREY_TIMING ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

BENCHMARK_CAPTURE(VeskoGrey, one, IS5_NO_SPLIT)->Name("rgb_to_grey_24mp/vesko") GREY_TIMING;
BENCHMARK(VipsGrey)->Name("rgb_to_grey_24mp/libvips") GREY_TIMING;
BENCHMARK(MagickGrey)->Name("rgb_to_grey_24mp/imagemagick") GREY_TIMING;
BENCHMARK_CAPTURE(VeskoGrey, pool, 0u)->Name("rgb_to_grey_24mp_pool/vesko") GREY_TIMING;
BENCHMARK_CAPTURE(VeskoGrey, one, IS5_NO_SPLIT)->Name("rgb_to_grey_24mp_pool/vesko-one-band") GREY_TIMING;

}  // namespace
