// The generic reader's table of format readers: per reader code, the dims
// entry with its natural-depth rule and the read call of each path.
#pragma once

#include <cstdint>

#include "../is5.h"

// What the probe learnt from the format's dims entry.
struct ISProbe {
    int32_t reader = 17;
    uint32_t naturalDepth = 24;
    bool oneBit = false;  // the file holds 1 bit a pixel, which the 1-bit path reads as it stands
};

// What one read call gave back.
struct ISPathOut {
    void* buffer = nullptr;  // GlobalAlloc block, or null
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits = 24;      // of plain rows: 1, 8, 24 or 32 (ignored for DIBs)
    RGBQUAD palette[256] = {};
    int32_t status = 0;      // the read entry's code, taken as soon as it returned
};

// Returns the probe's status: the dims entry's code, or the row's own refusal.
typedef int32_t (*ISProbeFn)(HISSRC source, ISProbe* probe);
typedef void (*ISReadFn)(HISSRC source, const ISProbe& probe, ISPathOut* out);

struct ISReaderRow {
    ISProbeFn probe;    // null: no dims entry
    uint32_t depth;     // natural depth when there is no dims entry
    ISReadFn read24;    // 24-bit path; may give 8-bit or 1-bit rows with a palette to expand
    ISReadFn read32;    // null: the 24-bit read, widened
    ISReadFn read1;     // used when the probe found 1 bit a pixel; null: thresholded
    ISReadFn readDib;   // the format's DIB flag
};

// Reader codes 0 to 16 (17, "none", has no row).
const ISReaderRow& ISReaderRowOf(int32_t reader);

// PBM rows in the 24-bit path: a set bit is black.
extern const RGBQUAD g_isPbmPalette[2];

// Palette rows of 1 bit ((width + 7) / 8 bytes) or 8 bits (width bytes) to
// packed R,G,B through `palette`; FALSE with the failure's code in *status.
BOOL ISPaletteRowsToRGB(const void* rows, uint32_t bits, uint32_t width, uint32_t height, const RGBQUAD* palette,
                        BYTE* target, int32_t* status);
