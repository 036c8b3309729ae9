// The JPEG 2000 reader: an extension module beside the imaging library. It
// reaches its input, progress, allocation and last error only through the
// table of operations that is5_GetExtHook builds and SAJ2KSetExtHook installs
// per thread.
#pragma once

#include <cstdint>

#include "imaging/is5.h"

extern "C" {

// Flags of SAJ2KReadImage.
#define SAJ2K_FLAG_DIB 0x02u        // packed DIB: header, palette, bottom-up rows
#define SAJ2K_FLAG_NO_HEADER 0x40u  // with SAJ2K_FLAG_DIB: the padded rows only

// Decodes a JP2 file or a raw code stream from `source` into a new buffer
// (GlobalAlloc or the thread's allocation callbacks) of 8, 16, 24, 32, 48 or
// 64 bits per pixel. Both sizes are divided by `scale` (0 means 1.0). NULL on
// failure; the code goes to the hook's error setter either way.
void* SAJ2KReadImage(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, double scale,
                     uint32_t flags);

// Copies the table into the calling thread's record: 1, or 0 (code 5) when
// the table is NULL or its size field is not sizeof(ISExtHookTable).
int32_t SAJ2KSetExtHook(const ISExtHookTable* table);

// Empties the format table that jas_init filled.
void SAJ2KCleanup(void);

// Fills the format table: "jp2" id 0, "jpc" id 1. Decoding never needs it.
int32_t jas_init(void);

}  // extern "C"
