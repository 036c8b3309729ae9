// Arithmetic of the desktop calendar and clock that needs no window system:
// the month grid's first cell, the running weekday, placement and clamps,
// font-height steps and fitting, the picture sheet's geometry and info line,
// the clock text and the drag threshold.
#pragma once

#include "imaging/platform/winshim.h"

#define CALENDAR_KEY_GREY 0x808080u
#define CALENDAR_KEY_BLACK 0x000000u
#define CLOCK_KEY 0x808080u

// Smallest font height the fitting loops go down to (either sign).
#define CALENDAR_MIN_FONT_HEIGHT 7

// `KalenderLayout` as it is used: values outside 1..5 count as 1.
int EffectiveLayout(int layout);
// The layout that is sized, drawn and keyed.
int DrawnLayout(int layout);
// Colour key of a drawn layout.
COLORREF LayoutKeyColour(int drawnLayout);
// Picture-sheet size by `Kalender4Groesse`.
void PictureSheetSize(int size, int* width, int* height);

// Where the picture sheet's texts go: a box of boxWidth x boxHeight at boxX
// for the day number, and the top of each line.
struct SheetGeometry {
    int boxWidth, boxHeight, boxX;
    int monthY, dayY, weekdayY, infoY;
};
// False for a width that is none of the four sheets'.
bool PictureSheetGeometry(int width, SheetGeometry* geometry);

// The sheet's info line into text: "  names  " with a region and holiday
// names (each line break of the names one space), else with week numbers
// "  week  " and, on sheets wider than 250, " week  middle-dot  day " with the
// day of the year; "" otherwise. weekFormat and dayFormat take one int.
void FormatSheetInfoText(char* text, int size, const char* weekFormat, const char* dayFormat,
                         const char* holidayNames, int dayOfYear, int week, int width, int region, int weekNumbers);

// Weekday (0 Sunday .. 7 also Sunday) of the 1st of today's month.
int RunningWeekdayOfFirst(int todayWeekday, int todayDay);
int IsWeekendRunning(int running);
// Value of the grid's first cell: the day number drawn there (days below 1
// leave the cell empty); one more for each cell to the right, row by row.
// firstDayOfWeek: 0 Monday .. 6 Sunday.
int FirstGridCell(int runningOfFirst, int firstDayOfWeek, int daysInMonth);

// Font height a unit nearer 0.
LONG StepFontHeight(LONG height);
// Keeps a height away from 0: -6..-1 become -7, 0..6 become 7.
LONG ClampFontHeight(LONG height);
// True when the fitting loops may go one step further.
bool CanShrinkFont(LONG height);

// Size of a text at a font height; false when it cannot be measured.
typedef bool (*MeasureTextFn)(void* user, LONG height, int* width, int* lineHeight);
// The fitting loop: from start, the font height moves a unit towards 0 until
// the text is at most maxWidth wide and maxHeight high (maxHeight 0: any
// height), stopping at the smallest height. width and lineHeight get the
// text's size at the height returned.
LONG FitFontHeight(LONG start, int maxWidth, int maxHeight, MeasureTextFn measure, void* user, int* width,
                   int* lineHeight);

// Where a calendar of w x h goes on first placement and while centred.
void PlaceCalendar(int* x, int* y, int centred, int w, int h, int screenWidth, const RECT* work);
// Bounds after a move: never past the left or top edge, up to 40 pixels past
// the right and 100 past the bottom; a centred calendar keeps placedX.
void ClampCalendarPosition(int* x, int* y, int centred, int placedX, int w, int h, const RECT* work);
// The clock may go a quarter of its height past the left, top and bottom
// edges and a quarter of its width past the right edge.
void ClampClockPosition(int* x, int* y, int w, int h, const RECT* work);

// Hour as the clock shows it; iTime 0 or less is the 12-hour display.
int ClockDisplayHour(int hour, int iTime);
void FormatClockText(char* text, int size, int hour, int minute, int second, int seconds, int iTime);
// Sample the clock window is sized by.
const char* ClockSampleText(int seconds);

// A move with the left button down starts a drag beyond 2 pixels either way.
bool IsDragMove(int x, int y, int referenceX, int referenceY);

// True (and remembered) when value differs from the remembered one.
bool TakeChange(int value, int* remembered);
