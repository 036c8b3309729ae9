// Windows bitmap files: the file, info and core headers, read and written
// field by field in little-endian order, shared by the reader and the writer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../platform/winshim.h"

constexpr uint32_t kBmpFileHeaderBytes = 14;
constexpr uint32_t kBmpInfoHeaderBytes = 40;
constexpr uint32_t kBmpCoreHeaderBytes = 12;
constexpr uint16_t kBmpType = 0x4D42;  // "BM"

inline uint16_t ISGetLE16(const BYTE* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ISGetLE32(const BYTE* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void ISPutLE16(BYTE* p, uint32_t v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}
inline void ISPutLE32(BYTE* p, uint32_t v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}

struct ISBmpFileHeader {
    uint16_t type = 0;
    uint32_t fileSize = 0;
    uint32_t offBits = 0;
};

// The info header's fields; a core header fills the same record (its width
// and height are unsigned 16-bit, its rows always bottom-up).
struct ISBmpInfo {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t colorsUsed = 0;
    uint32_t colorsImportant = 0;
};

void ISBmpParseFileHeader(const BYTE bytes[kBmpFileHeaderBytes], ISBmpFileHeader* header);
void ISBmpParseInfoHeader(const BYTE bytes[kBmpInfoHeaderBytes], ISBmpInfo* info);
void ISBmpParseCoreHeader(const BYTE bytes[kBmpCoreHeaderBytes], ISBmpInfo* info);
void ISBmpPutFileHeader(const ISBmpFileHeader& header, BYTE bytes[kBmpFileHeaderBytes]);
void ISBmpPutInfoHeader(const ISBmpInfo& info, BYTE bytes[kBmpInfoHeaderBytes]);

// 1, 4, 8, 16, 24 or 32.
inline bool ISBmpKnownBitCount(uint32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}
// rows x rowBytes + extra, or false when that passes `limit`.
inline bool ISBmpSizeWithin(uint64_t rowBytes, uint64_t rows, uint64_t extra, uint64_t limit, uint64_t* size)
{
    if (extra > limit || (rows && rowBytes > (limit - extra) / rows))
        return false;
    *size = rowBytes * rows + extra;
    return true;
}
// Bytes of one stored row: width x bits rounded up to 4 bytes.
inline uint64_t ISBmpRowBytes(uint64_t width, uint32_t bits) { return (width * bits + 31) / 32 * 4; }

// Copy `count` pixels of 3 or 4 bytes with the first and third byte
// exchanged; the fourth byte stays. Source and target may be the same.
void ISBmpCopySwap24(const BYTE* source, BYTE* target, size_t count);
void ISBmpCopySwap32(const BYTE* source, BYTE* target, size_t count);
