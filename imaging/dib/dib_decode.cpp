// Packed DIB to R,G,B rows: uncompressed rows, bit fields, RLE8 and RLE4.
// The header is untrusted: reads stay inside the header, the colour table and
// the image size the header implies (biSizeImage for run-length streams).
#include <cstring>

#include "../convert/convert.h"
#include "../core/buffers.h"
#include "dib.h"

namespace {

bool KnownBitCount(uint32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool CompressionFits(uint32_t compression, uint32_t bits)
{
    switch (compression) {
    case BI_RGB:
        return true;
    case BI_BITFIELDS:
        return bits == 16 || bits == 32;
    case BI_RLE8:
        return bits == 8;
    case BI_RLE4:
        return bits == 4;
    default:
        return false;
    }
}

}  // namespace

BOOL CISDIB::ISDIBToRGB(const BITMAPINFOHEADER* dib, BYTE* target)
{
    if (!dib || !target)
        return Fail(5);
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib, sizeof h);
    if (h.biSize != 40 || !KnownBitCount(h.biBitCount) || h.biClrUsed > 256 || h.biWidth <= 0 || h.biHeight == 0)
        return Fail(5);
    const bool topDown = h.biHeight < 0;
    const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
    if (!CompressionFits(h.biCompression, h.biBitCount))
        return Fail(7);
    if (rle && topDown)
        return Fail(5);

    const uint32_t width = static_cast<uint32_t>(h.biWidth);
    const uint32_t height = static_cast<uint32_t>(topDown ? -int64_t(h.biHeight) : int64_t(h.biHeight));
    const uint32_t bits = h.biBitCount;
    const uint64_t rowBytes = ISDIBRowBytes(width, bits);
    if (rowBytes * height > ISMaxAlloc() || uint64_t(width) * 3 * height > ISMaxAlloc())
        return Fail(1);
    // No block the library handles holds a longer run-length stream.
    if (rle && h.biSizeImage > ISMaxAlloc())
        return Fail(1);

    const BYTE* base = reinterpret_cast<const BYTE*>(dib);
    const BYTE* pixels = ISDIBPixelStart(dib);
    if (!pixels)
        return FALSE;

    // Indices beyond a short table read black, not the bytes after it.
    RGBQUAD palette[256] = {};
    if (bits <= 8) {
        const uint32_t entries = h.biClrUsed ? h.biClrUsed : (1u << bits);
        std::memcpy(palette, base + 40, size_t(entries) * 4);
    }

    if (rle) {
        if (h.biSizeImage == 0)
            return Fail(5);
        return DecodeRLE(h, pixels, palette, target);
    }

    uint32_t masks[3] = {0, 0, 0};
    const bool fields = h.biCompression == BI_BITFIELDS;
    if (fields)
        std::memcpy(masks, base + 40, sizeof masks);
    CISImgUtil util;
    const size_t outRow = size_t(width) * 3;
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t sy = topDown ? y : height - 1 - y;
        if (!util.ISDIBRowToRGB(pixels + sy * rowBytes, target + y * outRow, width, bits, palette,
                                fields ? masks : nullptr, FALSE, 0, FALSE))
            return Fail(util.m_status);
    }
    return TRUE;
}

BOOL CISDIB::DecodeRLE(const BITMAPINFOHEADER& header, const BYTE* stream, const RGBQUAD* palette, BYTE* target)
{
    const uint64_t width = static_cast<uint32_t>(header.biWidth);
    const uint64_t height = static_cast<uint32_t>(header.biHeight);
    const uint64_t size = header.biSizeImage;
    const bool rle8 = header.biCompression == BI_RLE8;
    const size_t outRow = size_t(width) * 3;

    // Pixels no code reaches keep the colour of entry 0.
    for (uint64_t i = 0; i < width * height; ++i) {
        target[3 * i] = palette[0].rgbRed;
        target[3 * i + 1] = palette[0].rgbGreen;
        target[3 * i + 2] = palette[0].rgbBlue;
    }

    // x and y count from the bottom-left corner; positions off the image are skipped.
    uint64_t x = 0, y = 0, pos = 0;
    auto put = [&](uint32_t index) {
        if (x < width && y < height) {
            BYTE* p = target + size_t(height - 1 - y) * outRow + size_t(x) * 3;
            p[0] = palette[index].rgbRed;
            p[1] = palette[index].rgbGreen;
            p[2] = palette[index].rgbBlue;
        }
        ++x;
    };

    while (pos + 2 <= size && y < height) {
        const uint32_t count = stream[pos];
        const uint32_t code = stream[pos + 1];
        pos += 2;
        if (count > 0) {
            for (uint32_t i = 0; i < count && x < width; ++i)
                put(rle8 ? code : ((i & 1) ? (code & 0x0F) : (code >> 4)));
            continue;
        }
        switch (code) {
        case 0:  // end of line
            x = 0;
            ++y;
            break;
        case 1:  // end of bitmap
            return TRUE;
        case 2:  // delta
            if (pos + 2 > size)
                return TRUE;
            x += stream[pos];
            y += stream[pos + 1];
            pos += 2;
            break;
        default: {  // absolute run, padded to 16 bits
            const uint64_t bytes = rle8 ? code : (code + 1) / 2;
            const uint64_t available = size - pos < bytes ? size - pos : bytes;
            for (uint32_t i = 0; i < code; ++i) {
                const uint64_t at = rle8 ? i : i / 2;
                if (at >= available)
                    return TRUE;
                const BYTE b = stream[pos + at];
                put(rle8 ? b : ((i & 1) ? (b & 0x0F) : (b >> 4)));
            }
            pos += (bytes + 1) & ~uint64_t(1);
            break;
        }
        }
    }
    // Streams without an end-of-bitmap code end at biSizeImage.
    return TRUE;
}
