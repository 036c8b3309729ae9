// JPEG decoding to 24-bit RGB: is5_ReadJPG against libjpeg-turbo called
// directly (the path its own tjbench measures), on the same library build.
#include <benchmark/benchmark.h>

#include <vector>

#include <jpeglib.h>

#include "imaging/is5.h"
#include "inputs.h"

namespace {

void VeskoDecode(benchmark::State& state, int megapixels)
{
    const std::vector<uint8_t>& file = vb::PhotoJpeg(megapixels);
    for (auto _ : state) {
        HISSRC src = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        void* pixels = is5_ReadJPG(src, &w, &h, 24, 0);
        is5_CloseSource(src);
        if (!pixels) {
            state.SkipWithError("is5_ReadJPG failed");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        GlobalFree(pixels);
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void LibjpegDecode(benchmark::State& state, int megapixels)
{
    const std::vector<uint8_t>& file = vb::PhotoJpeg(megapixels);
    std::vector<uint8_t> out;
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        // An output buffer per decode, as is5_ReadJPG hands out a new one.
        out.assign(size_t(cinfo.output_width) * cinfo.output_height * 3, 0);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = out.data() + size_t(cinfo.output_scanline) * cinfo.output_width * 3;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(out.data());
        out = std::vector<uint8_t>();
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

BENCHMARK_CAPTURE(VeskoDecode, 24, 24)->Name("jpeg_decode_24mp/vesko")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(LibjpegDecode, 24, 24)->Name("jpeg_decode_24mp/libjpeg-turbo")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(VeskoDecode, 12, 12)->Name("jpeg_decode_12mp/vesko")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(LibjpegDecode, 12, 12)->Name("jpeg_decode_12mp/libjpeg-turbo")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
