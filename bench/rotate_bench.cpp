// Quarter turns, one thread, buffers in memory:
// - rotate_1bit_a4_mode<m>: CISRotate::Rotate1Bit on a 4,960 x 7,016 page
//   (A4 at 600 dpi) against the same mapping bit by bit, without branches on
//   the pixels, so that the page's content does not favour either side.
// - rotate_rgb_24mp_mode0: CISRotate::Rotate8 a quarter turn clockwise
//   against libvips' vips_rot (D90) written to memory.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <vips/vips.h>

#include "imaging/formats/rotate/rotate.h"
#include "imaging/formats/rotate/rotate_test_util.h"
#include "inputs.h"
#include "vips_run.h"

namespace {

struct Page {
    uint32_t width = vb::Tiny() ? 61 : 4960;
    uint32_t height = vb::Tiny() ? 43 : 7016;
    size_t stride = (width + 7) / 8;
    std::vector<uint8_t> bits = rt::RandomSamples<uint8_t>(stride * height, 17);
};

const Page& A4Page()
{
    static const Page page;
    return page;
}

template <typename Turn>
void RunPage(benchmark::State& state, uint32_t mode, Turn turn)
{
    const Page& p = A4Page();
    const size_t targetStride = (rt::TurnedWidth(mode, p.width, p.height) + 7) / 8;
    std::vector<uint8_t> target(targetStride * rt::TurnedHeight(mode, p.width, p.height));
    vb::MarkMemoryBaseline();
    for (auto _ : state) {
        if (!turn(p, target.data(), targetStride)) {
            state.SkipWithError("Rotate1Bit failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void VeskoPage(benchmark::State& state, uint32_t mode)
{
    RunPage(state, mode, [mode](const Page& p, uint8_t* target, size_t targetStride) {
        CISRotate op;
        return op.Rotate1Bit(p.bits.data(), target, p.width, p.height, mode, p.stride, targetStride) != FALSE;
    });
}

void BitwisePage(benchmark::State& state, uint32_t mode)
{
    RunPage(state, mode, [mode](const Page& p, uint8_t* target, size_t targetStride) {
        rt::ReferenceRotate1Bit(p.bits.data(), p.stride, p.width, p.height, mode, target, targetStride);
        return true;
    });
}

void VeskoRgb(benchmark::State& state)
{
    const vb::Picture& p = vb::PhotoPixels(24);
    std::vector<uint8_t> target(p.rgb.size());
    for (auto _ : state) {
        CISRotate op;
        if (!op.Rotate8(p.rgb.data(), p.width, p.height, size_t(p.width) * 3, target.data(), size_t(p.height) * 3,
                        0, 3)) {
            state.SkipWithError("Rotate8 failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void VipsRgb(benchmark::State& state)
{
    const vb::Picture& p = vb::PhotoPixels(24);
    vb::VipsRun(state, p.rgb, p.width, p.height,
                [](VipsImage* in, VipsImage** out) { return vips_rot(in, out, VIPS_ANGLE_D90, nullptr); });
}

#define ROTATE_CASE(...) BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()

ROTATE_CASE(VeskoPage, m0, 0)->Name("rotate_1bit_a4_mode0/vesko");
ROTATE_CASE(BitwisePage, m0, 0)->Name("rotate_1bit_a4_mode0/bitwise");
ROTATE_CASE(VeskoPage, m2, 2)->Name("rotate_1bit_a4_mode2/vesko");
ROTATE_CASE(BitwisePage, m2, 2)->Name("rotate_1bit_a4_mode2/bitwise");
BENCHMARK(VeskoRgb)->Name("rotate_rgb_24mp_mode0/vesko")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(VipsRgb)->Name("rotate_rgb_24mp_mode0/libvips")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
