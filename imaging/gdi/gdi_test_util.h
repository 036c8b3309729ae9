// Test helpers of the GDI conversions. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "imaging/is5.h"
#include "tests/support/test_support.h"

// Sets the calling thread's creation method for one scope.
class CreationMethod {
public:
    explicit CreationMethod(int32_t method) { is5_SetHBITMAPCreateMethod(method); }
    ~CreationMethod() { is5_SetHBITMAPCreateMethod(0); }
};

// A 64 x 48 top-down 32-bit DIB section filled with random B,G,R,X pixels,
// selected into a memory DC.
class SectionDC {
public:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;

    SectionDC()
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = 40;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<BYTE*>(bits);
        m_dc = CreateCompatibleDC(nullptr);
        if (m_bitmap && m_dc) {
            m_old = SelectObject(m_dc, m_bitmap);
            const std::vector<uint8_t> fill = vt::RandomBytes(kWidth * kHeight * 4, 64);
            for (size_t i = 0; i < fill.size(); ++i)
                m_bits[i] = i % 4 == 3 ? 0 : fill[i];
        }
    }
    ~SectionDC()
    {
        if (m_old)
            SelectObject(m_dc, m_old);
        if (m_dc)
            DeleteDC(m_dc);
        if (m_bitmap)
            DeleteObject(m_bitmap);
    }
    bool Ok() const { return m_bitmap && m_dc && m_bits && m_old; }
    HDC Dc() const { return m_dc; }
    // The section's pixels as B,G,R,X bytes, top row first.
    std::vector<BYTE> Bytes() const
    {
        GdiFlush();
        return std::vector<BYTE>(m_bits, m_bits + kWidth * kHeight * 4);
    }
    // The rectangle as R,G,B rows, read straight from the section's memory.
    std::vector<BYTE> Rgb(int x, int y, int w, int h) const
    {
        GdiFlush();
        std::vector<BYTE> out;
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                const BYTE* p = m_bits + (size_t(y + r) * kWidth + (x + c)) * 4;
                out.insert(out.end(), {p[2], p[1], p[0]});
            }
        return out;
    }

private:
    HBITMAP m_bitmap = nullptr;
    BYTE* m_bits = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};
