// TIFF decoding from memory, one thread: the 24 MP photo as LZW, deflate and
// JPEG (YCbCr 4:2:0) files with 1 and 16 rows a strip and in one strip (JPEG
// strips hold whole 16-row blocks, so it has no 1-row file). is5_ReadTIFF at
// 32 bits against one-shot TIFFReadRGBAImage over the same libtiff (open,
// read into a new[] raster, close), and at 24 bits against libvips'
// tiffload_buffer into memory over that libtiff.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <tiffio.h>
#include <vips/vips.h>

#include "imaging/is5.h"
#include "inputs.h"
#include "vips_run.h"

namespace {

struct Kind {
    uint16_t compression;
    uint32_t rowsPerStrip;  // 0: one strip
};

// The photo as a TIFF, written once by libtiff into a temporary file.
const std::vector<uint8_t>& TiffFile(Kind kind)
{
    static std::map<std::pair<int, uint32_t>, std::vector<uint8_t>> cache;
    const auto key = std::make_pair(int(kind.compression), kind.rowsPerStrip);
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    const vb::Picture& p = vb::PhotoPixels(24);
    char path[] = "/tmp/vesko_tiff_bench_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        throw std::runtime_error("no temporary file");
    close(fd);
    TIFF* tif = TIFFOpen(path, "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, kind.compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kind.rowsPerStrip ? kind.rowsPerStrip : p.height);
    if (kind.compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    } else {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    }
    for (uint32_t y = 0; y < p.height; ++y)
        TIFFWriteScanline(tif, const_cast<uint8_t*>(&p.rgb[size_t(y) * p.width * 3]), y, 0);
    TIFFClose(tif);
    it = cache.emplace(key, vb::ReadAll(path)).first;
    std::remove(path);
    vb::MarkMemoryBaseline();
    return it->second;
}

void Vesko(benchmark::State& state, Kind kind, uint32_t bits)
{
    const std::vector<uint8_t>& file = TiffFile(kind);
    for (auto _ : state) {
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        void* pixels = is5_ReadTIFF(source, &w, &h, bits, nullptr, 0, 0);
        const int32_t error = ISGetLastError();
        is5_CloseSource(source);
        if (!pixels || error != 0) {
            state.SkipWithError("is5_ReadTIFF failed");
            break;
        }
        benchmark::ClobberMemory();
        GlobalFree(pixels);
    }
    state.SetLabel("is5_ReadTIFF from a memory source, a new GlobalAlloc block each");
}

struct Memory {
    const uint8_t* data;
    toff_t size;
    toff_t at;
};

tmsize_t MemoryRead(thandle_t h, void* out, tmsize_t n)
{
    Memory* m = static_cast<Memory*>(static_cast<void*>(h));
    const toff_t left = m->at < m->size ? m->size - m->at : 0;
    const toff_t count = toff_t(n) < left ? toff_t(n) : left;
    std::memcpy(out, m->data + m->at, count);
    m->at += count;
    return tmsize_t(count);
}
tmsize_t MemoryWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t MemorySeek(thandle_t h, toff_t offset, int whence)
{
    Memory* m = static_cast<Memory*>(static_cast<void*>(h));
    m->at = whence == SEEK_SET ? offset : whence == SEEK_CUR ? m->at + offset : m->size + offset;
    return m->at;
}
int MemoryClose(thandle_t) { return 0; }
toff_t MemorySize(thandle_t h) { return static_cast<Memory*>(static_cast<void*>(h))->size; }
int NoMap(thandle_t, void**, toff_t*) { return 0; }
void NoUnmap(thandle_t, void*, toff_t) {}

void OneShotRgba(benchmark::State& state, Kind kind)
{
    const std::vector<uint8_t>& file = TiffFile(kind);
    for (auto _ : state) {
        Memory m{file.data(), file.size(), 0};
        TIFF* tif = TIFFClientOpen("[Memory]", "r", static_cast<thandle_t>(static_cast<void*>(&m)), MemoryRead,
                                   MemoryWrite, MemorySeek, MemoryClose, MemorySize, NoMap, NoUnmap);
        uint32_t w = 0, h = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
        std::unique_ptr<uint32_t[]> raster(new uint32_t[size_t(w) * h]);
        const int ok = TIFFReadRGBAImage(tif, w, h, raster.get(), 1);
        TIFFClose(tif);
        if (!ok) {
            state.SkipWithError("TIFFReadRGBAImage failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel("libtiff TIFFReadRGBAImage from memory into a new[] raster");
}

void Vips(benchmark::State& state, Kind kind)
{
    vb::VipsLoadRun(state, TiffFile(kind), [](void* data, size_t size, VipsImage** image) {
        return vips_tiffload_buffer(data, size, image, nullptr);
    });
    state.SetLabel("libvips tiffload_buffer into memory, 1 thread");
}

#define TIFF_CASE(...) \
    BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()
#define TIFF_CASES(tag, compression, rows)                                                                   \
    TIFF_CASE(Vesko, tag##_32, Kind{compression, rows}, 32)->Name("tiff_read_24mp_" #tag "_at32/vesko");  \
    TIFF_CASE(OneShotRgba, tag##_32, Kind{compression, rows})->Name("tiff_read_24mp_" #tag "_at32/libtiff"); \
    TIFF_CASE(Vesko, tag##_24, Kind{compression, rows}, 24)->Name("tiff_read_24mp_" #tag "_at24/vesko");  \
    TIFF_CASE(Vips, tag##_24, Kind{compression, rows})->Name("tiff_read_24mp_" #tag "_at24/vips")

TIFF_CASES(lzw_r1, COMPRESSION_LZW, 1);
TIFF_CASES(lzw_r16, COMPRESSION_LZW, 16);
TIFF_CASES(lzw_strip, COMPRESSION_LZW, 0);
TIFF_CASES(deflate_r1, COMPRESSION_ADOBE_DEFLATE, 1);
TIFF_CASES(deflate_r16, COMPRESSION_ADOBE_DEFLATE, 16);
TIFF_CASES(deflate_strip, COMPRESSION_ADOBE_DEFLATE, 0);
TIFF_CASES(jpeg_r16, COMPRESSION_JPEG, 16);
TIFF_CASES(jpeg_strip, COMPRESSION_JPEG, 0);

}  // namespace
