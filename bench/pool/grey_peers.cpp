// RGB-to-grey throughput of the library, for run.sh to set beside Pillow.
//   grey_peers IMG.ppm RUNS
// Prints two figures, the median MP/s of RUNS runs on one band (0x100000) and
// on the pool; the picture is held in memory and the target is reused.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "imaging/convert/convert.h"
#include "imaging/is5.h"

namespace {

using Clock = std::chrono::steady_clock;

bool ReadPpm(const char* path, uint32_t* width, uint32_t* height, std::vector<uint8_t>* rgb)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    unsigned w = 0, h = 0, maxval = 0;
    const bool ok = std::fscanf(f, "P6 %u %u %u", &w, &h, &maxval) == 3 && maxval == 255 && std::fgetc(f) != EOF;
    if (ok) {
        rgb->resize(size_t(w) * h * 3);
        *width = w;
        *height = h;
    }
    const bool read = ok && std::fread(rgb->data(), 1, rgb->size(), f) == rgb->size();
    std::fclose(f);
    return read;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Rate(const std::vector<uint8_t>& rgb, uint32_t w, uint32_t h, std::vector<uint8_t>* grey, uint32_t flags,
            int runs)
{
    std::vector<double> seconds;
    for (int i = 0; i <= runs; ++i) {
        CISImgUtil op;
        const auto start = Clock::now();
        if (!op.ISRGBToGrey(rgb.data(), w, h, 3, size_t(w) * 3, w, flags, grey->data())) {
            std::fprintf(stderr, "ISRGBToGrey failed: %d\n", op.m_status);
            std::exit(1);
        }
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        if (i > 0)  // the first run only warms the caches and the pool
            seconds.push_back(s);
    }
    return double(w) * h / 1e6 / Median(seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: grey_peers IMG.ppm RUNS\n");
        return 2;
    }
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgb;
    if (!ReadPpm(argv[1], &w, &h, &rgb)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const int runs = std::max(5, std::atoi(argv[2]));
    is5_Initialize("");
    std::vector<uint8_t> grey(size_t(w) * h);
    const double single = Rate(rgb, w, h, &grey, 0x100000, runs);
    const double pooled = Rate(rgb, w, h, &grey, 0, runs);
    std::printf("%.1f %.1f\n", single, pooled);
    ISShutdown();
    return 0;
}
