#include "common/dates/dates.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

const char* const kRegionNames[HOLIDAY_REGION_COUNT] = {
    "(keine)",
    "Deutschland (Baden-W\xFCrttemberg)",
    "Deutschland (Bayern)",
    "Deutschland (Berlin)",
    "Deutschland (Brandenburg)",
    "Deutschland (Bremen)",
    "Deutschland (Hamburg)",
    "Deutschland (Hessen)",
    "Deutschland (Mecklenburg-Vorpommern)",
    "Deutschland (Niedersachsen)",
    "Deutschland (Nordrhein-Westfalen)",
    "Deutschland (Rheinland-Pfalz)",
    "Deutschland (Saarland)",
    "Deutschland (Sachsen)",
    "Deutschland (Sachsen-Anhalt)",
    "Deutschland (Schleswig-Holstein)",
    "Deutschland (Th\xFCringen)",
    "\xD6sterreich",
    "Schweiz",
};

const int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// A set of regions as bits 1..18.
typedef uint32_t RegionSet;

constexpr RegionSet Regions(std::initializer_list<int> list) {
    RegionSet set = 0;
    for (int r : list) set |= RegionSet(1) << r;
    return set;
}

constexpr RegionSet kAllRegions = 0x7FFFEu;  // 1..18
constexpr RegionSet kGermany = 0x1FFFEu;     // 1..16
constexpr RegionSet kAustria = RegionSet(1) << HOLIDAY_REGION_AUSTRIA;
constexpr RegionSet kSwitzerland = RegionSet(1) << HOLIDAY_REGION_SWITZERLAND;

int ExpandTwoDigitYear(int year) {
    if (year >= 0 && year <= 99) return year < 39 ? 2000 + year : 1900 + year;
    return year;
}

int FloorMod(int64_t a, int b) {
    int r = int(a % b);
    return r < 0 ? r + b : r;
}

// Day of the year of the fourth Sunday of Advent, the last Sunday before Christmas Day.
int FourthAdvent(int year) {
    int w = GetWeekday(25, 12, year);
    return DayOfYear(25, 12, year) - (w == 0 ? 7 : w);
}

bool IsValidDate(int day, int month, int year) {
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(month, year);
}

// The states that joined in 1990 (Brandenburg, Mecklenburg-Vorpommern,
// Sachsen, Sachsen-Anhalt, Thüringen) follow the Federal Republic's law
// before that year: the calendar knows no holidays of the GDR.
constexpr int kUnityYear = 1990;

// Regions where a fixed date is a holiday in the given year. Holidays that
// were introduced later follow the year the law took effect.
RegionSet FixedHolidayRegions(int day, int month, int year) {
    switch (month * 100 + day) {
    case 101: return kAllRegions;
    case 106: {
        RegionSet set = Regions({1, 2, 17, 18});
        // The first 6 January after Sachsen-Anhalt joined.
        if (year > kUnityYear) set |= Regions({14});
        return set;
    }
    case 308: {
        RegionSet set = 0;
        if (year >= 2019) set |= Regions({3});
        if (year >= 2023) set |= Regions({8});
        return set;
    }
    case 501: return kAllRegions & ~kSwitzerland;
    case 508: return (year == 2020 || year == 2025) ? Regions({3}) : 0;
    // The Federal Republic's day of German unity until 1990.
    case 617: return (year >= 1954 && year <= kUnityYear) ? kGermany : 0;
    case 801: return year >= 1994 ? kSwitzerland : 0;
    case 815: return Regions({2, 12, 17, 18});
    case 920: return year >= 2019 ? Regions({16}) : 0;
    case 1003: return year >= kUnityYear ? kGermany : 0;
    case 1026: return year >= 1967 ? kAustria : 0;
    case 1031: {
        RegionSet set = year >= kUnityYear ? Regions({4, 8, 13, 14, 16}) : 0;
        if (year == 2017) set |= kGermany;
        if (year >= 2018) set |= Regions({5, 6, 9, 15});
        return set;
    }
    case 1101: return Regions({1, 2, 10, 11, 12, 17, 18});
    case 1208: return kAustria;
    case 1225:
    case 1226: return kAllRegions;
    default: return 0;
    }
}

RegionSet EasterHolidayRegions(int offset) {
    switch (offset) {
    case -2: case -1: case 0: case 1: case 39: case 49: case 50: return kAllRegions;
    case 60: return Regions({1, 2, 7, 10, 11, 12, 17, 18});
    default: return 0;
    }
}

// The days that are holidays in every region, which the screen saver still
// shows when no region is set.
bool IsCommonHoliday(int day, int month, int offsetFromEaster) {
    int md = month * 100 + day;
    if (md == 101 || md == 501 || md == 1225 || md == 1226) return true;
    switch (offsetFromEaster) {
    case -2: case -1: case 0: case 1: case 39: case 49: case 50: return true;
    default: return false;
    }
}

enum RuleKind { kFixed, kLastSunday, kSundayInDays, kEaster, kAdvent };

enum RuleRegions {
    kAny,
    kGerman,          // region 16 or lower, "none" included
    kAustriaOnly,
    kSwitzerlandOnly,
    kGermanOrAustria,
    kWhereHoliday,    // only where and when the day is a public holiday
};

struct NameRule {
    RuleKind kind;
    int a;  // kFixed: day; kLastSunday, kSundayInDays: month; kEaster, kAdvent: offset
    int b;  // kFixed: month; kSundayInDays: first day
    RuleRegions regions;
    const char* name;
    int fromYear = 0, toYear = 9999;  // years the name stands for a day in force
};

// The order of this table is the order of the names in the result.
const NameRule kNameRules[] = {
    {kFixed, 1, 1, kAny, "Neujahr"},
    {kFixed, 6, 1, kAny, "Dreik\xF6nigstag"},
    {kFixed, 2, 2, kAny, "Mari\xE4 Lichtme\xDF"},
    {kFixed, 14, 2, kAny, "Valentinstag"},
    {kFixed, 8, 3, kWhereHoliday, "Internationaler Frauentag"},
    {kFixed, 19, 3, kAny, "St. Joseph"},
    {kFixed, 20, 3, kAny, "Fr\xFChlingsanfang"},
    {kFixed, 25, 3, kAny, "Mari\xE4 Verk\xFCndung"},
    {kLastSunday, 3, 0, kAny, "Beginn der Sommerzeit"},
    {kFixed, 1, 5, kAustriaOnly, "Staatsfeiertag"},
    {kFixed, 1, 5, kGerman, "Maifeiertag"},
    {kFixed, 5, 5, kAny, "Europatag"},
    {kFixed, 8, 5, kWhereHoliday, "Tag der Befreiung"},
    {kSundayInDays, 5, 8, kAny, "Muttertag"},
    {kFixed, 17, 6, kGerman, "Tag der deutschen Einheit", 1954, kUnityYear},
    {kFixed, 21, 6, kAny, "Sommeranfang"},
    {kFixed, 24, 6, kAny, "Johannistag"},
    {kFixed, 29, 6, kAny, "Peter und Paul"},
    {kFixed, 1, 8, kSwitzerlandOnly, "Bundesfeiertag"},
    {kFixed, 15, 8, kAny, "Mari\xE4 Himmelfahrt"},
    {kFixed, 8, 9, kAny, "Mari\xE4 Geburt"},
    {kFixed, 20, 9, kWhereHoliday, "Weltkindertag"},
    {kFixed, 23, 9, kAny, "Herbstanfang"},
    {kFixed, 3, 10, kGerman, "Tag der deutschen Einheit", kUnityYear},
    {kFixed, 26, 10, kAustriaOnly, "Nationalfeiertag"},
    {kFixed, 31, 10, kAny, "Reformationstag"},
    {kLastSunday, 10, 0, kAny, "Ende der Sommerzeit"},
    {kSundayInDays, 10, 1, kAny, "Erntedankfest"},
    {kFixed, 1, 11, kAny, "Allerheiligen"},
    {kFixed, 2, 11, kAny, "Allerseelen"},
    {kFixed, 11, 11, kAny, "Martinstag"},
    {kFixed, 6, 12, kAny, "Nikolaus"},
    {kFixed, 8, 12, kAny, "Mari\xE4 Empf\xE4ngnis"},
    {kFixed, 21, 12, kAny, "Winteranfang"},
    {kFixed, 24, 12, kAny, "Heiligabend"},
    {kFixed, 25, 12, kGerman, "1. Weihnachtstag"},
    {kFixed, 26, 12, kGerman, "2. Weihnachtstag"},
    {kFixed, 25, 12, kAustriaOnly, "Christtag"},
    {kFixed, 26, 12, kAustriaOnly, "Stephanitag"},
    {kFixed, 25, 12, kSwitzerlandOnly, "Weihnachten"},
    {kFixed, 26, 12, kSwitzerlandOnly, "Stephanstag"},
    {kFixed, 31, 12, kAny, "Silvester"},
    {kEaster, -48, 0, kAny, "Rosenmontag"},
    {kEaster, -47, 0, kAny, "Fastnacht"},
    {kEaster, -46, 0, kAny, "Aschermittwoch"},
    {kEaster, -14, 0, kAny, "Judika"},
    {kEaster, -7, 0, kAny, "Palmsonntag"},
    {kEaster, -3, 0, kAny, "Gr\xFCndonnerstag"},
    {kEaster, -2, 0, kAny, "Karfreitag"},
    {kEaster, 0, 0, kAny, "Ostersonntag"},
    {kEaster, 1, 0, kAny, "Ostermontag"},
    {kEaster, 7, 0, kAny, "Wei\xDF" "er Sonntag"},
    {kEaster, 39, 0, kGermanOrAustria, "Christi Himmelfahrt"},
    {kEaster, 39, 0, kSwitzerlandOnly, "Auffahrt"},
    {kEaster, 49, 0, kAny, "Pfingstsonntag"},
    {kEaster, 50, 0, kAny, "Pfingstmontag"},
    {kEaster, 56, 0, kAny, "Dreieinigkeitsfest"},
    {kEaster, 60, 0, kAny, "Fronleichnam"},
    {kAdvent, 0, 0, kAny, "4. Advent"},
    {kAdvent, -7, 0, kAny, "3. Advent"},
    {kAdvent, -14, 0, kAny, "2. Advent"},
    {kAdvent, -21, 0, kAny, "1. Advent"},
    {kAdvent, -28, 0, kAny, "Totensonntag"},
    {kAdvent, -32, 0, kAny, "Bu\xDF- und Bettag"},
    {kAdvent, -35, 0, kAny, "Volkstrauertag"},
};

bool RegionsMatch(RuleRegions regions, int day, int month, int year, int region) {
    switch (regions) {
    case kAny: return true;
    case kGerman: return region <= 16;
    case kAustriaOnly: return region == HOLIDAY_REGION_AUSTRIA;
    case kSwitzerlandOnly: return region == HOLIDAY_REGION_SWITZERLAND;
    case kGermanOrAustria: return region <= 16 || region == HOLIDAY_REGION_AUSTRIA;
    case kWhereHoliday: return IsPublicHoliday(day, month, year, region) != 0;
    }
    return false;
}

// Appends as much of text as fits, keeping the terminator.
void AppendBounded(char* buffer, int size, const char* text) {
    size_t used = strlen(buffer);
    size_t room = size_t(size) - 1 - used;
    size_t n = strlen(text);
    if (n > room) n = room;
    memcpy(buffer + used, text, n);
    buffer[used + n] = '\0';
}

bool IsTrimmed(char c) {
    return c == ' ' || c == '\r' || c == '\n';
}

void TrimBlanksAndBreaks(char* text) {
    size_t len = strlen(text);
    while (len > 0 && IsTrimmed(text[len - 1])) text[--len] = '\0';
    size_t start = 0;
    while (start < len && IsTrimmed(text[start])) start++;
    if (start > 0) memmove(text, text + start, len - start + 1);
}

}  // namespace

const char* GetRegionName(int region) {
    if (region < 0 || region >= HOLIDAY_REGION_COUNT) region = HOLIDAY_REGION_NONE;
    return kRegionNames[region];
}

int IsLeapYear(int year) {
    return (year % 400 == 0 || (year % 4 == 0 && year % 100 != 0)) ? 1 : 0;
}

int DaysInMonth(int month, int year) {
    switch (month) {
    case 2: return IsLeapYear(year) ? 29 : 28;
    case 4: case 6: case 9: case 11: return 30;
    case 1: case 3: case 5: case 7: case 8: case 10: case 12: return 31;
    default: return 0;
    }
}

int DayOfYear(int day, int month, int year) {
    year = ExpandTwoDigitYear(year);
    if (month < 1 || month > 12) return day;
    int n = day + kDaysBeforeMonth[month - 1];
    if (month >= 3 && IsLeapYear(year)) n++;
    return n;
}

int GetWeekday(int day, int month, int year) {
    int64_t n = DayOfYear(day, month, year);
    int64_t c = int64_t(year) - 1;
    // Floor division keeps the Gregorian cycle for years before 1.
    int64_t c100 = c >= 0 ? c / 100 : -((-c + 99) / 100);
    int64_t c400 = c >= 0 ? c / 400 : -((-c + 399) / 400);
    int64_t r100 = c - c100 * 100;
    return FloorMod(c100 * 5 + r100 + n + r100 / 4 + c400 + 28, 7);
}

int GetWeekNumber(int day, int month, int year) {
    int w1 = GetWeekday(1, 1, year);
    int k = ((w1 + 2) % 7 + DayOfYear(day, month, year) + 3) / 7;
    if (k > 0) {
        if (k > 52 && GetWeekNumber(1, 1, year + 1) == 1) return 1;
        return k;
    }
    // The day belongs to the last week of the year before.
    int w0 = GetWeekday(1, 1, year - 1);
    return ((w0 + 2) % 7 + DayOfYear(31, 12, year - 1) + 3) / 7;
}

int GetEasterSunday(int year, int* month, int* day) {
    int64_t y = ExpandTwoDigitYear(year);
    int64_t b = (y / 100 * 3 + 3) / 4 - 12;
    int64_t golden = y % 19;
    int64_t c = FloorMod(golden * 11 + (y / 100 * 8 + 13) / 25 - b + 26, 30);
    int64_t d = 44 - ((c == 25 && golden > 10) ? 26 : c) - (c == 24 ? 1 : 0);
    if (d <= 20) d += 30;
    d += 7 - FloorMod(y * 5 / 4 + d - b - 10, 7);
    int m = 3;
    if (d >= 32) {
        m = 4;
        d -= 31;
    }
    if (month) *month = m;
    if (day) *day = int(d);
    return DayOfYear(int(d), m, int(y));
}

int IsPublicHoliday(int day, int month, int year, int region, bool anyRegion) {
    bool knownRegion = region >= 1 && region <= 18;
    if (!knownRegion && !anyRegion) return 0;
    if (!IsValidDate(day, month, year)) return 0;

    int doy = DayOfYear(day, month, year);
    int easterOffset = doy - GetEasterSunday(year, nullptr, nullptr);
    if (!knownRegion) return IsCommonHoliday(day, month, easterOffset) ? 1 : 0;

    RegionSet bit = RegionSet(1) << region;
    if (FixedHolidayRegions(day, month, year) & bit) return 1;
    if (EasterHolidayRegions(easterOffset) & bit) return 1;
    // Buß- und Bettag: every German region until 1994, from 1995 Saxony alone.
    bool repentance = year <= 1994 ? (kGermany & bit) != 0 : region == 13;
    if (repentance && doy == FourthAdvent(year) - 32) return 1;
    return 0;
}

void GetHolidayNames(int day, int month, int year, int region, char* buffer, int size) {
    if (!buffer || size <= 0) return;
    buffer[0] = '\0';
    if (region < 0 || region >= HOLIDAY_REGION_COUNT) region = HOLIDAY_REGION_NONE;
    if (!IsValidDate(day, month, year)) return;

    int doy = DayOfYear(day, month, year);
    int easter = GetEasterSunday(year, nullptr, nullptr);
    int advent = FourthAdvent(year);
    bool sunday = GetWeekday(day, month, year) == 0;

    for (const NameRule& rule : kNameRules) {
        bool hit = false;
        switch (rule.kind) {
        case kFixed: hit = day == rule.a && month == rule.b; break;
        case kLastSunday: hit = month == rule.a && day == 31 - GetWeekday(31, rule.a, year); break;
        case kSundayInDays: hit = month == rule.a && sunday && day >= rule.b && day <= rule.b + 6; break;
        case kEaster: hit = doy == easter + rule.a; break;
        case kAdvent: hit = doy == advent + rule.a; break;
        }
        hit = hit && year >= rule.fromYear && year <= rule.toYear;
        if (hit && RegionsMatch(rule.regions, day, month, year, region)) {
            AppendBounded(buffer, size, rule.name);
            AppendBounded(buffer, size, " \r\n");
        }
    }
    TrimBlanksAndBreaks(buffer);
}

int GetMoonAge(int day, int month, int year) {
    int64_t mm = int64_t(month) + 9;
    int64_t yy = int64_t(year) - (12 - int64_t(month)) / 10;
    if (mm >= 12) mm -= 12;
    int64_t g = int64_t((double(yy / 100) + 49) * 0.75) - 38;
    int64_t h = ((yy + 4712) * 1461) / 4;
    int64_t l = int64_t(double(mm) * 30.6 + 0.5);
    int64_t j = h + l + day + 59;
    if (j > 2299160) j -= g;
    double m = (double(j) - 2451550.1) / 29.530588853;
    int age = int((m - std::floor(m)) * 29.53);
    // Guards the rounding edge where the fraction is a hair below 1.
    return age > 29 ? 29 : (age < 0 ? 0 : age);
}

int GetMoonPhaseIcon(int day, int month, int year) {
    int age = GetMoonAge(day, month, year);
    if (age == 0 || age >= 29) return 0;
    return (age + 3) / 4;
}
