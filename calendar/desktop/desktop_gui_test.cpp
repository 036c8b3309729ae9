// The test build of the program with its desktop calendar and clock, as a
// person sees them: screenshots of the X display, drags by window messages.
// They run on the private Xvfb of the GUI tests (default extensions, no
// window manager, no Wine virtual desktop: the work area is the whole screen)
// under the German locale, over a wallpaper of their own, and need xwd
// (x11-apps) for the screenshots and the calendar's X window.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/app.h"
#include "common/dates/dates.h"
#include "imaging/is5.h"
#include "desktop/layouts.h"
#include "settings/settings.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"
#include "text/text.h"

namespace {

using vt::WindowsPath;
using vt::WaitFor;

struct Rgb {
    int r, g, b;
};

// The test's wallpaper: a different colour at nearly every place, so a pixel
// shown from it could only have come from its own place.
Rgb WallpaperAt(int x, int y)
{
    return {(x * 3) & 255, (y * 5) & 255, (x + 2 * y) & 255};
}

// A 24-bit bottom-up BMP of the pattern at the screen's size.
bool WriteWallpaper(const std::string& path, int width, int height)
{
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + (DWORD)stride * height;
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::vector<uint8_t> bytes((const uint8_t*)&file, (const uint8_t*)&file + sizeof(file));
    bytes.insert(bytes.end(), (const uint8_t*)&info, (const uint8_t*)&info + sizeof(info));
    for (int y = height - 1; y >= 0; y--) {
        for (int x = 0; x < width; x++) {
            Rgb c = WallpaperAt(x, y);
            bytes.insert(bytes.end(), {(uint8_t)c.b, (uint8_t)c.g, (uint8_t)c.r});
        }
        bytes.resize(bytes.size() + stride - width * 3);
    }
    return vt::WriteFileBytes(path, bytes);
}

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        exe_ = WindowsPath(vt::BuildPath("bin/vesko_test.exe"));
        ASSERT_NE(GetFileAttributesA(exe_.c_str()), INVALID_FILE_ATTRIBUTES) << "no test build of the program";
        dump_ = WindowsPath(vt::BuildPath("desktop_dump_" + std::to_string(GetCurrentProcessId())));
        wallpaper_ = dump_ + "_wallpaper.bmp";
        ASSERT_TRUE(WriteWallpaper(wallpaper_, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
        ASSERT_TRUE(SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, (void*)wallpaper_.c_str(), SPIF_UPDATEINIFILE));
        callLog_ = dump_ + "_calls.txt";
        DeleteFileA(callLog_.c_str());
        CreateDirectoryA(dump_.c_str(), nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_KEY);
        SetDword("AutoStart", 0);
        SetDword("HGwechsel", 99);   // plain desktop
    }

    void TearDown() override
    {
        if (running_) {
            Stop();
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_KEY);
        std::string pattern = dump_ + "\\*";
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(pattern.c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((dump_ + "\\" + found.cFileName).c_str());
            while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(dump_.c_str());
        DeleteFileA(callLog_.c_str());
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, (void*)"", SPIF_UPDATEINIFILE);
        DeleteFileA(wallpaper_.c_str());
    }

    void SetDword(const char* name, DWORD value) { vt::SetDword(HKEY_CURRENT_USER, SETTINGS_KEY, name, value); }

    void SetText(const char* name, const char* value)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1);
        RegCloseKey(key);
    }

    // Every value of the settings key, name and data.
    std::map<std::string, std::vector<BYTE>> AllValues()
    {
        std::map<std::string, std::vector<BYTE>> values;
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return values;
        for (DWORD i = 0;; i++) {
            char name[256];
            BYTE data[4096];
            DWORD nameSize = sizeof(name), dataSize = sizeof(data), type = 0;
            if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
                break;
            values[name].assign(data, data + dataSize);
        }
        RegCloseKey(key);
        return values;
    }

    std::string GetText(const char* name)
    {
        char value[256] = "";
        DWORD size = sizeof(value);
        if (RegGetValueA(HKEY_CURRENT_USER, SETTINGS_KEY, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
            return "(none)";
        return value;
    }

    void Start(double timeScale = 0.2)
    {
        SetEnvironmentVariableA("VESKO_TEST_CLOCK", "2026-12-10 10:00:00");
        SetEnvironmentVariableA("VESKO_TEST_TIMESCALE", std::to_string(timeScale).c_str());
        SetEnvironmentVariableA("VESKO_TEST_DUMP", dump_.c_str());
        SetEnvironmentVariableA("VESKO_TEST_CALLLOG", callLog_.c_str());
        std::string line = "\"" + exe_ + "\"";
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back(0);
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        ASSERT_TRUE(CreateProcessA(exe_.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_));
        running_ = true;
    }

    void Stop()
    {
        std::string line = "\"" + exe_ + "\" EXIT";
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back(0);
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION exitPi{};
        if (CreateProcessA(exe_.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &exitPi)) {
            WaitForSingleObject(exitPi.hProcess, 10000);
            CloseHandle(exitPi.hProcess);
            CloseHandle(exitPi.hThread);
        }
        if (WaitForSingleObject(pi_.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(pi_.hProcess, 99);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
        running_ = false;
    }

    // The window of a class once it shows a picture.
    HWND WaitForShown(const char* className, DWORD ms)
    {
        HWND window = nullptr;
        WaitFor(
            [&] {
                window = FindWindowA(className, nullptr);
                RECT r;
                return window && IsWindowVisible(window) && GetWindowRect(window, &r) && r.right > r.left;
            },
            ms);
        return window;
    }

    // Waits until the main dialog's first tick has run: until then the
    // user-interface thread may be busy for seconds.
    bool WaitForFirstTick()
    {
        return WaitFor(
            [&] {
                std::vector<uint8_t> bytes;
                vt::ReadFileBytes(callLog_, &bytes);
                return std::string(bytes.begin(), bytes.end()).find("CheckAlarmsDue") != std::string::npos;
            },
            20000);
    }

    std::string exe_, dump_, callLog_, wallpaper_;
    PROCESS_INFORMATION pi_{};
    bool running_ = false;
};

Rgb ScreenAt(const vt::Pnm& shot, int x, int y)
{
    const uint8_t* p = &shot.pixels[((size_t)y * shot.width + x) * 3];
    return {p[0], p[1], p[2]};
}

bool Same(Rgb a, Rgb b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

// A window's own pixels as the X server holds them, 0xAARRGGBB.
struct XWindowImage {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

uint32_t BigEndian32(const std::vector<uint8_t>& b, size_t at)
{
    return (uint32_t)b[at] << 24 | (uint32_t)b[at + 1] << 16 | (uint32_t)b[at + 2] << 8 | b[at + 3];
}

// Wine's X window of a top-level window, saved by xwd and read back; only
// 32-bit windows (Wine gives layered windows an ARGB visual) are accepted.
// Returns what went wrong, or an empty text.
std::string ReadXWindowOnce(HWND window, const std::string& path, XWindowImage* image, bool* again)
{
    *again = false;
    HANDLE id = GetPropA(window, "__wine_x11_whole_window");
    if (!id)
        return "the window has no X window";
    char hex[32];
    snprintf(hex, sizeof(hex), "0x%lx", (unsigned long)(uintptr_t)id);
    std::string hostOut = path.rfind("Z:", 0) == 0 ? path.substr(2) : path;
    std::string tool = std::string(VESKO_SOURCE_DIR) + "/tools/window-shot";
    DeleteFileA(path.c_str());
    DeleteFileA((path + ".failed").c_str());
    if (vt::RunHost("/bin/bash", {tool, hex, hostOut}) != 0)
        return "window-shot did not start";
    // Wine does not wait for a Unix child: wait for the file or its failure.
    std::vector<uint8_t> b;
    for (int i = 0; i < 600; i++, Sleep(50)) {
        std::vector<uint8_t> failure;
        if (vt::ReadFileBytes(path + ".failed", &failure)) {
            *again = true;
            return "xwd failed on X window " + std::string(hex) + ": " + std::string(failure.begin(), failure.end());
        }
        if (!vt::ReadFileBytes(path, &b) || b.size() < 100)
            continue;
        uint32_t headerSize = BigEndian32(b, 0), depth = BigEndian32(b, 12), width = BigEndian32(b, 16),
                 height = BigEndian32(b, 20), byteOrder = BigEndian32(b, 28), bitsPerPixel = BigEndian32(b, 44),
                 bytesPerLine = BigEndian32(b, 48), colours = BigEndian32(b, 76);
        if (depth != 32 || bitsPerPixel != 32 || byteOrder != 0 || width > 4096 || height > 4096 ||
            bytesPerLine < width * 4 || headerSize < 100 || colours > 4096) {
            *again = true;
            return "X window " + std::string(hex) + " of depth " + std::to_string(depth) + ", " +
                   std::to_string(bitsPerPixel) + " bits a pixel";
        }
        size_t start = (size_t)headerSize + (size_t)colours * 12;
        if (b.size() < start + (size_t)bytesPerLine * height)
            return "xwd wrote a short image of X window " + std::string(hex);
        image->width = (int)width;
        image->height = (int)height;
        image->pixels.resize((size_t)width * height);
        for (uint32_t y = 0; y < height; y++)
            for (uint32_t x = 0; x < width; x++) {
                const uint8_t* q = &b[start + (size_t)y * bytesPerLine + (size_t)x * 4];
                image->pixels[(size_t)y * width + x] =
                    (uint32_t)q[3] << 24 | (uint32_t)q[2] << 16 | (uint32_t)q[1] << 8 | q[0];
            }
        return "";
    }
    return "no image of X window " + std::string(hex) + " from xwd in 30 s";
}

// Wine first maps a new window with the default 24-bit visual and only
// recreates it with the ARGB visual once the layered contents arrive, so on a
// busy machine the X window found can still be the old one, or be gone
// between our asking for its id and xwd reading it.
std::string ReadXWindow(HWND window, const std::string& path, XWindowImage* image)
{
    std::string error;
    bool again = false;
    for (int attempt = 0; attempt < 40; attempt++) {
        error = ReadXWindowOnce(window, path, image, &again);
        if (!again)
            return error;
        Sleep(250);
    }
    return error;
}

// The calendar as the program builds it for fresh settings with the layout,
// font height and region (2 unless given) on 2026-12-10, its weeks starting on
// the regional first weekday (Monday under the German locale the tests run in).
bool ReferenceCalendar(int layout, LONG fontHeight, std::vector<BYTE>* pixels, int* width, int* height,
                       int region = 2)
{
    LoadDayMonthNames();
    LayoutContext c{};
    c.layout = layout;
    c.font.lfHeight = fontHeight;
    c.font.lfWeight = 600;
    c.font.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynA(c.font.lfFaceName, "Arial", LF_FACESIZE);
    c.dateForm = 1;
    c.region = region;
    char text[16] = "0";
    DWORD size = sizeof(text);
    RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\International", "iFirstDayOfWeek", RRF_RT_REG_SZ, nullptr, text,
                 &size);
    c.firstDayOfWeek = atoi(text);
    if (c.firstDayOfWeek < 0 || c.firstDayOfWeek > 6)
        c.firstDayOfWeek = 0;
    c.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    c.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    c.day = 10;
    c.month = 12;
    c.year = 2026;
    c.weekday = GetWeekday(10, 12, 2026);
    memcpy(c.monthNames, gMonthNames, sizeof(c.monthNames));
    memcpy(c.dayNames, gDayNames, sizeof(c.dayNames));
    BYTE* buffer = nullptr;
    if (!BuildLayoutPicture(&c, &buffer, width, height))
        return false;
    pixels->assign(buffer, buffer + (size_t)*width * *height * 3);
    free(buffer);
    return true;
}

// The calendar window of a layout on the screen as Windows shows it: placed
// centred above the work area's bottom, its pixels as built, its key pixels
// showing the wallpaper beneath.
void ExpectCalendarAsBuilt(HWND calendar, int layout, LONG fontHeight, const std::string& shotName, vt::Pnm* shot,
                           std::vector<BYTE>* picture, RECT* r)
{
    int width = 0, height = 0;
    ASSERT_TRUE(ReferenceCalendar(layout, fontHeight, picture, &width, &height));
    RECT work;
    GetWindowRect(calendar, r);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(r->right - r->left, width);
    EXPECT_EQ(r->bottom - r->top, height);
    EXPECT_EQ(r->bottom, work.bottom - 10);
    EXPECT_EQ(r->left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);

    ASSERT_TRUE(vt::TakeScreenshot(vt::BuildPath("screenshots/" + shotName), shot));
    ASSERT_EQ(shot->channels, 3);
    ASSERT_TRUE(r->left >= 0 && r->top >= 0 && r->left + width <= shot->width && r->top + height <= shot->height);
    int differing = 0, keys = 0, wallpaperShown = 0, opaque = 0, yellow = 0, red = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const BYTE* p = &(*picture)[((size_t)y * width + x) * 3];
            Rgb want = {p[0], p[1], p[2]};
            Rgb got = ScreenAt(*shot, r->left + x, r->top + y);
            if (Same(want, {128, 128, 128})) {
                keys++;
                wallpaperShown += Same(got, WallpaperAt(r->left + x, r->top + y));
                continue;
            }
            opaque++;
            differing += !Same(want, got);
            yellow += Same(got, {255, 255, 32});
            red += got.r >= 247 && got.g <= 8 && got.b <= 8;
        }
    EXPECT_GT(opaque, 1000);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(keys, 1000);
    EXPECT_EQ(wallpaperShown, keys);
    EXPECT_GT(yellow, 100);
    EXPECT_GT(red, 100);
}

TEST_F(Desktop, CalendarAndClockShowOnTheDesktopAsBuilt)
{
    SetDword("KalenderLayout", 2);
    SetDword("Feiertage", 2);
    SetText("UhrXY", "20, 20, 1, 1");
    Start();
    HWND calendar = WaitForShown("Raridavezazezud", 20000);
    ASSERT_NE(calendar, nullptr);
    HWND clock = WaitForShown("Desktopuhr", 20000);
    ASSERT_NE(clock, nullptr);
    Sleep(500);

    vt::Pnm shot;
    std::vector<BYTE> picture;
    RECT r;
    ExpectCalendarAsBuilt(calendar, 2, -64, "desktop_layout2.png", &shot, &picture, &r);
    if (HasFatalFailure())
        return;
    const int width = r.right - r.left, height = r.bottom - r.top;

    // What the screenshot is composed from: Wine gives the layered window a
    // 32-bit ARGB X window whose key pixels are fully transparent and whose
    // other pixels are opaque and as built. Xvfb (21.1) shows such windows
    // without their alpha, the key black, which is why tools/screenshot
    // blends them over the desktop itself.
    XWindowImage own;
    ASSERT_EQ(ReadXWindow(calendar, vt::BuildPath("screenshots/desktop_calendar_window.xwd"), &own), "");
    ASSERT_EQ(own.width, width);
    ASSERT_EQ(own.height, height);
    int transparentKeys = 0, keys = 0, asBuilt = 0, opaque = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const BYTE* p = &picture[((size_t)y * width + x) * 3];
            uint32_t got = own.pixels[(size_t)y * width + x];
            if (p[0] == 128 && p[1] == 128 && p[2] == 128) {
                keys++;
                transparentKeys += (got >> 24) == 0;
            } else {
                opaque++;
                asBuilt += got == (0xFF000000u | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2]);
            }
        }
    EXPECT_GT(keys, 1000);
    EXPECT_EQ(transparentKeys, keys);
    EXPECT_EQ(asBuilt, opaque);

    // The clock at its stored place, with seconds, in its default colour.
    RECT c;
    GetWindowRect(clock, &c);
    EXPECT_EQ(c.left, 20);
    EXPECT_EQ(c.top, 20);
    auto clockPixels = [&](const vt::Pnm& s) {
        std::vector<Rgb> v;
        for (int y = c.top; y < c.bottom; y++)
            for (int x = c.left; x < c.right; x++)
                v.push_back(ScreenAt(s, x, y));
        return v;
    };
    std::vector<Rgb> first = clockPixels(shot);
    int digits = 0;
    for (Rgb p : first)
        digits += Same(p, {200, 200, 200});
    EXPECT_GT(digits, 100);
    Sleep(1100);
    vt::Pnm later;
    ASSERT_TRUE(vt::TakeScreenshot(vt::BuildPath("screenshots/desktop_clock_later.png"), &later));
    std::vector<Rgb> second = clockPixels(later);
    int changed = 0;
    for (size_t i = 0; i < first.size(); i++)
        changed += !Same(first[i], second[i]);
    EXPECT_GT(changed, 0);

    // A normal window over the calendar covers it.
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 255));
    wc.lpszClassName = "DesktopCoverTest";
    RegisterClassA(&wc);
    HWND cover = CreateWindowExA(0, "DesktopCoverTest", "cover", WS_POPUP | WS_VISIBLE, r.left, r.top, width, height,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(cover, nullptr);
    UpdateWindow(cover);
    for (int i = 0; i < 20; i++) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
        Sleep(50);
    }
    vt::Pnm covered;
    ASSERT_TRUE(vt::TakeScreenshot(vt::BuildPath("screenshots/desktop_covered.png"), &covered));
    int blue = 0;
    for (int y = r.top + 5; y < r.bottom - 5; y++)
        for (int x = r.left + 5; x < r.right - 5; x++)
            blue += Same(ScreenAt(covered, x, y), {0, 0, 255});
    EXPECT_EQ(blue, (width - 10) * (height - 10));
    DestroyWindow(cover);
    DeleteObject(wc.hbrBackground);
}

TEST_F(Desktop, ThreeMonthCalendarShowsAsBuilt)
{
    SetDword("KalenderLayout", 3);
    SetDword("Feiertage", 2);
    SetDword("FHeight", (DWORD)-20);   // three months at the default height are taller than the screen
    SetText("UhrXY", "20, 20, 1, 1");
    Start();
    HWND calendar = WaitForShown("Raridavezazezud", 20000);
    ASSERT_NE(calendar, nullptr);
    ASSERT_NE(WaitForShown("Desktopuhr", 20000), nullptr);
    Sleep(500);
    vt::Pnm shot;
    std::vector<BYTE> picture;
    RECT r;
    ExpectCalendarAsBuilt(calendar, 3, -20, "desktop_layout3.png", &shot, &picture, &r);
}

// The picture sheet as a new user sees it: its size and place, every pixel
// but the black key on the screen as built (its grey shadow too), the
// wallpaper where the key is, and the key reaching the window system as
// transparency.
TEST_F(Desktop, PictureSheetShowsAsBuiltWithBlackAsItsKey)
{
    SetDword("KalenderLayout", 5);
    SetDword("Kalender4Groesse", 1);
    // The clock's first place is over the sheet: it goes to the corner.
    SetText("UhrXY", "20, 20, 1, 1");
    Start();
    HWND calendar = WaitForShown("Raridavezazezud", 20000);
    ASSERT_NE(calendar, nullptr);
    ASSERT_NE(WaitForShown("Desktopuhr", 20000), nullptr);
    Sleep(500);

    // The sheet of the program file, as the program reads it.
    HMODULE program = LoadLibraryExA(vt::BuildPath("bin/vesko.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    gInstance = (HINSTANCE)program;
    std::vector<BYTE> picture;
    int width = 0, height = 0;
    bool built = ReferenceCalendar(5, -64, &picture, &width, &height, 0);
    gInstance = nullptr;
    FreeLibrary(program);
    ASSERT_TRUE(built);
    ASSERT_EQ(width, 250);
    ASSERT_EQ(height, 299);

    RECT r, work;
    GetWindowRect(calendar, &r);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
    EXPECT_EQ(r.bottom, work.bottom - 10);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);

    vt::Pnm shot;
    ASSERT_TRUE(vt::TakeScreenshot(vt::BuildPath("screenshots/desktop_layout5.png"), &shot));
    ASSERT_EQ(shot.channels, 3);
    ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= shot.width && r.bottom <= shot.height);
    int opaque = 0, differing = 0, grey = 0, keys = 0, wallpaperShown = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const BYTE* p = &picture[((size_t)y * width + x) * 3];
            Rgb want = {p[0], p[1], p[2]};
            Rgb got = ScreenAt(shot, r.left + x, r.top + y);
            if (Same(want, {0, 0, 0})) {
                keys++;
                wallpaperShown += Same(got, WallpaperAt(r.left + x, r.top + y));
                continue;
            }
            opaque++;
            differing += !Same(want, got);
            grey += Same(want, {128, 128, 128}) && Same(got, want);
        }
    EXPECT_GT(opaque, width * height / 2);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(grey, 100);
    EXPECT_GT(keys, 1000);
    EXPECT_EQ(wallpaperShown, keys);

    XWindowImage own;
    ASSERT_EQ(ReadXWindow(calendar, vt::BuildPath("screenshots/desktop_layout5_window.xwd"), &own), "");
    ASSERT_EQ(own.width, width);
    ASSERT_EQ(own.height, height);
    int transparentKeys = 0, opaqueAsBuilt = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const BYTE* p = &picture[((size_t)y * width + x) * 3];
            uint32_t got = own.pixels[(size_t)y * width + x];
            if (p[0] == 0 && p[1] == 0 && p[2] == 0)
                transparentKeys += (got >> 24) == 0;
            else
                opaqueAsBuilt += got == (0xFF000000u | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2]);
        }
    EXPECT_EQ(transparentKeys, keys);
    EXPECT_EQ(opaqueAsBuilt, opaque);
}

// Posts a message once the window's thread answers, then gives it 200 ms.
void PostAndWait(HWND window, UINT message, WPARAM wParam, int x, int y)
{
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result);
    PostMessageA(window, message, wParam, MAKELPARAM(x, y));
    Sleep(200);
}

// Press at the middle of the window, move the cursor by (dx, dy), release.
// The cursor goes to the press point first: its own move message resets the
// reference point, which the posted move 3 pixels aside then sets.
void Drag(HWND window, int dx, int dy)
{
    RECT r;
    GetWindowRect(window, &r);
    int px = (r.right - r.left) / 2, py = (r.bottom - r.top) / 2;
    SetCursorPos(r.left + px, r.top + py);
    Sleep(200);
    PostAndWait(window, WM_MOUSEMOVE, 0, px - 3, py);
    PostAndWait(window, WM_LBUTTONDOWN, MK_LBUTTON, px, py);
    PostAndWait(window, WM_MOUSEMOVE, MK_LBUTTON, px, py);
    SetCursorPos(r.left + px + dx, r.top + py + dy);
    Sleep(200);
    PostAndWait(window, WM_LBUTTONUP, 0, px + dx, py + dy);
    Sleep(200);
}

// A press and release with a 2-pixel move.
void Click(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    int px = 20, py = 20;
    SetCursorPos(r.left + px, r.top + py);
    Sleep(200);
    PostAndWait(window, WM_MOUSEMOVE, 0, px, py);
    PostAndWait(window, WM_LBUTTONDOWN, MK_LBUTTON, px, py);
    PostAndWait(window, WM_MOUSEMOVE, MK_LBUTTON, px + 2, py + 2);
    PostAndWait(window, WM_LBUTTONUP, 0, px + 2, py + 2);
    Sleep(200);
}

TEST_F(Desktop, DraggingTheGridFreesItFromTheCentre)
{
    SetDword("KalenderLayout", 2);
    Start();
    HWND calendar = WaitForShown("Raridavezazezud", 20000);
    ASSERT_NE(calendar, nullptr);
    ASSERT_TRUE(WaitForFirstTick());
    RECT r0;
    GetWindowRect(calendar, &r0);
    int w = r0.right - r0.left, h = r0.bottom - r0.top;

    std::map<std::string, std::vector<BYTE>> before = AllValues();
    Click(calendar);
    EXPECT_EQ(GetText("KalenderXY"), "(none)");
    EXPECT_TRUE(AllValues() == before);

    Drag(calendar, 60, -50);
    RECT r1;
    GetWindowRect(calendar, &r1);
    EXPECT_EQ(r1.left, r0.left);
    EXPECT_EQ(r1.top, r0.top - 50);
    char expected[64];
    snprintf(expected, sizeof(expected), "%ld, %ld, 0", (long)r0.left, (long)(r0.top - 50));
    EXPECT_EQ(GetText("KalenderXY"), expected);

    Drag(calendar, 60, 0);
    RECT r2;
    GetWindowRect(calendar, &r2);
    EXPECT_EQ(r2.left, r0.left + 60);
    EXPECT_EQ(r2.top, r1.top);

    Drag(calendar, 2000, 0);
    RECT r3, work;
    GetWindowRect(calendar, &r3);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(r3.left, work.right - w + 40);
    (void)h;
}

TEST_F(Desktop, DayStripStaysCentredAndTheClockStaysInItsBounds)
{
    Start();
    HWND calendar = WaitForShown("Raridavezazezud", 20000);
    ASSERT_NE(calendar, nullptr);
    HWND clock = WaitForShown("Desktopuhr", 20000);
    ASSERT_NE(clock, nullptr);
    ASSERT_TRUE(WaitForFirstTick());
    RECT r0;
    GetWindowRect(calendar, &r0);
    Drag(calendar, 60, -50);
    RECT r1;
    GetWindowRect(calendar, &r1);
    EXPECT_EQ(r1.left, r0.left);
    EXPECT_EQ(r1.top, r0.top - 50);
    char expected[64];
    snprintf(expected, sizeof(expected), "%ld, %ld, 1", (long)r0.left, (long)(r0.top - 50));
    EXPECT_EQ(GetText("KalenderXY"), expected);

    RECT c0;
    GetWindowRect(clock, &c0);
    int ch = c0.bottom - c0.top;
    Drag(clock, -3000, -3000);
    RECT c1;
    GetWindowRect(clock, &c1);
    EXPECT_EQ(c1.left, -(ch / 4));
    EXPECT_EQ(c1.top, -(ch / 4));
    std::string stored = GetText("UhrXY");
    int x = 0, y = 0, effect = -1, seconds = -1;
    ASSERT_EQ(sscanf(stored.c_str(), "%d, %d, %d, %d", &x, &y, &effect, &seconds), 4) << stored;
    EXPECT_EQ(x, -(ch / 4));
    EXPECT_EQ(y, -(ch / 4));
}

TEST_F(Desktop, SwitchedOffCalendarStaysHiddenAndIdle)
{
    SetDword("KeinKalender", 1);
    Start();
    ASSERT_TRUE(WaitFor([] { return FindWindowA("Desktopuhr", nullptr) != nullptr; }, 20000));
    HWND calendar = FindWindowA("Raridavezazezud", nullptr);
    ASSERT_NE(calendar, nullptr);
    Sleep(6000);
    EXPECT_FALSE(IsWindowVisible(calendar));
    Stop();
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(vt::ReadFileBytes(dump_ + "\\cputime.txt", &bytes));
    std::string text(bytes.begin(), bytes.end());
    size_t at = text.find("calendar ");
    ASSERT_NE(at, std::string::npos) << text;
    double seconds = atof(text.c_str() + at + 9);
    // Under 0.1 s a minute; the run lasted well under a minute.
    EXPECT_LT(seconds, 0.1) << text;
}

}  // namespace
