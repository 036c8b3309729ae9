// PNG decoding from memory, one thread: the 24 MP photo as RGB and as RGBA
// (alpha from a pattern), each plain and Adam7, read by is5_ReadPNG at 24 and
// 32 bits against a direct libpng row loop with the same transformations
// (the same libpng; a new[] block per decode, as libpng writes every byte),
// and, where the output is the same (RGB at 24, RGBA at 32), libvips'
// pngload_buffer into memory over that libpng.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <png.h>
#include <vips/vips.h>

#include "imaging/is5.h"
#include "inputs.h"
#include "vips_run.h"

namespace {

struct Kind {
    bool alpha;
    bool adam7;
};

struct MemoryWriter {
    std::vector<uint8_t>* out;
};

void WriteToVector(png_structp png, png_bytep data, size_t size)
{
    std::vector<uint8_t>* out = static_cast<MemoryWriter*>(png_get_io_ptr(png))->out;
    out->insert(out->end(), data, data + size);
}

void FlushNothing(png_structp) {}

// The photo as a PNG, written once by libpng at its default compression.
const std::vector<uint8_t>& PngFile(Kind kind)
{
    static std::map<int, std::vector<uint8_t>> cache;
    const int key = kind.alpha * 2 + kind.adam7;
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    const vb::Picture& p = vb::PhotoPixels(24);
    const int channels = kind.alpha ? 4 : 3;
    std::vector<uint8_t> pixels(size_t(p.width) * p.height * channels);
    for (uint32_t y = 0; y < p.height; ++y)
        for (uint32_t x = 0; x < p.width; ++x) {
            const uint8_t* s = &p.rgb[(size_t(y) * p.width + x) * 3];
            uint8_t* d = &pixels[(size_t(y) * p.width + x) * channels];
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            if (kind.alpha)
                d[3] = uint8_t((x / 7 + y / 5) * 3);
        }
    std::vector<uint8_t> file;
    MemoryWriter writer{&file};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &writer, WriteToVector, FlushNothing);
    png_set_IHDR(png, info, p.width, p.height, 8, kind.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 kind.adam7 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> rows(p.height);
    for (uint32_t y = 0; y < p.height; ++y)
        rows[y] = &pixels[size_t(y) * p.width * channels];
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    it = cache.emplace(key, std::move(file)).first;
    vb::MarkMemoryBaseline();
    return it->second;
}

void Vesko(benchmark::State& state, Kind kind, uint32_t bits)
{
    const std::vector<uint8_t>& file = PngFile(kind);
    for (auto _ : state) {
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        void* pixels = is5_ReadPNG(source, &w, &h, bits, nullptr, 0);
        const int32_t error = ISGetLastError();
        is5_CloseSource(source);
        if (!pixels || error != 0) {
            state.SkipWithError("is5_ReadPNG failed");
            break;
        }
        benchmark::ClobberMemory();
        GlobalFree(pixels);
    }
    state.SetLabel("is5_ReadPNG from a memory source, a new GlobalAlloc block each");
}

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count)
{
    MemoryReader* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > r->size - r->at)
        png_error(png, "read past the end");
    std::memcpy(out, r->data + r->at, count);
    r->at += count;
}

// libpng's own loop with the transformations is5_ReadPNG sets for these
// files: the background (a no-op without alpha) at 24, the filler at 32.
void Libpng(benchmark::State& state, Kind kind, uint32_t bits)
{
    const std::vector<uint8_t>& file = PngFile(kind);
    std::vector<png_bytep> rows;
    for (auto _ : state) {
        MemoryReader reader{file.data(), file.size(), 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_read_struct(&png, &info, nullptr);
            state.SkipWithError("libpng failed");
            break;
        }
        png_set_read_fn(png, &reader, ReadFromMemory);
        png_read_info(png, info);
        if (bits == 24) {
            png_color_16 black{};
            png_set_background(png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
        } else if (!kind.alpha) {
            png_set_filler(png, 255, PNG_FILLER_AFTER);
        }
        const int passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
        const uint32_t height = png_get_image_height(png, info);
        const size_t stride = png_get_rowbytes(png, info);
        std::unique_ptr<uint8_t[]> out(new uint8_t[stride * height]);
        rows.resize(height);
        for (uint32_t y = 0; y < height; ++y)
            rows[y] = out.get() + y * stride;
        for (int pass = 0; pass < passes; ++pass)
            for (uint32_t y = 0; y < height; ++y)
                png_read_row(png, rows[y], nullptr);
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::ClobberMemory();
    }
    state.SetLabel("libpng png_read_row loop, same transformations, a new[] block each");
}

void Vips(benchmark::State& state, Kind kind)
{
    vb::VipsLoadRun(state, PngFile(kind), [](void* data, size_t size, VipsImage** image) {
        return vips_pngload_buffer(data, size, image, nullptr);
    });
    state.SetLabel("libvips pngload_buffer into memory, 1 thread");
}

#define PNG_CASE(...) \
    BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

PNG_CASE(Vesko, rgb24, Kind{false, false}, 24)->Name("png_read_24mp_rgb_at24/vesko");
PNG_CASE(Libpng, rgb24, Kind{false, false}, 24)->Name("png_read_24mp_rgb_at24/libpng");
PNG_CASE(Vips, rgb24, Kind{false, false})->Name("png_read_24mp_rgb_at24/vips");
PNG_CASE(Vesko, rgb32, Kind{false, false}, 32)->Name("png_read_24mp_rgb_at32/vesko");
PNG_CASE(Libpng, rgb32, Kind{false, false}, 32)->Name("png_read_24mp_rgb_at32/libpng");
PNG_CASE(Vesko, rgba24, Kind{true, false}, 24)->Name("png_read_24mp_rgba_at24/vesko");
PNG_CASE(Libpng, rgba24, Kind{true, false}, 24)->Name("png_read_24mp_rgba_at24/libpng");
PNG_CASE(Vesko, rgba32, Kind{true, false}, 32)->Name("png_read_24mp_rgba_at32/vesko");
PNG_CASE(Libpng, rgba32, Kind{true, false}, 32)->Name("png_read_24mp_rgba_at32/libpng");
PNG_CASE(Vips, rgba32, Kind{true, false})->Name("png_read_24mp_rgba_at32/vips");
PNG_CASE(Vesko, rgb24i, Kind{false, true}, 24)->Name("png_read_24mp_rgb_adam7_at24/vesko");
PNG_CASE(Libpng, rgb24i, Kind{false, true}, 24)->Name("png_read_24mp_rgb_adam7_at24/libpng");
PNG_CASE(Vips, rgb24i, Kind{false, true})->Name("png_read_24mp_rgb_adam7_at24/vips");
PNG_CASE(Vesko, rgb32i, Kind{false, true}, 32)->Name("png_read_24mp_rgb_adam7_at32/vesko");
PNG_CASE(Libpng, rgb32i, Kind{false, true}, 32)->Name("png_read_24mp_rgb_adam7_at32/libpng");
PNG_CASE(Vesko, rgba24i, Kind{true, true}, 24)->Name("png_read_24mp_rgba_adam7_at24/vesko");
PNG_CASE(Libpng, rgba24i, Kind{true, true}, 24)->Name("png_read_24mp_rgba_adam7_at24/libpng");
PNG_CASE(Vesko, rgba32i, Kind{true, true}, 32)->Name("png_read_24mp_rgba_adam7_at32/vesko");
PNG_CASE(Libpng, rgba32i, Kind{true, true}, 32)->Name("png_read_24mp_rgba_adam7_at32/libpng");
PNG_CASE(Vips, rgba32i, Kind{true, true})->Name("png_read_24mp_rgba_adam7_at32/vips");

}  // namespace
