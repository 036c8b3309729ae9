// A real window under the test's private X display shows up in a screenshot.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/test_support.h"

namespace {

const COLORREF kColour = RGB(0x1A, 0x9B, 0x3C);

LRESULT CALLBACK PlainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void PumpFor(DWORD ms)
{
    DWORD end = GetTickCount() + ms;
    MSG msg;
    while (GetTickCount() < end) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

TEST(Display, WindowColourAppearsAtItsPositionInTheScreenshot)
{
    HBRUSH brush = CreateSolidBrush(kColour);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = brush;
    wc.lpszClassName = "VeskoProbe";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "VeskoProbe", "probe", WS_POPUP | WS_VISIBLE, 200, 150, 160, 120,
                                nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    UpdateWindow(hwnd);

    // The X server maps the window some time after the call: look again until it shows.
    vt::Pnm shot;
    auto at = [&](int x, int y) { return &shot.pixels[(size_t(y) * shot.width + x) * 3]; };
    auto shows = [&] {
        const uint8_t* p = at(280, 210);
        return p[0] == GetRValue(kColour) && p[1] == GetGValue(kColour) && p[2] == GetBValue(kColour);
    };
    bool seen = false;
    for (int attempt = 0; attempt < 20 && !seen; ++attempt) {
        PumpFor(250);
        ASSERT_TRUE(vt::TakeScreenshot(vt::BuildPath("screenshots/window_probe.png"), &shot));
        ASSERT_GE(shot.width, 360);
        ASSERT_GE(shot.height, 270);
        seen = shows();
    }
    EXPECT_TRUE(seen);
    const uint8_t* outside = at(100, 100);
    EXPECT_FALSE(outside[0] == GetRValue(kColour) && outside[1] == GetGValue(kColour) && outside[2] == GetBValue(kColour));

    DestroyWindow(hwnd);
    DeleteObject(brush);
}

}  // namespace
