// The supersampled 1-bit text mask: GDI draws the text white on black into a
// 1-bit DIB section (0 black, 1 white), whose rows are copied out as they are.
// Reading the section's memory spares a screen DC and a GetDIBits conversion
// per text, which under Wine cost more than the drawing itself.
#include <cstring>

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
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[2];
        } info = {};
        info.header.biSize = sizeof(info.header);
        info.header.biWidth = width;
        info.header.biHeight = height;
        info.header.biPlanes = 1;
        info.header.biBitCount = 1;
        info.header.biCompression = BI_RGB;
        info.colours[1] = RGBQUAD{255, 255, 255, 0};
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!m_bitmap || !bits)
            return 23;
        m_bits = static_cast<const BYTE*>(bits);
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

    // Rows of (width + 31) / 32 x 4 bytes, the bottom row first.
    const BYTE* Bits() const { return m_bits; }

private:
    static HGDIOBJ Selected(HGDIOBJ old) { return old == HGDI_ERROR ? nullptr : old; }

    HDC m_dc = nullptr;
    HFONT m_font = nullptr;
    HBITMAP m_bitmap = nullptr;
    HBRUSH m_brush = nullptr;
    HGDIOBJ m_oldFont = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    const BYTE* m_bits = nullptr;
};

}  // namespace

int32_t ISDrawTextMask(const void* text, const LOGFONTA& font, const RECT& box, uint32_t format, uint32_t flags,
                       int32_t maskWidth, int32_t maskHeight, bool bottomUp, ISArray<BYTE>* mask)
{
    const size_t rowBytes = (size_t(maskWidth) + 7) / 8;
    if (!mask->Resize(static_cast<int32_t>(rowBytes * size_t(maskHeight))))
        return 1;
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
    // The section's memory is complete only after GDI's batch is flushed.
    GdiFlush();
    const size_t dibRow = (size_t(maskWidth) + 31) / 32 * 4;
    for (int32_t y = 0; y < maskHeight; ++y) {
        // The section stores its bottom row first.
        const int32_t from = bottomUp ? y : maskHeight - 1 - y;
        std::memcpy(mask->GetData() + size_t(y) * rowBytes, canvas.Bits() + size_t(from) * dibRow, rowBytes);
    }
    return 0;
}
