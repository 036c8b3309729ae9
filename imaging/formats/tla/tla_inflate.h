// The TLA reader's binding to zlib: one inflate stream per open file, reset
// after every strip.
#pragma once

#include <cstdint>

#include <zlib.h>

#include "../../platform/winshim.h"

class CISTLAInflater {
public:
    CISTLAInflater() = default;
    ~CISTLAInflater();
    CISTLAInflater(const CISTLAInflater&) = delete;
    CISTLAInflater& operator=(const CISTLAInflater&) = delete;

    // False when zlib cannot set the stream up.
    bool Init();
    // One whole strip in one call. True only when the stream ended; `produced`
    // says how much of `out` it wrote either way.
    bool Inflate(const BYTE* in, uint32_t inBytes, BYTE* out, uint32_t outBytes, uint32_t* produced);

private:
    z_stream m_stream = {};
    bool m_ready = false;
};
