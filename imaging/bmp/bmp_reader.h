// The bitmap reader: one object per is5_ReadBMP or is5_GetBMPDims call.
#pragma once

#include <cstdint>

#include "../core/buffers.h"
#include "../core/frame.h"
#include "../core/io.h"
#include "../formats/reader_entry.h"
#include "bmp.h"

// Flag of is5_ReadBMP beside IS5_DIB (the whole bitmap as a packed DIB).
constexpr uint32_t kBmpReadPadded = 0x8;  // rows padded to 4 bytes, file byte order

class CISBmpReader {
public:
    int32_t m_status = 0;

    // Reads into the call's buffer, which the caller gets also after a later
    // failure; *width and *height are set once the buffer holds the picture.
    void Read(CISReadCall& call, RGBQUAD* palette, uint32_t* width, uint32_t* height);
    BOOL Dims(CISIO* io, uint32_t* width, uint32_t* height, uint32_t* bits, ISResolution* resolution);

private:
    bool Fail(int32_t code)
    {
        m_status = code;
        return false;
    }
    bool ReadHeaders();
    bool ReadTable();
    bool SeekToPixels();
    bool Allocate(uint64_t rowBytes, uint32_t rows);
    void ZeroRowsFrom(uint32_t done);
    void ReadRows(uint32_t depth);
    void ReadRLE(uint32_t depth);
    // False when no block was made; a short read keeps the block (status 3).
    bool ReadDIB();
    bool ReadCoreDIB();

    CISReadCall* m_call = nullptr;
    CISIO* m_io = nullptr;
    int64_t m_start = 0;  // where the file header began
    ISBmpFileHeader m_file;
    ISBmpInfo m_info;
    bool m_core = false;
    uint32_t m_flags = 0;
    uint32_t m_width = 0;
    uint32_t m_height = 0;  // rows, whatever the order
    bool m_topDown = false;
    uint32_t m_entries = 0;  // colour table entries the file holds
    RGBQUAD m_palette[256] = {};
    uint32_t m_masks[3] = {0, 0, 0};
    bool m_hasMasks = false;
    uint64_t m_outRow = 0;
};
