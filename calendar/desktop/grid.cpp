#include "desktop/grid.h"

#include <cstdio>
#include <cstdlib>

int EffectiveLayout(int layout)
{
    return layout >= 1 && layout <= 5 ? layout : 1;
}

int DrawnLayout(int layout)
{
    return EffectiveLayout(layout);
}

COLORREF LayoutKeyColour(int drawnLayout)
{
    return drawnLayout == 5 ? CALENDAR_KEY_BLACK : CALENDAR_KEY_GREY;
}

void PictureSheetSize(int size, int* width, int* height)
{
    switch (size) {
    case 1: *width = 250; *height = 299; break;
    case 2: *width = 350; *height = 419; break;
    case 3: *width = 484; *height = 580; break;
    default: *width = 150; *height = 179; break;
    }
}

bool PictureSheetGeometry(int width, SheetGeometry* geometry)
{
    static const struct {
        int width;
        SheetGeometry geometry;
    } sheets[] = {
        {150, {112, 120, 18, 30, 32, 139, 160}},
        {250, {190, 210, 29, 48, 50, 230, 270}},
        {350, {260, 290, 43, 65, 72, 325, 382}},
        {484, {360, 400, 60, 90, 100, 450, 530}},
    };
    for (const auto& sheet : sheets) {
        if (sheet.width == width) {
            *geometry = sheet.geometry;
            return true;
        }
    }
    return false;
}

void FormatSheetInfoText(char* text, int size, const char* weekFormat, const char* dayFormat,
                         const char* holidayNames, int dayOfYear, int week, int width, int region, int weekNumbers)
{
    if (!text || size <= 0)
        return;
    text[0] = 0;
    if (region > 0 && holidayNames && holidayNames[0]) {
        // The names come in lines; on the sheet's single line CR and LF would
        // show as glyphs, so each break becomes one space.
        char names[256];
        size_t n = 0;
        for (const char* p = holidayNames; *p && n + 1 < sizeof(names); p++) {
            if (p[0] == '\r' && p[1] == '\n')
                p++;
            names[n++] = (*p == '\r' || *p == '\n') ? ' ' : *p;
        }
        names[n] = 0;
        snprintf(text, (size_t)size, "  %s  ", names);
    } else if (weekNumbers) {
        char weekText[128], dayText[128];
        snprintf(weekText, sizeof(weekText), weekFormat, week);
        if (width <= 250) {
            snprintf(text, (size_t)size, "  %s  ", weekText);
        } else {
            snprintf(dayText, sizeof(dayText), dayFormat, dayOfYear);
            snprintf(text, (size_t)size, " %s  \xB7  %s ", weekText, dayText);
        }
    }
}

int RunningWeekdayOfFirst(int todayWeekday, int todayDay)
{
    int r = todayWeekday - todayDay % 7 + 1;
    return r < 0 ? r + 7 : r;
}

int IsWeekendRunning(int running)
{
    return running == 0 || running == 6 || running == 7;
}

int FirstGridCell(int runningOfFirst, int firstDayOfWeek, int daysInMonth)
{
    int r = runningOfFirst;
    int s = (r == 0 || r == 7) ? -5 : 2 - r;
    s += firstDayOfWeek;
    if (s > 0)
        s -= 7;
    // A month that would fit five rows from the first cell moves down a row;
    // only the 28-day February starting on the first day of the week stays there.
    if (abs(s) + daysInMonth < 35)
        s -= 7;
    if (s < -5)
        s += 7;
    return s;
}

LONG StepFontHeight(LONG height)
{
    return height < 0 ? height + 1 : height > 0 ? height - 1 : 0;
}

LONG ClampFontHeight(LONG height)
{
    if (height < 0 && height > -CALENDAR_MIN_FONT_HEIGHT)
        return -CALENDAR_MIN_FONT_HEIGHT;
    if (height >= 0 && height < CALENDAR_MIN_FONT_HEIGHT)
        return CALENDAR_MIN_FONT_HEIGHT;
    return height;
}

bool CanShrinkFont(LONG height)
{
    return height < -CALENDAR_MIN_FONT_HEIGHT || height > CALENDAR_MIN_FONT_HEIGHT;
}

LONG FitFontHeight(LONG start, int maxWidth, int maxHeight, MeasureTextFn measure, void* user, int* width,
                   int* lineHeight)
{
    LONG height = start;
    for (;;) {
        int w = 0, h = 0;
        if (!measure(user, height, &w, &h))
            w = h = 0;
        bool fits = w <= maxWidth && (maxHeight <= 0 || h <= maxHeight);
        // Stops at the smallest height and draws there what is still too big.
        if (fits || !CanShrinkFont(height)) {
            *width = w;
            *lineHeight = h;
            return height;
        }
        height = StepFontHeight(height);
    }
}

void PlaceCalendar(int* x, int* y, int centred, int w, int h, int screenWidth, const RECT* work)
{
    if (*x < 0 || *y < 0) {
        *y = work->bottom - h - 10;
        *x = (screenWidth - w) / 2;
    }
    if (centred)
        *x = (screenWidth - w) / 2;
}

void ClampCalendarPosition(int* x, int* y, int centred, int placedX, int w, int h, const RECT* work)
{
    if (centred) {
        *x = placedX;
    } else {
        if (*x < 0)
            *x = 0;
        if (*x > work->right - w + 40)
            *x = work->right - w + 40;
    }
    if (*y < 0)
        *y = 0;
    if (*y > work->bottom - h + 100)
        *y = work->bottom - h + 100;
}

void ClampClockPosition(int* x, int* y, int w, int h, const RECT* work)
{
    if (*x < -(h / 4))
        *x = -(h / 4);
    if (*x > work->right - w + w / 4)
        *x = work->right - w + w / 4;
    if (*y < -(h / 4))
        *y = -(h / 4);
    if (*y > work->bottom - h + h / 4)
        *y = work->bottom - h + h / 4;
}

int ClockDisplayHour(int hour, int iTime)
{
    return iTime <= 0 && hour > 12 ? hour - 12 : hour;
}

void FormatClockText(char* text, int size, int hour, int minute, int second, int seconds, int iTime)
{
    int shown = ClockDisplayHour(hour, iTime);
    if (seconds)
        snprintf(text, (size_t)size, "%02d:%02d:%02d  ", shown, minute, second);
    else
        snprintf(text, (size_t)size, "%02d:%02d  ", shown, minute);
}

const char* ClockSampleText(int seconds)
{
    return seconds ? "99:99:99  " : "99:99  ";
}

bool IsDragMove(int x, int y, int referenceX, int referenceY)
{
    return abs(x - referenceX) > 2 || abs(y - referenceY) > 2;
}

bool TakeChange(int value, int* remembered)
{
    if (value == *remembered)
        return false;
    *remembered = value;
    return true;
}
