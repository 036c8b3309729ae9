// Tray icon calls and the date texts of the main dialog, with a recorder in
// place of Shell_NotifyIconA and the program clock set to a fixed day.
#include "tray/tray.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/seams.h"
#include "settings/settings.h"

namespace {

struct NotifyCall {
    DWORD message;
    NOTIFYICONDATAA data;
};

std::vector<NotifyCall> gCalls;

BOOL WINAPI RecordNotify(DWORD message, NOTIFYICONDATAA* data)
{
    gCalls.push_back({message, *data});
    return TRUE;
}

BOOL WINAPI RefuseNotify(DWORD message, NOTIFYICONDATAA* data)
{
    gCalls.push_back({message, *data});
    return FALSE;
}

void SetToday(int day, int month, int year, int weekday)
{
    SYSTEMTIME st = {};
    st.wYear = WORD(year);
    st.wMonth = WORD(month);
    st.wDay = WORD(day);
    st.wDayOfWeek = WORD(weekday);
    st.wHour = 12;
    SetClockStart(&st);
}

const char* const kGermanDays[7] = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};

class TrayTexts : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 7; i++)
            lstrcpynA(gDayNames[i], kGermanDays[i], sizeof gDayNames[i]);
        lstrcpynA(gSettings.sDate, ".", sizeof gSettings.sDate);
        gSettings.iDate = 1;
        gSettings.Feiertage = 0;
        SetToday(7, 6, 2010, 1);
        gCalls.clear();
        gShellNotifyIcon = RecordNotify;
    }
    void TearDown() override
    {
        RemoveTrayIcon(nullptr);
        gShellNotifyIcon = Shell_NotifyIconA;
    }
};

struct DateTextCase {
    int iDate;
    const char* expected;
};

class DateTextOrder : public TrayTexts, public ::testing::WithParamInterface<DateTextCase> {};

TEST_P(DateTextOrder, FollowsTheRegionalOrder)
{
    gSettings.iDate = GetParam().iDate;
    char buffer[64];
    memset(buffer, 'x', sizeof buffer);
    buffer[sizeof buffer - 1] = 0;
    FormatDateText(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Orders, DateTextOrder,
                         ::testing::Values(DateTextCase{0, "Montag 06.07.2010"}, DateTextCase{1, "Montag 07.06.2010"},
                                           DateTextCase{2, "Montag 2010.06.07"}, DateTextCase{5, ""},
                                           DateTextCase{-1, ""}));

TEST_F(TrayTexts, DateTextIsCutToItsBuffer)
{
    char buffer[8];
    memset(buffer, 'x', sizeof buffer);
    FormatDateText(buffer, 7);
    EXPECT_STREQ(buffer, "Montag");
    EXPECT_EQ(buffer[7], 'x');
}

struct DayInfoCase {
    int day, month, year, weekday, region;
    const char* expected;
};

class DayInfoText : public TrayTexts, public ::testing::WithParamInterface<DayInfoCase> {};

TEST_P(DayInfoText, ListsHolidaysDayOfYearAndWeek)
{
    const DayInfoCase& c = GetParam();
    SetToday(c.day, c.month, c.year, c.weekday);
    gSettings.Feiertage = c.region;
    char buffer[400];
    FormatDayInfoText(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Days, DayInfoText,
    ::testing::Values(DayInfoCase{1, 1, 2010, 5, 0, "Neujahr\n\n1. Tag im Jahr\n53. Kalenderwoche\n"},
                      DayInfoCase{8, 6, 2010, 2, 0, "159. Tag im Jahr\n23. Kalenderwoche\n"},
                      DayInfoCase{24, 12, 2023, 0, 5, "Heiligabend \r\n4. Advent\n\n358. Tag im Jahr\n51. Kalenderwoche\n"},
                      DayInfoCase{31, 12, 2024, 2, 17, "Silvester\n\n366. Tag im Jahr\n1. Kalenderwoche\n"}));

TEST_F(TrayTexts, DayInfoTextStaysInsideSmallBuffers)
{
    SetToday(1, 1, 2010, 5);
    char buffer[16];
    memset(buffer, 'x', sizeof buffer);
    FormatDayInfoText(buffer, 12);
    EXPECT_STREQ(buffer, "Neujahr\n\n1.");
    EXPECT_EQ(buffer[12], 'x');
    FormatDayInfoText(buffer, 1);
    EXPECT_STREQ(buffer, "");
    FormatDayInfoText(nullptr, 10);
}

TEST_F(TrayTexts, UpdatesAddTheIconOnceThenModifyIt)
{
    UpdateTrayIcon(HWND(0x1234), 0, 1);
    UpdateTrayIcon(HWND(0x1234), 0, 0);
    ASSERT_EQ(gCalls.size(), 2u);
    EXPECT_EQ(gCalls[0].message, DWORD(NIM_ADD));
    EXPECT_EQ(gCalls[1].message, DWORD(NIM_MODIFY));
    for (const NotifyCall& call : gCalls) {
        EXPECT_EQ(call.data.cbSize, DWORD(sizeof(NOTIFYICONDATAA)));
        EXPECT_EQ(call.data.hWnd, HWND(0x1234));
        EXPECT_EQ(call.data.uID, 2000u);
        EXPECT_EQ(call.data.uFlags, 7u);
        EXPECT_EQ(call.data.uCallbackMessage, 0x844Cu);
    }
    EXPECT_STREQ(gCalls[0].data.szTip, " Moment bitte ...");
    EXPECT_STREQ(gCalls[1].data.szTip, "Montag 07.06.2010");

    gCalls.clear();
    EXPECT_TRUE(RemoveTrayIcon(HWND(0x1234)));
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].message, DWORD(NIM_DELETE));
    EXPECT_EQ(gCalls[0].data.uID, 2000u);
    EXPECT_EQ(gCalls[0].data.hIcon, HICON(nullptr));
    EXPECT_STREQ(gCalls[0].data.szTip, "");
}

TEST_F(TrayTexts, AFailedAddIsTriedAgain)
{
    gShellNotifyIcon = RefuseNotify;
    UpdateTrayIcon(nullptr, 0, 0);
    gShellNotifyIcon = RecordNotify;
    UpdateTrayIcon(nullptr, 0, 0);
    UpdateTrayIcon(nullptr, 0, 0);
    ASSERT_EQ(gCalls.size(), 3u);
    EXPECT_EQ(gCalls[0].message, DWORD(NIM_ADD));
    EXPECT_EQ(gCalls[1].message, DWORD(NIM_ADD));
    EXPECT_EQ(gCalls[2].message, DWORD(NIM_MODIFY));
}

int gModifyFailures = 0;

// A shell that has forgotten the icon: the next change fails.
BOOL WINAPI ForgetfulNotify(DWORD message, NOTIFYICONDATAA* data)
{
    gCalls.push_back({message, *data});
    if (message == NIM_MODIFY && gModifyFailures > 0) {
        gModifyFailures--;
        return FALSE;
    }
    return TRUE;
}

TEST_F(TrayTexts, AFailedChangeAddsTheIconAgain)
{
    gShellNotifyIcon = ForgetfulNotify;
    UpdateTrayIcon(nullptr, 1, 0);
    gModifyFailures = 1;
    UpdateTrayIcon(nullptr, 1, 0);
    UpdateTrayIcon(nullptr, 1, 0);
    ASSERT_EQ(gCalls.size(), 4u);
    EXPECT_EQ(gCalls[0].message, DWORD(NIM_ADD));
    EXPECT_EQ(gCalls[1].message, DWORD(NIM_MODIFY));
    EXPECT_EQ(gCalls[2].message, DWORD(NIM_ADD));
    EXPECT_EQ(gCalls[3].message, DWORD(NIM_MODIFY));
    // The add carries the same icon and tip as the change it replaces.
    EXPECT_EQ(gCalls[2].data.hIcon, gCalls[1].data.hIcon);
    EXPECT_STREQ(gCalls[2].data.szTip, "Montag 07.06.2010");

    // Made by the update and destroyed only after both calls.
    gCalls.clear();
    gModifyFailures = 1;
    UpdateTrayIcon(nullptr, 0, 0);
    ASSERT_EQ(gCalls.size(), 2u);
    ASSERT_NE(gCalls[1].data.hIcon, HICON(nullptr));
    ICONINFO info;
    EXPECT_FALSE(GetIconInfo(gCalls[1].data.hIcon, &info)) << "not destroyed";
}

TEST_F(TrayTexts, TipIsCutTo127Characters)
{
    std::string longTip(300, 'a');
    EXPECT_TRUE(CallNotifyIcon(nullptr, NIM_MODIFY, 7, nullptr, longTip.c_str(), FALSE));
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(strlen(gCalls[0].data.szTip), 127u);
    EXPECT_EQ(gCalls[0].data.uID, 7u);
}

}  // namespace
