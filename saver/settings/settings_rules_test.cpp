// The saver's reading rules, the log's stamp and the line-break pairs without
// the registry, files or clock: the native build runs these too.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/settings/saver_rules.h"
#include "common/text/line_breaks.h"
#include "settings/settings_cases.h"
#include "settings/settings_rules.h"
#include "settings/timestamp.h"

namespace {

int AfterRules(const StoredValueCase& c)
{
    int stored = (int)c.stored;
    std::string name = c.value;
    if (name == "SpeedAnimation")
        return ClampSpeedAnimation(stored);
    if (name == "Pause")
        return ClampPause(stored);
    if (name == "Rows" || name == "Columns")
        return ClampGridCount(stored);
    if (name == "FHeight")
        return IsUsableFontHeight(stored, SAVER_LOWEST_FONT_HEIGHT) ? stored : -40;
    ADD_FAILURE() << "no rule for " << name;
    return 0;
}

TEST(SaverRules, StoredValuesAreClampedOrIgnored)
{
    for (const StoredValueCase& c : kStoredValueCases)
        EXPECT_EQ(AfterRules(c), c.loaded) << c.value << " stored as " << c.stored;
}

TEST(SaverRules, HolidayRegionAndFirstDayOutsideTheirRangeAreZero)
{
    for (const OtherValueCase& c : kOtherValueCases) {
        if (c.storedText)
            EXPECT_EQ(ParseFirstDayOfWeek(c.storedText), c.loaded) << c.value << " " << c.storedText;
        else
            EXPECT_EQ(HolidayRegionOrNone((int)c.stored), c.loaded) << c.value << " " << c.stored;
    }
    EXPECT_EQ(ParseFirstDayOfWeek(nullptr), 0);
}

TEST(SaverRules, TheCalendarTakesFontHeightsDownToMinus998)
{
    EXPECT_TRUE(IsUsableFontHeight(-500, CALENDAR_LOWEST_FONT_HEIGHT));
    EXPECT_TRUE(IsUsableFontHeight(-998, CALENDAR_LOWEST_FONT_HEIGHT));
    EXPECT_FALSE(IsUsableFontHeight(-999, CALENDAR_LOWEST_FONT_HEIGHT));
    EXPECT_FALSE(IsUsableFontHeight(-500, SAVER_LOWEST_FONT_HEIGHT));
}

TEST(LogStamp, FieldsInTheirOrderCutToTheBuffer)
{
    for (const StampCase& c : kStampCases) {
        char buffer[80];
        memset(buffer, 'X', sizeof(buffer));
        FormatTimestampFields(c.day, c.month, c.year, c.hour, c.minute, c.second, buffer, c.size);
        EXPECT_STREQ(buffer, c.text) << "size " << c.size;
        EXPECT_EQ(buffer[c.size], 'X') << "written past the buffer";
    }
    char untouched = 'X';
    FormatTimestampFields(1, 2, 2025, 3, 4, 5, &untouched, 0);
    EXPECT_EQ(untouched, 'X');
}

TEST(LineBreaks, BackslashNPairsBecomeCrLf)
{
    for (const LineBreakCase& c : kLineBreakCases) {
        std::string text = c.stored;
        ReplaceLineBreakPairs(&text[0]);
        EXPECT_EQ(text, c.text) << c.stored;
    }
}

}  // namespace
