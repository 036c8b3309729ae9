// Packed DIBs in memory: sizes, builders from RGB, RGBA and palette images,
// and decoding back to R,G,B rows. A packed DIB is one block holding a 40-byte
// BITMAPINFOHEADER, its colour table (or three bit-field masks) and bottom-up
// rows padded to 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../platform/winshim.h"

// Bytes of one DIB row: (width x bits + 31) / 32 x 4.
inline uint64_t ISDIBRowBytes(uint64_t width, uint32_t bits) { return (width * bits + 31) / 32 * 4; }

// Flags of ISRGBToDIB.
constexpr uint32_t kISDibSourceBGR = 0x1;       // the source is already B,G,R
constexpr uint32_t kISDibSourceBottomUp = 0x2;  // the source rows are stored bottom-up

// The DIB operations. Each stores its library code in m_status (0 success,
// 1 memory, 5 bad argument or header, 7 unsupported compression).
class CISDIB {
public:
    int32_t m_status = 0;
    void ISClearStatus() { m_status = 0; }

    // Byte size of a packed DIB of 1, 4, 8, 24 or 32 bits; 0 with status 5
    // for other bit counts, 0 with status 1 above the allocation limit.
    uint64_t ISCalcDIBSize(uint32_t width, uint32_t height, uint32_t bits, uint32_t entries);
    // First pixel byte of a packed DIB; null with status 5 for a bad header.
    const BYTE* ISDIBPixelStart(const BITMAPINFOHEADER* dib);

    // A 24-bit DIB from 3-byte pixels; `memory` (at least ISCalcDIBSize bytes)
    // is filled when given, else a block is allocated. Stride 0 = packed.
    BITMAPINFOHEADER* ISRGBToDIB(const BYTE* pixels, uint32_t width, uint32_t height, size_t stride, void* memory,
                                 uint32_t flags);
    // The row copy of ISRGBToDIB into `rows`, the DIB's bottom row first.
    void ISRGBToDIBRows(const BYTE* pixels, uint32_t width, uint32_t height, size_t stride, BYTE* rows,
                        size_t rowBytes, uint32_t flags);
    // A 32-bit DIB (B,G,R,A) from R,G,B,A pixels.
    BITMAPINFOHEADER* ISRGBAToDIB(const BYTE* pixels, uint32_t width, uint32_t height, size_t stride, void* memory);
    // A 1-, 4- or 8-bit DIB from one-byte indices with `entries` palette colours.
    BITMAPINFOHEADER* ISPaletteImageToDIB(const BYTE* indices, uint32_t width, uint32_t height, size_t stride,
                                          uint32_t entries, uint32_t bits, const RGBQUAD* palette, void* memory);

    // Width x |height| x 3 bytes of R,G,B, the picture's top row first.
    BOOL ISDIBToRGB(const BITMAPINFOHEADER* dib, BYTE* target);

private:
    BOOL Fail(int32_t code)
    {
        m_status = code;
        return FALSE;
    }
    BOOL DecodeRLE(const BITMAPINFOHEADER& header, const BYTE* stream, const RGBQUAD* palette, BYTE* target);
};
