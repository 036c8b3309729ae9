// The bitmap reader: one object per is5_ReadBMP or is5_GetBMPDims call.
#pragma once

#include <cstdint>

#include "../core/buffers.h"
#include "../core/frame.h"
#include "../core/io.h"
#include "bmp.h"

// Flags of is5_ReadBMP.
constexpr uint32_t kBmpReadDib = 0x2;     // the whole bitmap as a packed DIB
constexpr uint32_t kBmpReadPadded = 0x8;  // rows padded to 4 bytes, file byte order

class CISBmpReader {
public:
    int32_t m_status = 0;

    void* Read(CISIO* io, uint32_t depth, RGBQUAD* palette, uint32_t flags, uint32_t* width, uint32_t* height);
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
    void* Finish();
    void ZeroRowsFrom(uint32_t done);
    void ReadRows(uint32_t depth);
    void ReadRLE(uint32_t depth);
    void* ReadDIB();
    void* ReadCoreDIB();

    ISCallGuard m_guard;
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
    CISOutBufAllocator m_out;
    uint64_t m_outRow = 0;
};
