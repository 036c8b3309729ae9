// Benchmark inputs, generated once per size with ImageMagick and kept in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vb {

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;  // packed R,G,B rows
};

// True when --tiny was given: every input is a few pixels, each case runs once.
bool Tiny();

// The whole file; throws when it cannot be read.
std::vector<uint8_t> ReadAll(const std::string& path);

// How the photo is coded: q90 4:2:0 by default, or 4:4:4, progressive
// (4:2:0) or grey.
enum class Coding { k420, k444, kProgressive, kGrey };

// A photo-like q90 JPEG (plasma fractal, blurred, with noise) of about
// `megapixels` (16:9); tiny mode gives 64x36.
const std::vector<uint8_t>& PhotoJpeg(int megapixels, Coding coding = Coding::k420);
// The 4:2:0 picture decoded (by libjpeg directly).
const Picture& PhotoPixels(int megapixels);
// The top-left 1920x1080 of the 12 MP picture (smaller in tiny mode).
const Picture& Photo1080();
// Its path on disk, for peers that read files.
std::string PhotoJpegPath(int megapixels, Coding coding = Coding::k420);

// Memory of a case. Each case runs in a process of its own (tools/bench), so
// the kernel's peak resident set is that case's; it is reset when an input has
// been loaded, and the resident set at that moment is the baseline, so that
// peak - baseline is what the case itself needed. Cases may mark again after
// a set-up of their own that should not count.
void MarkMemoryBaseline();
// Resident set when last marked (0 before any mark), in MiB.
double BaselineRssMiB();
// Peak resident set since the last mark (of the whole process before any), in MiB.
double PeakRssMiB();

}  // namespace vb
