// Decodes the input as a packed DIB. A header whose picture fits the capped
// allocation limit gets its block zero-padded to what it says it holds
// (table, rows, or biSizeImage for run-length streams), so any read or write
// outside it is the decoder's fault; a larger claim gets only the input and
// must be refused by the decoder's size check before it reads a pixel.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/dib/dib.h"
#include "tests/fuzz/fuzz_limit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzCapClaims();
    // Header, the largest colour table and the bit-field masks are always there.
    constexpr size_t kHead = 40 + 1024 + 12;
    BITMAPINFOHEADER h;
    std::memset(&h, 0, sizeof h);
    std::memcpy(&h, data, std::min(size, sizeof h));
    const uint64_t width = h.biWidth > 0 ? uint64_t(h.biWidth) : 0;
    const uint64_t height = h.biHeight < 0 ? uint64_t(-int64_t(h.biHeight)) : uint64_t(h.biHeight);
    const uint32_t bits = h.biBitCount;
    const bool known = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
    const uint64_t rows = known ? ISDIBRowBytes(width, bits) * height : 0;
    const uint64_t claim = std::max({rows, width * 3 * height, rle ? uint64_t(h.biSizeImage) : 0});
    const bool fits = claim <= kFuzzMaxBytes;

    std::vector<uint8_t> block(std::max<uint64_t>(size, kHead + (fits ? (rle ? h.biSizeImage : rows) : 0)), 0);
    std::memcpy(block.data(), data, size);
    std::vector<uint8_t> rgb(fits ? width * height * 3 + 1 : 1);
    CISDIB op;
    const BOOL ok = op.ISDIBToRGB(reinterpret_cast<const BITMAPINFOHEADER*>(block.data()), rgb.data());
    if (!fits && ok)
        __builtin_trap();
    return 0;
}
