// is5_ReadPNG and is5_GetPNGDims: which read a request takes.
#include "png_reader.h"

extern "C" void* is5_ReadPNG(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel,
                             RGBQUAD* palette, uint32_t flags)
{
    static const char kName[] = "is5_ReadPNG";
    uint32_t w = 0, h = 0;
    uint32_t* outW = width ? width : &w;
    uint32_t* outH = height ? height : &h;
    return ISReadEntry(kName, source, true, bitsPerPixel, flags, {1, 8, 16, 24, 32, 48, 64}, [&](CISReadCall& call) {
        CISPNGReader reader;
        if (call.Dib())
            reader.ReadDIB(call, outW, outH, flags);
        else if (bitsPerPixel == 16 && (flags & 4))
            reader.ReadPacked(call, outW, outH, 16, nullptr, true, flags);
        else if (bitsPerPixel == 16)
            reader.ReadGrayAlpha(call, outW, outH, 255, flags);
        else if (bitsPerPixel == 32)
            reader.ReadRGBA(call, outW, outH, 255, false, flags);
        else if (bitsPerPixel == 64)
            reader.ReadRGBA(call, outW, outH, 65535, true, flags);
        else if (bitsPerPixel == 48)
            reader.ReadPacked(call, outW, outH, 48, nullptr, true, flags);
        else
            reader.ReadPacked(call, outW, outH, bitsPerPixel, bitsPerPixel <= 8 ? palette : nullptr, false, flags);
        call.m_status = reader.m_status;
    });
}

extern "C" BOOL is5_GetPNGDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                               uint32_t* colourType, uint32_t* interlace, int32_t* optional, int32_t* transRed,
                               int32_t* transGreen, int32_t* transBlue, int32_t* transGrey,
                               ISResolution* resolution, int32_t /*reserved*/)
{
    static const char kName[] = "is5_GetPNGDims";
    const bool given = width && height && bitDepth && colourType && interlace && transRed && transGreen &&
                       transBlue && transGrey;
    return ISDimsEntry(kName, source, given, [&](CISEntryCall& call) {
        CISPNGReader reader;
        int32_t trans[5];
        int32_t count = 0;
        BOOL ok = reader.GetDims(call.Source(), width, height, bitDepth, colourType, interlace, &count, nullptr,
                                 trans, resolution);
        if (optional)
            *optional = -1;
        *transRed = trans[1];
        *transGreen = trans[2];
        *transBlue = trans[3];
        *transGrey = trans[4];
        call.m_status = reader.m_status;
        return ok;
    });
}
