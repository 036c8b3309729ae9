// The TLA reader: one object per is5_ReadTLA or is5_GetTLADims_ call.
#pragma once

#include <cstdint>
#include <memory>

#include "../../core/frame.h"
#include "../../core/io.h"
#include "../reader_entry.h"
#include "tla_decoder.h"

// Flag of is5_ReadTLA beside IS5_DIB: rows padded to a multiple of 4 bytes.
constexpr uint32_t kTlaReadPadded = 0x8;

class CISTLAReader {
public:
    int32_t m_status = 0;

    // Rows at 1 (the file's palette indices), 3 or 4 bytes a pixel.
    void Read(CISReadCall& call, uint32_t* width, uint32_t* height, const char* password, uint32_t bytesPerPixel,
              RGBQUAD* palette, uint32_t flags);
    // A packed DIB of 8 (with the file's palette), 24 or 32 bits.
    void ReadDIB(CISReadCall& call, uint32_t* width, uint32_t* height, const char* password);
    BOOL GetDims(CISIO* source, const char* password, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel);

private:
    // One open file: the decoder reads through the cursor over the source.
    struct Holder {
        explicit Holder(CISIO* io);
        // The decoder's reads: exactly `count` bytes, or a skip; never past
        // the end of the source.
        static bool Read(void* user, BYTE* destination, uint32_t count);
        static uint64_t Left(void* user);
        CISIO* source;
        int64_t position = 0;
        int64_t size = 0;
        CISTLADecoder decoder;
        uint32_t rowsDelivered = 0;
    };

    // Reads up to the metadata (and, unless `headerOnly`, gets the strips
    // ready at `format`); null with m_status set on failure.
    std::unique_ptr<Holder> Open(CISIO* source, const char* password, uint32_t* width, uint32_t* height,
                                 uint32_t format, RGBQUAD* palette, uint32_t* entries, bool headerOnly);
    // Every row into `first`, each `step` bytes from the one before (negative
    // for bottom-up); `swap` exchanges red and blue of 3- or 4-byte pixels.
    void Rows(Holder& holder, BYTE* first, int64_t step, bool swap);
};
