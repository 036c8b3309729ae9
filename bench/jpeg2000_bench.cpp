// JPEG 2000 decoding to 24-bit RGB: SAJ2KReadImage against opj_decompress
// (the same OpenJPEG) writing raw samples to a tmpfs folder.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/formats/jpeg2000/saj2k.h"
#include "imaging/is5.h"
#include "inputs.h"

namespace {

// The photo of inputs.h as a JP2: lossless (5/3) or irreversible 9/7.
std::string PhotoJp2Path(int megapixels, bool irreversible)
{
    std::string jpeg = vb::PhotoJpegPath(megapixels);
    std::string path = jpeg.substr(0, jpeg.size() - 4) + (irreversible ? "-97.jp2" : "-53.jp2");
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return path;
    }
    std::string ppm = path + ".tmp.ppm";
    std::string cmd = "djpeg -ppm -outfile '" + ppm + "' '" + jpeg + "' && opj_compress -i '" + ppm + "' -o '" + path +
                      ".tmp.jp2' " + (irreversible ? "-I " : "") + ">/dev/null && mv '" + path + ".tmp.jp2' '" + path +
                      "'; rm -f '" + ppm + "'";
    if (std::system(cmd.c_str()) != 0)
        throw std::runtime_error("opj_compress failed");
    return path;
}

const std::vector<uint8_t>& PhotoJp2(int megapixels, bool irreversible)
{
    static std::map<std::pair<int, bool>, std::vector<uint8_t>> cache;
    auto key = std::make_pair(megapixels, irreversible);
    auto it = cache.find(key);
    if (it == cache.end()) {
        it = cache.emplace(key, vb::ReadAll(PhotoJp2Path(megapixels, irreversible))).first;
        vb::MarkMemoryBaseline();
    }
    return it->second;
}

void VeskoDecode(benchmark::State& state, int megapixels, bool irreversible)
{
    const std::vector<uint8_t>& file = PhotoJp2(megapixels, irreversible);
    ISExtHookTable* table = is5_GetExtHook(0);
    SAJ2KSetExtHook(table);
    GlobalFree(table);
    for (auto _ : state) {
        HISSRC src = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        void* pixels = SAJ2KReadImage(src, &w, &h, 24, 1.0, 0);
        is5_CloseSource(src);
        if (!pixels) {
            state.SkipWithError("SAJ2KReadImage failed");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        GlobalFree(pixels);
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void OpjDecompress(benchmark::State& state, int megapixels, bool irreversible)
{
    const std::string path = PhotoJp2Path(megapixels, irreversible);
    unsetenv("OPJ_NUM_THREADS");
    const std::string out = "/dev/shm/vesko-bench-opj.raw";
    // Its memory is its own process's: GNU time (Debian's "time") reports its
    // peak resident set.
    const std::string rss = "/dev/shm/vesko-bench-opj.rss";
    const std::string timed = access("/usr/bin/time", X_OK) == 0 ? "/usr/bin/time -f %M -o " + rss + " " : "";
    const std::string cmd = timed + "opj_decompress -i '" + path + "' -o " + out + " >/dev/null 2>&1";
    double childPeakMiB = 0;
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("opj_decompress failed");
            break;
        }
        if (FILE* f = std::fopen(rss.c_str(), "r")) {
            double kib = 0;
            if (std::fscanf(f, "%lf", &kib) == 1 && kib / 1024.0 > childPeakMiB)
                childPeakMiB = kib / 1024.0;
            std::fclose(f);
        }
    }
    std::remove(out.c_str());
    std::remove(rss.c_str());
    state.counters["child_peak_mib"] = childPeakMiB;
}

BENCHMARK_CAPTURE(VeskoDecode, lossless, 12, false)
    ->Name("j2k_decode_12mp_53/vesko")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(OpjDecompress, lossless, 12, false)
    ->Name("j2k_decode_12mp_53/opj_decompress")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(VeskoDecode, irreversible, 12, true)
    ->Name("j2k_decode_12mp_97/vesko")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(OpjDecompress, irreversible, 12, true)
    ->Name("j2k_decode_12mp_97/opj_decompress")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
