// The calendar layouts: their sizes and their drawing into a 24-bit buffer
// (R, G, B bytes, stride width x 3) that is already filled with the key.
#pragma once

#include <windows.h>

// Everything a layout reads, copied when a build starts; the fitting loops
// change `font` here only.
struct LayoutContext {
    int layout;              // `KalenderLayout` as stored
    LOGFONTA font;           // calendar font
    LOGFONTA weekFont;       // set up by MeasureMonthGrid
    int weekNumbers;         // `KalenderWoche`
    int weekdayNames;        // `KalenderWTage`
    int dateForm;            // `Kalender4Groesse`
    int region;              // `Feiertage`
    int firstDayOfWeek;      // 0 Monday .. 6 Sunday
    int screenWidth, screenHeight;
    int day, month, year, weekday;   // today, weekday 0 Sunday
    char monthNames[12][40];
    char dayNames[7][40];    // Sunday first
    // Widths of " 99 ", " " and each " %d " day text in `font`, measured
    // once per font height.
    LONG measuredHeight;
    int cellWidth, spaceWidth;
    int dayWidth[32], dayHeight[32];
    // Stands in for the picture sheet's resource when set (tests, layouttool);
    // sheetSize may be 0.
    const void* sheet;
    int sheetSize;
};

// The context from the settings in force, the screen and the clock.
void FillLayoutContext(LayoutContext* c);

void MeasureDayStrip(LayoutContext* c, int* width, int* height);
void DrawDayStrip(LayoutContext* c, BYTE* buffer, int width, int height);
void MeasureMonthGrid(LayoutContext* c, int* width, int* height);
void DrawMonthGrid(LayoutContext* c, BYTE* buffer, int width, int height);
void DrawThreeMonths(LayoutContext* c, BYTE* buffer, int width, int height);
void FormatDateLine(const LayoutContext* c, char* text, int capacity);
void MeasureDateLine(LayoutContext* c, int* width, int* height);
void DrawDateLine(LayoutContext* c, BYTE* buffer, int width, int height);

// The picture sheet's texts and fonts for a sheet of `width`: one font height
// carried from the day number through the month and weekday lines to the
// info line. False for a width that is no sheet's.
struct SheetTexts {
    LOGFONTA dayFont, lineFont, infoFont;
    int lineHeight, infoHeight;   // measured at the fitted heights
    char day[16], month[128], weekday[64], info[256];
};
bool FitSheetTexts(const LayoutContext* c, int width, SheetTexts* texts);
void DrawPictureCalendar(LayoutContext* c, BYTE* buffer, int width, int height);

void DrawMonthTitle(LayoutContext* c, BYTE* buffer, int width, int height, int y, int month, int year,
                    int alignment);
int DrawWeekdayCell(LayoutContext* c, BYTE* buffer, int width, int height, int nameIndex, int red, int x, int y,
                    int rightAligned);
// strip: the day strip's box for today, else the grids'.
int DrawDayCell(LayoutContext* c, BYTE* buffer, int width, int height, int day, int red, int today, int x, int y,
                int rightAligned, int strip);
void DrawWeekNumberCell(LayoutContext* c, BYTE* buffer, int width, int height, int day, int month, int year,
                        int rightX, int y);

// Size of the picture of c->layout (unknown ones as layout 1).
void MeasureLayout(LayoutContext* c, int* width, int* height);
// Measures, allocates (zero-filled, then the key colour) and draws the picture;
// the caller frees *buffer with free(). False when it cannot be made.
bool BuildLayoutPicture(LayoutContext* c, BYTE** buffer, int* width, int* height);

// The Desktop page's layout previews: a desktop of 1024 x 768 in one colour
// with the layout where a first start puts it, scaled to 160 x 120.
#define LAYOUT_PREVIEW_WIDTH 160
#define LAYOUT_PREVIEW_HEIGHT 120
#define LAYOUT_PREVIEW_DESKTOP 0xA56E3Au
// The previews' inputs: default settings, 2026-12-10, region 2, Monday first,
// weekday names and week numbers on.
void PreviewLayoutContext(int layout, LayoutContext* c);
// pixels: LAYOUT_PREVIEW_WIDTH x LAYOUT_PREVIEW_HEIGHT x 3 bytes, R, G, B.
bool DrawLayoutPreview(LayoutContext* c, BYTE* pixels);

// What the clock reads.
struct ClockContext {
    LOGFONTA font;
    COLORREF colour;         // `UhrFarbe`
    int effect;              // 0 plain, 1 shadow, 2 shadow and highlight
    int seconds;
    int iTime;
    int screenWidth;
    int hour, minute, second;
};

void FillClockContext(ClockContext* c);
void MeasureClockTextFor(ClockContext* c, int* width, int* height);
void DrawClockTextFor(const ClockContext* c, BYTE* buffer, int width, int height);
bool BuildClockPicture(ClockContext* c, BYTE** buffer, int* width, int* height);

// A 24-bit bottom-up BMP of an R, G, B buffer.
bool WriteRgbBmp(const char* path, const BYTE* buffer, int width, int height);
