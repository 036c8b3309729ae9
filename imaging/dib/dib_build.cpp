// Packed DIBs built from the library's RGB, RGBA and palette images.
#include <cstring>

#include "../core/buffers.h"
#include "../core/frame.h"
#include "dib.h"

namespace {

void WriteHeader(BITMAPINFOHEADER* header, uint32_t width, uint32_t height, uint32_t bits, uint64_t imageBytes,
                 uint32_t entries)
{
    std::memset(header, 0, sizeof(*header));
    header->biSize = 40;
    header->biWidth = static_cast<LONG>(width);
    header->biHeight = static_cast<LONG>(height);
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(imageBytes);
    header->biClrUsed = entries;
    header->biClrImportant = entries;
}

// The caller's memory, or a fresh zero-filled block that `allocator` owns
// until the builder succeeds.
BYTE* TakeMemory(void* memory, uint64_t bytes, CISOutBufAllocator* allocator)
{
    if (memory)
        return static_cast<BYTE*>(memory);
    if (!allocator->Alloc(bytes))
        return nullptr;
    return allocator->GetData();
}

// Hands an allocated block to the caller; the caller's own memory stays theirs.
BITMAPINFOHEADER* Finish(void* memory, BYTE* block, CISOutBufAllocator* allocator)
{
    if (!memory)
        return static_cast<BITMAPINFOHEADER*>(allocator->Release());
    return reinterpret_cast<BITMAPINFOHEADER*>(block);
}

// Checks the common arguments and turns stride 0 into the packed stride.
bool CheckImage(const void* pixels, uint32_t width, uint32_t height, size_t* stride, uint32_t bytesPerPixel)
{
    if (!pixels || width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
        return false;
    const uint64_t packed = uint64_t(width) * bytesPerPixel;
    if (*stride == 0)
        *stride = static_cast<size_t>(packed);
    return *stride >= packed;
}

}  // namespace

void CISDIB::ISRGBToDIBRows(const BYTE* pixels, uint32_t width, uint32_t height, size_t stride, BYTE* rows,
                            size_t rowBytes, uint32_t flags)
{
    const size_t used = size_t(width) * 3;
    for (uint32_t y = 0; y < height; ++y) {
        // DIB row y is the picture's row height-1-y unless the source is bottom-up too.
        const uint32_t sy = (flags & kISDibSourceBottomUp) ? y : height - 1 - y;
        const BYTE* src = pixels + size_t(sy) * stride;
        BYTE* dst = rows + size_t(y) * rowBytes;
        if (flags & kISDibSourceBGR) {
            std::memcpy(dst, src, used);
        } else {
            for (uint32_t x = 0; x < width; ++x, src += 3, dst += 3) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
        }
        std::memset(rows + size_t(y) * rowBytes + used, 0, rowBytes - used);
    }
}

BITMAPINFOHEADER* CISDIB::ISRGBToDIB(const BYTE* pixels, uint32_t width, uint32_t height, size_t stride,
                                     void* memory, uint32_t flags)
{
    if (!CheckImage(pixels, width, height, &stride, 3)) {
        m_status = 5;
        return nullptr;
    }
    const uint64_t size = ISCalcDIBSize(width, height, 24, 0);
    if (!size)
        return nullptr;
    CISOutBufAllocator allocator;
    BYTE* block = TakeMemory(memory, size, &allocator);
    if (!block) {
        m_status = 1;
        return nullptr;
    }
    const uint64_t rowBytes = ISDIBRowBytes(width, 24);
    WriteHeader(reinterpret_cast<BITMAPINFOHEADER*>(block), width, height, 24, rowBytes * height, 0);
    ISRGBToDIBRows(pixels, width, height, stride, block + 40, static_cast<size_t>(rowBytes), flags);
    return Finish(memory, block, &allocator);
}

BITMAPINFOHEADER* CISDIB::ISRGBAToDIB(const BYTE* pixels, uint32_t width, uint32_t height, size_t stride,
                                      void* memory)
{
    if (!CheckImage(pixels, width, height, &stride, 4)) {
        m_status = 5;
        return nullptr;
    }
    const uint64_t size = ISCalcDIBSize(width, height, 32, 0);
    if (!size)
        return nullptr;
    CISOutBufAllocator allocator;
    BYTE* block = TakeMemory(memory, size, &allocator);
    if (!block) {
        m_status = 1;
        return nullptr;
    }
    const size_t rowBytes = size_t(width) * 4;
    WriteHeader(reinterpret_cast<BITMAPINFOHEADER*>(block), width, height, 32, uint64_t(rowBytes) * height, 0);
    // Straight into bottom-up order: no second pass to flip the rows.
    for (uint32_t y = 0; y < height; ++y) {
        const BYTE* src = pixels + size_t(height - 1 - y) * stride;
        BYTE* dst = block + 40 + size_t(y) * rowBytes;
        for (uint32_t x = 0; x < width; ++x, src += 4, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
        }
    }
    return Finish(memory, block, &allocator);
}

BITMAPINFOHEADER* CISDIB::ISPaletteImageToDIB(const BYTE* indices, uint32_t width, uint32_t height, size_t stride,
                                              uint32_t entries, uint32_t bits, const RGBQUAD* palette, void* memory)
{
    if (!palette || entries == 0 || !CheckImage(indices, width, height, &stride, 1)) {
        m_status = 5;
        return nullptr;
    }
    if (bits != 1 && bits != 4 && bits != 8) {
        m_status = 5;
        return nullptr;
    }
    // A table longer than the bits can index would not fit the block.
    if (entries > (1u << bits))
        entries = 1u << bits;
    const uint64_t size = ISCalcDIBSize(width, height, bits, entries);
    if (!size)
        return nullptr;
    CISOutBufAllocator allocator;
    BYTE* block = TakeMemory(memory, size, &allocator);
    if (!block) {
        m_status = 1;
        return nullptr;
    }
    const uint64_t rowBytes = ISDIBRowBytes(width, bits);
    WriteHeader(reinterpret_cast<BITMAPINFOHEADER*>(block), width, height, bits, rowBytes * height, entries);
    std::memcpy(block + 40, palette, size_t(entries) * 4);
    BYTE* rows = block + 40 + size_t(entries) * 4;
    const uint32_t mask = (1u << bits) - 1;
    for (uint32_t y = 0; y < height; ++y) {
        const BYTE* src = indices + size_t(height - 1 - y) * stride;
        BYTE* dst = rows + size_t(y) * rowBytes;
        std::memset(dst, 0, static_cast<size_t>(rowBytes));
        // Leftmost pixel in the most significant bits.
        uint32_t bit = 0;
        for (uint32_t x = 0; x < width; ++x, bit += bits)
            dst[bit / 8] |= static_cast<BYTE>((src[x] & mask) << (8 - bits - bit % 8));
    }
    return Finish(memory, block, &allocator);
}
