// An RGB buffer or a bitmap drawn onto a device context: is5_DrawRGB.
#include <cstdint>

#include "../core/frame.h"
#include "gdi.h"

BOOL CISGdi::ISDrawHBITMAPEx(HDC dc, HBITMAP bitmap, int32_t x, int32_t y, int32_t sourceX, int32_t sourceY,
                             int32_t width, int32_t height, HPALETTE palette)
{
    if (!dc || !bitmap)
        return Fail(5, FALSE);
    const int caps = g_isRasterCaps(dc);
    if (!(caps & RC_BITBLT))
        return Fail(26, FALSE);
    if (!palette)
        palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    // Destroyed in reverse order: the memory DC's palette and bitmap go back
    // out before it is deleted, the target's palette last.
    CISSelectedPalette onTarget(dc, palette);
    CISMemoryDC memory(dc);
    if (!memory.Get())
        return Fail(10, FALSE);
    CISSelectedPalette onMemory(memory.Get(), palette);
    if (!memory.Select(bitmap))
        return Fail((caps & RC_BITMAP64) ? 37 : 26, FALSE);
    if (!BitBlt(dc, x, y, width, height, memory.Get(), sourceX, sourceY, SRCCOPY))
        return Fail(29, FALSE);
    return TRUE;
}

BOOL CISGdi::ISDrawHBITMAP(HDC dc, HBITMAP bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                           HPALETTE palette)
{
    return ISDrawHBITMAPEx(dc, bitmap, x, y, 0, 0, width, height, palette);
}

BOOL CISGdi::ISDrawRGBImpl(HDC dc, const BYTE* pixels, uint32_t width, uint32_t height, size_t stride, int32_t x,
                           int32_t y, HPALETTE palette)
{
    ISCallGuard guard;
    if (!dc || !pixels || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX ||
        stride < uint64_t(width) * 3)
        return Fail(5, FALSE);
    CISGdiObject<HBITMAP> bitmap(ISRGBToHBITMAP(pixels, width, height, stride, palette, dc));
    if (!bitmap.Get())
        return FALSE;
    return ISDrawHBITMAP(dc, bitmap.Get(), x, y, int32_t(width), int32_t(height), palette);
}

extern "C" BOOL is5_DrawRGB(HDC dc, const void* pixels, uint32_t width, uint32_t height, uint32_t stride, int32_t x,
                            int32_t y, HPALETTE palette)
{
    static const char kName[] = "is5_DrawRGB";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    CISGdi gdi;
    const BOOL ok = gdi.ISDrawRGBImpl(dc, static_cast<const BYTE*>(pixels), width, height, stride, x, y, palette);
    ISSetLastError(ok ? 0 : gdi.m_status, kName);
    return ok;
}
