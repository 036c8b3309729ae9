// is5_FillSolidRect over a 1920x1080 RGB image against memset of the same
// bytes: grey takes the one-fill path, a colour the pattern-and-copy path.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/is5.h"
#include "inputs.h"

namespace {

struct Frame {
    uint32_t width, height;
    std::vector<uint8_t> pixels;
    Frame() : width(vb::Tiny() ? 16 : 1920), height(vb::Tiny() ? 9 : 1080), pixels(size_t(width) * height * 3) {}
};

void VeskoFill(benchmark::State& state, COLORREF colour)
{
    Frame f;
    const RECT all = {0, 0, LONG(f.width) - 1, LONG(f.height)};  // the right column is included
    for (auto _ : state) {
        if (!is5_FillSolidRect(f.pixels.data(), f.width, f.height, 3, f.width * 3, &all, colour, 0)) {
            state.SkipWithError("is5_FillSolidRect failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.pixels.size()));
}

void Memset(benchmark::State& state)
{
    Frame f;
    for (auto _ : state) {
        std::memset(f.pixels.data(), 0x80, f.pixels.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.pixels.size()));
}

BENCHMARK_CAPTURE(VeskoFill, grey, 0x808080)
    ->Name("fill_grey_1080p/vesko")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(Memset)
    ->Name("fill_grey_1080p/memset")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(VeskoFill, colour, 0x3060C0)
    ->Name("fill_colour_1080p/vesko")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(Memset)
    ->Name("fill_colour_1080p/memset")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
