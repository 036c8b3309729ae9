// TLA reads from memory, one thread: the 24 MP photo with an alpha channel,
// written by the test writer (gen_tla.py) in strips of 64 rows with Sub, Up
// and Paeth, plain and protected ("abc"), read by is5_ReadTLA at 4 bytes a
// pixel; against libpng (the same zlib) decoding a PNG of the same pixels
// whose every row uses Paeth, written by netpbm's pnmtopng -paeth (ImageMagick
// 6.9's png:compression-filter=4 writes unfiltered rows); and the Sapphire II
// decipher rate.
#include <benchmark/benchmark.h>

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/formats/tla/tla_sapphire.h"
#include "imaging/is5.h"
#include "inputs.h"

namespace {

enum Kind { kPlain = 0, kProtected = 1, kPng = 2 };

const vb::Picture& Photo() { return vb::PhotoPixels(24); }

// The photo's R,G,B with an alpha ramp across and down, as raw R,G,B,A.
std::string RgbaPath()
{
    const vb::Picture& p = Photo();
    const std::string path = std::string(std::getenv("VESKO_BENCH_DIR") ? std::getenv("VESKO_BENCH_DIR")
                                                                         : "bench-inputs") +
                             "/photo-" + std::to_string(p.width) + "x" + std::to_string(p.height) + "-alpha";
    if (FILE* f = std::fopen((path + ".rgba").c_str(), "rb")) {
        std::fclose(f);
        return path;
    }
    std::vector<uint8_t> rgba(size_t(p.width) * p.height * 4);
    for (uint32_t y = 0; y < p.height; ++y) {
        for (uint32_t x = 0; x < p.width; ++x) {
            const uint8_t* s = &p.rgb[(size_t(y) * p.width + x) * 3];
            uint8_t* d = &rgba[(size_t(y) * p.width + x) * 4];
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = uint8_t((uint64_t(x) * 255 / p.width + uint64_t(y) * 255 / p.height) / 2);
        }
    }
    FILE* f = std::fopen((path + ".rgba.tmp").c_str(), "wb");
    if (!f || std::fwrite(rgba.data(), 1, rgba.size(), f) != rgba.size() || std::fclose(f) != 0)
        throw std::runtime_error("cannot write " + path + ".rgba");
    std::rename((path + ".rgba.tmp").c_str(), (path + ".rgba").c_str());
    return path;
}

// The photo's colour as a PPM and its alpha as a PGM, for pnmtopng.
void WriteColourAndAlpha(const std::string& base)
{
    const vb::Picture& p = Photo();
    const std::vector<uint8_t> rgba = vb::ReadAll(base + ".rgba");
    const std::string size = std::to_string(p.width) + " " + std::to_string(p.height);
    FILE* colour = std::fopen((base + ".ppm").c_str(), "wb");
    FILE* alpha = std::fopen((base + ".pgm").c_str(), "wb");
    if (!colour || !alpha)
        throw std::runtime_error("cannot write " + base + ".ppm");
    std::fprintf(colour, "P6\n%s\n255\n", size.c_str());
    std::fprintf(alpha, "P5\n%s\n255\n", size.c_str());
    for (size_t i = 0; i + 4 <= rgba.size(); i += 4) {
        std::fwrite(&rgba[i], 1, 3, colour);
        std::fputc(rgba[i + 3], alpha);
    }
    std::fclose(colour);
    std::fclose(alpha);
}

std::string FilePath(int kind)
{
    const std::string base = RgbaPath();
    const vb::Picture& p = Photo();
    const std::string size = std::to_string(p.width) + " " + std::to_string(p.height);
    const std::string path = base + (kind == kPng ? "-paeth.png" : kind == kProtected ? "-abc.tla" : ".tla");
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return path;
    }
    std::string cmd;
    if (kind == kPng) {
        WriteColourAndAlpha(base);
        cmd = "pnmtopng -paeth -compression=9 -force -alpha='" + base + ".pgm' '" + base + ".ppm' >'" + path +
              ".tmp' && mv '" + path + ".tmp' '" + path + "'; rm -f '" + base + ".ppm' '" + base + ".pgm'";
    } else {
        cmd = "python3 '" VESKO_SOURCE_DIR "/imaging/formats/tla/gen_tla.py' --rgba '" + base + ".rgba' " + size + " '" +
              path + "' --strip-rows 64 --filters 7" + (kind == kProtected ? " --password abc" : "");
    }
    if (std::system(cmd.c_str()) != 0)
        throw std::runtime_error("cannot make " + path);
    return path;
}

const std::vector<uint8_t>& File(int kind)
{
    static std::map<int, std::vector<uint8_t>> cache;
    auto it = cache.find(kind);
    if (it == cache.end()) {
        it = cache.emplace(kind, vb::ReadAll(FilePath(kind))).first;
        vb::MarkMemoryBaseline();
    }
    return it->second;
}

void VeskoRead(benchmark::State& state, int kind)
{
    const std::vector<uint8_t>& file = File(kind);
    const char* password = kind == kProtected ? "abc" : nullptr;
    for (auto _ : state) {
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        void* pixels = is5_ReadTLA(source, &w, &h, password, 4, nullptr, 0);
        const int32_t status = ISGetLastError();
        is5_CloseSource(source);
        if (!pixels || status != 0) {
            state.SkipWithError("is5_ReadTLA failed");
            if (pixels)
                GlobalFree(pixels);
            break;
        }
        benchmark::ClobberMemory();
        GlobalFree(pixels);
    }
    state.SetLabel(kind == kProtected ? "is5_ReadTLA at 4 bytes, protected (\"abc\"), from a memory source"
                                      : "is5_ReadTLA at 4 bytes, plain, from a memory source");
}

struct PngMemory {
    const uint8_t* data;
    size_t size;
    size_t at;
};

void PngRead(png_structp png, png_bytep out, png_size_t n)
{
    auto* m = static_cast<PngMemory*>(png_get_io_ptr(png));
    if (n > m->size - m->at)
        png_error(png, "read past the end");
    std::memcpy(out, m->data + m->at, n);
    m->at += n;
}

// libpng's classic interface into one R,G,B,A buffer; false on a failure.
bool DecodePng(const std::vector<uint8_t>& file, std::vector<png_bytep>* rows, uint8_t** pixels)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    PngMemory m = {file.data(), file.size(), 0};
    *pixels = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::free(*pixels);
        *pixels = nullptr;
        return false;
    }
    png_set_read_fn(png, &m, PngRead);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (png_get_bit_depth(png, info) != 8 || png_get_color_type(png, info) != PNG_COLOR_TYPE_RGBA)
        png_error(png, "not 8-bit RGBA");
    *pixels = static_cast<uint8_t*>(std::calloc(size_t(w) * h, 4));
    rows->resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        (*rows)[y] = *pixels + size_t(y) * w * 4;
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void LibpngRead(benchmark::State& state)
{
    const std::vector<uint8_t>& file = File(kPng);
    std::vector<png_bytep> rows;
    for (auto _ : state) {
        uint8_t* pixels = nullptr;
        if (!DecodePng(file, &rows, &pixels)) {
            state.SkipWithError("libpng failed");
            break;
        }
        benchmark::ClobberMemory();
        std::free(pixels);
    }
    state.SetLabel("libpng " PNG_LIBPNG_VER_STRING " decoding the same pixels as an RGBA PNG, Paeth on every row");
}

// Deciphering the protected file's bytes as the strip cipher does; tools/bench
// prints the rate (bytes per second) beside the table.
void Decipher(benchmark::State& state)
{
    const std::vector<uint8_t>& file = File(kProtected);
    std::vector<uint8_t> bytes(file);
    static const BYTE kKey[32] = {1, 2, 3};
    for (auto _ : state) {
        CISSapphire s;
        s.SetKey(kKey, sizeof kKey);
        s.Decipher(bytes.data(), bytes.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(bytes.size()) * state.iterations());
    state.SetLabel("Sapphire II deciphering the protected file's bytes in place (no target)");
}

#define READ_CASE(...) \
    BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

READ_CASE(VeskoRead, plain, kPlain)->Name("tla_read_rgba_24mp/vesko");
BENCHMARK(LibpngRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()
    ->Name("tla_read_rgba_24mp/libpng");
READ_CASE(VeskoRead, protected, kProtected)->Name("tla_read_rgba_protected_24mp/vesko");
BENCHMARK(LibpngRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()
    ->Name("tla_read_rgba_protected_24mp/libpng");
BENCHMARK(Decipher)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()
    ->Name("tla_sapphire_decipher/vesko");

}  // namespace
