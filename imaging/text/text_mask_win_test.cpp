// The smoothed-text mask as drawn (a 1-bit DIB section read in place) against
// the reference way of making it: a monochrome bitmap drawn the same way and
// converted by the library's DIB conversion. Both must give the same bits for
// every font, size, factor and format the programs use.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/gdi/gdi.h"
#include "imaging/text/text.h"

namespace {

// The reference mask: rows of (width + 7) / 8 bytes, the top row first
// (bottomUp: the bottom row first); empty when GDI fails.
std::vector<BYTE> ReferenceMask(const void* text, const LOGFONTA& font, const RECT& box, uint32_t format,
                                uint32_t flags, int32_t width, int32_t height, bool bottomUp)
{
    std::vector<BYTE> mask;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT f = CreateFontIndirectA(&font);
    HBITMAP bitmap = CreateBitmap(width, height, 1, 1, nullptr);
    HBRUSH black = CreateSolidBrush(0);
    BITMAPINFOHEADER* dib = nullptr;
    if (dc && f && bitmap && black) {
        HGDIOBJ oldFont = SelectObject(dc, f);
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        const RECT all = {0, 0, width, height};
        FillRect(dc, &all, black);
        SetBkColor(dc, 0);
        SetTextColor(dc, 0xFFFFFF);
        SetBkMode(dc, TRANSPARENT);
        RECT r = box;
        if (flags & kISTextWide)
            DrawTextExW(dc, static_cast<LPWSTR>(const_cast<void*>(text)), -1, &r, format, nullptr);
        else
            DrawTextExA(dc, static_cast<LPSTR>(const_cast<void*>(text)), -1, &r, format, nullptr);
        GdiFlush();
        SelectObject(dc, oldBitmap);
        SelectObject(dc, oldFont);
        CISGdi gdi;
        dib = gdi.ISHBITMAPToDIB(bitmap, BI_RGB, nullptr);
    }
    if (dib) {
        EXPECT_EQ(1, dib->biBitCount);
        const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(dib) + dib->biSize);
        const bool zeroIsWhite = table[0].rgbRed != 0 && table[1].rgbRed == 0;
        const BYTE* rows = reinterpret_cast<const BYTE*>(dib) + dib->biSize + 2 * sizeof(RGBQUAD);
        const size_t dibRow = (size_t(width) + 31) / 32 * 4, rowBytes = (size_t(width) + 7) / 8;
        mask.resize(rowBytes * size_t(height));
        for (int32_t y = 0; y < height; ++y) {
            const BYTE* src = rows + size_t(bottomUp ? y : height - 1 - y) * dibRow;
            for (size_t i = 0; i < rowBytes; ++i)
                mask[size_t(y) * rowBytes + i] = zeroIsWhite ? BYTE(~src[i]) : src[i];
        }
        // Bits past the width are no part of the mask.
        if (width % 8)
            for (int32_t y = 0; y < height; ++y)
                mask[size_t(y) * rowBytes + rowBytes - 1] &= BYTE(0xFF00 >> (width % 8));
        GlobalFree(dib);
    }
    if (black)
        DeleteObject(black);
    if (bitmap)
        DeleteObject(bitmap);
    if (f)
        DeleteObject(f);
    if (dc)
        DeleteDC(dc);
    return mask;
}

struct MaskCase {
    const char* name;
    const char* face;
    LONG height;  // before the factor
    LONG weight;
    BYTE italic;
    uint32_t factor;
    uint32_t format;
    const char* text;
    uint32_t flags;  // kISTextWide draws the text as UTF-16, kISTextBottomUp keeps bottom-up rows
    LONG boxWidth, boxHeight;
};

void PrintTo(const MaskCase& c, std::ostream* os) { *os << c.name; }

class TextMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(TextMask, DibSectionGivesTheBitsOfTheMonochromeBitmapThroughTheDibConversion)
{
    const MaskCase& c = GetParam();
    LOGFONTA font = {};
    font.lfHeight = c.height;
    font.lfWeight = c.weight;
    font.lfItalic = c.italic;
    font.lfQuality = ANTIALIASED_QUALITY;
    std::strcpy(font.lfFaceName, c.face);
    // The geometry of the smoothed text: the font and box scaled by k, one
    // space of margin on each side.
    int32_t space = 0;
    const RECT box = {0, 0, c.boxWidth, c.boxHeight};
    ASSERT_EQ(0, ISTextExtent(c.text, font, box, c.format, 0, nullptr, &space));
    const LONG k = LONG(c.factor);
    font.lfHeight *= k;
    const int32_t width = (c.boxWidth + 2 * space) * k, height = c.boxHeight * k;
    const RECT maskBox = {k * space, 0, k * space + c.boxWidth * k, height};
    const std::wstring wide(c.text, c.text + std::strlen(c.text));
    const void* text = (c.flags & kISTextWide) ? static_cast<const void*>(wide.c_str()) : c.text;
    const bool bottomUp = (c.flags & kISTextBottomUp) != 0;

    const std::vector<BYTE> reference = ReferenceMask(text, font, maskBox, c.format, c.flags, width, height, bottomUp);
    ASSERT_FALSE(reference.empty());
    ISArray<BYTE> mask;
    ASSERT_EQ(0, ISDrawTextMask(text, font, maskBox, c.format, c.flags, width, height, bottomUp, &mask));
    ASSERT_EQ(reference.size(), size_t(mask.Count()));
    const size_t rowBytes = (size_t(width) + 7) / 8;
    size_t set = 0;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const size_t i = size_t(y) * rowBytes + size_t(x) / 8;
            const BYTE bit = BYTE(0x80 >> (x % 8));
            ASSERT_EQ(reference[i] & bit, mask.GetData()[i] & bit) << "pixel " << x << "," << y;
            set += (reference[i] & bit) != 0;
        }
    EXPECT_GT(set, size_t(20)) << "the text left ink in the mask";
}

// Fonts and formats the calendar, clock and wallpaper draw with (0, 0x1,
// 0x21, 0x25), factors 1 and 2 and one beyond, widths off the 32-bit grid.
INSTANTIATE_TEST_SUITE_P(
    Cases, TextMask,
    ::testing::Values(
        MaskCase{"day_cell_arial", "Arial", -64, 600, 0, 2, 0, " 24 ", 0, 123, 76},
        MaskCase{"month_title_arial", "Arial", -64, 600, 0, 2, 0, "Dezember 2026  ", 0, 480, 84},
        MaskCase{"small_arial_factor_one", "Arial", -12, 400, 0, 1, 0, "Mo Di Mi Do Fr Sa So", 0, 151, 17},
        MaskCase{"clock_times", "Times New Roman", -96, 700, 0, 2, 0, "12:34:56", 0, 271, 107},
        MaskCase{"date_line_two_lines", "Arial", -40, 600, 0, 2, 0,
                 "Samstag, 3. Oktober 2026  \r\nTag der deutschen Einheit", 0, 601, 95},
        MaskCase{"umlauts_centred", "Tahoma", -22, 700, 0, 2, DT_CENTER, "M\xe4rz \xdc\xf6\xdf", 0, 133, 30},
        MaskCase{"centred_single_line", "Arial", -30, 400, 1, 2, DT_CENTER | DT_SINGLELINE, "Heiligabend", 0, 205, 41},
        MaskCase{"centred_middle_wide", "Tahoma", -18, 700, 0, 2, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                 "Mitte 24", kISTextWide, 97, 33},
        MaskCase{"bottom_up_rows", "Times New Roman", -28, 400, 0, 2, DT_CENTER | DT_SINGLELINE, "Neujahr 2027",
                 kISTextBottomUp, 187, 35},
        MaskCase{"positive_cell_height", "Arial", 30, 600, 0, 2, 0, " 31 ", 0, 61, 33},
        MaskCase{"factor_three", "Arial", -20, 600, 0, 3, DT_CENTER | DT_VCENTER | DT_SINGLELINE, "Fr 13", 0, 71,
                 27}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
