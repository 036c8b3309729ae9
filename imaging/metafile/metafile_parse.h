// Metafile bytes checked before GDI sees them: Wine's playback trusts record
// sizes, so every header and record must lie inside the bytes read. Also the
// output size arithmetic of is5_ReadMetafile. Portable and fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../platform/winshim.h"

constexpr uint32_t kISPlaceableKey = 0x9AC6CDD7u;
constexpr size_t kISPlaceableHeaderBytes = 22;

enum ISMetafileKind : int32_t {
    kISMetafileNone = 0,
    kISMetafileEnhanced = 1,   // EMF
    kISMetafileWindows = 2,    // WMF without placeable header
    kISMetafilePlaceable = 3,  // 22-byte placeable header, then WMF bits
};

// The 22-byte placeable header.
struct ISPlaceableHeader {
    uint32_t key = 0;
    uint16_t handle = 0;
    int16_t left = 0;
    int16_t top = 0;
    int16_t right = 0;
    int16_t bottom = 0;
    uint16_t unitsPerInch = 0;
    uint32_t reserved = 0;
    uint16_t checksum = 0;
};

// The enhanced-metafile header fields the size comes from.
struct ISEmfFrame {
    int32_t frame[4] = {};       // left, top, right, bottom in 0.01 mm
    int32_t devicePixels[2] = {};  // reference device cx, cy in pixels
    int32_t deviceMillimetres[2] = {};
};

struct ISMetafileInfo {
    ISMetafileKind kind = kISMetafileNone;
    ISPlaceableHeader placeable;  // zero unless placeable
    ISEmfFrame emf;               // EMF only
    size_t bitsOffset = 0;        // the bits GDI gets: EMF or WMF records
    size_t bitsSize = 0;
};

// Reads the header fields bytewise.
ISPlaceableHeader ISParsePlaceableHeader(const BYTE* data);

// Classifies and checks `size` bytes of a file: 0, or 27 when they are not a
// metafile whose headers and records all lie inside.
int32_t ISParseMetafile(const BYTE* data, size_t size, ISMetafileInfo* info);

// Extents of the placeable header in 0.01 mm, for the METAFILEPICT.
void ISPlaceableExtents(const ISPlaceableHeader& header, uint32_t* xExt, uint32_t* yExt);

// Flags of is5_ReadMetafile.
enum : uint32_t {
    kISMetafileGivenSize = 1,  // the output is a x b pixels
    kISMetafileDIB = 2,        // return a packed DIB
    kISMetafileScale = 4,      // multiply by a / 100 and b / 100
};

// The output size: from (a, b) with flag 1, else from the placeable header
// and the screen's pixels per inch, else from the EMF frame; flag 4 then
// scales. 0; 5 for flag 1 with a or b <= 0; 27 for a size <= 0 or an EMF
// without millimetres; 1 when width x height x 3 passes the allocation limit.
int32_t ISMetafileOutputSize(const ISMetafileInfo& info, const ISEmfFrame& emf, uint32_t flags, uint32_t a,
                             uint32_t b, int32_t logPixelsX, int32_t logPixelsY, int32_t* width, int32_t* height);
