// RGB buffers to GDI bitmaps and back: is5_RGBToHBITMAP, is5_HBITMAPToRGB,
// their workers and the DIB-section builder.
#include <cstring>

#include "../core/frame.h"
#include "../dib/dib.h"
#include "gdi.h"

namespace {
int RasterCaps(HDC dc) { return GetDeviceCaps(dc, RASTERCAPS); }
}  // namespace

int (*g_isRasterCaps)(HDC dc) = RasterCaps;

HBITMAP CISGdi::ISRGBToDIBSection(const BYTE* pixels, uint32_t width, uint32_t height, size_t stride,
                                  HPALETTE palette, HDC dc)
{
    if (!pixels || width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
        return Fail(5, static_cast<HBITMAP>(nullptr));
    if (stride == 0)
        stride = size_t(width) * 3;
    if (stride < uint64_t(width) * 3)
        return Fail(5, static_cast<HBITMAP>(nullptr));
    const uint64_t rowBytes = ISDIBRowBytes(width, 24);
    if (rowBytes * height > kISMaxAlloc)
        return Fail(1, static_cast<HBITMAP>(nullptr));

    CISScreenDC screen;
    HDC target = dc ? dc : screen.Get();
    CISSelectedPalette selected(target, palette);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = LONG(width);
    info.bmiHeader.biHeight = LONG(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap)
            DeleteObject(bitmap);
        return Fail(40, static_cast<HBITMAP>(nullptr));
    }
    CISDIB dib;
    dib.ISRGBToDIBRows(pixels, width, height, stride, static_cast<BYTE*>(bits), static_cast<size_t>(rowBytes), 0);
    return bitmap;
}

HBITMAP CISGdi::ISRGBToHBITMAP(const BYTE* pixels, uint32_t width, uint32_t height, size_t stride, HPALETTE palette,
                               HDC dc)
{
    ISCallGuard guard;
    if (!pixels)
        return Fail(5, static_cast<HBITMAP>(nullptr));
    const ISThreadState* state = ISGetThreadState();
    HBITMAP bitmap = nullptr;
    if (state && state->hbitmapCreateMethod) {
        bitmap = ISRGBToDIBSection(pixels, width, height, stride, palette, dc);
    } else {
        // The temporary DIB never goes through the application's allocator.
        CISDIB dib;
        CISInternalAllocator memory;
        const BITMAPINFOHEADER* header = nullptr;
        const uint64_t size = width && height ? dib.ISCalcDIBSize(width, height, 24, 0) : 0;
        if (!width || !height)
            dib.m_status = 5;
        else if (size && !memory.Alloc(size))
            dib.m_status = 1;
        else if (size)
            header = dib.ISRGBToDIB(pixels, width, height, stride, memory.GetData(), 0);
        if (header)
            bitmap = ISDIBToHBITMAP(header, palette, dc);
        else
            m_status = dib.m_status;
    }
    if (!bitmap && !m_status)
        m_status = 35;
    return bitmap;
}

BOOL CISGdi::ISHBITMAPToRGB(HBITMAP bitmap, HDC dc, HPALETTE palette, BYTE* target)
{
    ISCallGuard guard;
    if (!bitmap || !target)
        return Fail(5, FALSE);
    if (!dc || !(g_isRasterCaps(dc) & RC_DI_BITMAP))
        return Fail(26, FALSE);
    // On palette devices the system palette stands in for a missing one.
    CISGdiObject<HPALETTE> system;
    if (!palette && (g_isRasterCaps(dc) & RC_PALETTE)) {
        PALETTEENTRY entries[256] = {};
        const UINT got = GetSystemPaletteEntries(dc, 0, 255, entries);
        system.Reset(ISCreateLogicalPalette(entries, got ? 255 : 0));
        palette = system.Get();
    }
    BITMAPINFOHEADER* dib = ISHBITMAPToDIB(bitmap, BI_RGB, palette);
    if (!dib)
        return FALSE;
    CISDIB decode;
    const BOOL ok = decode.ISDIBToRGB(dib, target);
    GlobalFree(dib);
    if (!ok)
        return Fail(decode.m_status ? decode.m_status : 17, FALSE);
    return TRUE;
}

extern "C" HBITMAP is5_RGBToHBITMAP(const void* pixels, uint32_t width, uint32_t height, uint32_t stride,
                                    HPALETTE palette, HDC dc)
{
    static const char kName[] = "is5_RGBToHBITMAP";
    if (!ISGetThreadState())
        return nullptr;
    ISSetLastError(0, kName);
    CISGdi gdi;
    HBITMAP bitmap = gdi.ISRGBToHBITMAP(static_cast<const BYTE*>(pixels), width, height, stride, palette, dc);
    ISSetLastError(bitmap ? 0 : gdi.m_status, kName);
    return bitmap;
}

extern "C" BOOL is5_HBITMAPToRGB(HBITMAP bitmap, HDC dc, HPALETTE palette, void* target)
{
    static const char kName[] = "is5_HBITMAPToRGB";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    CISGdi gdi;
    const BOOL ok = gdi.ISHBITMAPToRGB(bitmap, dc, palette, static_cast<BYTE*>(target));
    ISSetLastError(ok ? 0 : gdi.m_status, kName);
    return ok;
}
