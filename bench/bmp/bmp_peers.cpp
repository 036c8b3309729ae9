// 24-bit bitmap read and write times of the library, for run.sh to set beside
// ImageMagick and a plain memcpy of the file's bytes.
//   bmp_peers write IMG.ppm RUNS   is5_WriteBMP into a memory sink
//   bmp_peers read FILE.bmp RUNS   is5_ReadBMP at 24 bits from memory
//   bmp_peers copy FILE RUNS       memcpy of the file's bytes into a fresh block
// Each prints the median seconds of RUNS runs.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/io.h"
#include "imaging/is5.h"

namespace {

using Clock = std::chrono::steady_clock;

bool ReadAll(const char* path, std::vector<uint8_t>* bytes)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    uint8_t buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A binary P6 as ImageMagick writes it: header lines without comments.
bool ReadPpm(const char* path, std::vector<uint8_t>* rgb, uint32_t* w, uint32_t* h)
{
    std::vector<uint8_t> file;
    if (!ReadAll(path, &file))
        return false;
    unsigned width = 0, height = 0, maxval = 0;
    int used = 0;
    std::string head(file.begin(), file.begin() + std::min<size_t>(file.size(), 64));
    if (std::sscanf(head.c_str(), "P6 %u %u %u%n", &width, &height, &maxval, &used) != 3 || maxval != 255)
        return false;
    rgb->assign(file.begin() + used + 1, file.end());
    *w = width;
    *h = height;
    return rgb->size() == size_t(width) * height * 3;
}

int Write(const char* path, int runs)
{
    std::vector<uint8_t> rgb;
    uint32_t w = 0, h = 0;
    if (!ReadPpm(path, &rgb, &w, &h))
        return 1;
    const size_t capacity = 54 + size_t((w * 3 + 3) & ~3u) * h;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        // A fresh sink per run, as a new file is.
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, capacity);
        CISIO_Memory sink;
        sink.AttachWrite(block, static_cast<int32_t>(capacity), FALSE);
        Clock::time_point start = Clock::now();
        int32_t size = is5_WriteBMP(reinterpret_cast<HISDEST>(static_cast<CISIO*>(&sink)), rgb.data(), w, h, 24,
                                    w * 3, 0, nullptr, nullptr, 0);
        times.push_back(Since(start));
        GlobalFree(block);
        if (size <= 0) {
            std::fprintf(stderr, "write failed: %d\n", ISGetLastError());
            return 1;
        }
    }
    std::printf("%.6f\n", Median(times));
    return 0;
}

int Read(const char* path, int runs)
{
    std::vector<uint8_t> file;
    if (!ReadAll(path, &file))
        return 1;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        Clock::time_point start = Clock::now();
        void* pixels = is5_ReadBMP(source, &w, &h, 24, nullptr, 0);
        times.push_back(Since(start));
        is5_CloseSource(source);
        if (!pixels) {
            std::fprintf(stderr, "read failed: %d\n", ISGetLastError());
            return 1;
        }
        GlobalFree(pixels);
    }
    std::printf("%.6f\n", Median(times));
    return 0;
}

int Copy(const char* path, int runs)
{
    std::vector<uint8_t> file;
    if (!ReadAll(path, &file))
        return 1;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, file.size());
        std::memcpy(block, file.data(), file.size());
        times.push_back(Since(start));
        volatile BYTE sink = static_cast<BYTE*>(block)[file.size() / 2];
        (void)sink;
        GlobalFree(block);
    }
    std::printf("%.6f\n", Median(times));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const std::string mode = argv[1];
    const int runs = std::max(1, std::atoi(argv[3]));
    if (mode == "write")
        return Write(argv[2], runs);
    if (mode == "read")
        return Read(argv[2], runs);
    if (mode == "copy")
        return Copy(argv[2], runs);
    return 2;
}
