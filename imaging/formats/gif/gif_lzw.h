// The variable-width LZW decoder of GIF image data (codes least significant
// bit first, in data sub-blocks).
#pragma once

#include <cstdint>

#include "../byte_reader.h"

class CISGifLzw {
public:
    enum Result { kPixel, kEnd, kBroken, kShort };

    // `codeSize` is the byte before the data, 0 to 11.
    CISGifLzw(CISByteReader* in, uint32_t codeSize);

    // kPixel with *pixel set; kEnd when the stream ended; kBroken for a
    // stream that cannot go on; kShort when the source ran out.
    Result Next(BYTE* pixel);

private:
    void Reset();
    // A code of the current width, or -1 (m_result says why).
    int32_t ReadCode();
    bool NextSubBlock();

    CISByteReader* m_in;
    uint32_t m_codeSize;
    uint32_t m_clear;
    uint32_t m_endCode;
    uint32_t m_next = 0;
    uint32_t m_width = 0;
    uint32_t m_limit = 0;
    int32_t m_previous = -1;
    BYTE m_first = 0;
    bool m_started = false;
    bool m_terminated = false;  // the zero-length sub-block was read
    Result m_result = kEnd;

    uint32_t m_bits = 0;   // bit buffer, least significant first
    uint32_t m_count = 0;  // bits held
    BYTE m_block[255];
    uint32_t m_blockPos = 0;
    uint32_t m_blockLen = 0;

    uint16_t m_prefix[4096];
    BYTE m_suffix[4096];
    BYTE m_stack[8192 + 1];
    uint32_t m_top = 0;
};
