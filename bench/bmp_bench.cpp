// 24-bit bitmaps in memory, the wallpaper's file format: is5_WriteBMP into a
// fresh memory sink and is5_ReadBMP at 24 bits from a memory source, at
// 1920x1080 and 24 MP, against ImageMagick (BMP3 to and from a blob, one
// thread) and a memcpy of the file's bytes into a fresh block, the floor that
// memory bandwidth sets.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <vector>

#include <Magick++.h>

#include "imaging/core/io.h"
#include "imaging/is5.h"
#include "inputs.h"

namespace {

const vb::Picture& Input(int which) { return which == 24 ? vb::PhotoPixels(24) : vb::Photo1080(); }

// The picture as a BMP3 file, written once by ImageMagick.
const std::vector<uint8_t>& BmpFile(int which)
{
    static std::map<int, std::vector<uint8_t>> cache;
    auto it = cache.find(which);
    if (it == cache.end()) {
        const vb::Picture& p = Input(which);
        Magick::Image image(p.width, p.height, "RGB", Magick::CharPixel, p.rgb.data());
        image.magick("BMP3");
        Magick::Blob blob;
        image.write(&blob);
        const uint8_t* bytes = static_cast<const uint8_t*>(blob.data());
        it = cache.emplace(which, std::vector<uint8_t>(bytes, bytes + blob.length())).first;
        vb::MarkMemoryBaseline();
    }
    return it->second;
}

void VeskoWrite(benchmark::State& state, int which)
{
    const vb::Picture& p = Input(which);
    const size_t capacity = 54 + size_t((p.width * 3 + 3) & ~3u) * p.height;
    for (auto _ : state) {
        // A fresh block each time, as a new file is.
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, capacity);
        CISIO_Memory sink;
        sink.AttachWrite(block, static_cast<int32_t>(capacity), FALSE);
        const int32_t size = is5_WriteBMP(reinterpret_cast<HISDEST>(static_cast<CISIO*>(&sink)), p.rgb.data(),
                                          p.width, p.height, 24, p.width * 3, 0, nullptr, nullptr, 0);
        benchmark::ClobberMemory();
        GlobalFree(block);
        if (size <= 0) {
            state.SkipWithError("is5_WriteBMP failed");
            break;
        }
    }
    state.SetLabel("is5_WriteBMP into a fresh GlobalAlloc block");
}

void VeskoRead(benchmark::State& state, int which)
{
    const std::vector<uint8_t>& file = BmpFile(which);
    for (auto _ : state) {
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        void* pixels = is5_ReadBMP(source, &w, &h, 24, nullptr, 0);
        is5_CloseSource(source);
        if (!pixels) {
            state.SkipWithError("is5_ReadBMP failed");
            break;
        }
        benchmark::ClobberMemory();
        GlobalFree(pixels);
    }
    state.SetLabel("is5_ReadBMP to R,G,B from a memory source");
}

void MagickWrite(benchmark::State& state, int which)
{
    const vb::Picture& p = Input(which);
    Magick::Image image(p.width, p.height, "RGB", Magick::CharPixel, p.rgb.data());
    image.magick("BMP3");
    for (auto _ : state) {
        Magick::Blob blob;
        image.write(&blob);
        benchmark::ClobberMemory();
    }
    state.SetLabel("Magick++ BMP3 written to a blob");
}

void MagickRead(benchmark::State& state, int which)
{
    const std::vector<uint8_t>& file = BmpFile(which);
    const Magick::Blob blob(file.data(), file.size());
    for (auto _ : state) {
        Magick::Image image;
        image.read(blob);
        benchmark::ClobberMemory();
    }
    state.SetLabel("Magick++ BMP3 read from a blob");
}

void Memcpy(benchmark::State& state, int which)
{
    const std::vector<uint8_t>& file = BmpFile(which);
    for (auto _ : state) {
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, file.size());
        std::memcpy(block, file.data(), file.size());
        benchmark::ClobberMemory();
        GlobalFree(block);
    }
    state.SetLabel("memcpy of the file's bytes into a fresh GlobalAlloc block");
}

#define BMP_CASE(...) \
    BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

BMP_CASE(VeskoWrite, hd, 0)->Name("bmp_write_24bit_1080p/vesko");
BMP_CASE(MagickWrite, hd, 0)->Name("bmp_write_24bit_1080p/imagemagick");
BMP_CASE(Memcpy, hd, 0)->Name("bmp_write_24bit_1080p/memcpy");
BMP_CASE(VeskoRead, hd, 0)->Name("bmp_read_24bit_1080p/vesko");
BMP_CASE(MagickRead, hd, 0)->Name("bmp_read_24bit_1080p/imagemagick");
BMP_CASE(Memcpy, hd, 0)->Name("bmp_read_24bit_1080p/memcpy");
BMP_CASE(VeskoWrite, mp24, 24)->Name("bmp_write_24bit_24mp/vesko");
BMP_CASE(MagickWrite, mp24, 24)->Name("bmp_write_24bit_24mp/imagemagick");
BMP_CASE(Memcpy, mp24, 24)->Name("bmp_write_24bit_24mp/memcpy");
BMP_CASE(VeskoRead, mp24, 24)->Name("bmp_read_24bit_24mp/vesko");
BMP_CASE(MagickRead, mp24, 24)->Name("bmp_read_24bit_24mp/imagemagick");
BMP_CASE(Memcpy, mp24, 24)->Name("bmp_read_24bit_24mp/memcpy");

}  // namespace
