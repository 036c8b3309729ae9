// Times is5_ResizeImage against libvips on the same memory image; run.sh
// adds ImageMagick and prints the ratios. Usage:
//   resize_bench SRC.ppm WIDTH HEIGHT THREADS RUNS NAME...
// NAME: "mode17" or "kernelN"; prints "NAME ours_ms vips_ms" (vips_ms 0 when
// libvips has no peer).
#include <vips/vips.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/is5.h"

namespace {

bool ReadPpm(const char* path, int* w, int* h, std::vector<unsigned char>* pixels)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    int maxval = 0;
    const bool ok = std::fscanf(f, "P6 %d %d %d", w, h, &maxval) == 3 && maxval == 255 && std::fgetc(f) != EOF;
    if (ok) {
        pixels->resize(static_cast<size_t>(*w) * *h * 3);
        const bool read = std::fread(pixels->data(), 1, pixels->size(), f) == pixels->size();
        std::fclose(f);
        return read;
    }
    std::fclose(f);
    return false;
}

template <typename F>
double MedianMs(int runs, F f)
{
    f();  // warm-up
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// The libvips peer of one of ours, written to memory; false when none.
bool VipsRun(const std::string& name, VipsImage* in, int dw, int dh)
{
    VipsImage* out = nullptr;
    const double hs = static_cast<double>(in->Xsize) / dw, vs = static_cast<double>(in->Ysize) / dh;
    int rc;
    if (name == "mode17") {
        VipsInterpolate* bicubic = vips_interpolate_new("bicubic");
        rc = vips_affine(in, &out, 1.0 / hs, 0, 0, 1.0 / vs, "interpolate", bicubic, NULL);
        g_object_unref(bicubic);
    } else {
        VipsKernel kernel;
        if (name == "kernel1")
            kernel = VIPS_KERNEL_LINEAR;
        else if (name == "kernel8")
            kernel = VIPS_KERNEL_LANCZOS3;
        else if (name == "kernel9")
            kernel = VIPS_KERNEL_MITCHELL;
        else if (name == "kernel13")
            kernel = VIPS_KERNEL_CUBIC;
        else
            return false;
        rc = vips_reduce(in, &out, hs, vs, "kernel", kernel, NULL);
    }
    if (rc)
        return false;
    size_t len = 0;
    void* mem = vips_image_write_to_memory(out, &len);
    g_free(mem);
    g_object_unref(out);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 7 || VIPS_INIT(argv[0]))
        return 2;
    int sw = 0, sh = 0;
    std::vector<unsigned char> src;
    if (!ReadPpm(argv[1], &sw, &sh, &src)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const int dw = std::atoi(argv[2]), dh = std::atoi(argv[3]), threads = std::atoi(argv[4]), runs = std::atoi(argv[5]);
    std::vector<unsigned char> dst(static_cast<size_t>(dw) * dh * 3);
    is5_Initialize("");
    const int flags = threads == 1 ? 0x100000 : 0;
    vips_concurrency_set(threads);
    vips_cache_set_max(0);
    VipsImage* in = vips_image_new_from_memory(src.data(), src.size(), sw, sh, 3, VIPS_FORMAT_UCHAR);

    for (int a = 6; a < argc; ++a) {
        const std::string name = argv[a];
        const int mode = name == "mode17" ? 17 : std::atoi(name.c_str() + 6);
        const double ours = MedianMs(runs, [&] {
            is5_ResizeImage(src.data(), sw, sh, sw * 3, dst.data(), dw, dh, dw * 3, 3, mode, flags);
        });
        double peer = 0;
        if (VipsRun(name, in, dw, dh))
            peer = MedianMs(runs, [&] { VipsRun(name, in, dw, dh); });
        std::printf("%s %.1f %.1f\n", name.c_str(), ours, peer);
        std::fflush(stdout);
    }
    g_object_unref(in);
    vips_shutdown();
    return 0;
}
