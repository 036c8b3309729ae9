// Measuring text boxes: ISTextExtent and is5_GetTextLineSize2.
#include "../core/frame.h"
#include "text.h"

namespace {

// A memory DC with a font selected, released in reverse order.
class FontDC {
public:
    explicit FontDC(const LOGFONTA& font)
    {
        m_dc = CreateCompatibleDC(nullptr);
        if (!m_dc) {
            m_status = 10;
            return;
        }
        m_font = CreateFontIndirectA(&font);
        if (!m_font) {
            m_status = 18;
            return;
        }
        m_old = SelectObject(m_dc, m_font);
        if (!m_old || m_old == HGDI_ERROR) {
            m_old = nullptr;
            m_status = 37;
        }
    }
    ~FontDC()
    {
        if (m_old)
            SelectObject(m_dc, m_old);
        if (m_font)
            DeleteObject(m_font);
        if (m_dc)
            DeleteDC(m_dc);
    }
    FontDC(const FontDC&) = delete;
    FontDC& operator=(const FontDC&) = delete;
    HDC Get() const { return m_dc; }
    int32_t Status() const { return m_status; }

private:
    HDC m_dc = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_old = nullptr;
    int32_t m_status = 0;
};

RECT CalcRect(HDC dc, const void* text, uint32_t flags, const RECT& box, uint32_t format)
{
    RECT r = box;
    const UINT f = format | DT_CALCRECT;
    if (flags & kISTextWide)
        DrawTextExW(dc, static_cast<LPWSTR>(const_cast<void*>(text)), -1, &r, f, nullptr);
    else
        DrawTextExA(dc, static_cast<LPSTR>(const_cast<void*>(text)), -1, &r, f, nullptr);
    return r;
}

}  // namespace

bool ISTextEmpty(const void* text, uint32_t flags)
{
    if (!text)
        return true;
    return (flags & kISTextWide) ? *static_cast<const wchar_t*>(text) == 0 : *static_cast<const char*>(text) == 0;
}

int32_t ISTextExtent(const void* text, const LOGFONTA& font, const RECT& box, uint32_t format, uint32_t flags,
                     RECT* out, int32_t* spaceWidth)
{
    if (out)
        *out = RECT{box.left, box.top, box.left, box.top};
    if (spaceWidth)
        *spaceWidth = 0;
    if (ISTextEmpty(text, flags))
        return 0;
    FontDC dc(font);
    if (dc.Status())
        return dc.Status();
    if (out)
        *out = CalcRect(dc.Get(), text, flags, box, format);
    if (spaceWidth) {
        static const char kSpace[] = " ";
        const RECT r = CalcRect(dc.Get(), kSpace, 0, box, format);
        *spaceWidth = r.right > r.left ? r.right - r.left : 0;
    }
    return 0;
}

extern "C" BOOL is5_GetTextLineSize2(const void* text, const LOGFONTA* font, const RECT* box, uint32_t format,
                                     uint32_t flags, uint32_t* width, uint32_t* height)
{
    static const char kName[] = "is5_GetTextLineSize2";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    ISCallGuard guard;
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (!font || !box || !width || !height) {
        ISSetLastError(5, kName);
        return FALSE;
    }
    RECT out;
    const int32_t status = ISTextExtent(text, *font, *box, format, flags, &out, nullptr);
    if (status) {
        ISSetLastError(status, kName);
        return FALSE;
    }
    *width = out.right > out.left ? static_cast<uint32_t>(out.right - out.left) : 0;
    *height = out.bottom > out.top ? static_cast<uint32_t>(out.bottom - out.top) : 0;
    return TRUE;
}
