// Renders one desktop calendar layout, or the desktop clock, for given inputs
// into a 24-bit BMP and prints its width, height and final font height.
//   layouttool [options] OUT.bmp
//     --layout N       1..5 (as `KalenderLayout`) or "clock"; layout 5 takes
//                      its sheet from vesko.exe beside the tool
//     --sheet FILE     layout 5's sheet from a file instead
//     --date Y-M-D     today (default: the local date)
//     --time H:M:S     the clock's time (default: the local time)
//     --first-day N    0 Monday .. 6 Sunday
//     --region N       holiday region 0..18
//     --week 0|1       week numbers        --weekdays 0|1   weekday names
//     --form N         `Kalender4Groesse`  --font-height N  --font NAME
//     --screen WxH     screen size (default: the real one)
//     --seconds 0|1 --effect N --colour 0xBBGGRR --itime N   (clock)
//     --repeat N       build N times and print the median milliseconds
//     --preview N      the Desktop page's preview of layout N (its own fixed
//                      inputs; --sheet for layout 5)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <string>
#include <vector>

#include "base/app.h"
#include "common/dates/dates.h"
#include "common/win/module.h"
#include "desktop/grid.h"
#include "desktop/layouts.h"
#include "settings/settings.h"
#include "text/text.h"

namespace {

int Usage()
{
    fprintf(stderr,
            "usage: layouttool [--layout N|clock] [--date Y-M-D] [--time H:M:S] [--first-day N] [--region N]\n"
            "                  [--week 0|1] [--weekdays 0|1] [--form N] [--font-height N] [--font NAME]\n"
            "                  [--screen WxH] [--seconds 0|1] [--effect N] [--colour 0xBBGGRR] [--itime N]\n"
            "                  [--sheet FILE] [--repeat N] [--preview N] OUT.bmp\n");
    return 2;
}

bool ParseDate(const char* text, int* day, int* month, int* year)
{
    int y, m, d;
    if (sscanf(text, "%d-%d-%d", &y, &m, &d) != 3 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(m, y))
        return false;
    *day = d;
    *month = m;
    *year = y;
    return true;
}

bool ReadWholeFile(const char* path, std::vector<BYTE>* bytes)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    BYTE chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    LoadDayMonthNames();
    LayoutContext c{};
    c.layout = 1;
    memset(&c.font, 0, sizeof(c.font));
    c.font.lfHeight = -64;
    c.font.lfWeight = 600;
    c.font.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynA(c.font.lfFaceName, "Arial", LF_FACESIZE);
    c.dateForm = 1;
    c.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    c.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    memcpy(c.monthNames, gMonthNames, sizeof(c.monthNames));
    memcpy(c.dayNames, gDayNames, sizeof(c.dayNames));
    SYSTEMTIME now;
    GetLocalTime(&now);
    c.day = now.wDay;
    c.month = now.wMonth;
    c.year = now.wYear;

    ClockContext k{};
    k.font.lfHeight = -96;
    k.font.lfWeight = 700;
    k.font.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynA(k.font.lfFaceName, "Times New Roman", LF_FACESIZE);
    k.colour = 0xC8C8C8;
    k.effect = 1;
    k.iTime = 1;
    k.hour = now.wHour;
    k.minute = now.wMinute;
    k.second = now.wSecond;

    bool clock = false;
    int repeat = 1, preview = 0;
    const char* sheetPath = nullptr;
    const char* out = nullptr;
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a[0] != '-' || a[1] != '-') {
            if (out)
                return Usage();
            out = a;
            continue;
        }
        if (!v)
            return Usage();
        i++;
        if (!strcmp(a, "--layout")) {
            if (!strcmp(v, "clock"))
                clock = true;
            else
                c.layout = atoi(v);
        } else if (!strcmp(a, "--date")) {
            if (!ParseDate(v, &c.day, &c.month, &c.year)) {
                fprintf(stderr, "layouttool: bad date %s\n", v);
                return 2;
            }
        } else if (!strcmp(a, "--time")) {
            if (sscanf(v, "%d:%d:%d", &k.hour, &k.minute, &k.second) != 3) {
                fprintf(stderr, "layouttool: bad time %s\n", v);
                return 2;
            }
        } else if (!strcmp(a, "--first-day")) {
            c.firstDayOfWeek = atoi(v);
        } else if (!strcmp(a, "--region")) {
            c.region = atoi(v);
        } else if (!strcmp(a, "--week")) {
            c.weekNumbers = atoi(v);
        } else if (!strcmp(a, "--weekdays")) {
            c.weekdayNames = atoi(v);
        } else if (!strcmp(a, "--form")) {
            c.dateForm = atoi(v);
        } else if (!strcmp(a, "--font-height")) {
            c.font.lfHeight = k.font.lfHeight = atoi(v);
        } else if (!strcmp(a, "--font")) {
            lstrcpynA(c.font.lfFaceName, v, LF_FACESIZE);
            lstrcpynA(k.font.lfFaceName, v, LF_FACESIZE);
        } else if (!strcmp(a, "--screen")) {
            if (sscanf(v, "%dx%d", &c.screenWidth, &c.screenHeight) != 2 || c.screenWidth <= 0 ||
                c.screenHeight <= 0) {
                fprintf(stderr, "layouttool: bad screen size %s\n", v);
                return 2;
            }
        } else if (!strcmp(a, "--seconds")) {
            k.seconds = atoi(v) != 0;
        } else if (!strcmp(a, "--effect")) {
            k.effect = atoi(v);
        } else if (!strcmp(a, "--colour")) {
            k.colour = (COLORREF)strtoul(v, nullptr, 0);
        } else if (!strcmp(a, "--repeat")) {
            repeat = atoi(v);
            if (repeat < 1 || repeat > 1000)
                return Usage();
        } else if (!strcmp(a, "--itime")) {
            k.iTime = atoi(v);
        } else if (!strcmp(a, "--sheet")) {
            sheetPath = v;
        } else if (!strcmp(a, "--preview")) {
            preview = atoi(v);
            if (preview < 1 || preview > 5)
                return Usage();
        } else {
            return Usage();
        }
    }
    if (!out)
        return Usage();
    if (c.firstDayOfWeek < 0 || c.firstDayOfWeek > 6 || c.region < 0 || c.region >= HOLIDAY_REGION_COUNT) {
        fprintf(stderr, "layouttool: first day 0..6, region 0..%d\n", HOLIDAY_REGION_COUNT - 1);
        return 2;
    }
    c.weekday = GetWeekday(c.day, c.month, c.year);

    // Layout 5's sheet: the file given, else the program's resource.
    static const BYTE kNothing = 0;
    std::vector<BYTE> sheet;
    if (sheetPath) {
        // A memory source takes at most 2 GB; no sheet comes near it.
        if (!ReadWholeFile(sheetPath, &sheet) || sheet.size() > 0x7FFFFFFF) {
            fprintf(stderr, "layouttool: cannot read %s\n", sheetPath);
            return 1;
        }
        c.sheet = sheet.empty() ? &kNothing : sheet.data();
        c.sheetSize = (int)sheet.size();
    } else if (c.layout == 5 || preview == 5) {
        std::string program = std::string(GetModuleDirectory()) + "vesko.exe";
        gInstance = (HINSTANCE)LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (!gInstance)
            fprintf(stderr, "layouttool: no %s for the sheet; layout 5 stays empty\n", program.c_str());
    }

    if (preview) {
        LayoutContext p;
        PreviewLayoutContext(preview, &p);
        p.sheet = c.sheet;
        p.sheetSize = c.sheetSize;
        std::vector<BYTE> small((size_t)LAYOUT_PREVIEW_WIDTH * LAYOUT_PREVIEW_HEIGHT * 3);
        if (!DrawLayoutPreview(&p, small.data()) ||
            !WriteRgbBmp(out, small.data(), LAYOUT_PREVIEW_WIDTH, LAYOUT_PREVIEW_HEIGHT)) {
            fprintf(stderr, "layouttool: preview %d could not be made\n", preview);
            return 1;
        }
        printf("width=%d height=%d\n", LAYOUT_PREVIEW_WIDTH, LAYOUT_PREVIEW_HEIGHT);
        return 0;
    }

    BYTE* pixels = nullptr;
    int width = 0, height = 0;
    LONG finalHeight = 0;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> ms;
    // Each build starts from the inputs, as the window's builds do.
    const LayoutContext layoutInputs = c;
    const ClockContext clockInputs = k;
    for (int run = 0; run < repeat; run++) {
        free(pixels);
        pixels = nullptr;
        c = layoutInputs;
        k = clockInputs;
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        bool built;
        if (clock) {
            k.screenWidth = c.screenWidth;
            built = BuildClockPicture(&k, &pixels, &width, &height);
            finalHeight = k.font.lfHeight;
        } else {
            built = BuildLayoutPicture(&c, &pixels, &width, &height);
            finalHeight = c.font.lfHeight;
        }
        QueryPerformanceCounter(&t1);
        if (!built) {
            fprintf(stderr, "layouttool: the %s could not be drawn\n", clock ? "clock" : "layout");
            return 1;
        }
        ms.push_back((double)(t1.QuadPart - t0.QuadPart) * 1000.0 / (double)frequency.QuadPart);
    }
    bool written = WriteRgbBmp(out, pixels, width, height);
    free(pixels);
    if (!written) {
        fprintf(stderr, "layouttool: cannot write %s\n", out);
        return 1;
    }
    printf("width=%d height=%d font=%ld\n", width, height, (long)finalHeight);
    if (repeat > 1) {
        std::sort(ms.begin(), ms.end());
        printf("median_ms=%.2f\n", ms[ms.size() / 2]);
    }
    return 0;
}
