// Tray and desktop helpers against a real display: the icons' pixels, the
// shell's notification area, the desktop list view's colours and the
// screen's colour depth. Resources come from tray_res.dll (fixtures.sh).
#include "tray/tray.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/app.h"
#include "base/seams.h"
#include "common/win/display.h"
#include "tests/support/test_support.h"

namespace {

class TrayDisplay : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gResources = LoadLibraryA(vt::FixturePath("tray_res.dll").c_str());
    }
    void SetUp() override
    {
        ASSERT_NE(gResources, nullptr) << "tray_res.dll missing";
        gInstance = gResources;
    }
    static HMODULE gResources;
};

HMODULE TrayDisplay::gResources = nullptr;

struct IconPixels {
    int width = 0, height = 0;
    std::vector<BYTE> colour;  // B, G, R, x per pixel, top-down
    std::vector<BYTE> mask;
};

bool ReadBitmap(HBITMAP bitmap, int* width, int* height, std::vector<BYTE>* pixels)
{
    BITMAP info;
    if (!GetObjectA(bitmap, sizeof info, &info))
        return false;
    *width = info.bmWidth;
    *height = info.bmHeight;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    pixels->assign(size_t(info.bmWidth) * info.bmHeight * 4, 0);
    HDC dc = GetDC(nullptr);
    int rows = GetDIBits(dc, bitmap, 0, UINT(info.bmHeight), pixels->data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return rows == info.bmHeight;
}

bool ReadIcon(HICON icon, IconPixels* out)
{
    ICONINFO info;
    if (!GetIconInfo(icon, &info))
        return false;
    int mw = 0, mh = 0;
    bool ok = info.hbmColor && ReadBitmap(info.hbmColor, &out->width, &out->height, &out->colour) &&
              ReadBitmap(info.hbmMask, &mw, &mh, &out->mask) && mw == out->width && mh == out->height;
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return ok;
}

TEST_F(TrayDisplay, TrayDayIconShowsRedDigitsOnYellowAndIsOpaque)
{
    HICON icon = CreateTrayDayIcon(31, 16, 16, RGB(255, 255, 0), RGB(255, 0, 0));
    ASSERT_NE(icon, nullptr);
    IconPixels px;
    ASSERT_TRUE(ReadIcon(icon, &px));
    EXPECT_EQ(px.width, 16);
    EXPECT_EQ(px.height, 16);
    for (int corner : {0, 15, 15 * 16, 16 * 16 - 1}) {
        const BYTE* p = &px.colour[size_t(corner) * 4];
        EXPECT_EQ(p[2], 255) << corner;
        EXPECT_EQ(p[1], 255) << corner;
        EXPECT_EQ(p[0], 0) << corner;
    }
    int redDigitPixels = 0;
    for (size_t i = 0; i < px.colour.size(); i += 4)
        if (int(px.colour[i + 2]) - int(px.colour[i + 1]) > 100)
            redDigitPixels++;
    EXPECT_GE(redDigitPixels, 10);
    for (size_t i = 0; i < px.mask.size(); i += 4)
        ASSERT_EQ(px.mask[i], 0) << "mask pixel " << i / 4;
    DestroyIcon(icon);
}

TEST_F(TrayDisplay, DayIconIsTheCalendarSheetWithTheDay)
{
    HICON icon = CreateDayIcon(7, RGB(0, 0, 0));
    ASSERT_NE(icon, nullptr);
    IconPixels px;
    ASSERT_TRUE(ReadIcon(icon, &px));
    EXPECT_EQ(px.width, 32);
    EXPECT_EQ(px.height, 32);
    // The digit darkens the plain box; the sheet's corner stays transparent.
    int dark = 0;
    for (int y = 7; y < 27; y++)
        for (int x = 6; x < 26; x++)
            if (px.colour[(size_t(y) * 32 + x) * 4 + 1] < 128)
                dark++;
    EXPECT_GE(dark, 10);
    EXPECT_NE(px.mask[0], 0);
    EXPECT_EQ(px.mask[(size_t(16) * 32 + 16) * 4], 0);
    DestroyIcon(icon);
}

TEST_F(TrayDisplay, DayIconWithoutItsPictureIsNull)
{
    gInstance = GetModuleHandleA(nullptr);
    EXPECT_EQ(CreateDayIcon(7, 0), nullptr);
}

HICON gLastIcon = nullptr;

BOOL WINAPI KeepIcon(DWORD, NOTIFYICONDATAA* data)
{
    gLastIcon = data->hIcon;
    return TRUE;
}

TEST_F(TrayDisplay, MoonModeLeavesTheSharedMoonIconAlive)
{
    SYSTEMTIME st = {};
    st.wYear = 2025;
    st.wMonth = 3;
    st.wDay = 14;  // full moon: "MOND4"
    st.wDayOfWeek = 5;
    st.wHour = 12;
    SetClockStart(&st);
    gShellNotifyIcon = KeepIcon;
    UpdateTrayIcon(nullptr, 1, 0);
    UpdateTrayIcon(nullptr, 1, 0);
    gShellNotifyIcon = Shell_NotifyIconA;
    RemoveTrayIcon(nullptr);

    EXPECT_EQ(gLastIcon, LoadIconA(gInstance, "MOND4"));
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(gLastIcon, &info));
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
}

TEST_F(TrayDisplay, OwnIconsAreDestroyedAfterTheCall)
{
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    ICONINFO made = {TRUE, 0, 0, mask, colour};
    HICON own = CreateIconIndirect(&made);
    DeleteObject(colour);
    DeleteObject(mask);
    ASSERT_NE(own, nullptr);

    gShellNotifyIcon = KeepIcon;
    CallNotifyIcon(nullptr, NIM_MODIFY, TRAY_ICON_ID, own, "x", TRUE);
    gShellNotifyIcon = Shell_NotifyIconA;
    EXPECT_EQ(gLastIcon, own);
    ICONINFO info;
    EXPECT_FALSE(GetIconInfo(own, &info));
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow(const char* cls, const char* title, HWND parent)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
    DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP;
    return CreateWindowExA(0, cls, title, style, 0, 0, 200, 200, parent, nullptr, wc.hInstance, nullptr);
}

TEST_F(TrayDisplay, ShellAcceptsAddModifyAndDelete)
{
    HWND window = MakeWindow("VeskoTrayOwner", "tray owner", nullptr);
    ASSERT_NE(window, nullptr);
    HICON icon = LoadIconA(gInstance, "APP_ICON");
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(CallNotifyIcon(window, NIM_ADD, TRAY_ICON_ID, icon, "add", FALSE));
    EXPECT_TRUE(CallNotifyIcon(window, NIM_MODIFY, TRAY_ICON_ID, icon, "modify", FALSE));
    EXPECT_TRUE(RemoveTrayIcon(window));
    DestroyWindow(window);
}

struct FakeDesktop {
    HWND progman = nullptr, view = nullptr, list = nullptr;

    bool Make()
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        progman = MakeWindow("Progman", "Program Manager", nullptr);
        view = progman ? MakeWindow("SHELLDLL_DefView", "", progman) : nullptr;
        list = view ? CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_ICON, 0, 0, 200, 200, view,
                                      nullptr, GetModuleHandleA(nullptr), nullptr)
                    : nullptr;
        return list != nullptr;
    }
    ~FakeDesktop()
    {
        if (progman)
            DestroyWindow(progman);
    }
    COLORREF TextBackground() const { return COLORREF(SendMessageA(list, LVM_GETTEXTBKCOLOR, 0, 0)); }
    COLORREF Text() const { return COLORREF(SendMessageA(list, LVM_GETTEXTCOLOR, 0, 0)); }
};

TEST_F(TrayDisplay, DesktopIconTextKeepsItsColourWithoutBackground)
{
    // Another process's "Program Manager" would be found first.
    if (FindWindowA("Progman", "Program Manager"))
        GTEST_SKIP() << "a desktop list view of a shell is present";
    SetDesktopIconTextColor(RGB(255, 0, 0));  // no desktop: nothing happens

    {
        FakeDesktop desktop;
        ASSERT_TRUE(desktop.Make());
        SendMessageA(desktop.list, LVM_SETTEXTBKCOLOR, 0, LPARAM(RGB(255, 255, 255)));
        SetDesktopIconTextColor(RGB(255, 0, 0));
        EXPECT_EQ(desktop.TextBackground(), CLR_NONE);
        EXPECT_EQ(desktop.Text(), RGB(255, 0, 0));

        // The shell paints opaque labels again: one call sets them back.
        SendMessageA(desktop.list, LVM_SETTEXTBKCOLOR, 0, LPARAM(RGB(255, 255, 255)));
        SendMessageA(desktop.list, LVM_SETTEXTCOLOR, 0, LPARAM(RGB(0, 0, 0)));
        SetDesktopIconTextColor(RGB(255, 0, 0));
        EXPECT_EQ(desktop.TextBackground(), CLR_NONE);
        EXPECT_EQ(desktop.Text(), RGB(255, 0, 0));
    }
    // A restarted shell's new windows are found with the colour unchanged.
    FakeDesktop again;
    ASSERT_TRUE(again.Make());
    SendMessageA(again.list, LVM_SETTEXTBKCOLOR, 0, LPARAM(RGB(255, 255, 255)));
    SetDesktopIconTextColor(RGB(255, 0, 0));
    EXPECT_EQ(again.TextBackground(), CLR_NONE);
    EXPECT_EQ(again.Text(), RGB(255, 0, 0));
}

TEST_F(TrayDisplay, ColourDepthTestsMatchTheScreenDepth)
{
    HDC screen = GetDC(nullptr);
    int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    int trueColor = bits > 16 ? 1 : 0, highColor = bits > 8 ? 1 : 0;
    EXPECT_EQ(IsTrueColorDisplay(), trueColor) << bits << " bits";
    EXPECT_EQ(IsHighColorDisplay(), highColor) << bits << " bits";
}

}  // namespace
