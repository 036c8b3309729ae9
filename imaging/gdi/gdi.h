// Conversions between packed DIBs, RGB buffers and GDI bitmap handles.
// Windows only: include from *_win.cpp files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../platform/winshim.h"

// RASTERCAPS of a DC; every capability test of the GDI operations reads it
// here, so that tests can stand in for devices that lack a capability.
extern int (*g_isRasterCaps)(HDC dc);

// The GDI operations. Each stores its library code in m_status: 1 memory,
// 5 bad argument or header, 10 no memory DC, 17 bit-field masks asked of
// ISHBITMAPToDIB, 23 no compatible bitmap, 25 GetDIBits failed, 26 device
// without a capability the operation needs, 29 BitBlt failed, 35 bitmap not
// created, 37 SelectObject failed, 40 DIB section without pixel memory.
class CISGdi {
public:
    int32_t m_status = 0;
    void ISClearStatus() { m_status = 0; }

    // The workers of is5_RGBToHBITMAP and is5_HBITMAPToRGB: the bitmap as the
    // thread's creation method makes it, and a bitmap's pixels as top-down
    // R,G,B rows. Stride 0 = packed.
    HBITMAP ISRGBToHBITMAP(const BYTE* pixels, uint32_t width, uint32_t height, size_t stride, HPALETTE palette,
                           HDC dc);
    BOOL ISHBITMAPToRGB(HBITMAP bitmap, HDC dc, HPALETTE palette, BYTE* target);
    // The rectangle at (x, y) of a DC as top-down R,G,B rows of width x 3 bytes.
    BOOL ISDCToRGBImpl(HDC dc, int32_t x, int32_t y, uint32_t width, uint32_t height, BYTE* target);
    // An RGB buffer drawn at (x, y) through a temporary bitmap.
    BOOL ISDrawRGBImpl(HDC dc, const BYTE* pixels, uint32_t width, uint32_t height, size_t stride, int32_t x,
                       int32_t y, HPALETTE palette);
    // A bitmap blitted at (x, y), from its origin or from (sourceX, sourceY);
    // a null palette is DEFAULT_PALETTE.
    BOOL ISDrawHBITMAP(HDC dc, HBITMAP bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                       HPALETTE palette);
    BOOL ISDrawHBITMAPEx(HDC dc, HBITMAP bitmap, int32_t x, int32_t y, int32_t sourceX, int32_t sourceY,
                         int32_t width, int32_t height, HPALETTE palette);

    // A packed DIB of the bitmap, always from GlobalAlloc (never the
    // application's allocator), freed with GlobalFree; compression 0 or
    // a run-length code, not BI_BITFIELDS. A null palette is DEFAULT_PALETTE.
    BITMAPINFOHEADER* ISHBITMAPToDIB(HBITMAP bitmap, DWORD compression, HPALETTE palette);
    // A bitmap from a packed DIB: a DIB section when the thread's creation
    // method is set, else a device-dependent bitmap. Without a DC, 1-bit DIBs
    // go through a memory DC (so they stay monochrome), others the screen DC.
    HBITMAP ISDIBToHBITMAP(const BITMAPINFOHEADER* dib, HPALETTE palette, HDC dc);
    // A 24-bit DIB section holding top-down R,G,B pixels; stride 0 = packed.
    HBITMAP ISRGBToDIBSection(const BYTE* pixels, uint32_t width, uint32_t height, size_t stride, HPALETTE palette,
                              HDC dc);
    // A palette from the colour table of a DIB of at most 8 bits; null for
    // deeper DIBs. `entries` receives the table length.
    HPALETTE ISCreateDIBPalette(const BITMAPINFOHEADER* dib, uint32_t* entries);

private:
    template <typename T>
    T Fail(int32_t code, T value)
    {
        m_status = code;
        return value;
    }
};

// Selects and realises a palette into a DC for its lifetime (foreground
// realisation, as a bitmap conversion wants); a null palette does nothing.
class CISSelectedPalette {
public:
    CISSelectedPalette(HDC dc, HPALETTE palette) : m_dc(dc)
    {
        if (dc && palette) {
            m_old = SelectPalette(dc, palette, FALSE);
            RealizePalette(dc);
        }
    }
    ~CISSelectedPalette()
    {
        if (m_old)
            SelectPalette(m_dc, m_old, FALSE);
    }
    CISSelectedPalette(const CISSelectedPalette&) = delete;
    CISSelectedPalette& operator=(const CISSelectedPalette&) = delete;

private:
    HDC m_dc;
    HPALETTE m_old = nullptr;
};

// The screen DC for its lifetime.
class CISScreenDC {
public:
    CISScreenDC() : m_dc(GetDC(nullptr)) {}
    ~CISScreenDC()
    {
        if (m_dc)
            ReleaseDC(nullptr, m_dc);
    }
    CISScreenDC(const CISScreenDC&) = delete;
    CISScreenDC& operator=(const CISScreenDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

// A memory DC compatible with another, with at most one object selected by
// Select, which goes back out before the DC is deleted.
class CISMemoryDC {
public:
    explicit CISMemoryDC(HDC compatible) : m_dc(CreateCompatibleDC(compatible)) {}
    ~CISMemoryDC()
    {
        Deselect();
        if (m_dc)
            DeleteDC(m_dc);
    }
    CISMemoryDC(const CISMemoryDC&) = delete;
    CISMemoryDC& operator=(const CISMemoryDC&) = delete;
    HDC Get() const { return m_dc; }
    bool Select(HGDIOBJ object)
    {
        HGDIOBJ old = SelectObject(m_dc, object);
        if (!old || old == HGDI_ERROR)
            return false;
        m_old = old;
        return true;
    }
    void Deselect()
    {
        if (m_old)
            SelectObject(m_dc, m_old);
        m_old = nullptr;
    }

private:
    HDC m_dc;
    HGDIOBJ m_old = nullptr;
};

// A GDI object deleted at the end of its scope unless released.
template <typename H>
class CISGdiObject {
public:
    explicit CISGdiObject(H handle = nullptr) : m_handle(handle) {}
    ~CISGdiObject()
    {
        if (m_handle)
            DeleteObject(m_handle);
    }
    CISGdiObject(const CISGdiObject&) = delete;
    CISGdiObject& operator=(const CISGdiObject&) = delete;
    H Get() const { return m_handle; }
    H Release()
    {
        H h = m_handle;
        m_handle = nullptr;
        return h;
    }
    void Reset(H handle)
    {
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = handle;
    }

private:
    H m_handle;
};

// A logical palette (version 0x300) of up to 256 colours with flags 0;
// null when the count is 0 or above 256, or GDI refuses.
HPALETTE ISCreateLogicalPalette(const PALETTEENTRY* colours, uint32_t count);
