// The GIF reader: one object per is5_ReadGIF call; reads the first image.
#pragma once

#include <cstdint>

#include "../byte_reader.h"
#include "../reader_entry.h"

// Flag of is5_ReadGIF beside IS5_DIB: raw rows padded to 4 bytes.
constexpr uint32_t kGifReadPadded = 0x8;

struct ISGifTable {
    BYTE red[256];
    BYTE green[256];
    BYTE blue[256];
    uint32_t entries;
};

class CISGIFReader {
public:
    int32_t m_status = 0;

    // Reads into the call's buffer, which the caller gets also after a later
    // failure. palette may be null only with IS5_DIB.
    void Read(CISReadCall& call, uint32_t* width, uint32_t* height, int32_t* transparent, RGBQUAD* palette);

    // What the file said beside the picture.
    uint32_t m_screenWidth = 0;
    uint32_t m_screenHeight = 0;
    BYTE m_colourResolution = 0;
    BYTE m_background = 0;
    BYTE m_aspect = 0;
    BYTE m_disposal = 0;
    bool m_userInput = false;
    uint32_t m_delay = 0;
    bool m_transparency = false;
    BYTE m_transparentIndex = 0;
    uint32_t m_loops = 0;

private:
    bool Fail(int32_t code)
    {
        m_status = code;
        return false;
    }
    bool ReadHeader(CISByteReader& in);
    bool ReadTable(CISByteReader& in, uint32_t entries, ISGifTable* table);
    bool ReadExtension(CISByteReader& in);
    bool SkipSubBlocks(CISByteReader& in);
    bool ReadImage(CISReadCall& call, CISByteReader& in, uint32_t* width, uint32_t* height, int32_t* transparent,
                   RGBQUAD* palette);

    ISGifTable m_global = {};
    ISGifTable m_local = {};
};
