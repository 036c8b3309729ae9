#include "base/seams.h"

#include <gtest/gtest.h>

namespace {

ULONGLONG Ms(const SYSTEMTIME& t)
{
    FILETIME ft;
    SystemTimeToFileTime(&t, &ft);
    return (((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime) / 10000;
}

TEST(Clock, RunsFromTheSetStartAtTheProgramsTimeScale)
{
    SYSTEMTIME start{};
    start.wYear = 2010;
    start.wMonth = 6;
    start.wDay = 7;
    start.wHour = 23;
    start.wMinute = 59;
    start.wSecond = 59;
    gTimeScale = 0.25;
    SetClockStart(&start);
    SYSTEMTIME now;
    GetClockTime(&now);
    EXPECT_EQ(now.wDay, 7);
    EXPECT_EQ(now.wDayOfWeek, 1);   // Monday
    Sleep(500);                     // two seconds of program time
    GetClockTime(&now);
    ULONGLONG elapsed = Ms(now) - Ms(start);
    EXPECT_GE(elapsed, 1900u);
    EXPECT_LT(elapsed, 4000u);
    EXPECT_EQ(now.wDay, 8);
    EXPECT_EQ(now.wHour, 0);

    SetClockStart(nullptr);
    gTimeScale = 1.0;
    SYSTEMTIME local;
    GetLocalTime(&local);
    GetClockTime(&now);
    EXPECT_LT(Ms(now) - Ms(local), 2000u);
}

}  // namespace
