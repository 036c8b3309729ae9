// The daily wallpaper's whole build from a 24 MP JPEG in memory to a BMP in
// memory, at 1920x1080 and 3840x2160, one thread each:
//   vesko: is5_ReadImage, cover size as the wallpaper builder computes it,
//     is5_ResizeImage mode 17 (bicubic, 4x4 taps), is5_CropImage of the
//     middle, is5_UnsharpMaskImage (sharpness 2: sigma 2, amount 0.4,
//     threshold 150) into a zeroed work buffer copied back, is5_WriteBMP into a
//     memory sink;
//   imagemagick: Magick++ read from a blob, Catrom resize to cover (^),
//     extent of the middle, unsharp 0x2+0.4+0.588 (the same threshold,
//     150/255), BMP3 written to a blob.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include <Magick++.h>

#include "imaging/core/io.h"
#include "imaging/is5.h"
#include "inputs.h"

namespace {

struct Screen {
    uint32_t width;
    uint32_t height;
};

// Tiny mode shrinks the 64x36 input instead.
Screen ScreenOf(uint32_t width, uint32_t height)
{
    return vb::Tiny() ? Screen{width / 60, height / 60} : Screen{width, height};
}

// The builder's cover size: fill the width, else the height.
void CoverSize(uint32_t w, uint32_t h, Screen s, uint32_t* nw, uint32_t* nh)
{
    float ratio = float(h) / float(w);
    *nw = s.width;
    *nh = uint32_t(float(s.width) * ratio);
    if (*nh < s.height) {
        ratio = float(w) / float(h);
        *nw = uint32_t(float(s.height) * ratio);
        *nh = s.height;
    }
}

bool VeskoBuild(const std::vector<uint8_t>& file, Screen s, size_t* bmpBytes)
{
    constexpr int32_t kOneThread = 0x100000;
    HISSRC src = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
    uint32_t w = 0, h = 0;
    void* pixels = is5_ReadImage(src, &w, &h, 0, 0);
    is5_CloseSource(src);
    if (!pixels)
        return false;
    uint32_t nw, nh;
    CoverSize(w, h, s, &nw, &nh);
    std::unique_ptr<uint8_t[]> resized(new uint8_t[size_t(nw) * nh * 3]);
    std::unique_ptr<uint8_t[]> kept(new uint8_t[size_t(s.width) * s.height * 3]);
    const uint32_t stride = s.width * 3;
    const RECT middle = {LONG((nw - s.width) >> 1), LONG((nh - s.height) >> 1),
                         LONG(((nw - s.width) >> 1) + s.width), LONG(((nh - s.height) >> 1) + s.height)};
    bool ok = is5_ResizeImage(pixels, int32_t(w), int32_t(h), int32_t(w * 3), resized.get(), int32_t(nw),
                              int32_t(nh), int32_t(nw * 3), 3, 17, kOneThread) &&
              is5_CropImage(resized.get(), nw, nh, nw * 3, kept.get(), stride, &middle, 3);
    if (ok) {
        std::vector<uint8_t> work(size_t(stride) * s.height);
        ok = is5_UnsharpMaskImage(kept.get(), s.width, s.height, 3, stride, work.data(), stride, 150, 0.4, 2.0,
                                  7 | kOneThread);
        if (ok)
            std::memcpy(kept.get(), work.data(), work.size());
    }
    if (ok) {
        const size_t capacity = size_t(stride) * s.height + 1024;
        std::unique_ptr<uint8_t[]> block(new uint8_t[capacity]);
        CISIO_Memory sink;
        sink.AttachWrite(block.get(), static_cast<int32_t>(capacity), FALSE);
        int32_t written = is5_WriteBMP(reinterpret_cast<HISDEST>(static_cast<CISIO*>(&sink)), kept.get(), s.width,
                                       s.height, 24, stride, 0, nullptr, nullptr, 0);
        ok = written > 0 && ISGetLastError() == 0;
        *bmpBytes = size_t(written);
        benchmark::ClobberMemory();
    }
    GlobalFree(pixels);
    return ok;
}

void VeskoPipeline(benchmark::State& state, uint32_t width, uint32_t height)
{
    const std::vector<uint8_t>& file = vb::PhotoJpeg(24);
    const Screen s = ScreenOf(width, height);
    size_t bytes = 0;
    for (auto _ : state) {
        if (!VeskoBuild(file, s, &bytes)) {
            state.SkipWithError("wallpaper build failed");
            break;
        }
    }
    state.counters["bmp_bytes"] = double(bytes);
    state.SetLabel("is5_ReadImage, mode 17 cover, crop, unsharp 2/0.4/150, is5_WriteBMP to memory");
}

void MagickPipeline(benchmark::State& state, uint32_t width, uint32_t height)
{
    const std::vector<uint8_t>& file = vb::PhotoJpeg(24);
    const Screen s = ScreenOf(width, height);
    const Magick::Blob input(file.data(), file.size());
    size_t bytes = 0;
    for (auto _ : state) {
        Magick::Image image;
        image.read(input);
        image.filterType(MagickCore::CatromFilter);
        Magick::Geometry cover(s.width, s.height);
        cover.fillArea(true);
        image.resize(cover);
        image.extent(Magick::Geometry(s.width, s.height), MagickCore::CenterGravity);
        image.unsharpmask(0, 2, 0.4, 150.0 / 255.0);
        image.magick("BMP3");
        Magick::Blob out;
        image.write(&out);
        bytes = out.length();
        benchmark::ClobberMemory();
    }
    state.counters["bmp_bytes"] = double(bytes);
    state.SetLabel("Magick++: read blob, Catrom resize ^, extent, unsharp 0x2+0.4+0.588, BMP3 blob");
}

#define PIPELINE_CASE(...) \
    BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

PIPELINE_CASE(VeskoPipeline, hd, 1920, 1080)->Name("wallpaper_24mp_to_1080p/vesko");
PIPELINE_CASE(MagickPipeline, hd, 1920, 1080)->Name("wallpaper_24mp_to_1080p/imagemagick");
PIPELINE_CASE(VeskoPipeline, uhd, 3840, 2160)->Name("wallpaper_24mp_to_2160p/vesko");
PIPELINE_CASE(MagickPipeline, uhd, 3840, 2160)->Name("wallpaper_24mp_to_2160p/imagemagick");

}  // namespace
