// PNM reads from memory, one thread: a 50 MP P6 of maxval 255 read at 24
// bits and one of maxval 65535 read at 48, against stock libnetpbm reading
// the same bytes in-process (fmemopen, one pnm_readpnmrow a row), libvips'
// ppmload_source into memory, and a memcpy of the pixel bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <vips/vips.h>

#ifdef VESKO_BENCH_NETPBM
#include <netpbm/pnm.h>
#endif

#include "imaging/is5.h"
#include "inputs.h"

namespace {

struct PnmFile {
    uint32_t width = 0, height = 0;
    size_t header = 0;
    std::vector<uint8_t> bytes;
};

// A P6 of about 50 MP (64x36 in tiny mode) with a smooth, varied pattern.
const PnmFile& File(bool sixteen)
{
    static PnmFile files[2];
    PnmFile& f = files[sixteen];
    if (f.bytes.empty()) {
        f.width = vb::Tiny() ? 64 : 9430;
        f.height = vb::Tiny() ? 36 : 5304;
        const std::string head =
            "P6\n" + std::to_string(f.width) + " " + std::to_string(f.height) + "\n" + (sixteen ? "65535" : "255") + "\n";
        f.header = head.size();
        const size_t sample = sixteen ? 2 : 1;
        f.bytes.assign(head.begin(), head.end());
        f.bytes.resize(head.size() + size_t(f.width) * f.height * 3 * sample);
        uint8_t* p = f.bytes.data() + head.size();
        for (uint32_t y = 0; y < f.height; ++y) {
            for (uint32_t x = 0; x < f.width; ++x) {
                const uint32_t v[3] = {(x * 7 + y) & 0xFFFF, (x * y) & 0xFFFF, (x + y * 13) & 0xFFFF};
                for (int c = 0; c < 3; ++c) {
                    if (sixteen) {
                        *p++ = uint8_t(v[c] >> 8);
                        *p++ = uint8_t(v[c]);
                    } else {
                        *p++ = uint8_t(v[c]);
                    }
                }
            }
        }
        vb::MarkMemoryBaseline();
    }
    return f;
}

void Vesko(benchmark::State& state, bool sixteen)
{
    const PnmFile& f = File(sixteen);
    for (auto _ : state) {
        HISSRC source = is5_OpenMemorySource(f.bytes.data(), static_cast<int32_t>(f.bytes.size()));
        uint32_t w = 0, h = 0;
        void* pixels = is5_ReadPNM(source, &w, &h, sixteen ? 48 : 24, 0);
        is5_CloseSource(source);
        if (!pixels) {
            state.SkipWithError("is5_ReadPNM failed");
            break;
        }
        benchmark::ClobberMemory();
        GlobalFree(pixels);
    }
    state.SetLabel("is5_ReadPNM from a memory source");
}

#ifdef VESKO_BENCH_NETPBM
void Netpbm(benchmark::State& state, bool sixteen)
{
    const PnmFile& f = File(sixteen);
    static const bool initialised = (pm_init("vesko_bench", 0), true);
    (void)initialised;
    for (auto _ : state) {
        FILE* in = fmemopen(const_cast<uint8_t*>(f.bytes.data()), f.bytes.size(), "rb");
        int cols = 0, rows = 0, format = 0;
        xelval maxval = 0;
        pnm_readpnminit(in, &cols, &rows, &maxval, &format);
        xel* row = pnm_allocrow(cols);
        const size_t sample = sixteen ? 2 : 1;
        std::vector<uint8_t> out(size_t(cols) * rows * 3 * sample);
        for (int y = 0; y < rows; ++y) {
            pnm_readpnmrow(in, row, cols, maxval, format);
            uint8_t* o = out.data() + size_t(y) * cols * 3 * sample;
            for (int x = 0; x < cols; ++x) {
                const xelval v[3] = {PPM_GETR(row[x]), PPM_GETG(row[x]), PPM_GETB(row[x])};
                for (int c = 0; c < 3; ++c) {
                    if (sixteen) {
                        const uint16_t s = uint16_t(v[c]);
                        std::memcpy(o, &s, 2);
                        o += 2;
                    } else {
                        *o++ = uint8_t(v[c]);
                    }
                }
            }
        }
        pnm_freerow(row);
        std::fclose(in);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel("libnetpbm pnm_readpnmrow per row over fmemopen");
}
#endif

void Vips(benchmark::State& state, bool sixteen)
{
    const PnmFile& f = File(sixteen);
    vips_concurrency_set(1);
    for (auto _ : state) {
        VipsSource* source = vips_source_new_from_memory(f.bytes.data(), f.bytes.size());
        VipsImage* image = nullptr;
        if (vips_ppmload_source(source, &image, nullptr)) {
            g_object_unref(source);
            state.SkipWithError(vips_error_buffer());
            break;
        }
        size_t size = 0;
        void* mem = vips_image_write_to_memory(image, &size);
        g_free(mem);
        g_object_unref(image);
        g_object_unref(source);
    }
    state.SetLabel("libvips ppmload_source into memory, 1 thread");
}

void Memcpy(benchmark::State& state, bool sixteen)
{
    const PnmFile& f = File(sixteen);
    const size_t n = f.bytes.size() - f.header;
    for (auto _ : state) {
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, n);
        std::memcpy(block, f.bytes.data() + f.header, n);
        benchmark::ClobberMemory();
        GlobalFree(block);
    }
    state.SetLabel("memcpy of the pixel bytes into a fresh block");
}

BENCHMARK_CAPTURE(Vesko, p6_255, false)->Name("pnm_read_50mp_p6_255/vesko")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Vips, p6_255, false)->Name("pnm_read_50mp_p6_255/vips")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Memcpy, p6_255, false)->Name("pnm_read_50mp_p6_255/memcpy")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Vesko, p6_65535, true)->Name("pnm_read_50mp_p6_65535/vesko")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Vips, p6_65535, true)->Name("pnm_read_50mp_p6_65535/vips")->Unit(benchmark::kMillisecond)->UseRealTime();
#ifdef VESKO_BENCH_NETPBM
BENCHMARK_CAPTURE(Netpbm, p6_255, false)->Name("pnm_read_50mp_p6_255/libnetpbm")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Netpbm, p6_65535, true)->Name("pnm_read_50mp_p6_65535/libnetpbm")->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
