// GIF and PCX reads from memory, one thread: is5_ReadGIF on an 8 MP
// 256-colour GIF, plain and interlaced, against giflib's DGifSlurp on the
// same bytes; is5_ReadPCX at 24 bits on the 24 MP photo as a
// `ppmtopcx -24bit` file against Magick++ reading the same bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <Magick++.h>

#ifdef VESKO_BENCH_GIFLIB
#include <gif_lib.h>
#endif

#include "imaging/is5.h"
#include "inputs.h"

namespace {

enum Kind { kGif = 0, kGifInterlaced = 1, kPcx24 = 2 };

// The input of `kind`, made once on disk beside the photos by ImageMagick
// (and ppmtopcx) and kept in memory.
const std::vector<uint8_t>& File(int kind)
{
    static std::map<int, std::vector<uint8_t>> cache;
    auto it = cache.find(kind);
    if (it != cache.end())
        return it->second;
    const int megapixels = kind == kPcx24 ? 24 : 12;
    const std::string photo = vb::PhotoJpegPath(megapixels);
    const std::string dir = photo.substr(0, photo.rfind('/') + 1);
    const std::string size = vb::Tiny() ? "64x36" : "3840x2160";
    static const char* const kNames[] = {"photo-8mp-256.gif", "photo-8mp-256-interlaced.gif", "photo-24mp.pcx"};
    const std::string path = dir + (vb::Tiny() ? "tiny-" : "") + kNames[kind];
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else {
        std::string cmd;
        if (kind == kPcx24)
            cmd = "convert '" + photo + "' ppm:- | ppmtopcx -24bit > '" + path + ".tmp' 2>/dev/null";
        else
            cmd = "convert '" + photo + "' -resize " + size + "! -colors 256 " +
                  (kind == kGifInterlaced ? "-interlace GIF " : "") + "'gif:" + path + ".tmp'";
        cmd += " && mv '" + path + ".tmp' '" + path + "'";
        if (std::system(cmd.c_str()) != 0)
            throw std::runtime_error("making " + path + " failed");
    }
    it = cache.emplace(kind, vb::ReadAll(path)).first;
    vb::MarkMemoryBaseline();
    return it->second;
}

void VeskoGif(benchmark::State& state, int kind)
{
    const std::vector<uint8_t>& file = File(kind);
    RGBQUAD palette[256];
    for (auto _ : state) {
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        int32_t transparent = 0;
        void* pixels = is5_ReadGIF(source, &w, &h, &transparent, palette, 0);
        is5_CloseSource(source);
        if (!pixels || ISGetLastError() != 0) {
            state.SkipWithError("is5_ReadGIF failed");
            break;
        }
        benchmark::ClobberMemory();
        GlobalFree(pixels);
    }
    state.SetLabel("is5_ReadGIF to index rows and a palette from a memory source");
}

#ifdef VESKO_BENCH_GIFLIB
struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t at;
};

int ReadMemory(GifFileType* gif, GifByteType* out, int n)
{
    MemoryReader* m = static_cast<MemoryReader*>(gif->UserData);
    const size_t take = std::min(size_t(n), m->size - m->at);
    std::memcpy(out, m->data + m->at, take);
    m->at += take;
    return static_cast<int>(take);
}

void GiflibGif(benchmark::State& state, int kind)
{
    const std::vector<uint8_t>& file = File(kind);
    for (auto _ : state) {
        MemoryReader reader = {file.data(), file.size(), 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadMemory, &error);
        if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
            if (gif)
                DGifCloseFile(gif, &error);
            state.SkipWithError("DGifSlurp failed");
            break;
        }
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        benchmark::ClobberMemory();
        DGifCloseFile(gif, &error);
    }
    state.SetLabel("giflib DGifOpen over memory and DGifSlurp");
}
#endif

void VeskoPcx(benchmark::State& state, int kind)
{
    const std::vector<uint8_t>& file = File(kind);
    for (auto _ : state) {
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        void* pixels = is5_ReadPCX(source, &w, &h, 24, nullptr, 0);
        is5_CloseSource(source);
        if (!pixels || ISGetLastError() != 0) {
            state.SkipWithError("is5_ReadPCX failed");
            break;
        }
        benchmark::ClobberMemory();
        GlobalFree(pixels);
    }
    state.SetLabel("is5_ReadPCX to R,G,B from a memory source");
}

void MagickPcx(benchmark::State& state, int kind)
{
    const std::vector<uint8_t>& file = File(kind);
    const Magick::Blob blob(file.data(), file.size());
    for (auto _ : state) {
        Magick::Image image;
        image.read(blob, Magick::Geometry(), 8, "PCX");
        benchmark::ClobberMemory();
    }
    state.SetLabel("Magick++ PCX read from a blob");
}

#define READ_CASE(...) \
    BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

READ_CASE(VeskoGif, plain, kGif)->Name("gif_read_8mp_256/vesko");
READ_CASE(VeskoGif, interlaced, kGifInterlaced)->Name("gif_read_8mp_256_interlaced/vesko");
#ifdef VESKO_BENCH_GIFLIB
READ_CASE(GiflibGif, plain, kGif)->Name("gif_read_8mp_256/giflib");
READ_CASE(GiflibGif, interlaced, kGifInterlaced)->Name("gif_read_8mp_256_interlaced/giflib");
#endif
READ_CASE(VeskoPcx, pcx24, kPcx24)->Name("pcx_read_24bit_24mp/vesko");
READ_CASE(MagickPcx, pcx24, kPcx24)->Name("pcx_read_24bit_24mp/imagemagick");

}  // namespace
