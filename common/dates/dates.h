// Calendar arithmetic on plain ints: leap years, month lengths, day of the
// year, weekday, ISO week, Easter, public holidays of 18 regions, the names of
// a day's holidays and observances, and the moon's age and phase icon.
// Portable (no Win32 calls), so the screen saver can carry the same code.
// Texts are in the programs' ANSI code page (Windows-1252).
#pragma once

// Holiday regions: 0 none, 1..16 the German states in alphabetical order,
// 17 Austria, 18 Switzerland.
#define HOLIDAY_REGION_NONE 0
#define HOLIDAY_REGION_AUSTRIA 17
#define HOLIDAY_REGION_SWITZERLAND 18
#define HOLIDAY_REGION_COUNT 19

// Display name of a region ("(keine)" for 0 and for anything outside 0..18).
const char* GetRegionName(int region);

// Day, month, year, hour, minute, second and weekday (0 Sunday) of the local
// time; each program defines it over its own clock.
void GetLocalTimeFields(int* day, int* month, int* year, int* hour, int* minute, int* second, int* weekday);

int IsLeapYear(int year);
// 28..31, or 0 for a month outside 1..12.
int DaysInMonth(int month, int year);
// 1..366; a year 0..99 counts as two digits (below 39: 20xx, else 19xx).
int DayOfYear(int day, int month, int year);
// 0 Sunday .. 6 Saturday.
int GetWeekday(int day, int month, int year);
// ISO 8601 calendar week 1..53.
int GetWeekNumber(int day, int month, int year);
// Day of the year of Easter Sunday; month (3 or 4) and day through the
// out-parameters, which may be NULL. Years 0..99 count as two digits.
int GetEasterSunday(int year, int* month, int* day);

// 1 on a public holiday of the region, else 0. The calendar knows no holiday
// for a region outside 1..18; with anyRegion (the screen saver's rule) such a
// region still gets the days that are holidays everywhere.
int IsPublicHoliday(int day, int month, int year, int region, bool anyRegion = false);

// The names of the day's holidays and observances, joined by " \r\n", into a
// buffer of `size` characters (always terminated when size > 0).
void GetHolidayNames(int day, int month, int year, int region, char* buffer, int size);

// Whole days 0..29 since the last new moon.
int GetMoonAge(int day, int month, int year);
// Number 0..7 of the icon "MOND0".."MOND7" for the day's moon.
int GetMoonPhaseIcon(int day, int month, int year);
