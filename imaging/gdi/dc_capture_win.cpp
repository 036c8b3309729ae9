// A rectangle of a device context as an RGB buffer: is5_DCToRGB.
#include <cstdint>

#include "../core/frame.h"
#include "gdi.h"

BOOL CISGdi::ISDCToRGBImpl(HDC dc, int32_t x, int32_t y, uint32_t width, uint32_t height, BYTE* target)
{
    ISCallGuard guard;
    // GDI takes signed sizes: larger ones are refused before any GDI call.
    if (!dc || !target || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        return Fail(5, FALSE);
    const int caps = g_isRasterCaps(dc);
    if (!(caps & RC_BITBLT) || !(caps & RC_BITMAP64))
        return Fail(26, FALSE);
    // Declared first so that the DC lets go of the bitmap before it is deleted.
    CISGdiObject<HBITMAP> bitmap;
    CISMemoryDC memory(dc);
    if (!memory.Get())
        return Fail(10, FALSE);
    bitmap.Reset(CreateCompatibleBitmap(dc, int(width), int(height)));
    if (!bitmap.Get())
        return Fail(23, FALSE);
    if (!memory.Select(bitmap.Get()))
        return Fail(37, FALSE);
    if (!BitBlt(memory.Get(), 0, 0, int(width), int(height), dc, x, y, SRCCOPY))
        return Fail(29, FALSE);
    // GetDIBits wants the bitmap out of every DC.
    memory.Deselect();
    return ISHBITMAPToRGB(bitmap.Get(), dc, nullptr, target);
}

extern "C" BOOL is5_DCToRGB(HDC dc, int32_t x, int32_t y, uint32_t width, uint32_t height, void* target)
{
    static const char kName[] = "is5_DCToRGB";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    CISGdi gdi;
    const BOOL ok = gdi.ISDCToRGBImpl(dc, x, y, width, height, static_cast<BYTE*>(target));
    ISSetLastError(ok ? 0 : gdi.m_status, kName);
    return ok;
}
