// The drawn layouts, checked by their pixels: cells are found from the
// grid's column width and row height.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/dates/dates.h"
#include "desktop/grid.h"
#include "desktop/layouts.h"
#include "settings/settings.h"
#include "tests/support/test_support.h"
#include "text/text.h"

namespace {

struct Picture {
    std::vector<BYTE> pixels;
    int width = 0, height = 0;
    LONG fontHeight = 0;
    bool ok = false;
};

LayoutContext Context(int layout, int year, int month, int day, int region, int firstDay, int week, int weekdays,
                      int screenWidth = 1024, int screenHeight = 768)
{
    LoadDayMonthNames();
    LayoutContext c{};
    c.layout = layout;
    c.font.lfHeight = -64;
    c.font.lfWeight = 600;
    c.font.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynA(c.font.lfFaceName, "Arial", LF_FACESIZE);
    c.weekNumbers = week;
    c.weekdayNames = weekdays;
    c.dateForm = 1;
    c.region = region;
    c.firstDayOfWeek = firstDay;
    c.screenWidth = screenWidth;
    c.screenHeight = screenHeight;
    c.day = day;
    c.month = month;
    c.year = year;
    c.weekday = GetWeekday(day, month, year);
    memcpy(c.monthNames, gMonthNames, sizeof(c.monthNames));
    memcpy(c.dayNames, gDayNames, sizeof(c.dayNames));
    return c;
}

Picture Build(LayoutContext c)
{
    Picture p;
    BYTE* buffer = nullptr;
    p.ok = BuildLayoutPicture(&c, &buffer, &p.width, &p.height);
    if (p.ok)
        p.pixels.assign(buffer, buffer + (size_t)p.width * p.height * 3);
    free(buffer);
    p.fontHeight = c.font.lfHeight;
    return p;
}

struct Rgb {
    int r, g, b;
};

Rgb At(const Picture& p, int x, int y)
{
    const BYTE* q = &p.pixels[((size_t)y * p.width + x) * 3];
    return {q[0], q[1], q[2]};
}

bool Near(Rgb c, int r, int g, int b, int tolerance)
{
    return abs(c.r - r) <= tolerance && abs(c.g - g) <= tolerance && abs(c.b - b) <= tolerance;
}

struct Box {
    int x0, y0, x1, y1;   // x1, y1 excluded
};

int Count(const Picture& p, Box box, bool (*match)(Rgb))
{
    int n = 0;
    for (int y = std::max(box.y0, 0); y < std::min(box.y1, p.height); y++)
        for (int x = std::max(box.x0, 0); x < std::min(box.x1, p.width); x++)
            n += match(At(p, x, y));
    return n;
}

bool IsRed(Rgb c) { return Near(c, 255, 0, 0, 8); }
bool IsWhite(Rgb c) { return Near(c, 255, 255, 255, 0); }
bool IsYellow(Rgb c) { return Near(c, 255, 255, 32, 0); }
bool IsKey(Rgb c) { return Near(c, 128, 128, 128, 0); }
bool IsNotKey(Rgb c) { return !IsKey(c); }
bool IsDateLineGrey(Rgb c) { return Near(c, 240, 240, 240, 0); }

// Cell geometry of one month grid whose title is at `top`.
struct Grid {
    int cw, rh, firstColumnX, top, weekdays;
    Box Cell(int row, int column) const
    {
        int x = firstColumnX + column * cw;
        int y = top + (weekdays ? 2 : 1) * rh + row * rh;
        return {x, y, x + cw, y + rh};
    }
    Box WeekdayRow() const { return {0, top + rh, 100000, top + 2 * rh}; }
};

Grid GridOf(const Picture& p, int weekNumbers, int weekdays, int monthHeight, int top)
{
    Grid g;
    g.cw = (p.width - 4) / (weekNumbers ? 9 : 7);
    g.rh = (monthHeight - 3) / (weekdays ? 8 : 7);
    g.firstColumnX = weekNumbers ? (int)(g.cw * 1.3) : 0;
    g.top = top;
    g.weekdays = weekdays;
    return g;
}

// Row and column (0-based) of a day, from the first-cell rule.
void CellOfDay(int day, int month, int year, int firstDay, int* row, int* column)
{
    int s = FirstGridCell(GetWeekday(1, month, year), firstDay, DaysInMonth(month, year));
    int cell = day - s;
    *row = cell / 7;
    *column = cell % 7;
}

class Layout2December : public ::testing::Test {
protected:
    void SetUp() override
    {
        p_ = Build(Context(2, 2026, 12, 10, 2, 0, 1, 1));
        ASSERT_TRUE(p_.ok);
        g_ = GridOf(p_, 1, 1, p_.height, 0);
    }
    Box Day(int day, int firstDay = 0)
    {
        int row, column;
        CellOfDay(day, 12, 2026, firstDay, &row, &column);
        return g_.Cell(row, column);
    }
    Picture p_;
    Grid g_;
};

TEST_F(Layout2December, ChristmasEveIsWhiteAndTheHolidaysAreRed)
{
    EXPECT_GT(Count(p_, Day(24), IsWhite), 20);
    EXPECT_EQ(Count(p_, Day(24), IsRed), 0);
    EXPECT_GT(Count(p_, Day(25), IsRed), 20);
    EXPECT_GT(Count(p_, Day(26), IsRed), 20);
    EXPECT_EQ(Count(p_, Day(23), IsRed), 0);
}

TEST_F(Layout2December, WeekendColumnsAreRed)
{
    for (int day : {5, 6, 12, 13, 19, 20, 27})
        EXPECT_GT(Count(p_, Day(day), IsRed), 20) << day;
    for (int day : {1, 4, 7, 11, 18, 21, 31})
        EXPECT_EQ(Count(p_, Day(day), IsRed), 0) << day;
}

// Where a today box may reach: its cell, the width of " 99 " to the right
// and a line's overhang below.
Box AroundToday(Box cell, int cw)
{
    return {cell.x0, cell.y0 - 2, cell.x1 + cw, cell.y1 + (cell.y1 - cell.y0) / 2};
}

TEST_F(Layout2December, OnlyTheTenthHasTheYellowBox)
{
    Box tenth = Day(10);
    EXPECT_GT(Count(p_, tenth, IsYellow), 100);
    Box around = AroundToday(tenth, g_.cw);
    int all = Count(p_, {0, 0, p_.width, p_.height}, IsYellow);
    EXPECT_EQ(all, Count(p_, around, IsYellow));
}

TEST_F(Layout2December, BackgroundIsTheKey)
{
    EXPECT_TRUE(IsKey(At(p_, p_.width - 1, p_.height - 1)));
    EXPECT_TRUE(IsKey(At(p_, p_.width - 1, 0)));
    // An empty cell (the first one: December starts on Tuesday) is key only.
    EXPECT_EQ(Count(p_, g_.Cell(0, 0), IsNotKey), 0);
}

TEST(Layout2, WithoutARegionChristmasIsWhite)
{
    Picture p = Build(Context(2, 2026, 12, 10, 0, 0, 1, 1));
    ASSERT_TRUE(p.ok);
    Grid g = GridOf(p, 1, 1, p.height, 0);
    int row, column;
    CellOfDay(25, 12, 2026, 0, &row, &column);
    EXPECT_GT(Count(p, g.Cell(row, column), IsWhite), 20);
    EXPECT_EQ(Count(p, g.Cell(row, column), IsRed), 0);
}

TEST(Layout2, SundayFirstBeginsWithSoAndKeepsTheWeekendRed)
{
    LayoutContext c = Context(2, 2026, 12, 10, 2, 6, 1, 1);
    Picture p = Build(c);
    ASSERT_TRUE(p.ok);
    Grid g = GridOf(p, 1, 1, p.height, 0);
    for (int day = 1; day <= 31; day++) {
        int row, column;
        CellOfDay(day, 12, 2026, 6, &row, &column);
        bool weekend = column == 0 || column == 6 || day == 25 || day == 26;
        if (weekend)
            EXPECT_GT(Count(p, g.Cell(row, column), IsRed), 20) << day;
        else
            EXPECT_EQ(Count(p, g.Cell(row, column), IsRed), 0) << day;
    }
    // The first weekday cell matches "So" drawn alone at the same place (the
    // next name's glyphs may reach into the right half of its column).
    Picture alone = p;
    for (size_t i = 0; i < alone.pixels.size(); i++)
        alone.pixels[i] = 0x80;
    LayoutContext measured = c;
    int w, h;
    MeasureMonthGrid(&measured, &w, &h);
    DrawWeekdayCell(&measured, alone.pixels.data(), p.width, p.height, 6, 1, g.firstColumnX, g.rh, 1);
    Box first = {g.firstColumnX, g.rh, g.firstColumnX + g.cw / 2, 2 * g.rh};
    int differing = 0;
    for (int y = first.y0; y < first.y1; y++)
        for (int x = first.x0; x < first.x1; x++) {
            Rgb a = At(p, x, y), b = At(alone, x, y);
            differing += a.r != b.r || a.g != b.g || a.b != b.b;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(Count(alone, first, IsRed), 20);
}

// The 1st of a 28-day February that starts on Monday sits in row 2, column 1.
TEST(Grids, FebruaryStartingOnTheFirstDayLeavesRowOneEmpty)
{
    for (int layout : {2, 3}) {
        LayoutContext c = Context(layout, 2027, 2, 10, 0, 0, 0, 1);
        Picture p = Build(c);
        ASSERT_TRUE(p.ok) << layout;
        int monthHeight = layout == 2 ? p.height : (int)(p.height / 3.25);
        Grid g = GridOf(p, 0, 1, monthHeight, 0);
        if (layout == 3)
            g.top = 8 * g.rh;   // January 2027 needs five rows
        Box rowOne = g.Cell(0, 0);
        rowOne.x1 = p.width;
        EXPECT_EQ(Count(p, rowOne, IsNotKey), 0) << layout;
        Box first = g.Cell(1, 0);
        EXPECT_GT(Count(p, first, IsWhite), 20) << layout;
        // The same cell drawn alone.
        Picture alone = p;
        for (size_t i = 0; i < alone.pixels.size(); i++)
            alone.pixels[i] = 0x80;
        LayoutContext measured = c;
        int w, h;
        MeasureMonthGrid(&measured, &w, &h);
        DrawDayCell(&measured, alone.pixels.data(), p.width, p.height, 1, 0, 0, first.x0, first.y0, 1, 0);
        int differing = 0;
        for (int y = first.y0; y < first.y1; y++)
            for (int x = first.x0; x < first.x1 - 2; x++) {
                Rgb a = At(p, x, y), b = At(alone, x, y);
                differing += a.r != b.r || a.g != b.g || a.b != b.b;
            }
        EXPECT_EQ(differing, 0) << layout;
    }
}

TEST(Layout3, ThreeMonthsAroundJanuaryWithTheirHolidays)
{
    Picture p = Build(Context(3, 2027, 1, 13, 2, 0, 0, 1));
    ASSERT_TRUE(p.ok);
    Grid dec = GridOf(p, 0, 1, (int)(p.height / 3.25), 0);
    Grid jan = dec;
    jan.top = 8 * dec.rh;   // December 2026 needs five rows
    int row, column;
    CellOfDay(25, 12, 2026, 0, &row, &column);
    EXPECT_GT(Count(p, dec.Cell(row, column), IsRed), 20);
    CellOfDay(24, 12, 2026, 0, &row, &column);
    EXPECT_EQ(Count(p, dec.Cell(row, column), IsRed), 0);
    for (int day : {1, 6}) {
        CellOfDay(day, 1, 2027, 0, &row, &column);
        EXPECT_GT(Count(p, jan.Cell(row, column), IsRed), 20) << day;
    }
    // February below January, which needs five rows too; its 1st, a Monday,
    // opens row 2 of the 28-day month.
    Grid feb = dec;
    feb.top = 16 * dec.rh;
    EXPECT_GT(Count(p, {0, feb.top, p.width, feb.top + feb.rh}, IsWhite), 100);
    EXPECT_GT(Count(p, feb.Cell(1, 0), IsWhite), 20);
    EXPECT_EQ(Count(p, {0, feb.Cell(0, 0).y0, p.width, feb.Cell(0, 0).y1}, IsNotKey), 0);
    CellOfDay(13, 1, 2027, 0, &row, &column);
    Box today = jan.Cell(row, column);
    EXPECT_GT(Count(p, today, IsYellow), 100);
    EXPECT_EQ(Count(p, {0, 0, p.width, p.height}, IsYellow), Count(p, AroundToday(today, jan.cw), IsYellow));
}

TEST(Fitting, DayStripShrinksToTheScreenWidth)
{
    Picture p = Build(Context(1, 2026, 12, 10, 0, 0, 0, 0, 1024));
    ASSERT_TRUE(p.ok);
    EXPECT_LE(p.width, 1024);
    EXPECT_GT(p.fontHeight, -64);
    EXPECT_LT(p.fontHeight, -7);
    // A screen too narrow for any height ends at the smallest one.
    Picture narrow = Build(Context(1, 2026, 12, 10, 0, 0, 0, 0, 200));
    ASSERT_TRUE(narrow.ok);
    EXPECT_EQ(narrow.fontHeight, -7);
}

TEST(Fitting, DateLineShowsHolidayNamesOnASecondLine)
{
    Picture plain = Build(Context(4, 2026, 12, 23, 2, 0, 0, 0));
    Picture eve = Build(Context(4, 2026, 12, 24, 2, 0, 0, 0));
    Picture christmas = Build(Context(4, 2026, 12, 25, 2, 0, 0, 0));
    ASSERT_TRUE(plain.ok && eve.ok && christmas.ok);
    Box all = {0, 0, 100000, 100000};
    EXPECT_GT(Count(plain, all, IsDateLineGrey), 100);
    EXPECT_EQ(Count(plain, all, IsRed), 0);
    EXPECT_EQ(Count(eve, all, IsRed), 0);
    EXPECT_GT(Count(eve, all, IsDateLineGrey), 100);
    EXPECT_GT(Count(christmas, all, IsRed), 100);
    EXPECT_EQ(Count(christmas, all, IsDateLineGrey), 0);
    EXPECT_GE(eve.height * 10, plain.height * 18);
    EXPECT_GE(christmas.height * 10, plain.height * 18);
    EXPECT_LE(christmas.height * 10, plain.height * 22);
    Picture narrow = Build(Context(4, 2026, 12, 25, 2, 0, 0, 0, 50));
    ASSERT_TRUE(narrow.ok);
    EXPECT_EQ(narrow.fontHeight, -7);
}

TEST(Fitting, HugeFontsShrinkUntilTheGridsFitTheScreen)
{
    LayoutContext c = Context(2, 2026, 12, 10, 2, 0, 1, 1);
    c.font.lfHeight = -998;
    Picture grid = Build(c);
    ASSERT_TRUE(grid.ok);
    EXPECT_LE(grid.width, 1024);
    EXPECT_LE(grid.height, 768);
    c.layout = 3;
    Picture three = Build(c);
    ASSERT_TRUE(three.ok);
    EXPECT_LE(three.width, 1024);
    EXPECT_LE(three.height, 2304);
    // The defaults keep their size.
    Picture normal = Build(Context(2, 2026, 12, 10, 2, 0, 1, 1));
    EXPECT_EQ(normal.fontHeight, -64);
}

TEST(Layouts, UnknownLayoutsDrawAsTheDayStrip)
{
    Picture strip = Build(Context(1, 2026, 12, 10, 2, 0, 1, 1));
    ASSERT_TRUE(strip.ok);
    for (int layout : {0, 6, -1}) {
        Picture p = Build(Context(layout, 2026, 12, 10, 2, 0, 1, 1));
        ASSERT_TRUE(p.ok) << layout;
        EXPECT_EQ(p.width, strip.width) << layout;
        EXPECT_EQ(p.height, strip.height) << layout;
        EXPECT_TRUE(p.pixels == strip.pixels) << layout;
    }
}

TEST(ClockPicture, DigitsInTheKeyColourStayVisible)
{
    ClockContext c{};
    c.font.lfHeight = -96;
    c.font.lfWeight = 700;
    lstrcpynA(c.font.lfFaceName, "Times New Roman", LF_FACESIZE);
    c.colour = 0x808080;
    c.effect = 0;
    c.iTime = 1;
    c.screenWidth = 1024;
    c.hour = 10;
    c.minute = 0;
    BYTE* buffer = nullptr;
    int w, h;
    ASSERT_TRUE(BuildClockPicture(&c, &buffer, &w, &h));
    Picture p;
    p.pixels.assign(buffer, buffer + (size_t)w * h * 3);
    p.width = w;
    p.height = h;
    free(buffer);
    EXPECT_GT(Count(p, {0, 0, w, h}, [](Rgb x) { return Near(x, 0x81, 0x81, 0x81, 0); }), 100);
}

}  // namespace
