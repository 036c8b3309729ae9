// PSD reads from memory on the 24 MP photo as an 8-bit RGB file, one thread:
// is5_ReadPSD at 24 bits on a raw and a PackBits file, each against
// Magick++ reading the composite (x.psd[0]) from the same bytes; the raw
// read also against a memcpy of the file.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <Magick++.h>

#include "imaging/is5.h"
#include "inputs.h"

namespace {

enum Kind { kRaw = 0, kPackBits = 1 };

// The photo as a PSD file of `kind`, written once by ImageMagick.
const std::vector<uint8_t>& File(int kind)
{
    static std::map<int, std::vector<uint8_t>> cache;
    auto it = cache.find(kind);
    if (it == cache.end()) {
        const vb::Picture& p = vb::PhotoPixels(24);
        Magick::Image image(p.width, p.height, "RGB", Magick::CharPixel, p.rgb.data());
        image.depth(8);
        image.compressType(kind == kPackBits ? Magick::RLECompression : Magick::NoCompression);
        image.magick("PSD");
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
    for (auto _ : state) {
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        void* pixels = is5_ReadPSD(source, &w, &h, 24, nullptr, 0);
        is5_CloseSource(source);
        if (!pixels) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::ClobberMemory();
        GlobalFree(pixels);
    }
    state.SetLabel("is5_ReadPSD to R,G,B from a memory source");
}

void MagickRead(benchmark::State& state, int kind)
{
    const std::vector<uint8_t>& file = File(kind);
    const Magick::Blob blob(file.data(), file.size());
    for (auto _ : state) {
        // The composite only, as "x.psd[0]" asks: the layers are not decoded.
        Magick::Image image;
        image.subImage(0);
        image.subRange(1);
        image.read(blob, Magick::Geometry(), 8, "PSD");
        benchmark::ClobberMemory();
    }
    state.SetLabel("Magick++ PSD composite (x.psd[0]) read from a blob");
}

void Memcpy(benchmark::State& state, int kind)
{
    const std::vector<uint8_t>& file = File(kind);
    for (auto _ : state) {
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, file.size());
        std::memcpy(block, file.data(), file.size());
        benchmark::ClobberMemory();
        GlobalFree(block);
    }
    state.SetLabel("memcpy of the whole file into a fresh GlobalAlloc block");
}

#define READ_CASE(...) \
    BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

READ_CASE(VeskoRead, raw, kRaw)->Name("psd_read_raw_24mp/vesko");
READ_CASE(MagickRead, raw, kRaw)->Name("psd_read_raw_24mp/imagemagick");
READ_CASE(Memcpy, raw, kRaw)->Name("psd_read_raw_24mp/memcpy");
READ_CASE(VeskoRead, packbits, kPackBits)->Name("psd_read_packbits_24mp/vesko");
READ_CASE(MagickRead, packbits, kPackBits)->Name("psd_read_packbits_24mp/imagemagick");

}  // namespace
