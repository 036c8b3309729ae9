// JPEG decoding and encoding: is5_ReadJPG and is5_WriteJPG in memory against
// libjpeg-turbo called directly, as its tjbench does it (memory source or
// destination, all rows at once), on the same library build. Decoding to
// 24-bit R,G,B comes in two fair pairs:
//   fresh: both make a new image per decode (is5_ReadJPG's GlobalAlloc block;
//     for libjpeg-turbo a new[] block, not zero-filled, as libjpeg writes every
//     byte) and free it;
//   reuse: both decode into one buffer kept across decodes (is5_ReadJPG
//     through the application allocation callbacks; tjbench's own way).
// The other codings (4:4:4, progressive, grey to R,G,B) and the DIB form (B,G,R
// rows bottom-up, padded to 4 bytes, behind the header) are fresh pairs; the
// encodes write 4:2:0 at quality 90 and 40 into a kept memory block.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "imaging/core/frame.h"
#include "imaging/core/io.h"
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

struct Decode {
    int megapixels;
    bool reuse;
    vb::Coding coding;
    bool dib;
};

void VeskoDecode(benchmark::State& state, Decode d)
{
    const bool reuse = d.reuse;
    const std::vector<uint8_t>& file = vb::PhotoJpeg(d.megapixels, d.coding);
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
        void* pixels = is5_ReadJPG(src, &w, &h, 24, d.dib ? IS5_DIB : 0);
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

void LibjpegDecode(benchmark::State& state, Decode d)
{
    const bool reuse = d.reuse;
    const std::vector<uint8_t>& file = vb::PhotoJpeg(d.megapixels, d.coding);
    std::unique_ptr<uint8_t[]> kept;
    std::vector<JSAMPROW> rows;
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = d.dib ? JCS_EXT_BGR : JCS_RGB;
        jpeg_start_decompress(&cinfo);
        const size_t packed = size_t(cinfo.output_width) * 3;
        const size_t stride = d.dib ? (packed + 3) & ~size_t(3) : packed;
        const size_t header = d.dib ? sizeof(BITMAPINFOHEADER) : 0;
        const size_t bytes = header + stride * cinfo.output_height;
        std::unique_ptr<uint8_t[]> fresh;
        if (!reuse)
            fresh.reset(new uint8_t[bytes]);
        else if (!kept)
            kept.reset(new uint8_t[bytes]);
        uint8_t* out = (reuse ? kept.get() : fresh.get()) + header;
        rows.resize(cinfo.output_height);
        for (JDIMENSION y = 0; y < cinfo.output_height; ++y)
            rows[y] = out + (d.dib ? cinfo.output_height - 1 - y : y) * stride;
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

void VeskoEncode(benchmark::State& state, int quality)
{
    const vb::Picture& p = vb::PhotoPixels(24);
    std::vector<uint8_t> block(p.rgb.size() + (1 << 20));
    for (auto _ : state) {
        CISIO_Memory sink;
        sink.AttachWrite(block.data(), static_cast<int32_t>(block.size()), FALSE);
        int32_t size = is5_WriteJPG(reinterpret_cast<HISDEST>(static_cast<CISIO*>(&sink)), p.rgb.data(), p.width,
                                    p.height, 24, p.width * 3, quality, nullptr, 0);
        if (size <= 0 || ISGetLastError() != 0) {
            state.SkipWithError("is5_WriteJPG failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel("is5_WriteJPG into a memory sink, 4:2:0");
}

void LibjpegEncode(benchmark::State& state, int quality)
{
    const vb::Picture& p = vb::PhotoPixels(24);
    std::vector<uint8_t> block(p.rgb.size() + (1 << 20));
    std::vector<JSAMPROW> rows(p.height);
    for (uint32_t y = 0; y < p.height; ++y)
        rows[y] = const_cast<JSAMPROW>(p.rgb.data() + size_t(y) * p.width * 3);
    for (auto _ : state) {
        jpeg_compress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_compress(&cinfo);
        unsigned char* out = block.data();
        unsigned long size = block.size();
        jpeg_mem_dest(&cinfo, &out, &size);
        cinfo.image_width = p.width;
        cinfo.image_height = p.height;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, quality, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height)
            jpeg_write_scanlines(&cinfo, rows.data() + cinfo.next_scanline, cinfo.image_height - cinfo.next_scanline);
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        if (out != block.data())
            std::free(out);  // libjpeg grew the block
        benchmark::ClobberMemory();
    }
    state.SetLabel("libjpeg API, mem destination into a kept block, 4:2:0");
}

using vb::Coding;

#define JPEG_CASE(...) \
    BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

JPEG_CASE(VeskoDecode, f24, Decode{24, false, Coding::k420, false})->Name("jpeg_decode_24mp_fresh/vesko");
JPEG_CASE(LibjpegDecode, f24, Decode{24, false, Coding::k420, false})->Name("jpeg_decode_24mp_fresh/libjpeg-turbo");
JPEG_CASE(VeskoDecode, r24, Decode{24, true, Coding::k420, false})->Name("jpeg_decode_24mp_reuse/vesko");
JPEG_CASE(LibjpegDecode, r24, Decode{24, true, Coding::k420, false})->Name("jpeg_decode_24mp_reuse/libjpeg-turbo");
JPEG_CASE(VeskoDecode, f12, Decode{12, false, Coding::k420, false})->Name("jpeg_decode_12mp_fresh/vesko");
JPEG_CASE(LibjpegDecode, f12, Decode{12, false, Coding::k420, false})->Name("jpeg_decode_12mp_fresh/libjpeg-turbo");
JPEG_CASE(VeskoDecode, r12, Decode{12, true, Coding::k420, false})->Name("jpeg_decode_12mp_reuse/vesko");
JPEG_CASE(LibjpegDecode, r12, Decode{12, true, Coding::k420, false})->Name("jpeg_decode_12mp_reuse/libjpeg-turbo");
JPEG_CASE(VeskoDecode, s444, Decode{24, false, Coding::k444, false})->Name("jpeg_decode_24mp_444_fresh/vesko");
JPEG_CASE(LibjpegDecode, s444, Decode{24, false, Coding::k444, false})
    ->Name("jpeg_decode_24mp_444_fresh/libjpeg-turbo");
JPEG_CASE(VeskoDecode, prog, Decode{24, false, Coding::kProgressive, false})
    ->Name("jpeg_decode_24mp_progressive_fresh/vesko");
JPEG_CASE(LibjpegDecode, prog, Decode{24, false, Coding::kProgressive, false})
    ->Name("jpeg_decode_24mp_progressive_fresh/libjpeg-turbo");
JPEG_CASE(VeskoDecode, grey, Decode{24, false, Coding::kGrey, false})
    ->Name("jpeg_decode_24mp_grey_to_rgb_fresh/vesko");
JPEG_CASE(LibjpegDecode, grey, Decode{24, false, Coding::kGrey, false})
    ->Name("jpeg_decode_24mp_grey_to_rgb_fresh/libjpeg-turbo");
JPEG_CASE(VeskoDecode, dib, Decode{24, false, Coding::k420, true})->Name("jpeg_decode_24mp_dib_fresh/vesko");
JPEG_CASE(LibjpegDecode, dib, Decode{24, false, Coding::k420, true})
    ->Name("jpeg_decode_24mp_dib_fresh/libjpeg-turbo");
JPEG_CASE(VeskoEncode, q90, 90)->Name("jpeg_encode_24mp_q90/vesko");
JPEG_CASE(LibjpegEncode, q90, 90)->Name("jpeg_encode_24mp_q90/libjpeg-turbo");
JPEG_CASE(VeskoEncode, q40, 40)->Name("jpeg_encode_24mp_q40/vesko");
JPEG_CASE(LibjpegEncode, q40, 40)->Name("jpeg_encode_24mp_q40/libjpeg-turbo");

}  // namespace
