// RGB buffers to GDI bitmaps and back: is5_RGBToHBITMAP, is5_HBITMAPToRGB and
// the DIB-section builder.
#include <cstring>

#include "../core/frame.h"
#include "../dib/dib.h"
#include "gdi.h"

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

extern "C" HBITMAP is5_RGBToHBITMAP(const void* pixels, uint32_t width, uint32_t height, uint32_t stride,
                                    HPALETTE palette, HDC dc)
{
    static const char kName[] = "is5_RGBToHBITMAP";
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return nullptr;
    ISSetLastError(0, kName);
    ISCallGuard guard;
    if (!pixels) {
        ISSetLastError(5, kName);
        return nullptr;
    }
    CISGdi gdi;
    HBITMAP bitmap = nullptr;
    if (state->hbitmapCreateMethod) {
        bitmap = gdi.ISRGBToDIBSection(static_cast<const BYTE*>(pixels), width, height, stride, palette, dc);
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
            header = dib.ISRGBToDIB(static_cast<const BYTE*>(pixels), width, height, stride, memory.GetData(), 0);
        if (header)
            bitmap = gdi.ISDIBToHBITMAP(header, palette, dc);
        else
            gdi.m_status = dib.m_status;
    }
    if (!bitmap)
        ISSetLastError(gdi.m_status ? gdi.m_status : 35, kName);
    return bitmap;
}

extern "C" BOOL is5_HBITMAPToRGB(HBITMAP bitmap, HDC dc, HPALETTE palette, void* target)
{
    static const char kName[] = "is5_HBITMAPToRGB";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    ISCallGuard guard;
    if (!bitmap || !target) {
        ISSetLastError(5, kName);
        return FALSE;
    }
    if (!dc || !(GetDeviceCaps(dc, RASTERCAPS) & RC_DI_BITMAP)) {
        ISSetLastError(26, kName);
        return FALSE;
    }
    // On palette devices the system palette stands in for a missing one.
    CISGdiObject<HPALETTE> system;
    if (!palette && (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)) {
        PALETTEENTRY entries[256] = {};
        const UINT got = GetSystemPaletteEntries(dc, 0, 255, entries);
        system.Reset(ISCreateLogicalPalette(entries, got ? 255 : 0));
        palette = system.Get();
    }
    CISGdi gdi;
    BITMAPINFOHEADER* dib = gdi.ISHBITMAPToDIB(bitmap, BI_RGB, palette);
    if (!dib) {
        ISSetLastError(gdi.m_status, kName);
        return FALSE;
    }
    CISDIB decode;
    const BOOL ok = decode.ISDIBToRGB(dib, static_cast<BYTE*>(target));
    GlobalFree(dib);
    if (!ok) {
        ISSetLastError(decode.m_status, kName);
        return FALSE;
    }
    return TRUE;
}
