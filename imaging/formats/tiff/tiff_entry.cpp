// The interface entries is5_ReadTIFF and is5_GetTIFFDims.
#include "imaging/is5.h"
#include "tiff_reader.h"

extern "C" void* is5_ReadTIFF(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel,
                              RGBQUAD* palette, int32_t page, uint32_t flags)
{
    static const char kName[] = "is5_ReadTIFF";
    return ISReadEntry(kName, source, width && height, bitsPerPixel, flags, {1, 8, 16, 24, 32, 48, 64},
                       [&](CISReadCall& call) {
                           CISTIFFReader reader;
                           // A thrown failure (memory) also frees a buffer already made.
                           ISRunCaught(&reader.m_status, [&] { reader.Read(call, width, height, page, palette); });
                           call.m_status = reader.m_status;
                           if (reader.m_status != 0 && reader.m_status != 20)
                               call.Discard();
                       });
}

extern "C" BOOL is5_GetTIFFDims(HISSRC source, int32_t page, uint32_t* width, uint32_t* height,
                                uint32_t* bitsPerPixel, ISResolution* resolution, int32_t)
{
    static const char kName[] = "is5_GetTIFFDims";
    return ISDimsEntry(kName, source, width && height && bitsPerPixel && resolution, [&](CISEntryCall& call) {
        CISTIFFReader reader;
        const BOOL ok = reader.GetDims(call.Source(), page, width, height, bitsPerPixel, resolution);
        call.m_status = reader.m_status;
        return ok;
    });
}
