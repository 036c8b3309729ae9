// is5_ReadPSD and is5_GetPSDDims: which read a request takes.
#include "psd_reader.h"

extern "C" void* is5_ReadPSD(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel,
                             RGBQUAD* palette, uint32_t flags)
{
    static const char kName[] = "is5_ReadPSD";
    return ISReadEntry(kName, source, width && height, bitsPerPixel, flags, {8, 24, 32}, [&](CISReadCall& call) {
        CISPSDReader reader;
        if (call.Dib())
            reader.ReadDIB(call, flags, width, height);
        else if (bitsPerPixel == 8)
            reader.Read8(call, palette, width, height);
        else
            reader.ReadColor(call, bitsPerPixel, flags, width, height);
        call.m_status = reader.m_status;
    });
}

extern "C" BOOL is5_GetPSDDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                               uint32_t* colourMode, ISResolution* resolution, int32_t /*reserved*/)
{
    static const char kName[] = "is5_GetPSDDims";
    return ISDimsEntry(kName, source, width && height && bitDepth && colourMode, [&](CISEntryCall& call) {
        CISPSDReader reader;
        const BOOL ok = reader.ReadHeader(call.Source(), width, height, bitDepth, colourMode, resolution);
        call.m_status = reader.m_status;
        return ok;
    });
}
