// Benchmarks of the imaging library against peers in one run. Cases are named
// "<operation>/<implementation>"; tools/bench turns the medians into a table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <vips/vips.h>
#include <Magick++.h>

#include "imaging/is5.h"
#include "inputs.h"

namespace vb {
extern bool g_tiny;
}

int main(int argc, char** argv)
{
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tiny") == 0)
            vb::g_tiny = true;
        else
            args.push_back(argv[i]);
    }
    int n = static_cast<int>(args.size());
    if (VIPS_INIT(argv[0]))
        return 1;
    // Every case runs on one thread unless its name says otherwise.
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    Magick::InitializeMagick(argv[0]);
    Magick::ResourceLimits::thread(1);
    is5_Initialize("");
    benchmark::Initialize(&n, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // tools/bench runs one case per process and asks here for its memory.
    if (const char* path = std::getenv("VESKO_BENCH_MEMORY")) {
        if (FILE* f = std::fopen(path, "w")) {
            std::fprintf(f, "{\"baseline_mib\": %.1f, \"peak_mib\": %.1f}\n", vb::BaselineRssMiB(), vb::PeakRssMiB());
            std::fclose(f);
        }
    }
    ISShutdown();
    return 0;
}
