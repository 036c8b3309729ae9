// Reading PBM, PGM and PPM files (is5_ReadPNM) and probing them
// (is5_GetPNMDims).
#include <cstring>
#include <memory>
#include <new>

#include "../../core/frame.h"
#include "pnm_reader.h"

using namespace isnetpbm;

namespace {

enum Kind { kNone, kPbm, kPgm, kPpm };

Kind KindOf(int magic)
{
    switch (magic) {
    case PBM_FORMAT:
    case RPBM_FORMAT:
        return kPbm;
    case PGM_FORMAT:
    case RPGM_FORMAT:
        return kPgm;
    case PPM_FORMAT:
    case RPPM_FORMAT:
        return kPpm;
    default:
        return kNone;
    }
}

// The magic number, or a logged 78 for anything but P1 to P6.
Kind ReadMagic(ISNetpbmIO* table, int* magic)
{
    pm_init("ZERad", 0);
    *magic = pm_readmagicnumber(table);
    const Kind kind = KindOf(*magic);
    if (kind == kNone)
        pm_error(table, "Not a PBM, PGM or PPM file: bad magic number.");
    return kind;
}

bool DepthFits(Kind kind, uint32_t depth)
{
    switch (kind) {
    case kPbm:
        return depth == 1;
    case kPgm:
        return depth == 8 || depth == 16;
    case kPpm:
        return depth == 24 || depth == 48;
    default:
        return false;
    }
}

void ReadRest(ISNetpbmIO* table, Kind kind, int* cols, int* rows, gray* maxval)
{
    if (kind == kPbm) {
        pbm_readpbminitrest(table, cols, rows);
        *maxval = 1;
    } else if (kind == kPgm) {
        pgm_readpgminitrest(table, cols, rows, maxval);
    } else {
        ppm_readppminitrest(table, cols, rows, maxval);
    }
}

void WriteDibHeader(BYTE* out, uint32_t width, uint32_t height, uint32_t depth, uint64_t imageBytes)
{
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = static_cast<int32_t>(width);
    h.biHeight = static_cast<int32_t>(height);
    h.biPlanes = 1;
    h.biBitCount = static_cast<uint16_t>(depth);
    h.biCompression = 0;
    h.biSizeImage = static_cast<uint32_t>(imageBytes);
    h.biClrUsed = depth == 1 ? 2 : depth == 8 ? 256 : 0;
    std::memcpy(out, &h, sizeof h);
    RGBQUAD* palette = reinterpret_cast<RGBQUAD*>(out + sizeof h);
    if (depth == 1) {
        // Set bits are the file's black pixels, in the DIB as in the plain buffer.
        palette[0] = RGBQUAD{255, 255, 255, 255};
        palette[1] = RGBQUAD{0, 0, 0, 255};
    } else if (depth == 8) {
        for (int i = 0; i < 256; ++i)
            palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 255};
    }
}

std::unique_ptr<CISPNMReader> MakeRowReader(Kind kind)
{
    switch (kind) {
    case kPbm:
        return std::unique_ptr<CISPNMReader>(new (std::nothrow) CISPNMPlusReaderMono);
    case kPgm:
        return std::unique_ptr<CISPNMReader>(new (std::nothrow) CISPNMPlusReaderGray);
    default:
        return std::unique_ptr<CISPNMReader>(new (std::nothrow) CISPNMReaderColor);
    }
}

}  // namespace

void ISReadPNM(CISReadCall& call, uint32_t* width, uint32_t* height, int32_t* status)
{
    uint32_t flags = call.Flags();
    if (flags & IS5_DIB)
        flags |= kPnmSwap | kPnmBottomUp;
    uint32_t depth = call.Depth();
    const bool sixteen = depth == 16 || depth == 48;
    if (sixteen && (flags & (IS5_DIB | kPnmPadded))) {
        *status = 5;
        return;
    }
    ISNetpbmIO table;
    ISNetpbmIOInit(&table, call.Source());
    int magic = 0;
    Kind kind = kNone;
    int cols = 0, rows = 0;
    gray maxval = 0;
    try {
        kind = ReadMagic(&table, &magic);
        if (flags & IS5_DIB)
            depth = kind == kPbm ? 1 : kind == kPgm ? 8 : 24;
        if (!DepthFits(kind, depth)) {
            *status = 28;
            return;
        }
        ReadRest(&table, kind, &cols, &rows, &maxval);
    } catch (const ISException& e) {
        *status = e.Code() ? e.Code() : 78;
        return;
    }
    const uint32_t w = static_cast<uint32_t>(cols), h = static_cast<uint32_t>(rows);
    const bool dib = (flags & IS5_DIB) != 0;
    const uint64_t rowBytes =
        (flags & (IS5_DIB | kPnmPadded)) ? (uint64_t(w) * depth + 31) / 32 * 4 : (uint64_t(w) * depth + 7) / 8;
    const uint64_t paletteBytes = !dib ? 0 : depth == 1 ? 8 : depth == 8 ? 1024 : 0;
    const uint64_t headerBytes = dib ? 40 + paletteBytes : 0;
    // Rows of 48 bits times a height near 2^31 would pass 64 bits.
    const uint64_t limit = ISMaxAlloc();
    if (headerBytes > limit || rowBytes > limit || h > (limit - headerBytes) / rowBytes) {
        *status = 1;
        return;
    }
    BYTE* out = call.Allocate(rowBytes * h + headerBytes);
    if (dib)
        WriteDibHeader(out, w, h, depth, rowBytes * h);
    std::unique_ptr<CISPNMReader> reader = MakeRowReader(kind);
    const int32_t init = reader ? reader->Init(&table, w, depth, magic, maxval, (flags & kPnmSwap) != 0, sixteen,
                                               (flags & kPnmRaw) != 0)
                                : 1;
    if (init != 0) {
        call.Discard();
        *status = init;
        return;
    }
    BYTE* pixels = out + headerBytes;
    const bool bottomUp = (flags & kPnmBottomUp) != 0;
    try {
        for (uint32_t y = 0; y < h; ++y)
            reader->ReadRow(pixels + size_t(bottomUp ? h - 1 - y : y) * rowBytes);
    } catch (const ISException& e) {
        *status = e.Code() ? e.Code() : 78;  // the rows read so far stay
    }
    *width = w;
    *height = h;
}

BOOL ISGetPNMDims(CISIO* source, uint32_t* width, uint32_t* height, uint32_t* value, uint32_t* magicOut,
                  int32_t* status)
{
    if (value)
        *value = 0;
    ISNetpbmIO table;
    ISNetpbmIOInit(&table, source);
    int magic = 0, cols = 0, rows = 0;
    gray maxval = 0;
    try {
        const Kind kind = ReadMagic(&table, &magic);
        ReadRest(&table, kind, &cols, &rows, &maxval);
    } catch (const ISException& e) {
        *status = e.Code() ? e.Code() : 78;
        return FALSE;
    }
    if (width)
        *width = static_cast<uint32_t>(cols);
    if (height)
        *height = static_cast<uint32_t>(rows);
    if (value)
        *value = maxval;
    if (magicOut)
        *magicOut = static_cast<uint32_t>(magic);
    return TRUE;
}

void* is5_ReadPNM(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, uint32_t flags)
{
    static const char kName[] = "is5_ReadPNM";
    // The depth check needs the file's format: the reader makes it.
    return ISReadEntry(kName, source, width && height, bitsPerPixel, flags, {},
                       [&](CISReadCall& call) { ISReadPNM(call, width, height, &call.m_status); });
}

BOOL is5_GetPNMDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* maxValue, uint32_t* magic,
                    int32_t reserved)
{
    static const char kName[] = "is5_GetPNMDims";
    (void)reserved;
    return ISDimsEntry(kName, source, true, [&](CISEntryCall& call) {
        return ISGetPNMDims(call.Source(), width, height, maxValue, magic, &call.m_status);
    });
}
