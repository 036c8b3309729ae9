// Layout 5, the picture sheet: its sizes, the committed sheets under the
// text, the day number's colour and place, the info line, the fitting with
// the real fonts, bad sheets, and the program's sheets and layout previews.
// The sheets come from bin/vesko.exe loaded as a data file, as the program
// reads its own resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "common/dates/dates.h"
#include "desktop/grid.h"
#include "desktop/layouts.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

const int kWidths[4] = {150, 250, 350, 484};

struct Picture {
    std::vector<BYTE> pixels;
    int width = 0, height = 0;
    bool ok = false;
};

struct Rgb {
    int r, g, b;
};

Rgb At(const Picture& p, int x, int y)
{
    const BYTE* q = &p.pixels[((size_t)y * p.width + x) * 3];
    return {q[0], q[1], q[2]};
}

Rgb At(const vt::Pnm& p, int x, int y)
{
    const uint8_t* q = &p.pixels[((size_t)y * p.width + x) * 3];
    return {q[0], q[1], q[2]};
}

bool Same(Rgb a, Rgb b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

int FormOf(int width)
{
    for (int i = 0; i < 4; i++)
        if (kWidths[i] == width)
            return i;
    return 0;
}

// The previews' inputs (default settings) for another date, region, form and
// lines.
LayoutContext Context(int form, int year, int month, int day, int region = 2, int week = 1, int weekdays = 1)
{
    LayoutContext c;
    PreviewLayoutContext(5, &c);
    c.weekNumbers = week;
    c.weekdayNames = weekdays;
    c.dateForm = form;
    c.region = region;
    c.day = day;
    c.month = month;
    c.year = year;
    c.weekday = GetWeekday(day, month, year);
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
    return p;
}

// The committed sheet as netpbm decodes it (fixtures.sh).
vt::Pnm Sheet(int width)
{
    vt::Pnm sheet;
    EXPECT_TRUE(vt::ReadPnm(vt::FixturePath("kalender04_" + std::to_string(width) + ".ppm"), &sheet)) << width;
    return sheet;
}

// Text measured as the sheet measures it.
struct Size {
    int width = 0, height = 0;
};

Size MeasureLine(const char* text, const LOGFONTA& font)
{
    RECT box = {0, 0, 100, 100};
    uint32_t w = 0, h = 0;
    is5_GetTextLineSize2(text, &font, &box, DT_CENTER | DT_SINGLELINE, 0, &w, &h);
    return {(int)w, (int)h};
}

// Runs a program of the build and returns its exit code and what it printed.
int RunTool(const std::string& args, std::string* output)
{
    std::string tool = vt::WindowsPath(vt::BuildPath("bin/layouttool.exe"));
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &sa, 0))
        return -1;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = write;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string line = "\"" + tool + "\" " + args;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    PROCESS_INFORMATION pi{};
    bool started = CreateProcessA(tool.c_str(), buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(write);
    DWORD code = (DWORD)-1;
    if (started) {
        // Reads while the tool runs; a blocking read could outlive it.
        for (bool running = true; running;) {
            running = WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT;
            DWORD available = 0;
            while (PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
                char chunk[256];
                DWORD n = 0;
                if (!ReadFile(read, chunk, std::min<DWORD>(available, sizeof(chunk)), &n, nullptr) || n == 0)
                    break;
                output->append(chunk, n);
                available -= n;
            }
        }
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(read);
    return started ? (int)code : -1;
}

// A picture file as the library reads it.
bool ReadPicture(const std::string& path, Picture* p)
{
    HISSRC source = is5_OpenFileSource(path.c_str());
    if (!source)
        return false;
    uint32_t w = 0, h = 0;
    BYTE* pixels = (BYTE*)is5_ReadImage(source, &w, &h, 0, 0);
    is5_CloseSource(source);
    if (!pixels)
        return false;
    p->width = (int)w;
    p->height = (int)h;
    p->pixels.assign(pixels, pixels + (size_t)w * h * 3);
    GlobalFree(pixels);
    p->ok = true;
    return true;
}

class PictureSheet : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        module_ = LoadLibraryExA(vt::BuildPath("bin/vesko.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        gInstance = (HINSTANCE)module_;
    }
    static void TearDownTestSuite()
    {
        gInstance = nullptr;
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << "bin/vesko.exe"; }

    static HMODULE module_;
};

HMODULE PictureSheet::module_ = nullptr;

// Text may reach 16 pixels past the box on either side and starts below the
// month line's top: elsewhere the picture is the sheet itself.
TEST_F(PictureSheet, SizesByTheFormAndTheSheetShowsAroundTheText)
{
    struct Case {
        int form, width, height;
    } cases[] = {{0, 150, 179}, {1, 250, 299}, {2, 350, 419}, {3, 484, 580}, {9, 150, 179}};
    for (const Case& c : cases) {
        vt::Pnm sheet = Sheet(c.width);
        ASSERT_EQ(sheet.width, c.width);
        ASSERT_EQ(sheet.height, c.height);
        SheetGeometry g;
        ASSERT_TRUE(PictureSheetGeometry(c.width, &g));
        for (int day : {10, 24, 27}) {
            Picture p = Build(Context(c.form, 2026, 12, day));
            ASSERT_TRUE(p.ok) << c.form;
            ASSERT_EQ(p.width, c.width) << c.form;
            ASSERT_EQ(p.height, c.height) << c.form;
            EXPECT_TRUE(Same(At(p, 0, 0), {0, 0, 0}));
            int outside = 0, differing = 0, ink = 0;
            for (int y = 0; y < p.height; y++)
                for (int x = 0; x < p.width; x++) {
                    bool same = Same(At(p, x, y), At(sheet, x, y));
                    if (x < g.boxX - 16 || x >= g.boxX + g.boxWidth + 16 || y < g.monthY - 2) {
                        outside++;
                        differing += !same;
                    } else {
                        ink += !same;
                    }
                }
            EXPECT_GT(outside, 1000);
            EXPECT_EQ(differing, 0) << "form " << c.form << " day " << day;
            EXPECT_GT(ink, 1000) << "form " << c.form << " day " << day;
        }
        std::string out = vt::BuildPath("picture_sheet_size_" + std::to_string(c.form) + ".bmp");
        std::string printed;
        EXPECT_EQ(RunTool("--layout 5 --form " + std::to_string(c.form) + " --date 2026-12-10 \"" + out + "\"",
                          &printed),
                  0);
        char expected[64];
        snprintf(expected, sizeof(expected), "width=%d height=%d", c.width, c.height);
        EXPECT_NE(printed.find(expected), std::string::npos) << printed;
        DeleteFileA(out.c_str());
    }
}

// The artwork's rules, on each committed sheet.
TEST_F(PictureSheet, SheetsAreLightPaperOnABlackKeyWithAVisibleGreyShadow)
{
    for (int width : kWidths) {
        vt::Pnm sheet = Sheet(width);
        ASSERT_EQ(sheet.channels, 3);
        int w, h;
        PictureSheetSize(FormOf(width), &w, &h);
        ASSERT_EQ(sheet.width, w);
        ASSERT_EQ(sheet.height, h);
        SheetGeometry g;
        ASSERT_TRUE(PictureSheetGeometry(width, &g));
        EXPECT_TRUE(Same(At(sheet, 0, 0), {0, 0, 0}));

        // Light, neutral paper wherever text can go: the lines may grow 5
        // pixels past the box on each side, and the info line down to the
        // paper's bottom edge, which the sheet's bottom rows leave for the pad.
        int paperBottom = g.infoY + (h - g.infoY) * 2 / 3;
        int notPaper = 0;
        for (int y = g.monthY - 2; y < paperBottom; y++)
            for (int x = g.boxX - 5; x < g.boxX + g.boxWidth + 5; x++) {
                Rgb c = At(sheet, x, y);
                int hi = std::max(c.r, std::max(c.g, c.b)), lo = std::min(c.r, std::min(c.g, c.b));
                notPaper += hi - lo > 24 || lo < 200;
            }
        EXPECT_EQ(notPaper, 0) << width;

        // Black is the key: outside the outline only, so every black pixel
        // reaches the picture's edge through black pixels (no holes).
        std::vector<char> reached((size_t)w * h, 0);
        std::vector<int> stack;
        auto push = [&](int x, int y) {
            if (x < 0 || y < 0 || x >= w || y >= h || reached[(size_t)y * w + x] || !Same(At(sheet, x, y), {0, 0, 0}))
                return;
            reached[(size_t)y * w + x] = 1;
            stack.push_back(y * w + x);
        };
        for (int x = 0; x < w; x++) {
            push(x, 0);
            push(x, h - 1);
        }
        for (int y = 0; y < h; y++) {
            push(0, y);
            push(w - 1, y);
        }
        while (!stack.empty()) {
            int at = stack.back();
            stack.pop_back();
            int x = at % w, y = at / w;
            push(x + 1, y);
            push(x - 1, y);
            push(x, y + 1);
            push(x, y - 1);
        }
        int black = 0, enclosedBlack = 0, grey = 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                Rgb c = At(sheet, x, y);
                if (Same(c, {0, 0, 0})) {
                    black++;
                    enclosedBlack += !reached[(size_t)y * w + x];
                }
                grey += Same(c, {128, 128, 128});
            }
        EXPECT_GT(black, w + h) << width;
        EXPECT_EQ(enclosedBlack, 0) << width;
        EXPECT_GT(grey, w / 2) << width;
    }
}

// The committed files are plain 8-bit RGB PNGs: IHDR, IDAT and IEND only.
TEST_F(PictureSheet, SheetFilesCarryNoAlphaGammaOrColourProfile)
{
    for (int width : kWidths) {
        std::vector<uint8_t> b;
        std::string path = vt::HostPath(std::string(VESKO_SOURCE_DIR) + "/calendar/desktop/res/kalender04_" +
                                        std::to_string(width) + ".png");
        ASSERT_TRUE(vt::ReadFileBytes(path, &b)) << path;
        ASSERT_GT(b.size(), 33u);
        EXPECT_EQ(memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8), 0);
        EXPECT_EQ(b[24], 8) << "bit depth";
        EXPECT_EQ(b[25], 2) << "colour type RGB";
        std::vector<std::string> chunks;
        for (size_t at = 8; at + 8 <= b.size();) {
            uint32_t length = (uint32_t)b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
            std::string kind(b.begin() + at + 4, b.begin() + at + 8);
            if (chunks.empty() || chunks.back() != kind)
                chunks.push_back(kind);
            at += 12 + (size_t)length;
        }
        EXPECT_EQ(chunks, (std::vector<std::string>{"IHDR", "IDAT", "IEND"})) << width;
    }
}

struct InkBox {
    int red = 0, ink = 0;
    int x0 = 100000, y0 = 100000, x1 = -1, y1 = -1;   // of the red pixels
    int lowestInkRow = -1;
};

InkBox InkOf(const Picture& p, const vt::Pnm& sheet)
{
    InkBox box;
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < p.width; x++) {
            Rgb c = At(p, x, y);
            if (Same(c, At(sheet, x, y)))
                continue;
            box.ink++;
            box.lowestInkRow = y;
            if (c.r - c.g > 100) {
                box.red++;
                box.x0 = std::min(box.x0, x);
                box.x1 = std::max(box.x1, x);
                box.y0 = std::min(box.y0, y);
                box.y1 = std::max(box.y1, y);
            }
        }
    return box;
}

TEST_F(PictureSheet, DayNumberIsRedOnSundaysAndHolidaysAndCentredInItsBox)
{
    vt::Pnm sheet = Sheet(250);
    SheetGeometry g;
    ASSERT_TRUE(PictureSheetGeometry(250, &g));
    struct Case {
        int day, region;
        bool red;
    } cases[] = {
        {27, 2, true},    // Sunday
        {25, 2, true},    // Christmas in region 2
        {26, 2, true},    // Saturday and holiday
        {10, 2, false},
        {25, 0, false},   // no region: a Friday like any other
        {24, 2, false},   // Christmas Eve is no public holiday
    };
    for (const Case& c : cases) {
        Picture p = Build(Context(1, 2026, 12, c.day, c.region));
        ASSERT_TRUE(p.ok);
        InkBox ink = InkOf(p, sheet);
        EXPECT_GT(ink.ink, 1000) << c.day;
        if (!c.red) {
            EXPECT_EQ(ink.red, 0) << c.day << " region " << c.region;
            continue;
        }
        EXPECT_GE(ink.red, 200) << c.day << " region " << c.region;
        int centre = (ink.x0 + ink.x1 + 1) / 2;
        EXPECT_LE(abs(centre - (g.boxX + g.boxWidth / 2)), g.boxWidth / 20) << c.day;
        EXPECT_GE(ink.y0, g.dayY) << c.day;
        EXPECT_LT(ink.y1, g.dayY + g.boxHeight) << c.day;
    }
}

TEST_F(PictureSheet, WithoutWeekNumbersOrHolidayNothingIsDrawnFromTheInfoLineDown)
{
    for (int width : kWidths) {
        vt::Pnm sheet = Sheet(width);
        SheetGeometry g;
        ASSERT_TRUE(PictureSheetGeometry(width, &g));
        Picture empty = Build(Context(FormOf(width), 2026, 12, 10, 2, 0, 1));
        ASSERT_TRUE(empty.ok);
        InkBox none = InkOf(empty, sheet);
        EXPECT_LT(none.lowestInkRow, g.infoY) << width;
        Picture week = Build(Context(FormOf(width), 2026, 12, 10, 2, 1, 1));
        ASSERT_TRUE(week.ok);
        EXPECT_GE(InkOf(week, sheet).lowestInkRow, g.infoY) << width;
    }
    // The user texts reach the line through their one-int guard.
    SheetTexts t;
    LayoutContext c = Context(2, 2026, 12, 10, 0);
    ASSERT_TRUE(FitSheetTexts(&c, 350, &t));
    EXPECT_STREQ(t.info, " 50. Kalenderwoche  \xB7  344. Tag im Jahr ");
}

TEST_F(PictureSheet, FittingWithTheRealFontsFillsTheBoxes)
{
    for (int width : kWidths) {
        SheetGeometry g;
        ASSERT_TRUE(PictureSheetGeometry(width, &g));
        for (int day = 1; day <= 31; day++) {
            LayoutContext c = Context(FormOf(width), 2026, 12, day);
            SheetTexts t;
            ASSERT_TRUE(FitSheetTexts(&c, width, &t));
            SCOPED_TRACE("width " + std::to_string(width) + " day " + std::to_string(day));

            // The day number fits its box; a unit larger it does not.
            Size fitted = MeasureLine(t.day, t.dayFont);
            EXPECT_LE(fitted.width, g.boxWidth);
            EXPECT_LE(fitted.height, g.boxHeight);
            LOGFONTA larger = t.dayFont;
            larger.lfHeight -= 1;
            Size big = MeasureLine(t.day, larger);
            EXPECT_TRUE(big.width > g.boxWidth || big.height > g.boxHeight);

            // The lines keep within the box and the 5 pixels beside it.
            char sample[64];
            snprintf(sample, sizeof(sample), "Dezember  %d ", c.year);
            EXPECT_LE(MeasureLine(sample, t.lineFont).width, g.boxWidth + 10);
            EXPECT_LE(MeasureLine(t.month, t.lineFont).width, g.boxWidth + 10);
            EXPECT_LE(MeasureLine(t.weekday, t.lineFont).width, g.boxWidth + 10);
            ASSERT_NE(t.info[0], 0);
            EXPECT_LE(MeasureLine(t.info, t.infoFont).width, g.boxWidth);
            // One height carried on from line to line: it only shrinks, and
            // where it shrank, a unit larger a line was too wide.
            EXPECT_GE(t.lineFont.lfHeight, t.dayFont.lfHeight);
            EXPECT_GE(t.infoFont.lfHeight, t.lineFont.lfHeight);
            if (t.lineFont.lfHeight > t.dayFont.lfHeight) {
                larger = t.lineFont;
                larger.lfHeight -= 1;
                char weekdaySample[64];
                snprintf(weekdaySample, sizeof(weekdaySample), "%s ", t.weekday);
                EXPECT_TRUE(MeasureLine(sample, larger).width > g.boxWidth + 10 ||
                            MeasureLine(weekdaySample, larger).width > g.boxWidth + 10);
            }
            if (t.infoFont.lfHeight > t.lineFont.lfHeight) {
                larger = t.infoFont;
                larger.lfHeight -= 1;
                EXPECT_GT(MeasureLine(t.info, larger).width, g.boxWidth);
            }
        }
    }
}

// Bad sheets leave the key: an all-black picture of the layout's size.
TEST_F(PictureSheet, BadSheetsLeaveTheBufferBlack)
{
    std::vector<uint8_t> wrongSize;
    ASSERT_TRUE(vt::ReadFileBytes(
        vt::HostPath(std::string(VESKO_SOURCE_DIR) + "/calendar/desktop/res/kalender04_150.png"), &wrongSize));
    struct Bad {
        const char* what;
        std::string path;
    } bad[] = {
        {"empty", vt::FixturePath("sheet_empty.png")},
        {"100 x 100 PNG", vt::FixturePath("sheet_100x100.png")},
        {"PNG cut in half", vt::FixturePath("sheet_cut.png")},
        {"text file", vt::FixturePath("sheet_text.png")},
    };
    static const BYTE kNothing = 0;
    for (const Bad& b : bad) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(vt::ReadFileBytes(b.path, &bytes)) << b.what;
        for (int form = 0; form < 4; form++) {
            LayoutContext c = Context(form, 2026, 12, 25);
            c.sheet = bytes.empty() ? &kNothing : bytes.data();
            c.sheetSize = (int)bytes.size();
            Picture p = Build(c);
            ASSERT_TRUE(p.ok) << b.what;
            EXPECT_EQ(p.width, kWidths[form]) << b.what;
            size_t lit = 0;
            for (BYTE v : p.pixels)
                lit += v != 0;
            EXPECT_EQ(lit, 0u) << b.what << " form " << form;
        }
        std::string out = vt::BuildPath("picture_sheet_bad.bmp");
        std::string printed;
        EXPECT_EQ(RunTool("--layout 5 --form 1 --sheet \"" + b.path + "\" \"" + out + "\"", &printed), 0)
            << b.what << ": " << printed;
        Picture drawn;
        ASSERT_TRUE(ReadPicture(out, &drawn)) << b.what;
        EXPECT_EQ(drawn.width, 250);
        EXPECT_EQ(drawn.height, 299);
        size_t lit = 0;
        for (BYTE v : drawn.pixels)
            lit += v != 0;
        EXPECT_EQ(lit, 0u) << b.what;
        DeleteFileA(out.c_str());
    }
    // A good sheet of another size is no sheet for this one.
    LayoutContext c = Context(1, 2026, 12, 25);
    c.sheet = wrongSize.data();
    c.sheetSize = (int)wrongSize.size();
    Picture p = Build(c);
    ASSERT_TRUE(p.ok);
    size_t lit = 0;
    for (BYTE v : p.pixels)
        lit += v != 0;
    EXPECT_EQ(lit, 0u);
}

TEST_F(PictureSheet, ProgramCarriesTheFourSheetsAndTheFiveLayoutPreviews)
{
    for (int width : kWidths) {
        char name[32];
        snprintf(name, sizeof(name), "KALENDER04_%d", width);
        HRSRC found = FindResourceA(module_, name, "BITMAPP");
        ASSERT_NE(found, nullptr) << name;
        DWORD size = SizeofResource(module_, found);
        const uint8_t* b = (const uint8_t*)LockResource(LoadResource(module_, found));
        ASSERT_TRUE(b && size > 33) << name;
        EXPECT_EQ(memcmp(b, "\x89PNG\r\n\x1a\n", 8), 0) << name;
        EXPECT_EQ(memcmp(b + 12, "IHDR", 4), 0) << name;
        int w, h;
        PictureSheetSize(FormOf(width), &w, &h);
        EXPECT_EQ((uint32_t)b[16] << 24 | b[17] << 16 | b[18] << 8 | b[19], (uint32_t)w) << name;
        EXPECT_EQ((uint32_t)b[20] << 24 | b[21] << 16 | b[22] << 8 | b[23], (uint32_t)h) << name;
    }

    std::vector<std::vector<uint8_t>> previews;
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    for (int layout = 1; layout <= 5; layout++) {
        char name[16];
        snprintf(name, sizeof(name), "KLAYOUT%02d", layout);
        HBITMAP bitmap = is5_LoadResourceBitmap(module_, name, nullptr);
        ASSERT_NE(bitmap, nullptr) << name;
        BITMAP info{};
        ASSERT_EQ(GetObjectA(bitmap, sizeof(info), &info), (int)sizeof(info));
        EXPECT_EQ(info.bmWidth, LAYOUT_PREVIEW_WIDTH) << name;
        EXPECT_EQ(abs(info.bmHeight), LAYOUT_PREVIEW_HEIGHT) << name;
        std::vector<uint8_t> shown((size_t)LAYOUT_PREVIEW_WIDTH * LAYOUT_PREVIEW_HEIGHT * 3);
        EXPECT_TRUE(is5_HBITMAPToRGB(bitmap, dc, nullptr, shown.data())) << name;
        DeleteObject(bitmap);

        LayoutContext c;
        PreviewLayoutContext(layout, &c);
        std::vector<uint8_t> drawn(shown.size());
        ASSERT_TRUE(DrawLayoutPreview(&c, drawn.data())) << name;
        int differing = 0;
        for (size_t i = 0; i < drawn.size(); i++)
            differing += drawn[i] != shown[i];
        EXPECT_EQ(differing, 0) << name;
        for (size_t other = 0; other < previews.size(); other++)
            EXPECT_NE(previews[other], shown) << name << " and KLAYOUT0" << other + 1;
        previews.push_back(shown);
    }
    DeleteDC(dc);
}

}  // namespace
