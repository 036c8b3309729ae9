// Case tables that the Windows tests run through the registry, the language
// files and the log, and the native build through the portable rules alone.
#pragma once

#include <cstdint>

// A value of "SCR" as stored and as the saver holds it after reading
// (`Calendar` 0, so that the grid keeps its stored size).
struct StoredValueCase {
    const char* value;
    uint32_t stored;
    int loaded;
};

inline const StoredValueCase kStoredValueCases[] = {
    {"SpeedAnimation", 5, 10},
    {"SpeedAnimation", 10, 10},
    {"SpeedAnimation", 80, 80},
    {"SpeedAnimation", 200, 80},
    {"SpeedAnimation", 0xFFFFFFFF, 80},
    {"Pause", 0, 80},
    {"Pause", 5000, 3000},
    {"Pause", 0xFFFFFFFF, 80},
    {"Pause", 1234, 1234},
    {"Rows", 0, 1},
    {"Rows", 30, 24},
    {"Rows", (uint32_t)-3, 1},
    {"Columns", 0x80000000, 1},
    {"Columns", 24, 24},
    {"FHeight", (uint32_t)-10, -40},
    {"FHeight", (uint32_t)-160, -40},
    {"FHeight", (uint32_t)-12, -12},
    {"FHeight", (uint32_t)-11, -11},
    {"FHeight", (uint32_t)-159, -159},
    {"FHeight", 20, -40},
};

// A value of the main key or of the regional settings, stored as a number
// or a text, and as the saver holds it.
struct OtherValueCase {
    const char* value;
    uint32_t stored;
    const char* storedText;    // non-NULL: stored as REG_SZ
    int loaded;
};

inline const OtherValueCase kOtherValueCases[] = {
    {"Feiertage", 25, nullptr, 0},
    {"Feiertage", 18, nullptr, 18},
    {"Feiertage", 0xFFFFFFFF, nullptr, 0},
    {"iFirstDayOfWeek", 0, "6", 6},
    {"iFirstDayOfWeek", 0, "7", 0},
    {"iFirstDayOfWeek", 0, "-1", 0},
    {"iFirstDayOfWeek", 0, "99999999999", 0},
    {"iFirstDayOfWeek", 0, "x", 0},
};

struct StampCase {
    int day, month, year, hour, minute, second;
    int size;
    const char* text;
};

inline const StampCase kStampCases[] = {
    {1, 2, 2025, 3, 4, 5, 64, "01.02.2025 03:04.05"},
    {31, 12, 1999, 23, 59, 59, 64, "31.12.1999 23:59.59"},
    {29, 2, 2024, 0, 0, 0, 64, "29.02.2024 00:00.00"},
    {5, 6, 7, 8, 9, 10, 64, "05.06.07 08:09.10"},
    {1, 1, 30827, 12, 0, 0, 64, "01.01.30827 12:00.00"},
    {1, 2, 2025, 3, 4, 5, 11, "01.02.2025"},
    {1, 2, 2025, 3, 4, 5, 1, ""},
};

// A value with backslash-n pairs and the text that comes back.
struct LineBreakCase {
    const char* stored;
    const char* text;
};

inline const LineBreakCase kLineBreakCases[] = {
    {"A\\nB", "A\r\nB"},
    {"\\n", "\r\n"},
    {"eins\\nzwei\\n", "eins\r\nzwei\r\n"},
    {"A\\n\\nB", "A\r\n\r\nB"},
    {"A\\", "A\\"},
    {"\\\\n", "\\\r\n"},
    {"A\\tB", "A\\tB"},
    {"n\\N", "n\\N"},
};
