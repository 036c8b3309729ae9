// JPEG read and write throughput of the library, for run.sh to set beside
// tjbench and djpeg on the same files.
//   jpeg_peers read FILE.jpg BITS FLAGS RUNS    is5_ReadJPG from memory
//   jpeg_peers write IMG.ppm QUALITY RUNS       is5_WriteJPG into memory
// Each measuring mode prints the median MP/s of RUNS runs; read adds a second
// figure without the cost of a fresh output buffer (GlobalAlloc of the same
// size, every page touched once), which tjbench does not pay per run.
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

int Read(const char* path, uint32_t bits, uint32_t flags, int runs)
{
    std::vector<uint8_t> file;
    if (!ReadAll(path, &file))
        return 1;
    std::vector<double> rates, decodeRates;
    for (int i = 0; i < runs; ++i) {
        HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
        uint32_t w = 0, h = 0;
        Clock::time_point start = Clock::now();
        void* buffer = is5_ReadJPG(source, &w, &h, bits, flags);
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        is5_CloseSource(source);
        if (!buffer) {
            std::fprintf(stderr, "read failed: %d\n", ISGetLastError());
            return 1;
        }
        SIZE_T bytes = GlobalSize(buffer);
        GlobalFree(buffer);
        start = Clock::now();
        HGLOBAL fresh = GlobalAlloc(GMEM_ZEROINIT, bytes);
        volatile BYTE* page = static_cast<BYTE*>(fresh);
        for (SIZE_T at = 0; at < bytes; at += 4096)
            page[at] = 1;
        GlobalFree(fresh);
        double allocSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        rates.push_back(double(w) * h / 1e6 / seconds);
        decodeRates.push_back(double(w) * h / 1e6 / std::max(seconds - allocSeconds, 1e-9));
    }
    std::printf("%.1f %.1f\n", Median(rates), Median(decodeRates));
    return 0;
}

int Write(const char* path, int32_t quality, int runs)
{
    std::vector<uint8_t> file;
    if (!ReadAll(path, &file))
        return 1;
    int width = 0, height = 0, maxval = 0, offset = 0;
    if (std::sscanf(reinterpret_cast<const char*>(file.data()), "P6 %d %d %d%n", &width, &height, &maxval, &offset) != 3)
        return 1;
    const uint8_t* pixels = file.data() + offset + 1;
    std::vector<uint8_t> block(size_t(width) * height * 3);
    std::vector<double> rates;
    for (int i = 0; i < runs; ++i) {
        CISIO_Memory sink;
        sink.AttachWrite(block.data(), static_cast<int32_t>(block.size()), FALSE);
        Clock::time_point start = Clock::now();
        int32_t size = is5_WriteJPG(reinterpret_cast<HISDEST>(static_cast<CISIO*>(&sink)), pixels, width, height, 24,
                                    width * 3, quality, nullptr, 0);
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (size <= 0 || ISGetLastError() != 0) {
            std::fprintf(stderr, "write failed: %d\n", ISGetLastError());
            return 1;
        }
        rates.push_back(double(width) * height / 1e6 / seconds);
    }
    std::printf("%.1f\n", Median(rates));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "read" && argc == 6)
        return Read(argv[2], uint32_t(std::atoi(argv[3])), uint32_t(std::strtoul(argv[4], nullptr, 0)),
                    std::atoi(argv[5]));
    if (mode == "write" && argc == 5)
        return Write(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    std::fprintf(stderr, "usage: jpeg_peers read|write ...\n");
    return 2;
}
