// The PNG reader: one object per entry call, over libpng.
#pragma once

#include <cstdint>

#include "../../core/frame.h"
#include "../../core/io.h"
#include "../reader_entry.h"
#include "png_glue.h"

// The libpng read and info structures of one read, destroyed on every way out.
class CISPngStructs {
public:
    CISPngStructs();
    ~CISPngStructs();
    CISPngStructs(const CISPngStructs&) = delete;
    CISPngStructs& operator=(const CISPngStructs&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

// What one read asks of the common frame.
struct ISPngRequest {
    uint64_t expectedRowBytes = 0;  // 0: DIB rule (libpng's row bytes <= the DIB row)
    uint64_t stride = 0;            // bytes between rows in the buffer
    uint64_t headerBytes = 0;       // DIB header and palette before the rows
    bool bottomUp = false;
    bool oneBitOnly = false;        // 1-bit reads take only files of bit depth 1
};

class CISPNGReader {
public:
    int32_t m_status = 0;

    BYTE* ReadPacked(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t bits, RGBQUAD* palette,
                     bool keep16, uint32_t flags);
    BYTE* ReadGrayAlpha(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t filler, uint32_t flags);
    BYTE* ReadRGBA(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t filler, bool samples16,
                   uint32_t flags);
    BYTE* ReadDIB(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t flags);
    BOOL GetDims(CISIO* source, uint32_t* width, uint32_t* height, uint32_t* bitDepth, uint32_t* colourType,
                 uint32_t* interlace, int32_t* palCount, RGBQUAD* palette, int32_t trans[5],
                 ISResolution* resolution);

    // Header fields of the file being read.
    png_uint_32 m_width = 0;
    png_uint_32 m_height = 0;
    int m_bitDepth = 0;
    int m_colourType = 0;
    int m_interlace = 0;
    png_uint_32 m_xPerMetre = 0;  // pHYs in pixels per metre, else 0
    png_uint_32 m_yPerMetre = 0;

private:
    // Opens the structures and reads the header (status 16 when libpng cannot
    // be set up); `setup` then chooses transformations and fills `request`.
    template <typename Setup>
    BYTE* Frame(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t flags, Setup&& setup);

    bool SetupPalette(png_structp png, png_infop info, uint32_t bits, RGBQUAD* palette);
    void SetupBackground(png_structp png, png_infop info);
    void StoreBackground(png_structp png, png_infop info);
    void SetupGamma(png_structp png, png_infop info, uint32_t flags);
};

// The grey levels and palette entries the 1- and 8-bit reads return.
void ISPngFillPalette(png_structp png, png_infop info, int colourType, int bitDepth, RGBQUAD* palette);
