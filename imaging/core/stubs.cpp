// Entries not built yet: each reports code 45 under its own name and returns
// 0 / NULL. Building an entry removes its line here.
#include "frame.h"

namespace {
int ISUnsupported(const char* name)
{
    if (ISGetThreadState())
        ISSetLastError(45, name);
    return 0;
}
}  // namespace

#define IS_STUB(name) ISUnsupported(#name)


void* is5_ReadTGA(HISSRC, uint32_t*, uint32_t*, uint32_t, RGBQUAD*, uint32_t) { IS_STUB(is5_ReadTGA); return nullptr; }
BOOL is5_GetTGADims(HISSRC, uint32_t*, uint32_t*, uint32_t*, int32_t) { return IS_STUB(is5_GetTGADims); }
void* is5_ReadWBMP(HISSRC, uint32_t*, uint32_t*, RGBQUAD*, uint32_t, uint32_t) { IS_STUB(is5_ReadWBMP); return nullptr; }
BOOL is5_GetWBMPDims(HISSRC, uint32_t*, uint32_t*, int32_t) { return IS_STUB(is5_GetWBMPDims); }
void* is5_ReadPSD(HISSRC, uint32_t*, uint32_t*, uint32_t, RGBQUAD*, uint32_t) { IS_STUB(is5_ReadPSD); return nullptr; }
BOOL is5_GetPSDDims(HISSRC, uint32_t*, uint32_t*, uint32_t*, uint32_t*, ISResolution*, int32_t) { return IS_STUB(is5_GetPSDDims); }
void* is5_ReadTLA(HISSRC, uint32_t*, uint32_t*, const char*, uint32_t, RGBQUAD*, uint32_t) { IS_STUB(is5_ReadTLA); return nullptr; }
BOOL is5_GetTLADims_(HISSRC, uint32_t*, uint32_t*, uint32_t*, const char*, int32_t) { return IS_STUB(is5_GetTLADims_); }
void* is5_ReadPNM(HISSRC, uint32_t*, uint32_t*, uint32_t, uint32_t) { IS_STUB(is5_ReadPNM); return nullptr; }
BOOL is5_GetPNMDims(HISSRC, uint32_t*, uint32_t*, uint32_t*, uint32_t*, int32_t) { return IS_STUB(is5_GetPNMDims); }
void* is5_ReadTIFF(HISSRC, uint32_t*, uint32_t*, uint32_t, RGBQUAD*, int32_t, uint32_t) { IS_STUB(is5_ReadTIFF); return nullptr; }
BOOL is5_GetTIFFDims(HISSRC, int32_t, uint32_t*, uint32_t*, uint32_t*, ISResolution*, int32_t) { return IS_STUB(is5_GetTIFFDims); }
void* is5_ReadGIF(HISSRC, uint32_t*, uint32_t*, int32_t*, RGBQUAD*, uint32_t) { IS_STUB(is5_ReadGIF); return nullptr; }
void* is5_ReadPCX(HISSRC, uint32_t*, uint32_t*, uint32_t, RGBQUAD*, uint32_t) { IS_STUB(is5_ReadPCX); return nullptr; }
BOOL is5_GetPCXDims(HISSRC, uint32_t*, uint32_t*, uint32_t*, ISResolution*, int32_t) { return IS_STUB(is5_GetPCXDims); }
void* is5_ReadPCD(HISSRC, uint32_t*, uint32_t*, int32_t, uint32_t) { IS_STUB(is5_ReadPCD); return nullptr; }
