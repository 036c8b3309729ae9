// The rows of the reader table. Each call stores the entry's code as soon as
// the entry returns, before anything else can change the last error.
#include "reader_table.h"

#include "../core/frame.h"
#include "../core/io.h"
#include "file_type.h"

// A set bit of a PBM row is black: index 0 shows white, 1 black.
const RGBQUAD g_isPbmPalette[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};

namespace {

void Done(ISPathOut* out, void* buffer, uint32_t bits)
{
    out->status = ISGetLastError();
    out->buffer = buffer;
    out->bits = bits;
}

// JPEG
int32_t JpegProbe(HISSRC s, ISProbe* p)
{
    uint32_t w = 0, h = 0, bits = 0;
    if (is5_GetJPGDims(s, &w, &h, &bits, nullptr, nullptr, nullptr, 0))
        p->naturalDepth = bits <= 8 ? 8 : 24;
    return ISGetLastError();
}
void JpegRgb(HISSRC s, const ISProbe&, ISPathOut* o) { Done(o, is5_ReadJPG(s, &o->width, &o->height, 24, 0), 24); }
void JpegDib(HISSRC s, const ISProbe&, ISPathOut* o) { Done(o, is5_ReadJPG(s, &o->width, &o->height, 24, IS5_DIB), 0); }

// BMP
int32_t BmpProbe(HISSRC s, ISProbe* p)
{
    uint32_t w = 0, h = 0, bits = 0;
    ISResolution res;
    if (is5_GetBMPDims(s, &w, &h, &bits, &res, 0)) {
        p->naturalDepth = bits <= 8 ? bits : bits == 32 ? 32 : 24;
        p->oneBit = bits == 1;
    }
    return ISGetLastError();
}
void BmpAt(HISSRC s, ISPathOut* o, uint32_t bits, uint32_t flags)
{
    Done(o, is5_ReadBMP(s, &o->width, &o->height, bits, o->palette, flags), bits);
}
void BmpRgb(HISSRC s, const ISProbe&, ISPathOut* o) { BmpAt(s, o, 24, 0); }
void BmpRgba(HISSRC s, const ISProbe&, ISPathOut* o) { BmpAt(s, o, 32, 0); }
void BmpMono(HISSRC s, const ISProbe&, ISPathOut* o) { BmpAt(s, o, 1, 0); }
void BmpDib(HISSRC s, const ISProbe&, ISPathOut* o) { BmpAt(s, o, 24, IS5_DIB); }

// GIF: always 8 bits with a palette.
void GifAt(HISSRC s, ISPathOut* o, uint32_t flags)
{
    int32_t transparent = -1;
    Done(o, is5_ReadGIF(s, &o->width, &o->height, &transparent, o->palette, flags), 8);
}
void GifRgb(HISSRC s, const ISProbe&, ISPathOut* o) { GifAt(s, o, 0); }
void GifDib(HISSRC s, const ISProbe&, ISPathOut* o) { GifAt(s, o, IS5_DIB); }

// PCX
int32_t PcxProbe(HISSRC s, ISProbe* p)
{
    uint32_t w = 0, h = 0, bits = 0;
    ISResolution res;
    if (is5_GetPCXDims(s, &w, &h, &bits, &res, 0)) {
        p->naturalDepth = bits == 1 ? 1 : bits >= 2 && bits <= 8 ? 8 : 24;
        p->oneBit = bits == 1;
    }
    return ISGetLastError();
}
void PcxAt(HISSRC s, ISPathOut* o, uint32_t bits, uint32_t flags)
{
    Done(o, is5_ReadPCX(s, &o->width, &o->height, bits, o->palette, flags), bits);
}
void PcxRgb(HISSRC s, const ISProbe&, ISPathOut* o) { PcxAt(s, o, 24, 0); }
void PcxMono(HISSRC s, const ISProbe&, ISPathOut* o) { PcxAt(s, o, 1, 0); }
void PcxDib(HISSRC s, const ISProbe&, ISPathOut* o) { PcxAt(s, o, 24, IS5_DIB); }

// PNG
int32_t PngProbe(HISSRC s, ISProbe* p)
{
    uint32_t w = 0, h = 0, depth = 0, colourType = 0, interlace = 0;
    int32_t optional = 0, red = 0, green = 0, blue = 0, grey = 0;
    ISResolution res;
    if (is5_GetPNGDims(s, &w, &h, &depth, &colourType, &interlace, &optional, &red, &green, &blue, &grey, &res, 0)) {
        if (colourType == 3)
            p->naturalDepth = depth == 1 ? 1 : depth == 8 ? 8 : 4;
        else if (depth == 8 && colourType == 6)
            p->naturalDepth = 32;
        else
            p->naturalDepth = depth == 1 ? 1 : 24;
        p->oneBit = depth == 1 && colourType == 3;
    }
    return ISGetLastError();
}
void PngAt(HISSRC s, ISPathOut* o, uint32_t bits, uint32_t flags)
{
    Done(o, is5_ReadPNG(s, &o->width, &o->height, bits, o->palette, flags), bits);
}
void PngRgb(HISSRC s, const ISProbe&, ISPathOut* o) { PngAt(s, o, 24, 0); }
void PngRgba(HISSRC s, const ISProbe&, ISPathOut* o) { PngAt(s, o, 32, 0); }
void PngMono(HISSRC s, const ISProbe&, ISPathOut* o) { PngAt(s, o, 1, 0); }
void PngDib(HISSRC s, const ISProbe& p, ISPathOut* o) { PngAt(s, o, p.naturalDepth, IS5_DIB); }

// TIFF, always page 0
int32_t TiffProbe(HISSRC s, ISProbe* p)
{
    uint32_t w = 0, h = 0, bits = 0;
    ISResolution res;
    if (is5_GetTIFFDims(s, 0, &w, &h, &bits, &res, 0)) {
        p->naturalDepth = bits == 32 ? 32 : bits > 8 ? 24 : bits == 1 ? 1 : 8;
        p->oneBit = bits == 1;
    }
    return ISGetLastError();
}
void TiffAt(HISSRC s, ISPathOut* o, uint32_t bits, uint32_t flags)
{
    Done(o, is5_ReadTIFF(s, &o->width, &o->height, bits, o->palette, 0, flags), bits);
}
void TiffRgb(HISSRC s, const ISProbe&, ISPathOut* o) { TiffAt(s, o, 24, 0); }
void TiffRgba(HISSRC s, const ISProbe&, ISPathOut* o) { TiffAt(s, o, 32, 0); }
void TiffMono(HISSRC s, const ISProbe&, ISPathOut* o) { TiffAt(s, o, 1, 0); }
void TiffDib(HISSRC s, const ISProbe& p, ISPathOut* o) { TiffAt(s, o, p.naturalDepth, IS5_DIB); }

// TGA
int32_t TgaProbe(HISSRC s, ISProbe* p)
{
    uint32_t w = 0, h = 0, bits = 0;
    if (is5_GetTGADims(s, &w, &h, &bits, 0))
        p->naturalDepth = bits == 32 ? 32 : bits > 8 ? 24 : 8;
    return ISGetLastError();
}
void TgaAt(HISSRC s, ISPathOut* o, uint32_t bits, uint32_t flags)
{
    Done(o, is5_ReadTGA(s, &o->width, &o->height, bits, o->palette, flags), bits);
}
void TgaRgb(HISSRC s, const ISProbe&, ISPathOut* o) { TgaAt(s, o, 24, 0); }
void TgaRgba(HISSRC s, const ISProbe&, ISPathOut* o) { TgaAt(s, o, 32, 0); }
void TgaDib(HISSRC s, const ISProbe&, ISPathOut* o) { TgaAt(s, o, 24, IS5_DIB); }

// Metafiles are played from their file by name; a memory source has none.
void MetafileAt(HISSRC s, ISPathOut* o, uint32_t flags)
{
    CISIO* io = ISFromHandle(s);
    ISThreadState* state = ISGetThreadState();
    if (io->Kind() != CISIO::kFile || !state) {
        o->status = 2;
        return;
    }
    Done(o,
         is5_ReadMetafile(io->Name(), &o->width, &o->height, state->metafileWidth, state->metafileHeight,
                          state->metafileBackground, flags),
         24);
}
void MetafileRgb(HISSRC s, const ISProbe&, ISPathOut* o) { MetafileAt(s, o, 1); }
void MetafileDib(HISSRC s, const ISProbe&, ISPathOut* o) { MetafileAt(s, o, 1 | IS5_DIB); }

// PSD
int32_t PsdProbe(HISSRC s, ISProbe* p)
{
    uint32_t w = 0, h = 0, depth = 0, mode = 0;
    ISResolution res;
    if (!is5_GetPSDDims(s, &w, &h, &depth, &mode, &res, 0))
        return ISGetLastError();
    if (mode > 4)
        return 47;  // neither bitmap, grey, indexed, RGB nor CMYK
    p->naturalDepth = mode <= 2 ? 8 : 24;
    return ISGetLastError();
}
void PsdRgb(HISSRC s, const ISProbe&, ISPathOut* o)
{
    Done(o, is5_ReadPSD(s, &o->width, &o->height, 24, o->palette, 0), 24);
}
void PsdDib(HISSRC s, const ISProbe&, ISPathOut* o)
{
    Done(o, is5_ReadPSD(s, &o->width, &o->height, 24, o->palette, IS5_DIB), 0);
}

// WBMP
int32_t WbmpProbe(HISSRC s, ISProbe* p)
{
    uint32_t w = 0, h = 0;
    is5_GetWBMPDims(s, &w, &h, 0);
    p->naturalDepth = 8;
    return ISGetLastError();
}
void WbmpRgb(HISSRC s, const ISProbe&, ISPathOut* o)
{
    Done(o, is5_ReadWBMP(s, &o->width, &o->height, o->palette, 8, 0), 8);
}
void WbmpDib(HISSRC s, const ISProbe&, ISPathOut* o)
{
    Done(o, is5_ReadWBMP(s, &o->width, &o->height, o->palette, 1, IS5_DIB), 0);
}

// TLA: the generic reader has no password.
int32_t TlaProbe(HISSRC s, ISProbe* p)
{
    uint32_t w = 0, h = 0, bits = 0;
    if (is5_GetTLADims_(s, &w, &h, &bits, nullptr, 0))
        p->naturalDepth = bits <= 8 ? 8 : bits == 32 || bits == 16 ? 32 : 24;
    return ISGetLastError();
}
void TlaAt(HISSRC s, ISPathOut* o, uint32_t bytes, uint32_t flags)
{
    Done(o, is5_ReadTLA(s, &o->width, &o->height, nullptr, bytes, o->palette, flags), bytes * 8);
}
void TlaRgb(HISSRC s, const ISProbe&, ISPathOut* o) { TlaAt(s, o, 3, 0); }
void TlaRgba(HISSRC s, const ISProbe&, ISPathOut* o) { TlaAt(s, o, 4, 0); }
void TlaDib(HISSRC s, const ISProbe&, ISPathOut* o) { TlaAt(s, o, 3, IS5_DIB); }

// Photo CD, at resolution index 3
void PcdRgb(HISSRC s, const ISProbe&, ISPathOut* o) { Done(o, is5_ReadPCD(s, &o->width, &o->height, 3, 0), 24); }
void PcdDib(HISSRC s, const ISProbe&, ISPathOut* o) { Done(o, is5_ReadPCD(s, &o->width, &o->height, 3, IS5_DIB), 0); }

// PNM: PBM, PGM and PPM share the dims entry.
int32_t PnmProbe(HISSRC s, ISProbe* p)
{
    uint32_t w = 0, h = 0, value = 0, magic = 0;
    if (is5_GetPNMDims(s, &w, &h, &value, &magic, 0))
        p->oneBit = magic == 0x5031 || magic == 0x5034;  // "P1", "P4"
    p->naturalDepth = 24;
    return ISGetLastError();
}
void PnmAt(HISSRC s, ISPathOut* o, uint32_t bits, uint32_t flags)
{
    Done(o, is5_ReadPNM(s, &o->width, &o->height, bits, flags), bits);
}
void PbmRgb(HISSRC s, const ISProbe&, ISPathOut* o)
{
    PnmAt(s, o, 1, 0);
    o->palette[0] = g_isPbmPalette[0];
    o->palette[1] = g_isPbmPalette[1];
}
void PgmRgb(HISSRC s, const ISProbe&, ISPathOut* o)
{
    PnmAt(s, o, 8, 0);
    for (int i = 0; i < 256; ++i)
        o->palette[i] = g_isGreyPalette[i];
}
void PpmRgb(HISSRC s, const ISProbe&, ISPathOut* o) { PnmAt(s, o, 24, 0); }
void PnmMono(HISSRC s, const ISProbe&, ISPathOut* o) { PnmAt(s, o, 1, 0); }
void PbmDib(HISSRC s, const ISProbe&, ISPathOut* o) { PnmAt(s, o, 1, IS5_DIB); }
void PgmDib(HISSRC s, const ISProbe&, ISPathOut* o) { PnmAt(s, o, 8, IS5_DIB); }
void PpmDib(HISSRC s, const ISProbe&, ISPathOut* o) { PnmAt(s, o, 24, IS5_DIB); }

// Each row calls the format's is5_* entries, which live beside their reader:
// JPEG in jpeg/jpeg_read.cpp, BMP in bmp/bmp_read.cpp, metafiles in
// metafile/read_metafile*.cpp, every other format in formats/<format>/ (a
// format not built yet answers 45 from core/stubs.cpp).
const ISReaderRow kRows[17] = {
    /* 0 JPEG */ {JpegProbe, 24, JpegRgb, nullptr, nullptr, JpegDib},
    /* 1 BMP */ {BmpProbe, 24, BmpRgb, BmpRgba, BmpMono, BmpDib},
    /* 2 GIF */ {nullptr, 8, GifRgb, nullptr, nullptr, GifDib},
    /* 3 PCX */ {PcxProbe, 24, PcxRgb, nullptr, PcxMono, PcxDib},
    /* 4 PNG */ {PngProbe, 24, PngRgb, PngRgba, PngMono, PngDib},
    /* 5 TIFF */ {TiffProbe, 24, TiffRgb, TiffRgba, TiffMono, TiffDib},
    /* 6 TGA */ {TgaProbe, 24, TgaRgb, TgaRgba, nullptr, TgaDib},
    /* 7 WMF */ {nullptr, 24, MetafileRgb, nullptr, nullptr, MetafileDib},
    /* 8 EMF */ {nullptr, 24, MetafileRgb, nullptr, nullptr, MetafileDib},
    /* 9 PSD */ {PsdProbe, 24, PsdRgb, nullptr, nullptr, PsdDib},
    /* 10 WBMP */ {WbmpProbe, 8, WbmpRgb, nullptr, nullptr, WbmpDib},
    /* 11 TLA */ {TlaProbe, 24, TlaRgb, TlaRgba, nullptr, TlaDib},
    /* 12 TLA, protected: refused by the probe */ {TlaProbe, 24, TlaRgb, TlaRgba, nullptr, TlaDib},
    /* 13 Photo CD */ {nullptr, 24, PcdRgb, nullptr, nullptr, PcdDib},
    /* 14 PBM */ {PnmProbe, 24, PbmRgb, nullptr, PnmMono, PbmDib},
    /* 15 PGM */ {PnmProbe, 24, PgmRgb, nullptr, PnmMono, PgmDib},
    /* 16 PPM */ {PnmProbe, 24, PpmRgb, nullptr, PnmMono, PpmDib},
};

}  // namespace

const ISReaderRow& ISReaderRowOf(int32_t reader)
{
    return kRows[reader >= 0 && reader < 17 ? reader : 0];
}
