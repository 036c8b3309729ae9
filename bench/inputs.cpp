#include "inputs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>

#include <jpeglib.h>

namespace vb {

bool g_tiny = false;

bool Tiny() { return g_tiny; }

namespace {

double g_baselineMiB = 0;

std::string Dir()
{
    const char* d = std::getenv("VESKO_BENCH_DIR");
    std::string dir = d && *d ? d : "bench-inputs";
    std::system(("mkdir -p '" + dir + "'").c_str());
    return dir;
}

void Size(int megapixels, uint32_t* w, uint32_t* h)
{
    if (Tiny()) {
        *w = 64;
        *h = 36;
        return;
    }
    // 16:9 at the requested size: 24 MP is 6528x3672, 12 MP 4608x2592.
    *w = megapixels >= 24 ? 6528 : 4608;
    *h = megapixels >= 24 ? 3672 : 2592;
}

// A field of /proc/self/status ("VmRSS", "VmHWM") in MiB; 0 when unknown.
double StatusMiB(const char* field)
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    double mib = 0;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            mib = std::strtod(line + n + 1, nullptr) / 1024.0;  // given in kB
            break;
        }
    }
    std::fclose(f);
    return mib;
}

}  // namespace

std::vector<uint8_t> ReadAll(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw std::runtime_error("cannot read " + path);
    std::vector<uint8_t> bytes;
    uint8_t buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

std::string PhotoJpegPath(int megapixels, Coding coding)
{
    uint32_t w, h;
    Size(megapixels, &w, &h);
    static const char* const kSuffix[] = {"", "-444", "-progressive", "-grey"};
    static const char* const kOptions[] = {"-sampling-factor 2x2", "-sampling-factor 1x1",
                                           "-sampling-factor 2x2 -interlace JPEG", "-colorspace Gray"};
    const int c = static_cast<int>(coding);
    std::string path = Dir() + "/photo-" + std::to_string(w) + "x" + std::to_string(h) + kSuffix[c] + ".jpg";
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f) {
        std::fclose(f);
        return path;
    }
    // The noise keeps flat-run shortcuts from flattering anyone.
    char cmd[1024];
    std::snprintf(cmd, sizeof cmd,
                  "convert -seed 7 -size %ux%u plasma:fractal -blur 0x2 -resize %ux%u! -attenuate 0.3 "
                  "+noise Gaussian -depth 8 -quality 90 %s '%s.tmp.jpg' && mv '%s.tmp.jpg' '%s'",
                  w / 4, h / 4, w, h, kOptions[c], path.c_str(), path.c_str(), path.c_str());
    if (std::system(cmd) != 0)
        throw std::runtime_error("convert failed");
    return path;
}

const std::vector<uint8_t>& PhotoJpeg(int megapixels, Coding coding)
{
    static std::map<std::pair<int, Coding>, std::vector<uint8_t>> cache;
    const auto key = std::make_pair(megapixels, coding);
    auto it = cache.find(key);
    if (it == cache.end()) {
        it = cache.emplace(key, ReadAll(PhotoJpegPath(megapixels, coding))).first;
        MarkMemoryBaseline();
    }
    return it->second;
}

const Picture& PhotoPixels(int megapixels)
{
    static std::map<int, Picture> cache;
    auto it = cache.find(megapixels);
    if (it != cache.end())
        return it->second;
    const std::vector<uint8_t>& file = PhotoJpeg(megapixels);
    Picture p;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    p.width = cinfo.output_width;
    p.height = cinfo.output_height;
    p.rgb.resize(size_t(p.width) * p.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = p.rgb.data() + size_t(cinfo.output_scanline) * p.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    const Picture& kept = cache.emplace(megapixels, std::move(p)).first->second;
    MarkMemoryBaseline();
    return kept;
}

const Picture& Photo1080()
{
    static Picture hd;
    if (hd.rgb.empty()) {
        const Picture& p = PhotoPixels(12);
        hd.width = std::min<uint32_t>(1920, p.width);
        hd.height = std::min<uint32_t>(1080, p.height);
        hd.rgb.resize(size_t(hd.width) * hd.height * 3);
        for (uint32_t r = 0; r < hd.height; ++r)
            std::memcpy(hd.rgb.data() + size_t(r) * hd.width * 3, p.rgb.data() + size_t(r) * p.width * 3,
                        size_t(hd.width) * 3);
        MarkMemoryBaseline();
    }
    return hd;
}

void MarkMemoryBaseline()
{
    // "5" resets the peak resident set to the current one (Linux 4.0 and later).
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
    g_baselineMiB = StatusMiB("VmRSS");
}

double BaselineRssMiB() { return g_baselineMiB; }

double PeakRssMiB() { return StatusMiB("VmHWM"); }

}  // namespace vb
