// The WBMP reader: one object per is5_ReadWBMP or is5_GetWBMPDims call.
#pragma once

#include <cstdint>

#include "../../core/frame.h"
#include "../../core/io.h"
#include "../reader_entry.h"

// Flag of is5_ReadWBMP beside IS5_DIB: rows padded to 4 bytes.
constexpr uint32_t kWbmpReadPadded = 0x8;

class CISWBMPReader {
public:
    int32_t m_status = 0;

    BOOL Dims(CISIO* io, uint32_t* width, uint32_t* height);
    void Read(CISReadCall& call, RGBQUAD* palette, uint32_t depth, uint32_t flags, uint32_t* width, uint32_t* height);

private:
    bool ReadHeader(CISIO* io, uint32_t* width, uint32_t* height);
    bool ReadNumber(CISIO* io, uint32_t* value);
};
