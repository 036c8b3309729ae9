// The Desktop page's layout previews ("KLAYOUT01".."KLAYOUT05"): each layout
// on a plain desktop, as a first start shows it, made small.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/dates/dates.h"
#include "desktop/grid.h"
#include "desktop/layouts.h"
#include "imaging/is5.h"
#include "settings/settings.h"
#include "text/text.h"

namespace {

const int kDesktopWidth = 1024;
const int kDesktopHeight = 768;

}  // namespace

void PreviewLayoutContext(int layout, LayoutContext* c)
{
    LoadDayMonthNames();
    memset(c, 0, sizeof(*c));
    c->layout = layout;
    c->font.lfHeight = -64;
    c->font.lfWeight = 600;
    c->font.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynA(c->font.lfFaceName, "Arial", LF_FACESIZE);
    c->weekNumbers = 1;
    c->weekdayNames = 1;
    c->dateForm = 1;
    c->region = 2;
    c->firstDayOfWeek = 0;
    c->screenWidth = kDesktopWidth;
    c->screenHeight = kDesktopHeight;
    c->day = 10;
    c->month = 12;
    c->year = 2026;
    c->weekday = GetWeekday(c->day, c->month, c->year);
    memcpy(c->monthNames, gMonthNames, sizeof(c->monthNames));
    memcpy(c->dayNames, gDayNames, sizeof(c->dayNames));
}

bool DrawLayoutPreview(LayoutContext* c, BYTE* pixels)
{
    BYTE* picture = nullptr;
    int w = 0, h = 0;
    if (!BuildLayoutPicture(c, &picture, &w, &h))
        return false;
    std::vector<BYTE> desktop((size_t)kDesktopWidth * kDesktopHeight * 3);
    const COLORREF colour = LAYOUT_PREVIEW_DESKTOP;
    for (size_t i = 0; i < desktop.size(); i += 3) {
        desktop[i] = GetRValue(colour);
        desktop[i + 1] = GetGValue(colour);
        desktop[i + 2] = GetBValue(colour);
    }
    // Placed as the window places itself on a first start: centred, above the
    // bottom, and kept within the bounds a window of that size may reach.
    RECT work = {0, 0, kDesktopWidth, kDesktopHeight};
    int x = -1, y = -1;
    PlaceCalendar(&x, &y, 1, w, h, kDesktopWidth, &work);
    ClampCalendarPosition(&x, &y, 1, x, w, h, &work);
    const COLORREF key = LayoutKeyColour(DrawnLayout(c->layout));
    for (int row = 0; row < h; row++) {
        int dy = y + row;
        if (dy < 0 || dy >= kDesktopHeight)
            continue;
        for (int column = 0; column < w; column++) {
            int dx = x + column;
            if (dx < 0 || dx >= kDesktopWidth)
                continue;
            const BYTE* p = picture + ((size_t)row * w + column) * 3;
            if (RGB(p[0], p[1], p[2]) == key)
                continue;
            memcpy(&desktop[((size_t)dy * kDesktopWidth + dx) * 3], p, 3);
        }
    }
    free(picture);
    return is5_ResizeImage(desktop.data(), kDesktopWidth, kDesktopHeight, kDesktopWidth * 3, pixels,
                           LAYOUT_PREVIEW_WIDTH, LAYOUT_PREVIEW_HEIGHT, LAYOUT_PREVIEW_WIDTH * 3, 3,
                           IS5_RESIZE_BICUBIC, 0) != 0;
}
