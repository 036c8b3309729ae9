// TGA and WBMP reads from memory on the 24 MP photo, one thread: is5_ReadTGA
// at 24 bits on an uncompressed and a run-length file, is5_ReadWBMP at 8
// bits on the photo thresholded, each against Magick++ reading the same
// bytes; the uncompressed read also against a memcpy of its pixel bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <Magick++.h>

#include "imaging/is5.h"
#include "inputs.h"

namespace {

enum Kind { kTga2 = 0, kTga10 = 1, kWbmp = 2 };

const char* Magick(int kind) { return kind == kWbmp ? "WBMP" : "TGA"; }

// The photo as a file of `kind`, written once by ImageMagick.
const std::vector<uint8_t>& File(int kind)
{
    static std::map<int, std::vector<uint8_t>> cache;
    auto it = cache.find(kind);
    if (it == cache.end()) {
        const vb::Picture& p = vb::PhotoPixels(24);
        Magick::Image image(p.width, p.height, "RGB", Magick::CharPixel, p.rgb.data());
        if (kind == kWbmp) {
            using MagickCore::Quantum;  // QuantumRange names it
            image.threshold(QuantumRange / 2);
            image.type(Magick::BilevelType);
        } else {
            image.compressType(kind == kTga10 ? Magick::RLECompression : Magick::NoCompression);
        }
        image.magick(Magick(kind));
        Magick::Blob blob;
        image.write(&blob);
        const uint8_t* bytes = static_cast<const uint8_t*>(blob.data());
        it = cache.emplace(kind, std::vector<uint8_t>(bytes, bytes + blob.length())).first;
        vb::MarkMemoryBaseline();
    }
    return it->second;
}

void VeskoRead(benchmark::State& state, int kind)
{
    const std::vector<uint8_t>& file = File(kind);
    RGBQUAD palette[256];
    for (auto _ : state) {
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        void* pixels = kind == kWbmp ? is5_ReadWBMP(source, &w, &h, palette, 8, 0)
                                     : is5_ReadTGA(source, &w, &h, 24, nullptr, 0);
        is5_CloseSource(source);
        if (!pixels) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::ClobberMemory();
        GlobalFree(pixels);
    }
    state.SetLabel(kind == kWbmp ? "is5_ReadWBMP at 8 bits from a memory source"
                                 : "is5_ReadTGA to R,G,B from a memory source");
}

void MagickRead(benchmark::State& state, int kind)
{
    const std::vector<uint8_t>& file = File(kind);
    const Magick::Blob blob(file.data(), file.size());
    for (auto _ : state) {
        Magick::Image image;
        image.read(blob, Magick::Geometry(), 8, Magick(kind));
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string("Magick++ ") + Magick(kind) + " read from a blob");
}

void Memcpy(benchmark::State& state, int kind)
{
    const std::vector<uint8_t>& file = File(kind);
    const size_t bytes = file.size() > 18 ? file.size() - 18 : 0;
    for (auto _ : state) {
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, bytes);
        std::memcpy(block, file.data() + 18, bytes);
        benchmark::ClobberMemory();
        GlobalFree(block);
    }
    state.SetLabel("memcpy of the file's pixel bytes into a fresh GlobalAlloc block");
}

#define READ_CASE(...) \
    BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

READ_CASE(VeskoRead, tga2, kTga2)->Name("tga_read_24bit_24mp/vesko");
READ_CASE(MagickRead, tga2, kTga2)->Name("tga_read_24bit_24mp/imagemagick");
READ_CASE(Memcpy, tga2, kTga2)->Name("tga_read_24bit_24mp/memcpy");
READ_CASE(VeskoRead, tga10, kTga10)->Name("tga_read_rle_24mp/vesko");
READ_CASE(MagickRead, tga10, kTga10)->Name("tga_read_rle_24mp/imagemagick");
READ_CASE(VeskoRead, wbmp, kWbmp)->Name("wbmp_read_8bit_24mp/vesko");
READ_CASE(MagickRead, wbmp, kWbmp)->Name("wbmp_read_8bit_24mp/imagemagick");

}  // namespace
