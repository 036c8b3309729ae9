// Resizing the 24 MP photo to 1920x1080 and 3840x2160, one thread, input and
// output in memory. Operation names carry the vesko mode (mode17, mode8,
// mode13); implementation names carry the peer kernel that stands for it:
//   bicubic (mode 17, 4x4 taps): vips_affine with the bicubic interpolator,
//     ImageMagick's interpolative resize with Catmull-Rom interpolation;
//   lanczos3 (kernel 8): vips_reduce lanczos3, ImageMagick's resize, Lanczos;
//   catmullrom (kernel 13): vips_reduce cubic (Catmull-Rom), ImageMagick's
//     resize, Catrom.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <vips/vips.h>
#include <Magick++.h>

#include "imaging/is5.h"
#include "inputs.h"

namespace {

enum class Peer { kVipsAffine, kVipsReduce, kMagickInterpolative, kMagickResize };

struct ResizeCase {
    const char* operation;
    int32_t mode;
    VipsKernel vipsKernel;
    MagickCore::FilterTypes magickFilter;
};

const ResizeCase kCases[] = {
    {"bicubic", 17, VIPS_KERNEL_CUBIC, MagickCore::CatromFilter},
    {"lanczos3", 8, VIPS_KERNEL_LANCZOS3, MagickCore::LanczosFilter},
    {"catmullrom", 13, VIPS_KERNEL_CUBIC, MagickCore::CatromFilter},
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

void VeskoResize(benchmark::State& state, ResizeCase c, int width, int height)
{
    const vb::Picture& in = vb::PhotoPixels(24);
    const TargetSize t = Target(width, height);
    const int32_t stride = static_cast<int32_t>(in.width) * 3;
    for (auto _ : state) {
        // A new target each time, as the peers hand out a new image.
        std::vector<uint8_t> out(size_t(t.width) * t.height * 3);
        if (!is5_ResizeImage(in.rgb.data(), static_cast<int32_t>(in.width), static_cast<int32_t>(in.height), stride,
                             out.data(), t.width, t.height, t.width * 3, 3, c.mode, 0x100000)) {
            state.SkipWithError("is5_ResizeImage failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void VipsResize(benchmark::State& state, ResizeCase c, Peer peer, int width, int height)
{
    const vb::Picture& pic = vb::PhotoPixels(24);
    const TargetSize t = Target(width, height);
    VipsImage* in = vips_image_new_from_memory(pic.rgb.data(), pic.rgb.size(), static_cast<int>(pic.width),
                                               static_cast<int>(pic.height), 3, VIPS_FORMAT_UCHAR);
    const double hs = double(pic.width) / t.width, vs = double(pic.height) / t.height;
    VipsInterpolate* bicubic = vips_interpolate_new("bicubic");
    for (auto _ : state) {
        VipsImage* out = nullptr;
        const int rc = peer == Peer::kVipsAffine
                           ? vips_affine(in, &out, 1.0 / hs, 0, 0, 1.0 / vs, "interpolate", bicubic, NULL)
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
    g_object_unref(bicubic);
    g_object_unref(in);
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

void MagickResize(benchmark::State& state, ResizeCase c, Peer peer, int width, int height)
{
    const vb::Picture& pic = vb::PhotoPixels(24);
    const TargetSize t = Target(width, height);
    Magick::Image in(pic.width, pic.height, "RGB", Magick::CharPixel, pic.rgb.data());
    for (auto _ : state) {
        MagickCore::ExceptionInfo* error = MagickCore::AcquireExceptionInfo();
        MagickCore::Image* out =
            peer == Peer::kMagickInterpolative
                ? MagickCore::InterpolativeResizeImage(in.constImage(), t.width, t.height,
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
    state.counters["peak_rss_mib"] = vb::PeakRssMiB();
}

int Register()
{
    const TargetSize sizes[] = {{1920, 1080}, {3840, 2160}};
    for (const TargetSize& s : sizes) {
        for (const ResizeCase& c : kCases) {
            const std::string op = "resize_24mp_to_" + std::to_string(s.width) + "x" + std::to_string(s.height) +
                                   "_mode" + std::to_string(c.mode) + "_" + c.operation + "/";
            const bool bicubic = c.mode == 17;
            const std::string vipsName = bicubic ? "vips_affine-bicubic"
                                                 : std::string("vips_reduce-") +
                                                       (c.vipsKernel == VIPS_KERNEL_LANCZOS3 ? "lanczos3" : "cubic");
            const std::string magickName = bicubic ? "magick_interpolative-catrom"
                                                   : std::string("magick_resize-") +
                                                         (c.magickFilter == MagickCore::LanczosFilter ? "lanczos" : "catrom");
            const Peer vipsPeer = bicubic ? Peer::kVipsAffine : Peer::kVipsReduce;
            const Peer magickPeer = bicubic ? Peer::kMagickInterpolative : Peer::kMagickResize;
            benchmark::RegisterBenchmark((op + "vesko").c_str(), VeskoResize, c, s.width, s.height)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark((op + vipsName).c_str(), VipsResize, c, vipsPeer, s.width, s.height)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark((op + magickName).c_str(), MagickResize, c, magickPeer, s.width, s.height)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    return 0;
}

const int g_registered = Register();

}  // namespace
