// The libvips side of a case: the operation evaluated into a fresh memory
// buffer each run, from packed RGB input copied in once.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include <vips/vips.h>

#include "inputs.h"

namespace vb {

// vips_recomb by `matrix` (a band of output per row), cast back to 8 bits.
inline int VipsRecombUchar(VipsImage* in, VipsImage** out, VipsImage* matrix)
{
    VipsImage* sum = nullptr;
    if (vips_recomb(in, &sum, matrix, nullptr))
        return -1;
    const int rc = vips_cast_uchar(sum, out, nullptr);
    g_object_unref(sum);
    return rc;
}

template <typename Build>
void VipsRun(benchmark::State& state, const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height, Build build)
{
    VipsImage* in = vips_image_new_from_memory_copy(rgb.data(), rgb.size(), int(width), int(height), 3,
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
    state.counters["peak_rss_mib"] = PeakRssMiB();
}

// A libvips loader over a file in memory (`load` wraps pngload_buffer,
// tiffload_buffer, ...), its image evaluated into a fresh memory buffer each
// run.
template <typename Load>
void VipsLoadRun(benchmark::State& state, const std::vector<uint8_t>& file, Load load)
{
    for (auto _ : state) {
        VipsImage* image = nullptr;
        if (load(const_cast<uint8_t*>(file.data()), file.size(), &image)) {
            state.SkipWithError(vips_error_buffer());
            break;
        }
        size_t size = 0;
        void* mem = vips_image_write_to_memory(image, &size);
        g_free(mem);
        g_object_unref(image);
    }
}

}  // namespace vb
