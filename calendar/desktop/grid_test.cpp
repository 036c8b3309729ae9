#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/dates/dates.h"
#include "desktop/grid.h"

namespace {

// Column (0 = the first day of the week) of a weekday given with 0 Sunday.
int ColumnOf(int weekdaySundayFirst, int firstDayOfWeek)
{
    int mondayFirst = (weekdaySundayFirst + 6) % 7;
    return (mondayFirst - firstDayOfWeek + 7) % 7;
}

// Every weekday of the 1st x every first day of the week x 28..31 days.
TEST(FirstCell, PutsTheFirstInItsWeekdayColumnOfRowOne)
{
    for (int weekdayOfFirst = 0; weekdayOfFirst < 7; weekdayOfFirst++)      // 0 Sunday
        for (int firstDayOfWeek = 0; firstDayOfWeek < 7; firstDayOfWeek++)  // 0 Monday
            for (int days = 28; days <= 31; days++) {
                int column = ColumnOf(weekdayOfFirst, firstDayOfWeek);
                int expected = 1 - column;
                if (days == 28 && column == 0)
                    expected = 1 - 7;   // the empty first row of such a February
                // The running weekday of the 1st comes as 0 or as 7 for a Sunday.
                for (int r : {weekdayOfFirst, weekdayOfFirst == 0 ? 7 : weekdayOfFirst})
                    EXPECT_EQ(FirstGridCell(r, firstDayOfWeek, days), expected)
                        << "r " << r << " first day " << firstDayOfWeek << " days " << days;
            }
}

TEST(FirstCell, RealMonths)
{
    struct Case {
        int month, year, firstDayOfWeek, row, column, lastRow;
    } cases[] = {
        {2, 2027, 0, 2, 1, 5},    // Monday the 1st, 28 days: row 1 stays empty
        {8, 2027, 0, 1, 7, 6},    // Sunday the 1st of a 31-day month: six rows
        {12, 2026, 0, 1, 2, 5},
        {12, 2026, 6, 1, 3, 5},   // Sunday first
        {2, 2026, 6, 2, 1, 5},    // Sunday the 1st, Sunday first, 28 days
        {2, 2028, 1, 1, 1, 5},    // Tuesday the 1st of a leap February, Tuesday first
    };
    for (const Case& c : cases) {
        int r = GetWeekday(1, c.month, c.year);
        int s = FirstGridCell(r, c.firstDayOfWeek, DaysInMonth(c.month, c.year));
        int cellOfFirst = 1 - s;
        EXPECT_EQ(cellOfFirst / 7 + 1, c.row) << c.month << "/" << c.year;
        EXPECT_EQ(cellOfFirst % 7 + 1, c.column) << c.month << "/" << c.year;
        int cellOfLast = DaysInMonth(c.month, c.year) - s;
        EXPECT_EQ(cellOfLast / 7 + 1, c.lastRow) << c.month << "/" << c.year;
    }
}

TEST(RunningWeekday, IsTheWeekdayOfTheFirst)
{
    for (int year : {2026, 2027, 2028})
        for (int month = 1; month <= 12; month++)
            for (int day = 1; day <= DaysInMonth(month, year); day++) {
                int r = RunningWeekdayOfFirst(GetWeekday(day, month, year), day);
                EXPECT_EQ(r % 7, GetWeekday(1, month, year)) << day << "." << month << "." << year;
                EXPECT_GE(r, 0);
                EXPECT_LE(r, 7);
            }
    EXPECT_TRUE(IsWeekendRunning(0));
    EXPECT_TRUE(IsWeekendRunning(6));
    EXPECT_TRUE(IsWeekendRunning(7));
    EXPECT_FALSE(IsWeekendRunning(5));
}

TEST(Layouts, OutsideOneToFiveCountsAsOneAndOnlyThePictureSheetKeysBlack)
{
    struct Case {
        int stored, drawn;
        COLORREF key;
    } cases[] = {{0, 1, CALENDAR_KEY_GREY}, {1, 1, CALENDAR_KEY_GREY}, {2, 2, CALENDAR_KEY_GREY},
                 {3, 3, CALENDAR_KEY_GREY}, {4, 4, CALENDAR_KEY_GREY}, {5, 5, CALENDAR_KEY_BLACK},
                 {6, 1, CALENDAR_KEY_GREY}, {-3, 1, CALENDAR_KEY_GREY}};
    for (const Case& c : cases) {
        EXPECT_EQ(EffectiveLayout(c.stored), c.drawn) << c.stored;
        EXPECT_EQ(DrawnLayout(c.stored), c.drawn) << c.stored;
        EXPECT_EQ(LayoutKeyColour(DrawnLayout(c.stored)), c.key) << c.stored;
    }
}

TEST(Placement, FirstStartCentresTenPixelsAboveTheWorkAreaBottom)
{
    RECT work = {0, 0, 1024, 738};
    struct Case {
        int x, y, centred, w, h, ex, ey;
    } cases[] = {
        {-1, -1, 1, 600, 300, 212, 428},
        {-1, -1, 0, 601, 300, 211, 428},   // odd remainder truncated
        {-1, 50, 0, 100, 100, 462, 628},   // either coordinate negative
        {30, 40, 0, 100, 100, 30, 40},
        {30, 40, 1, 100, 100, 462, 40},    // centred keeps y, centres x
        {-1, -1, 0, 1200, 50, -88, 678},   // wider than the screen
    };
    for (const Case& c : cases) {
        int x = c.x, y = c.y;
        PlaceCalendar(&x, &y, c.centred, c.w, c.h, 1024, &work);
        EXPECT_EQ(x, c.ex);
        EXPECT_EQ(y, c.ey);
    }
}

TEST(Placement, CalendarClamps)
{
    RECT work = {0, 0, 1024, 738};
    struct Case {
        int x, y, centred, placedX, ex, ey;
    } cases[] = {
        {-5, -5, 0, 0, 0, 0},
        {2000, 2000, 0, 0, 1024 - 200 + 40, 738 - 100 + 100},
        {865, 739, 0, 0, 864, 738},
        {864, 738, 0, 0, 864, 738},
        {500, 300, 1, 412, 412, 300},      // centred: only y moves
        {500, 2000, 1, 412, 412, 738},
        {-50, -50, 1, 412, 412, 0},
    };
    for (const Case& c : cases) {
        int x = c.x, y = c.y;
        ClampCalendarPosition(&x, &y, c.centred, c.placedX, 200, 100, &work);
        EXPECT_EQ(x, c.ex) << c.x << "," << c.y;
        EXPECT_EQ(y, c.ey) << c.x << "," << c.y;
    }
}

TEST(Placement, ClockClampsByQuarters)
{
    RECT work = {0, 0, 1024, 738};
    // w 301, h 110: a quarter of the height is 27, of the width 75.
    struct Case {
        int x, y, ex, ey;
    } cases[] = {
        {-100, -100, -27, -27},
        {-27, -27, -27, -27},
        {2000, 2000, 1024 - 301 + 75, 738 - 110 + 27},
        {20, 20, 20, 20},
    };
    for (const Case& c : cases) {
        int x = c.x, y = c.y;
        ClampClockPosition(&x, &y, 301, 110, &work);
        EXPECT_EQ(x, c.ex);
        EXPECT_EQ(y, c.ey);
    }
}

TEST(ClockText, TwelveHourDisplay)
{
    struct Case {
        int hour, minute, second, seconds, iTime;
        const char* text;
    } cases[] = {
        {13, 5, 0, 0, 0, "01:05  "},
        {0, 30, 0, 0, 0, "00:30  "},
        {12, 0, 0, 0, 0, "12:00  "},
        {23, 59, 59, 1, -1, "11:59:59  "},
        {13, 5, 7, 1, 1, "13:05:07  "},
        {0, 30, 0, 0, 1, "00:30  "},
    };
    for (const Case& c : cases) {
        char text[32];
        FormatClockText(text, sizeof(text), c.hour, c.minute, c.second, c.seconds, c.iTime);
        EXPECT_STREQ(text, c.text);
    }
    EXPECT_STREQ(ClockSampleText(0), "99:99  ");
    EXPECT_STREQ(ClockSampleText(1), "99:99:99  ");
}

TEST(Drag, MoreThanTwoPixelsEitherWayIsADrag)
{
    struct Case {
        int dx, dy;
        bool drag;
    } cases[] = {{0, 0, false}, {2, 2, false}, {-2, -2, false}, {3, 0, true}, {0, -3, true}, {-3, 2, true}};
    for (const Case& c : cases)
        EXPECT_EQ(IsDragMove(100 + c.dx, 50 + c.dy, 100, 50), c.drag) << c.dx << "," << c.dy;
}

TEST(FontHeight, StepsTowardsZeroAndStaysAwayFromIt)
{
    EXPECT_EQ(StepFontHeight(-64), -63);
    EXPECT_EQ(StepFontHeight(64), 63);
    struct Case {
        LONG in, out;
    } clamps[] = {{-64, -64}, {-7, -7}, {-6, -7}, {-1, -7}, {0, 7}, {6, 7}, {7, 7}, {999, 999}};
    for (const Case& c : clamps)
        EXPECT_EQ(ClampFontHeight(c.in), c.out) << c.in;
    EXPECT_FALSE(CanShrinkFont(-7));
    EXPECT_FALSE(CanShrinkFont(7));
    EXPECT_TRUE(CanShrinkFont(-8));
}

TEST(Sheet, SizesByTheFormSetting)
{
    struct Case {
        int size, w, h;
    } cases[] = {{0, 150, 179}, {1, 250, 299}, {2, 350, 419}, {3, 484, 580}, {4, 150, 179}};
    for (const Case& c : cases) {
        int w, h;
        PictureSheetSize(c.size, &w, &h);
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
    }
}

// The sheet's info line for a date, as the sheet of `width` shows it.
std::string SheetInfo(int year, int month, int day, int width, int region, int weekNumbers)
{
    char names[40] = "";
    if (region > 0)
        GetHolidayNames(day, month, year, region, names, sizeof(names));
    char text[256];
    FormatSheetInfoText(text, sizeof(text), "%d. Kalenderwoche", "%d. Tag im Jahr", names,
                        DayOfYear(day, month, year), GetWeekNumber(day, month, year), width, region, weekNumbers);
    return text;
}

TEST(Sheet, InfoLineShowsHolidaysElseTheWeekAndOnWideSheetsTheDay)
{
    struct Case {
        int year, month, day, width, region, week;
        const char* text;
    } cases[] = {
        {2026, 12, 10, 150, 0, 1, "  50. Kalenderwoche  "},
        {2026, 12, 10, 250, 0, 1, "  50. Kalenderwoche  "},
        {2026, 12, 10, 350, 0, 1, " 50. Kalenderwoche  \xB7  344. Tag im Jahr "},
        {2026, 12, 10, 484, 0, 1, " 50. Kalenderwoche  \xB7  344. Tag im Jahr "},
        {2026, 12, 25, 150, 2, 1, "  1. Weihnachtstag  "},
        {2026, 12, 25, 484, 2, 0, "  1. Weihnachtstag  "},   // names need no week numbers
        {2023, 12, 24, 150, 5, 1, "  Heiligabend  4. Advent  "},
        {2026, 12, 10, 150, 2, 0, ""},
        {2026, 12, 25, 150, 0, 0, ""},
        {2024, 2, 29, 484, 0, 0, ""},
        {2023, 12, 24, 350, 0, 0, ""},
        {2027, 1, 1, 350, 0, 1, " 53. Kalenderwoche  \xB7  1. Tag im Jahr "},   // ISO week of the year before
        {2024, 12, 31, 250, 0, 1, "  1. Kalenderwoche  "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SheetInfo(c.year, c.month, c.day, c.width, c.region, c.week), c.text)
            << c.year << "-" << c.month << "-" << c.day << " width " << c.width << " region " << c.region;
}

TEST(Sheet, InfoLineKeepsNamesOnOneLineAndWithinItsBuffer)
{
    char text[256];
    FormatSheetInfoText(text, sizeof(text), "%d. KW", "%d. Tag", "Eins \r\nZwei\r\nDrei\nVier", 1, 1, 150, 1, 1);
    EXPECT_STREQ(text, "  Eins  Zwei Drei Vier  ");
    char small[8];
    FormatSheetInfoText(small, sizeof(small), "%d. KW", "%d. Tag", "Neujahr", 1, 1, 150, 1, 1);
    EXPECT_STREQ(small, "  Neuja");
}

// Text of a fixed shape at a font height: width and line height from the
// height's magnitude.
struct FakeText {
    int (*width)(LONG magnitude);
    int (*lineHeight)(LONG magnitude);
};

bool MeasureFake(void* user, LONG height, int* width, int* lineHeight)
{
    FakeText* text = (FakeText*)user;
    LONG m = labs(height);
    *width = text->width(m);
    *lineHeight = text->lineHeight(m);
    return true;
}

TEST(Fitting, TakesTheFirstHeightThatFitsBothLimits)
{
    // As wide as the height, twice as high.
    FakeText text = {[](LONG m) { return (int)m; }, [](LONG m) { return (int)(2 * m); }};
    struct Case {
        LONG start;
        int maxWidth, maxHeight;
        LONG fitted;
    } cases[] = {
        {-600, 112, 120, -60},   // the height limits
        {-600, 100, 400, -100},  // the width limits
        {-600, 112, 0, -112},    // no height limit
        {-50, 112, 120, -50},    // fits from the start
        {600, 112, 120, 60},     // positive heights step down
        {-600, 3, 120, -7},      // too wide at every height: the smallest
        {-7, 3, 0, -7},
    };
    for (const Case& c : cases) {
        int w = -1, h = -1;
        EXPECT_EQ(FitFontHeight(c.start, c.maxWidth, c.maxHeight, MeasureFake, &text, &w, &h), c.fitted)
            << c.start << " " << c.maxWidth << " x " << c.maxHeight;
        // The size is the text's at the height returned.
        EXPECT_EQ(w, labs(c.fitted));
        EXPECT_EQ(h, 2 * labs(c.fitted));
    }
}

TEST(Fitting, StopsAtTheSmallestHeightWhenNothingFits)
{
    FakeText never = {[](LONG) { return 1000000; }, [](LONG) { return 1000000; }};
    int w, h;
    EXPECT_EQ(FitFontHeight(-600, 112, 120, MeasureFake, &never, &w, &h), -7);
    EXPECT_EQ(FitFontHeight(600, 112, 0, MeasureFake, &never, &w, &h), 7);
    EXPECT_EQ(FitFontHeight(-5, 112, 0, MeasureFake, &never, &w, &h), -5);   // already below: no step
    // Fitting from a given height on gives exactly that height.
    for (LONG from : {599L, 300L, 101L, 8L}) {
        static LONG limit;
        limit = from;
        FakeText text = {[](LONG m) { return m <= limit ? 1 : 2; }, [](LONG) { return 1; }};
        EXPECT_EQ(FitFontHeight(-600, 1, 0, MeasureFake, &text, &w, &h), -from);
    }
}

// A text that cannot be measured counts as fitting, as in the other loops.
TEST(Fitting, AnUnmeasurableTextStopsTheLoop)
{
    int w = -1, h = -1;
    EXPECT_EQ(FitFontHeight(-600, 10, 10, [](void*, LONG, int*, int*) { return false; }, nullptr, &w, &h), -600);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

}  // namespace
