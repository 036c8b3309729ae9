// Builds the desktop picture from a picture file as the program does (cover,
// sharpness 2, 24-bit BMP) and prints the milliseconds of each build, timed
// in-process, and their median.
//   wallpapertool IN OUT.bmp WIDTH HEIGHT [RUNS]
// One build before the timed ones warms the caches and the thread pool.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "imaging/is5.h"
#include "common/picturedb/picture_record.h"
#include "wallpaper/wallpaper.h"

int main(int argc, char** argv)
{
    if (argc < 5 || argc > 6) {
        fprintf(stderr, "usage: wallpapertool IN OUT.bmp WIDTH HEIGHT [RUNS]\n");
        return 2;
    }
    const int width = atoi(argv[3]), height = atoi(argv[4]);
    const int runs = argc > 5 ? atoi(argv[5]) : 10;
    if (width <= 0 || height <= 0 || runs <= 0) {
        fprintf(stderr, "wallpapertool: bad size or run count\n");
        return 2;
    }
    is5_Initialize("");
    PictureRecord record;
    MakeBuiltinPictureRecord(1, &record);
    record.cropToFill = 1;
    record.sharpness = 2;

    if (!RenderFileWallpaper(argv[1], argv[2], width, height, 1, &record)) {
        fprintf(stderr, "wallpapertool: no picture from %s\n", argv[1]);
        ISShutdown();
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < runs; i++) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        int ok = RenderFileWallpaper(argv[1], argv[2], width, height, 1, &record);
        QueryPerformanceCounter(&end);
        if (!ok) {
            fprintf(stderr, "wallpapertool: run %d failed\n", i + 1);
            ISShutdown();
            return 1;
        }
        times.push_back(1000.0 * (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart);
        printf("run %d: %.1f ms\n", i + 1, times.back());
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    printf("median_ms %.2f\n", median);
    ISShutdown();
    return 0;
}
