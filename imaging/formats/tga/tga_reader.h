// The TGA reader: one object per is5_ReadTGA or is5_GetTGADims call.
#pragma once

#include <cstdint>

#include "../../core/frame.h"
#include "../../core/io.h"
#include "../reader_entry.h"

// Flag of is5_ReadTGA beside IS5_DIB: rows padded to 4 bytes, blue first.
constexpr uint32_t kTgaReadPadded = 0x8;
constexpr uint32_t kTgaHeaderBytes = 18;
constexpr uint32_t kTgaFooterBytes = 26;
constexpr uint32_t kTgaExtensionBytes = 495;

struct ISTgaHeader {
    uint32_t idLength = 0;
    uint32_t mapType = 0;
    uint32_t imageType = 0;
    uint32_t mapFirst = 0;
    uint32_t mapLength = 0;
    uint32_t mapEntryBits = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pixelBits = 0;
    uint32_t descriptor = 0;
};

void ISTgaParseHeader(const BYTE* bytes, ISTgaHeader* header);
bool ISTgaKnownType(uint32_t type);

class CISTGAReader {
public:
    int32_t m_status = 0;

    BOOL Dims(CISIO* io, uint32_t* width, uint32_t* height, uint32_t* bits);
    // Both keep the call's buffer after a failure inside the pixels.
    void ReadRGB(CISReadCall& call, uint32_t depth, uint32_t flags, uint32_t* width, uint32_t* height);
    void Read8(CISReadCall& call, RGBQUAD* palette, uint32_t flags, uint32_t* width, uint32_t* height);

private:
    bool Fail(int32_t code)
    {
        m_status = code;
        return false;
    }
    uint32_t Stop(int32_t code, uint32_t given)
    {
        m_status = code;
        return given;
    }
    // Reads up to n bytes through a block buffer; the count read.
    uint32_t TakeUpTo(void* out, uint32_t n);
    bool Take(void* out, uint32_t n) { return TakeUpTo(out, n) == n; }
    bool ReadHeader();
    bool SkipId();
    bool ReadMap();
    // The file bytes of the next n pixels into out, run-length packets
    // (which may cross rows) resolved; the count of whole pixels given, fewer
    // than n with the status set.
    uint32_t RawPixels(BYTE* out, uint32_t n);
    // n raw pixels as R, G, B (, A) of m bytes each, through the map when set.
    void ToRgb(const BYTE* raw, uint32_t n, BYTE* out, uint32_t m) const;
    void ReadFooter();

    CISIO* m_io = nullptr;
    BYTE m_raw[kTgaHeaderBytes] = {};
    ISTgaHeader m_header;
    char m_id[256] = {};
    uint32_t m_flags = 0;  // bit 1: look up the map, bit 2: run-length encoded
    uint32_t m_pixelBytes = 0;  // 0 for a depth without a fetch rule
    uint32_t m_run = 0;         // pixels left in the current packet
    bool m_repeat = false;
    BYTE m_last[4] = {};  // the repeated pixel's bytes
    BYTE m_extension[kTgaExtensionBytes] = {};
    BYTE m_footer[kTgaFooterBytes] = {};
    RGBQUAD m_map[256] = {};  // blue, green, red, alpha
    BYTE m_block[16384];  // only bytes below m_blockEnd are read
    uint32_t m_blockAt = 0;
    uint32_t m_blockEnd = 0;
};
