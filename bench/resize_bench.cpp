// Resizing the 24 MP photo to 1920x1080 and 3840x2160, input and output in
// memory, one thread unless the name ends in _4t. Operation names carry the
// vesko mode; implementation names carry the peer operation and kernel that
// stands for it:
//   bicubic (mode 17, 4x4 taps): vips_affine with the bicubic interpolator,
//     ImageMagick's interpolative resize with Catmull-Rom interpolation;
//   the filter kernels (modes 0 to 13): vips_reduce where libvips has the
//     kernel (linear, lanczos3, mitchell, cubic = Catmull-Rom), ImageMagick's
//     resize with the filter of the same name (B-spline: Cubic, bell:
//     Quadratic). Modes 7 and 11 repeat the kernels of 5 and 6 and are left out.
// Every mode at 3840x2160; bicubic, Lanczos 3 and Catmull-Rom also at
// 1920x1080, and bicubic at 3840x2160 on 4 threads (the pool, libvips and
// ImageMagick each at 4).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <vips/vips.h>
#include <Magick++.h>

#include "imaging/is5.h"
#include "inputs.h"

namespace {

struct ResizeCase {
    const char* operation;
    int32_t mode;
    const char* vipsKernelName;  // null: libvips has no such kernel
    VipsKernel vipsKernel;
    const char* magickFilterName;
    MagickCore::FilterTypes magickFilter;
    bool alsoAt1080p;
};

const ResizeCase kCases[] = {
    {"bicubic", IS5_RESIZE_BICUBIC, "bicubic", VIPS_KERNEL_CUBIC, "catrom", MagickCore::CatromFilter, true},
    {"lanczos3", IS5_RESIZE_LANCZOS3, "lanczos3", VIPS_KERNEL_LANCZOS3, "lanczos", MagickCore::LanczosFilter, true},
    {"catmullrom", IS5_RESIZE_CATMULL_ROM, "cubic", VIPS_KERNEL_CUBIC, "catrom", MagickCore::CatromFilter, true},
    {"box", IS5_RESIZE_BOX, nullptr, VIPS_KERNEL_NEAREST, "box", MagickCore::BoxFilter, false},
    {"triangle", IS5_RESIZE_TRIANGLE, "linear", VIPS_KERNEL_LINEAR, "triangle", MagickCore::TriangleFilter, false},
    {"hamming", IS5_RESIZE_HAMMING, nullptr, VIPS_KERNEL_NEAREST, "hamming", MagickCore::HammingFilter, false},
    {"gaussian", IS5_RESIZE_GAUSSIAN, nullptr, VIPS_KERNEL_NEAREST, "gaussian", MagickCore::GaussianFilter, false},
    {"bell", IS5_RESIZE_BELL, nullptr, VIPS_KERNEL_NEAREST, "quadratic", MagickCore::QuadraticFilter, false},
    {"bspline", IS5_RESIZE_BSPLINE, nullptr, VIPS_KERNEL_NEAREST, "cubic", MagickCore::CubicFilter, false},
    {"hermite", IS5_RESIZE_HERMITE, nullptr, VIPS_KERNEL_NEAREST, "hermite", MagickCore::HermiteFilter, false},
    {"mitchell", IS5_RESIZE_MITCHELL, "mitchell", VIPS_KERNEL_MITCHELL, "mitchell", MagickCore::MitchellFilter,
     false},
    {"sinc", IS5_RESIZE_SINC, nullptr, VIPS_KERNEL_NEAREST, "sinc", MagickCore::SincFilter, false},
    {"hanning", IS5_RESIZE_HANNING, nullptr, VIPS_KERNEL_NEAREST, "hanning", MagickCore::HanningFilter, false},
};

struct TargetSize {
    int width;
    int height;
};

// Tiny mode shrinks the 64x36 input instead.
TargetSize Target(int width, int height)
{
    return vb::Tiny() ? TargetSize{width / 60, height / 60} : TargetSize{width, height};
}

void VeskoResize(benchmark::State& state, ResizeCase c, int width, int height, int threads)
{
    const vb::Picture& in = vb::PhotoPixels(24);
    const TargetSize t = Target(width, height);
    const int32_t stride = static_cast<int32_t>(in.width) * 3;
    const int32_t flags = threads == 1 ? static_cast<int32_t>(IS5_NO_SPLIT) : 0;
    for (auto _ : state) {
        // A new target each time, as the peers hand out a new image.
        std::vector<uint8_t> out(size_t(t.width) * t.height * 3);
        if (!is5_ResizeImage(in.rgb.data(), static_cast<int32_t>(in.width), static_cast<int32_t>(in.height), stride,
                             out.data(), t.width, t.height, t.width * 3, 3, c.mode, flags)) {
            state.SkipWithError("is5_ResizeImage failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void VipsResize(benchmark::State& state, ResizeCase c, int width, int height, int threads)
{
    const vb::Picture& pic = vb::PhotoPixels(24);
    const TargetSize t = Target(width, height);
    VipsImage* in = vips_image_new_from_memory(pic.rgb.data(), pic.rgb.size(), static_cast<int>(pic.width),
                                               static_cast<int>(pic.height), 3, VIPS_FORMAT_UCHAR);
    const double hs = double(pic.width) / t.width, vs = double(pic.height) / t.height;
    VipsInterpolate* bicubic = vips_interpolate_new("bicubic");
    const bool affine = c.mode == IS5_RESIZE_BICUBIC;
    vips_concurrency_set(threads);
    for (auto _ : state) {
        VipsImage* out = nullptr;
        const int rc = affine ? vips_affine(in, &out, 1.0 / hs, 0, 0, 1.0 / vs, "interpolate", bicubic, NULL)
                              : vips_reduce(in, &out, hs, vs, "kernel", c.vipsKernel, NULL);
        size_t bytes = 0;
        void* mem = rc ? nullptr : vips_image_write_to_memory(out, &bytes);
        if (out)
            g_object_unref(out);
        if (!mem) {
            state.SkipWithError("libvips failed");
            break;
        }
        benchmark::DoNotOptimize(mem);
        g_free(mem);
    }
    vips_concurrency_set(1);
    g_object_unref(bicubic);
    g_object_unref(in);
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void MagickResize(benchmark::State& state, ResizeCase c, int width, int height, int threads)
{
    const vb::Picture& pic = vb::PhotoPixels(24);
    const TargetSize t = Target(width, height);
    Magick::Image in(pic.width, pic.height, "RGB", Magick::CharPixel, pic.rgb.data());
    const bool interpolative = c.mode == IS5_RESIZE_BICUBIC;
    Magick::ResourceLimits::thread(threads);
    for (auto _ : state) {
        MagickCore::ExceptionInfo* error = MagickCore::AcquireExceptionInfo();
        MagickCore::Image* out =
            interpolative ? MagickCore::InterpolativeResizeImage(in.constImage(), t.width, t.height,
                                                                 MagickCore::CatromInterpolatePixel, error)
                          : MagickCore::ResizeImage(in.constImage(), t.width, t.height, c.magickFilter, 1.0, error);
        MagickCore::DestroyExceptionInfo(error);
        if (!out) {
            state.SkipWithError("ImageMagick failed");
            break;
        }
        benchmark::DoNotOptimize(out);
        MagickCore::DestroyImage(out);
    }
    Magick::ResourceLimits::thread(1);
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void RegisterCase(const ResizeCase& c, TargetSize s, int threads)
{
    const bool bicubic = c.mode == IS5_RESIZE_BICUBIC;
    const std::string op = "resize_24mp_to_" + std::to_string(s.width) + "x" + std::to_string(s.height) + "_mode" +
                           std::to_string(c.mode) + "_" + c.operation + (threads > 1 ? "_4t" : "") + "/";
    const std::string magickName =
        std::string(bicubic ? "magick_interpolative-" : "magick_resize-") + c.magickFilterName;
    // On several threads the CPU time is the whole process's.
    auto timing = [threads](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->UseRealTime();
        if (threads > 1)
            b->MeasureProcessCPUTime();
    };
    timing(benchmark::RegisterBenchmark((op + "vesko").c_str(), VeskoResize, c, s.width, s.height, threads));
    if (c.vipsKernelName) {
        const std::string vipsName = std::string(bicubic ? "vips_affine-" : "vips_reduce-") + c.vipsKernelName;
        timing(benchmark::RegisterBenchmark((op + vipsName).c_str(), VipsResize, c, s.width, s.height, threads));
    }
    timing(benchmark::RegisterBenchmark((op + magickName).c_str(), MagickResize, c, s.width, s.height, threads));
}

int Register()
{
    for (const ResizeCase& c : kCases)
        if (c.alsoAt1080p)
            RegisterCase(c, {1920, 1080}, 1);
    for (const ResizeCase& c : kCases)
        RegisterCase(c, {3840, 2160}, 1);
    RegisterCase(kCases[0], {3840, 2160}, 4);
    return 0;
}

const int g_registered = Register();

}  // namespace
