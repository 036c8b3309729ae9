// The supersampled 1-bit text mask: GDI draws the text white on black into a
// monochrome bitmap, which comes back as packed rows.
#include <cstring>

#include "../gdi/gdi.h"
#include "text.h"

namespace {

// Every GDI object of one mask drawing, released in reverse order.
class MaskCanvas {
public:
    ~MaskCanvas()
    {
        if (m_oldFont)
            SelectObject(m_dc, m_oldFont);
        if (m_oldBitmap)
            SelectObject(m_dc, m_oldBitmap);
        if (m_brush)
            DeleteObject(m_brush);
        if (m_font)
            DeleteObject(m_font);
        if (m_bitmap)
            DeleteObject(m_bitmap);
        if (m_dc)
            DeleteDC(m_dc);
    }

    int32_t Open(const LOGFONTA& font, int32_t width, int32_t height)
    {
        m_dc = CreateCompatibleDC(nullptr);
        if (!m_dc)
            return 10;
        m_font = CreateFontIndirectA(&font);
        if (!m_font)
            return 18;
        m_bitmap = CreateBitmap(width, height, 1, 1, nullptr);
        if (!m_bitmap)
            return 23;
        m_oldFont = Selected(SelectObject(m_dc, m_font));
        if (!m_oldFont)
            return 37;
        m_oldBitmap = Selected(SelectObject(m_dc, m_bitmap));
        if (!m_oldBitmap)
            return 37;
        m_brush = CreateSolidBrush(0);
        if (!m_brush)
            return 90;
        const RECT all = {0, 0, width, height};
        FillRect(m_dc, &all, m_brush);
        SetBkColor(m_dc, 0);
        SetTextColor(m_dc, 0xFFFFFF);
        SetBkMode(m_dc, TRANSPARENT);
        return 0;
    }

    HDC Dc() const { return m_dc; }

    // GetDIBits wants the bitmap out of every DC.
    HBITMAP Unselect()
    {
        if (m_oldBitmap) {
            SelectObject(m_dc, m_oldBitmap);
            m_oldBitmap = nullptr;
        }
        return m_bitmap;
    }

private:
    static HGDIOBJ Selected(HGDIOBJ old) { return old == HGDI_ERROR ? nullptr : old; }

    HDC m_dc = nullptr;
    HFONT m_font = nullptr;
    HBITMAP m_bitmap = nullptr;
    HBRUSH m_brush = nullptr;
    HGDIOBJ m_oldFont = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
};

bool IsBlack(const RGBQUAD& q) { return q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0; }

}  // namespace

int32_t ISDrawTextMask(const void* text, const LOGFONTA& font, const RECT& box, uint32_t format, uint32_t flags,
                       int32_t maskWidth, int32_t maskHeight, bool bottomUp, ISArray<BYTE>* mask)
{
    const size_t rowBytes = (size_t(maskWidth) + 7) / 8;
    if (!mask->Resize(static_cast<int32_t>(rowBytes * size_t(maskHeight))))
        return 1;
    BITMAPINFOHEADER* dib = nullptr;
    {
        MaskCanvas canvas;
        const int32_t status = canvas.Open(font, maskWidth, maskHeight);
        if (status)
            return status;
        RECT r = box;
        const UINT f = format & ~UINT(DT_CALCRECT);
        if (flags & kISTextWide)
            DrawTextExW(canvas.Dc(), static_cast<LPWSTR>(const_cast<void*>(text)), -1, &r, f, nullptr);
        else
            DrawTextExA(canvas.Dc(), static_cast<LPSTR>(const_cast<void*>(text)), -1, &r, f, nullptr);
        GdiFlush();
        CISGdi gdi;
        dib = gdi.ISHBITMAPToDIB(canvas.Unselect(), BI_RGB, nullptr);
        if (!dib)
            return gdi.m_status;
    }
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(dib) + 40);
    // Text is whichever bit value the table does not map to black.
    const BYTE invert = !IsBlack(table[0]) && IsBlack(table[1]) ? 0xFF : 0x00;
    const size_t dibRow = (size_t(maskWidth) + 31) / 32 * 4;
    const BYTE* rows = reinterpret_cast<const BYTE*>(dib) + 40 + 8;
    for (int32_t y = 0; y < maskHeight; ++y) {
        // The DIB stores its bottom row first.
        const int32_t from = bottomUp ? y : maskHeight - 1 - y;
        const BYTE* src = rows + size_t(from) * dibRow;
        BYTE* dst = mask->GetData() + size_t(y) * rowBytes;
        for (size_t i = 0; i < rowBytes; ++i)
            dst[i] = src[i] ^ invert;
    }
    GlobalFree(dib);
    return 0;
}
