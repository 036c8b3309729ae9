// Decodes the input as a packed DIB. The block is zero-padded to what the
// header says it holds (table, rows, or biSizeImage for run-length streams),
// so any read or write outside it is the decoder's fault.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/dib/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr uint64_t kLimit = 4u << 20;
    if (size < 40 || size > kLimit)
        return 0;
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    const uint64_t width = h.biWidth > 0 ? uint64_t(h.biWidth) : 0;
    const uint64_t height = h.biHeight < 0 ? uint64_t(-int64_t(h.biHeight)) : uint64_t(h.biHeight);
    const uint32_t bits = h.biBitCount;
    uint64_t offset = 40 + 12;
    if (bits >= 1 && bits <= 8 && h.biClrUsed <= 256)
        offset = 40 + 4ull * (h.biClrUsed ? h.biClrUsed : (1u << bits));
    const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
    const uint64_t image = rle ? h.biSizeImage : ISDIBRowBytes(width, bits <= 32 ? bits : 32) * height;
    if (width * height * 3 > kLimit || offset + image > kLimit)
        return 0;
    std::vector<uint8_t> block(std::max<uint64_t>(size, offset + image), 0);
    std::memcpy(block.data(), data, size);
    std::vector<uint8_t> rgb(width * height * 3 + 1);
    CISDIB op;
    op.ISDIBToRGB(reinterpret_cast<const BITMAPINFOHEADER*>(block.data()), rgb.data());
    return 0;
}
