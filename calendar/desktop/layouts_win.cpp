// The calendar layouts (day strip, month grid, three months, date line,
// picture sheet) and their cells, all in the library's smoothed text.
#include "desktop/layouts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/app.h"
#include "common/dates/dates.h"
#include "common/win/resource_source.h"
#include "desktop/desktop.h"
#include "desktop/grid.h"
#include "imaging/is5.h"
#include "settings/settings.h"
#include "text/text.h"

namespace {

const COLORREF kBlack = 0x000000;
const COLORREF kWhite = 0xFFFFFF;
const COLORREF kRed = 0x0000FF;
const COLORREF kYellow = 0x20FFFF;
const COLORREF kDarkText = 0x101010;
const COLORREF kWeekGrey = 0x949494;
const COLORREF kDateLine = 0xF0F0F0;
const COLORREF kSheetRed = 0x1010FF;
const COLORREF kSheetText = 0x141010;
const COLORREF kSheetInfo = 0x282020;

// Measured box of a text; false (and 0 x 0) when the library cannot measure.
bool Measure(const char* text, const LOGFONTA* font, int left, int top, int right, int bottom, int* width,
             int* height, UINT format = 0)
{
    RECT box = {left, top, right, bottom};
    uint32_t w = 0, h = 0;
    if (!is5_GetTextLineSize2(text, font, &box, format, 0, &w, &h)) {
        *width = 0;
        *height = 0;
        return false;
    }
    *width = (int)w;
    *height = (int)h;
    return true;
}

bool Draw(BYTE* buffer, int width, int height, const char* text, const LOGFONTA* font, int left, int top, int right,
          int bottom, COLORREF colour, UINT format = 0)
{
    RECT box = {left, top, right, bottom};
    return is5_DrawSmoothTextOnRGB2(buffer, (uint32_t)width, (uint32_t)height, (uint32_t)width * 3, text, font, 2,
                                    &box, format, 0, colour) != 0;
}

// Short weekday name of the grids (index 0 Monday .. 6 Sunday, 7 the week column).
void GridDayName(int index, char* name)
{
    static const char* const keys[8] = {"MO", "DI", "MI", "DO", "FR", "SA", "SO", "KW"};
    static const char* const defaults[8] = {"Mo ", "Di ", "Mi ", "Do", "Fr ", "Sa ", "So ", "W "};
    if (index < 0 || index > 7)
        index = 7;
    lstrcpynA(name, GetLangText("ALARM", keys[index], defaults[index]), 4);
}

// Widths of " 99 " and " " in the calendar font.
void CellMeasures(LayoutContext* c, int* cw, int* sw)
{
    if (c->measuredHeight != c->font.lfHeight || c->measuredHeight == 0) {
        int unused;
        Measure(" 99 ", &c->font, 0, 0, 100, 100, &c->cellWidth, &unused);
        Measure(" ", &c->font, 0, 0, 100, 100, &c->spaceWidth, &unused);
        memset(c->dayWidth, 0, sizeof(c->dayWidth));
        memset(c->dayHeight, 0, sizeof(c->dayHeight));
        c->measuredHeight = c->font.lfHeight;
    }
    *cw = c->cellWidth;
    *sw = c->spaceWidth;
}

// Width and line height of " %d" for a day 1..31.
bool MeasureDay(LayoutContext* c, int day, const char* text, int* width, int* height)
{
    int cw, sw;
    CellMeasures(c, &cw, &sw);
    if (day < 1 || day > 31)
        return Measure(text, &c->font, 0, 0, 100, 100, width, height);
    if (!c->dayHeight[day] && !Measure(text, &c->font, 0, 0, 100, 100, &c->dayWidth[day], &c->dayHeight[day]))
        return false;
    *width = c->dayWidth[day];
    *height = c->dayHeight[day];
    return true;
}

bool IsRedDay(const LayoutContext* c, int running, int day, int month, int year)
{
    if (IsWeekendRunning(running))
        return true;
    return c->region > 0 && day > 0 && IsPublicHoliday(day, month, year, c->region);
}

// Six rows of one month from y on; returns y after them and whether the sixth
// row held a day.
int DrawMonthRows(LayoutContext* c, BYTE* buffer, int width, int height, int month, int year, int running, int y,
                  int cw, int rh, bool markToday, bool* sixthUsed)
{
    int days = DaysInMonth(month, year);
    int s = FirstGridCell(running, c->firstDayOfWeek, days);
    *sixthUsed = false;
    for (int row = 0; row < 6; row++) {
        int x = 0;
        for (int column = 0; column < 7; column++) {
            int red = IsRedDay(c, running, s, month, year);
            if (column == 0 && c->weekNumbers) {
                if (s >= -5 && s <= days) {
                    DrawWeekNumberCell(c, buffer, width, height, s > 1 ? s : 1, month, year, x + cw, y);
                    x += (int)(cw * 1.3);
                }
            }
            if (s >= 1 && s <= days) {
                DrawDayCell(c, buffer, width, height, s, red, markToday && s == c->day, x, y, 1, 0);
                running = (running + 1) % 7;
                if (row == 5)
                    *sixthUsed = true;
            }
            x += cw;
            s++;
        }
        y += rh;
    }
    return y;
}

// Weekday row of the grids at y.
void DrawWeekdayRow(LayoutContext* c, BYTE* buffer, int width, int height, int y, int cw)
{
    int x = 0;
    if (c->weekNumbers) {
        DrawWeekdayCell(c, buffer, width, height, 7, 0, x, y, 1);
        x += (int)(cw * 1.3);
    }
    for (int i = 0; i < 7; i++) {
        int index = (c->firstDayOfWeek + i) % 7;
        DrawWeekdayCell(c, buffer, width, height, index, index == 5 || index == 6, x, y, 1);
        x += cw;
    }
}

void FitTooLongLine(LayoutContext* c, const char* text, int* width, int* height)
{
    Measure(text, &c->font, 0, 0, c->screenWidth, 300, width, height);
    // Stops at the smallest height and accepts what is still too wide.
    while (*width > c->screenWidth && CanShrinkFont(c->font.lfHeight)) {
        c->font.lfHeight = StepFontHeight(c->font.lfHeight);
        Measure(text, &c->font, 0, 0, c->screenWidth, 300, width, height);
    }
}

// One line of the picture sheet, measured at a given font height.
struct SheetLine {
    const char* text;
    LOGFONTA* font;
    int boxWidth, boxHeight;
};

bool MeasureSheetLine(void* user, LONG height, int* width, int* lineHeight)
{
    SheetLine* line = (SheetLine*)user;
    line->font->lfHeight = height;
    return Measure(line->text, line->font, 0, 0, line->boxWidth, line->boxHeight, width, lineHeight,
                   DT_CENTER | DT_SINGLELINE);
}

LONG FitSheetLine(const char* text, LOGFONTA* font, LONG start, int maxWidth, int maxHeight, int boxWidth,
                  int boxHeight, int* lineHeight)
{
    SheetLine line = {text, font, boxWidth, boxHeight};
    int width;
    font->lfHeight = FitFontHeight(start, maxWidth, maxHeight, MeasureSheetLine, &line, &width, lineHeight);
    return font->lfHeight;
}

// The sheet of this width as a 24-bit picture of exactly that size, or NULL.
void* ReadSheet(const LayoutContext* c, int width, int height)
{
    HISSRC source;
    if (c->sheet) {
        source = is5_OpenMemorySource(c->sheet, c->sheetSize);
    } else {
        char name[32];
        snprintf(name, sizeof(name), "KALENDER04_%3d", width);
        source = OpenResourceSource(ProgramModule(), name, "BITMAPP");
    }
    if (!source)
        return nullptr;
    uint32_t w = 0, h = 0;
    void* picture = is5_ReadImage(source, &w, &h, 0, 0);
    // A damaged file comes back partly read, with its error.
    const bool complete = ISGetLastError() == 0;
    is5_CloseSource(source);
    if (picture && (!complete || w != (uint32_t)width || h != (uint32_t)height)) {
        GlobalFree(picture);
        picture = nullptr;
    }
    return picture;
}

}  // namespace

void FillLayoutContext(LayoutContext* c)
{
    memset(c, 0, sizeof(*c));
    LockDesktopSettings();
    c->layout = gSettings.KalenderLayout;
    c->font = gSettings.calendarFont;
    c->weekNumbers = gSettings.KalenderWoche;
    c->weekdayNames = gSettings.KalenderWTage;
    c->dateForm = gSettings.Kalender4Groesse;
    c->region = gSettings.Feiertage;
    c->firstDayOfWeek = gSettings.iFirstDayOfWeek;
    memcpy(c->monthNames, gMonthNames, sizeof(c->monthNames));
    memcpy(c->dayNames, gDayNames, sizeof(c->dayNames));
    UnlockDesktopSettings();
    c->font.lfQuality = ANTIALIASED_QUALITY;
    if (c->firstDayOfWeek < 0 || c->firstDayOfWeek > 6)
        c->firstDayOfWeek = 0;
    c->screenWidth = GetSystemMetrics(SM_CXSCREEN);
    c->screenHeight = GetSystemMetrics(SM_CYSCREEN);
    int hour, minute, second;
    GetLocalTimeFields(&c->day, &c->month, &c->year, &hour, &minute, &second, &c->weekday);
}

void DrawMonthTitle(LayoutContext* c, BYTE* buffer, int width, int height, int y, int month, int year, int alignment)
{
    char text[128];
    snprintf(text, sizeof(text), "%s %d", c->monthNames[(month + 11) % 12], year);
    int tw, th;
    Measure(text, &c->font, 0, y, 600, y + 100, &tw, &th);
    int x;
    if (alignment < 0) {
        int sh;
        Measure(" ", &c->font, 0, y, 600, y + 100, &x, &sh);
    } else if (alignment == 0) {
        x = (width - tw) / 2;
    } else {
        x = width - tw;
    }
    lstrcatA(text, "  ");
    Draw(buffer, width, height, text, &c->font, x + 1, y + 1, x + tw + 10, y + th + 10, kBlack);
    Draw(buffer, width, height, text, &c->font, x, y, x + tw + 10, y + th + 10, kWhite);
}

int DrawWeekdayCell(LayoutContext* c, BYTE* buffer, int width, int height, int nameIndex, int red, int x, int y,
                    int rightAligned)
{
    char name[8], text[16];
    GridDayName(nameIndex, name);
    snprintf(text, sizeof(text), " %s ", name);
    int cw, sw, nw, lh;
    CellMeasures(c, &cw, &sw);
    if (!Measure(text, &c->font, 0, 0, 100, 100, &nw, &lh))
        return 0;
    if (rightAligned)
        x += cw - nw;
    if (!Draw(buffer, width, height, text, &c->font, x + 1, y + 1, x + nw + sw + 20, y + lh + 2, kBlack))
        return 0;
    if (!Draw(buffer, width, height, text, &c->font, x, y, x + nw + sw + 20, y + lh + 2, red ? kRed : kWhite))
        return 0;
    return nw;
}

int DrawDayCell(LayoutContext* c, BYTE* buffer, int width, int height, int day, int red, int today, int x, int y,
                int rightAligned, int strip)
{
    char text[16];
    snprintf(text, sizeof(text), " %d ", day);
    int cw, sw, nw, lh;
    CellMeasures(c, &cw, &sw);
    if (!MeasureDay(c, day, text, &nw, &lh))
        return 0;
    int x0 = x > 0 ? x : 0;
    if (rightAligned)
        x += cw - nw;
    int right = x + nw + sw + 20, bottom = y + lh + 2;
    if (today) {
        RECT box = strip ? RECT{x0, y - 2, x0 + nw + 2, y + lh + 2} : RECT{x0 + sw - 2, y - 2, x0 + cw, y + lh + 2};
        is5_FillSolidRect(buffer, (uint32_t)width, (uint32_t)height, 3, (uint32_t)width * 3, &box, kYellow, 0);
        if (!Draw(buffer, width, height, text, &c->font, x, y, right, bottom, red ? kRed : kDarkText))
            return 0;
        return nw;
    }
    if (!Draw(buffer, width, height, text, &c->font, x + 1, y + 1, right, bottom, kBlack))
        return 0;
    if (!Draw(buffer, width, height, text, &c->font, x, y, right, bottom, red ? kRed : kWhite))
        return 0;
    return nw;
}

void DrawWeekNumberCell(LayoutContext* c, BYTE* buffer, int width, int height, int day, int month, int year,
                        int rightX, int y)
{
    char text[16];
    snprintf(text, sizeof(text), " %d ", GetWeekNumber(day, month, year));
    int ww, wh;
    Measure(text, &c->weekFont, 0, 0, 64, 64, &ww, &wh);
    int x = rightX - ww;
    if (x < 0)
        x = 0;
    Draw(buffer, width, height, text, &c->weekFont, x + 1, y + 1, x + ww + 40, y + wh + 10, kDarkText);
    Draw(buffer, width, height, text, &c->weekFont, x, y, x + ww + 40, y + wh + 10, kWeekGrey);
}

void MeasureDayStrip(LayoutContext* c, int* width, int* height)
{
    c->font.lfHeight = ClampFontHeight(c->font.lfHeight);
    int days = DaysInMonth(c->month, c->year);
    int spw, unused;
    Measure("       ", &c->font, 0, 0, 100, 100, &spw, &unused);
    for (;;) {
        // Stops at the smallest height and accepts the overflow there.
        const bool canShrink = CanShrinkFont(c->font.lfHeight);
        int sum = 0, lh = 0;
        bool tooWide = false;
        for (int day = 1; day <= days && !tooWide; day++) {
            char text[16];
            snprintf(text, sizeof(text), " %d ", day);
            int w;
            Measure(text, &c->font, 0, 0, 100, 100, &w, &lh);
            sum += w;
            // The days still to come only widen the strip: the height steps anyway.
            tooWide = canShrink && sum + spw > c->screenWidth;
        }
        if (tooWide) {
            c->font.lfHeight = StepFontHeight(c->font.lfHeight);
            Measure("       ", &c->font, 0, 0, 100, 100, &spw, &unused);
            continue;
        }
        *width = sum;
        *height = 3 * lh;
        return;
    }
}

void DrawDayStrip(LayoutContext* c, BYTE* buffer, int width, int height)
{
    DrawMonthTitle(c, buffer, width, height, 0, c->month, c->year, 0);
    int y = abs((int)(c->font.lfHeight * 1.5));
    int x = -1;
    int running = RunningWeekdayOfFirst(c->weekday, c->day);
    int days = DaysInMonth(c->month, c->year);
    for (int day = 1; day <= days; day++) {
        int red = IsRedDay(c, running, day, c->month, c->year);
        int drawn = DrawDayCell(c, buffer, width, height, day, red, day == c->day, x, y, 0, 1);
        if (!drawn)
            break;
        x += drawn;
        running = (running + 1) % 7;
    }
}

void MeasureMonthGrid(LayoutContext* c, int* width, int* height)
{
    c->font.lfHeight = ClampFontHeight(c->font.lfHeight);
    const char* sample = c->weekNumbers ? "99  99  99  99  99  99  99  99 " : "99  99  99  99  99  99  99 ";
    double rows = c->weekdayNames ? 8.2 : 7.2;
    int w, h;
    for (;;) {
        Measure(sample, &c->font, 0, 0, c->screenWidth, 100, &w, &h);
        int gridHeight = (int)((h + 5) * rows);
        // Huge fonts shrink until one month fits the screen (layout 3 stacks
        // three, each within a third of its picture).
        if ((w > c->screenWidth || gridHeight > c->screenHeight) && CanShrinkFont(c->font.lfHeight)) {
            c->font.lfHeight = StepFontHeight(c->font.lfHeight);
            continue;
        }
        *width = w;
        *height = gridHeight;
        break;
    }
    memset(&c->weekFont, 0, sizeof(c->weekFont));
    lstrcpynA(c->weekFont.lfFaceName, c->font.lfFaceName, LF_FACESIZE);
    c->weekFont.lfHeight = c->font.lfHeight;
    c->weekFont.lfWeight = 400;
    c->weekFont.lfItalic = 0;
    c->weekFont.lfQuality = ANTIALIASED_QUALITY;
}

void DrawMonthGrid(LayoutContext* c, BYTE* buffer, int width, int height)
{
    int cw = (width - 4) / (c->weekNumbers ? 9 : 7);
    int rh = (height - 3) / (c->weekdayNames ? 8 : 7);
    int y = 0;
    DrawMonthTitle(c, buffer, width, height, y, c->month, c->year, -1);
    if (c->weekdayNames) {
        y += rh;
        DrawWeekdayRow(c, buffer, width, height, y, cw);
    }
    y += rh;
    bool sixth;
    DrawMonthRows(c, buffer, width, height, c->month, c->year, RunningWeekdayOfFirst(c->weekday, c->day), y, cw, rh,
                  true, &sixth);
}

void DrawThreeMonths(LayoutContext* c, BYTE* buffer, int width, int height)
{
    int mh = (int)(height / 3.25);
    int cw = (width - 4) / (c->weekNumbers ? 9 : 7);
    int rh = (mh - 3) / (c->weekdayNames ? 8 : 7);
    int y = 0;
    for (int i = -1; i <= 1; i++) {
        int month = c->month + i, year = c->year;
        if (month < 1) {
            month = 12;
            year--;
        } else if (month > 12) {
            month = 1;
            year++;
        }
        int running = i == 0 ? RunningWeekdayOfFirst(c->weekday, c->day) : GetWeekday(1, month, year);
        DrawMonthTitle(c, buffer, width, height, y, month, year, -1);
        if (c->weekdayNames) {
            y += rh;
            DrawWeekdayRow(c, buffer, width, height, y, cw);
        }
        y += rh;
        bool sixth;
        y = DrawMonthRows(c, buffer, width, height, month, year, running, y, cw, rh, i == 0, &sixth);
        if (i < 1 && sixth)
            y += rh;
    }
}

void FormatDateLine(const LayoutContext* c, char* text, int capacity)
{
    if (capacity <= 0)
        return;
    static const char* const keys[7] = {"SO", "MO", "DI", "MI", "DO", "FR", "SA"};
    static const char* const defaults[7] = {"So ", "Mo ", "Di ", "Mi ", "Do", "Fr ", "Sa "};
    int wd = c->weekday >= 0 && c->weekday <= 6 ? c->weekday : 0;
    const char* longName = c->dayNames[wd];
    const char* monthName = c->monthNames[(c->month + 11) % 12];
    size_t size = (size_t)capacity;
    if (c->weekdayNames) {
        switch (c->dateForm) {
        case 1: snprintf(text, size, "%s, %02d.%02d.%4d  ", longName, c->day, c->month, c->year); break;
        case 2: snprintf(text, size, "%s, %d. %s  ", longName, c->day, monthName); break;
        case 3: snprintf(text, size, "%s, %d. %s %d  ", longName, c->day, monthName, c->year); break;
        default: {
            char shortName[8];
            lstrcpynA(shortName, GetLangText("ALARM", keys[wd], defaults[wd]), 8);
            snprintf(text, size, "%s %02d.%02d.%4d  ", shortName, c->day, c->month, c->year);
            break;
        }
        }
    } else {
        switch (c->dateForm) {
        case 2: snprintf(text, size, "%d. %s  ", c->day, monthName); break;
        case 3: snprintf(text, size, "%d. %s %d  ", c->day, monthName, c->year); break;
        default: snprintf(text, size, "%02d.%02d.%4d  ", c->day, c->month, c->year); break;
        }
    }
    if (c->region > 0) {
        char names[80];
        GetHolidayNames(c->day, c->month, c->year, c->region, names, sizeof(names));
        if (names[0]) {
            size_t used = strlen(text);
            snprintf(text + used, size - used, "\r\n%s", names);
        }
    }
}

void MeasureDateLine(LayoutContext* c, int* width, int* height)
{
    char text[256];
    FormatDateLine(c, text, sizeof(text));
    c->font.lfHeight = ClampFontHeight(c->font.lfHeight);
    FitTooLongLine(c, text, width, height);
}

void DrawDateLine(LayoutContext* c, BYTE* buffer, int width, int height)
{
    char text[256];
    FormatDateLine(c, text, sizeof(text));
    bool red = c->weekday == 0 || c->weekday == 6 ||
               (c->region > 0 && IsPublicHoliday(c->day, c->month, c->year, c->region));
    Draw(buffer, width, height, text, &c->font, 1, 1, width + 1, height + 1, kBlack);
    Draw(buffer, width, height, text, &c->font, 0, 0, width, height, red ? kRed : kDateLine);
}

bool FitSheetTexts(const LayoutContext* c, int width, SheetTexts* t)
{
    SheetGeometry g;
    memset(t, 0, sizeof(*t));
    if (!PictureSheetGeometry(width, &g))
        return false;
    int wd = c->weekday >= 0 && c->weekday <= 6 ? c->weekday : 0;
    snprintf(t->day, sizeof(t->day), "%d", c->day);
    snprintf(t->month, sizeof(t->month), "%s %d", c->monthNames[(c->month + 11) % 12], c->year);
    if (c->weekdayNames)
        snprintf(t->weekday, sizeof(t->weekday), "%s", c->dayNames[wd]);

    LOGFONTA font{};
    font.lfHeight = -600;
    font.lfWeight = 600;
    font.lfOutPrecision = OUT_STRING_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynA(font.lfFaceName, c->font.lfFaceName, LF_FACESIZE);
    int lh = 0;
    LONG height = FitSheetLine(t->day, &font, font.lfHeight, g.boxWidth, g.boxHeight, g.boxWidth, g.boxHeight, &lh);
    t->dayFont = font;
    // Every month is sized by the longest name, so the line keeps its size all year.
    char sample[128];
    snprintf(sample, sizeof(sample), "%s %d ", "Dezember ", c->year);
    height = FitSheetLine(sample, &font, height, g.boxWidth + 10, 0, g.boxWidth, g.boxHeight, &lh);
    if (c->weekdayNames) {
        snprintf(sample, sizeof(sample), "%s ", c->dayNames[wd]);
        height = FitSheetLine(sample, &font, height, g.boxWidth + 10, 0, g.boxWidth, g.boxHeight, &lh);
    }
    t->lineFont = font;
    t->lineHeight = lh;

    char weekFormat[128], dayFormat[128], names[40];
    lstrcpynA(weekFormat, IntFormat("MAIN", "KALENDERWOCHE", "%d. Kalenderwoche"), sizeof(weekFormat));
    lstrcpynA(dayFormat, IntFormat("MAIN", "TAGIMJAHR", "%d. Tag im Jahr"), sizeof(dayFormat));
    names[0] = 0;
    if (c->region > 0)
        GetHolidayNames(c->day, c->month, c->year, c->region, names, sizeof(names));
    FormatSheetInfoText(t->info, sizeof(t->info), weekFormat, dayFormat, names, DayOfYear(c->day, c->month, c->year),
                        GetWeekNumber(c->day, c->month, c->year), width, c->region, c->weekNumbers);
    font.lfWeight = 400;
    font.lfItalic = 1;
    font.lfPitchAndFamily = FF_SWISS;
    lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
    if (t->info[0])
        FitSheetLine(t->info, &font, height, g.boxWidth, 0, g.boxWidth, g.boxHeight, &t->infoHeight);
    t->infoFont = font;
    return true;
}

void DrawPictureCalendar(LayoutContext* c, BYTE* buffer, int width, int height)
{
    SheetGeometry g;
    SheetTexts t;
    if (!PictureSheetGeometry(width, &g))
        return;
    // A sheet that is missing, unreadable or of another size leaves the key: nothing shows.
    BYTE* picture = (BYTE*)ReadSheet(c, width, height);
    if (!picture)
        return;
    FitSheetTexts(c, width, &t);
    bool red = c->weekday == 0 || c->weekday == 6 ||
               (c->region > 0 && IsPublicHoliday(c->day, c->month, c->year, c->region));
    const int x0 = g.boxX, x1 = g.boxX + g.boxWidth;
    Draw(picture, width, height, t.day, &t.dayFont, x0, g.dayY, x1, g.dayY + g.boxHeight, red ? kSheetRed : kSheetText,
         DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    Draw(picture, width, height, t.month, &t.lineFont, x0, g.monthY, x1, g.monthY + 2 * t.lineHeight, kSheetText,
         DT_CENTER | DT_SINGLELINE);
    if (t.weekday[0])
        Draw(picture, width, height, t.weekday, &t.lineFont, x0, g.weekdayY, x1, g.weekdayY + 2 * t.lineHeight,
             kSheetText, DT_CENTER);
    if (t.info[0])
        Draw(picture, width, height, t.info, &t.infoFont, x0, g.infoY, x1, g.infoY + 2 * t.infoHeight, kSheetInfo,
             DT_CENTER | DT_SINGLELINE);
    is5_OverlayImage(buffer, width, height, 3, width * 3, picture, width, height, width * 3, 0, 0, 1.0, 0.0, 1, 0);
    GlobalFree(picture);
}

void MeasureLayout(LayoutContext* c, int* width, int* height)
{
    switch (DrawnLayout(c->layout)) {
    case 2: MeasureMonthGrid(c, width, height); break;
    case 3:
        MeasureMonthGrid(c, width, height);
        *height *= 3;
        break;
    case 4: MeasureDateLine(c, width, height); break;
    case 5: PictureSheetSize(c->dateForm, width, height); break;
    default: MeasureDayStrip(c, width, height); break;
    }
}

bool BuildLayoutPicture(LayoutContext* c, BYTE** buffer, int* width, int* height)
{
    *buffer = nullptr;
    int drawn = DrawnLayout(c->layout);
    int w = 0, h = 0;
    MeasureLayout(c, &w, &h);
    if (w <= 0 || h <= 0)
        return false;
    size_t bytes = (size_t)w * (size_t)h * 3;
    BYTE* pixels = (BYTE*)calloc(bytes, 1);
    if (!pixels)
        return false;
    RECT all = {0, 0, w - 1, h};
    is5_FillSolidRect(pixels, (uint32_t)w, (uint32_t)h, 3, (uint32_t)w * 3, &all, LayoutKeyColour(drawn), 0);
    switch (drawn) {
    case 2: DrawMonthGrid(c, pixels, w, h); break;
    case 3: DrawThreeMonths(c, pixels, w, h); break;
    case 4: DrawDateLine(c, pixels, w, h); break;
    case 5: DrawPictureCalendar(c, pixels, w, h); break;
    default: DrawDayStrip(c, pixels, w, h); break;
    }
    *buffer = pixels;
    *width = w;
    *height = h;
    return true;
}

void FillClockContext(ClockContext* c)
{
    memset(c, 0, sizeof(*c));
    LockDesktopSettings();
    c->font = gSettings.clockFont;
    c->colour = gSettings.UhrFarbe;
    c->effect = gSettings.UhrEffect;
    c->seconds = gSettings.UhrSeconds;
    c->iTime = gSettings.iTime;
    UnlockDesktopSettings();
    c->font.lfWidth = 0;
    c->font.lfEscapement = 0;
    c->font.lfOrientation = 0;
    c->font.lfQuality = ANTIALIASED_QUALITY;
    c->screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int day, month, year, weekday;
    GetLocalTimeFields(&day, &month, &year, &c->hour, &c->minute, &c->second, &weekday);
}

void MeasureClockTextFor(ClockContext* c, int* width, int* height)
{
    c->font.lfHeight = ClampFontHeight(c->font.lfHeight);
    Measure(ClockSampleText(c->seconds), &c->font, 0, 0, c->screenWidth, 300, width, height);
}

void DrawClockTextFor(const ClockContext* c, BYTE* buffer, int width, int height)
{
    char text[32];
    FormatClockText(text, sizeof(text), c->hour, c->minute, c->second, c->seconds, c->iTime);
    if (c->effect > 0)
        Draw(buffer, width, height, text, &c->font, 2, 2, width, height, kBlack);
    if (c->effect > 1)
        Draw(buffer, width, height, text, &c->font, 0, 0, width, height, kWhite);
    // Digits in the key colour would vanish; the nearest visible grey stands in.
    COLORREF colour = (c->colour & 0xFFFFFF) == CLOCK_KEY ? 0x818181 : (c->colour & 0xFFFFFF);
    Draw(buffer, width, height, text, &c->font, 1, 1, width, height, colour);
}

bool BuildClockPicture(ClockContext* c, BYTE** buffer, int* width, int* height)
{
    *buffer = nullptr;
    int w = 0, h = 0;
    MeasureClockTextFor(c, &w, &h);
    if (w <= 0 || h <= 0)
        return false;
    BYTE* pixels = (BYTE*)calloc((size_t)w * (size_t)h * 3, 1);
    if (!pixels)
        return false;
    RECT all = {0, 0, w - 1, h};
    is5_FillSolidRect(pixels, (uint32_t)w, (uint32_t)h, 3, (uint32_t)w * 3, &all, CLOCK_KEY, 0);
    DrawClockTextFor(c, pixels, w, h);
    *buffer = pixels;
    *width = w;
    *height = h;
    return true;
}

bool WriteRgbBmp(const char* path, const BYTE* buffer, int width, int height)
{
    if (!buffer || width <= 0 || height <= 0)
        return false;
    size_t rowBytes = ((size_t)width * 3 + 3) & ~(size_t)3;
    unsigned long long imageBytes = (unsigned long long)rowBytes * (unsigned)height;
    if (imageBytes > 0x7FFFFFFFull - 54)
        return false;
    FILE* f = fopen(path, "wb");
    if (!f)
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = (DWORD)(file.bfOffBits + imageBytes);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = (DWORD)imageBytes;
    bool ok = fwrite(&file, sizeof(file), 1, f) == 1 && fwrite(&info, sizeof(info), 1, f) == 1;
    BYTE* row = (BYTE*)calloc(rowBytes, 1);
    ok = ok && row;
    for (int y = height - 1; ok && y >= 0; y--) {
        const BYTE* src = buffer + (size_t)y * width * 3;
        for (int x = 0; x < width; x++) {
            row[x * 3] = src[x * 3 + 2];
            row[x * 3 + 1] = src[x * 3 + 1];
            row[x * 3 + 2] = src[x * 3];
        }
        ok = fwrite(row, rowBytes, 1, f) == 1;
    }
    free(row);
    ok = fclose(f) == 0 && ok;
    return ok;
}
