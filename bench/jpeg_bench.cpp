// JPEG decoding to 24-bit R,G,B: is5_ReadJPG from a memory source against
// libjpeg-turbo called directly, as its tjbench does it (memory source, all
// rows at once into one buffer), on the same library build. Two fair pairs:
//   fresh: both make a new image per decode (is5_ReadJPG's GlobalAlloc block;
//     for libjpeg-turbo a new[] block, not zero-filled, as libjpeg writes every
//     byte) and free it;
//   reuse: both decode into one buffer kept across decodes (is5_ReadJPG
//     through the application allocation callbacks; tjbench's own way).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include <jpeglib.h>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "inputs.h"

namespace {

// A buffer handed out again and again by the allocation callbacks.
struct KeptBuffer {
    std::vector<uint8_t> bytes;
};

void* KeptAlloc(intptr_t bytes, intptr_t user)
{
    KeptBuffer* kept = reinterpret_cast<KeptBuffer*>(user);
    if (kept->bytes.size() < size_t(bytes))
        kept->bytes.resize(size_t(bytes));
    return kept->bytes.data();
}

BOOL KeptFree(void*, intptr_t) { return TRUE; }

void VeskoDecode(benchmark::State& state, int megapixels, bool reuse)
{
    const std::vector<uint8_t>& file = vb::PhotoJpeg(megapixels);
    KeptBuffer kept;
    ISThreadState* thread = ISGetThreadState();
    if (reuse) {
        thread->allocCallback = KeptAlloc;
        thread->freeCallback = KeptFree;
        thread->allocUser = reinterpret_cast<intptr_t>(&kept);
    }
    for (auto _ : state) {
        HISSRC src = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        void* pixels = is5_ReadJPG(src, &w, &h, 24, 0);
        is5_CloseSource(src);
        if (!pixels || ISGetLastError() != 0) {
            state.SkipWithError("is5_ReadJPG failed");
            break;
        }
        benchmark::ClobberMemory();
        if (!reuse)
            GlobalFree(pixels);
    }
    thread->allocCallback = nullptr;
    thread->freeCallback = nullptr;
    thread->allocUser = 0;
    state.SetLabel(reuse ? "is5_ReadJPG into one buffer (allocation callbacks)"
                         : "is5_ReadJPG, a new GlobalAlloc block each");
}

void LibjpegDecode(benchmark::State& state, int megapixels, bool reuse)
{
    const std::vector<uint8_t>& file = vb::PhotoJpeg(megapixels);
    std::unique_ptr<uint8_t[]> kept;
    std::vector<JSAMPROW> rows;
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        const size_t stride = size_t(cinfo.output_width) * 3;
        std::unique_ptr<uint8_t[]> fresh;
        if (!reuse)
            fresh.reset(new uint8_t[stride * cinfo.output_height]);
        else if (!kept)
            kept.reset(new uint8_t[stride * cinfo.output_height]);
        uint8_t* out = reuse ? kept.get() : fresh.get();
        rows.resize(cinfo.output_height);
        for (JDIMENSION y = 0; y < cinfo.output_height; ++y)
            rows[y] = out + y * stride;
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, rows.data() + cinfo.output_scanline,
                                cinfo.output_height - cinfo.output_scanline);
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::ClobberMemory();
    }
    state.SetLabel(reuse ? "libjpeg API, mem source, all rows into one kept buffer (tjbench)"
                         : "libjpeg API, mem source, all rows into a new[] block each");
}

#define JPEG_CASE(...) \
    BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

JPEG_CASE(VeskoDecode, f24, 24, false)->Name("jpeg_decode_24mp_fresh/vesko");
JPEG_CASE(LibjpegDecode, f24, 24, false)->Name("jpeg_decode_24mp_fresh/libjpeg-turbo");
JPEG_CASE(VeskoDecode, r24, 24, true)->Name("jpeg_decode_24mp_reuse/vesko");
JPEG_CASE(LibjpegDecode, r24, 24, true)->Name("jpeg_decode_24mp_reuse/libjpeg-turbo");
JPEG_CASE(VeskoDecode, f12, 12, false)->Name("jpeg_decode_12mp_fresh/vesko");
JPEG_CASE(LibjpegDecode, f12, 12, false)->Name("jpeg_decode_12mp_fresh/libjpeg-turbo");
JPEG_CASE(VeskoDecode, r12, 12, true)->Name("jpeg_decode_12mp_reuse/vesko");
JPEG_CASE(LibjpegDecode, r12, 12, true)->Name("jpeg_decode_12mp_reuse/libjpeg-turbo");

}  // namespace
