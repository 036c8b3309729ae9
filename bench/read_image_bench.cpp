// The generic reader against the JPEG entry alone on the same file: mode 0
// pays for the guess and a second header parse (the probe); mode 1 against
// mode 0 followed by a copy of the result.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/is5.h"
#include "inputs.h"

namespace {

void* Read(const std::vector<uint8_t>& file, bool generic, uint32_t mode, uint32_t* w, uint32_t* h)
{
    HISSRC src = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
    void* pixels = generic ? is5_ReadImage(src, w, h, mode, 0) : is5_ReadJPG(src, w, h, 24, 0);
    is5_CloseSource(src);
    return pixels;
}

void ReadCase(benchmark::State& state, bool generic, uint32_t mode, bool copy)
{
    const std::vector<uint8_t>& file = vb::PhotoJpeg(24);
    std::vector<uint8_t> copied;
    for (auto _ : state) {
        uint32_t w = 0, h = 0;
        void* pixels = Read(file, generic, mode, &w, &h);
        if (!pixels) {
            state.SkipWithError("read failed");
            break;
        }
        if (copy) {
            // What a caller would do to get 4-byte pixels without mode 1.
            copied.resize(size_t(w) * h * 4);
            std::memcpy(copied.data(), pixels, size_t(w) * h * 3);
            benchmark::ClobberMemory();
        }
        GlobalFree(pixels);
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

BENCHMARK_CAPTURE(ReadCase, mode0, true, 0u, false)
    ->Name("read_image_24mp/vesko")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(ReadCase, jpg, false, 0u, false)
    ->Name("read_image_24mp/is5_ReadJPG")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(ReadCase, mode1, true, 1u, false)
    ->Name("read_image_rgba_24mp/vesko")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(ReadCase, mode0copy, true, 0u, true)
    ->Name("read_image_rgba_24mp/mode0+memcpy")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
