// The PCX reader: one object per is5_ReadPCX or is5_GetPCXDims call.
#pragma once

#include <cstdint>
#include <memory>

#include "../byte_reader.h"
#include "../reader_entry.h"

// Flag of is5_ReadPCX beside IS5_DIB: raw rows padded to 4 bytes.
constexpr uint32_t kPcxReadPadded = 0x8;

struct ISPcxHeader {
    BYTE manufacturer;
    BYTE version;
    BYTE encoding;
    BYTE bitsPerPlane;
    uint32_t xmin, ymin, xmax, ymax;
    uint32_t hres, vres;
    BYTE map[48];
    BYTE planes;
    uint32_t bytesPerLine;
    uint32_t paletteInfo;
};

class CISPCXReader {
public:
    int32_t m_status = 0;

    // Header values; null outs are skipped.
    BOOL GetDims(CISIO* io, uint32_t* width, uint32_t* height, uint32_t* bits, ISResolution* resolution);
    // Header, palette, buffers and the position of the first line, for an
    // output of `depth` bits (1, 8 or 24); palette may be null.
    bool Open(CISIO* io, uint32_t depth, uint32_t flags, RGBQUAD* palette);
    // The next line into out (the output row's pixels); *line its number.
    bool ReadLine(BYTE* out, uint32_t* line);
    void Close();
    // Open, every line, Close; the buffer goes to the caller also after a
    // later failure.
    void Read(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t depth, RGBQUAD* palette);

    uint32_t Width() const { return m_header.xmax - m_header.xmin + 1; }
    uint32_t Height() const { return m_header.ymax - m_header.ymin + 1; }
    uint32_t Bits() const { return m_bits; }

private:
    bool Fail(int32_t code)
    {
        m_status = code;
        return false;
    }
    bool ReadHeader(CISIO* io);
    void ReadPalette(CISIO* io);
    bool DecodeLine();

    ISPcxHeader m_header = {};
    uint32_t m_bits = 0;
    uint32_t m_depth = 0;
    bool m_bgr = false;  // 24-bit output as B, G, R
    uint32_t m_line = 0;
    RGBQUAD m_palette[256] = {};
    std::unique_ptr<BYTE[]> m_encoded;  // bytes per line x planes
    std::unique_ptr<CISByteReader> m_in;
};
