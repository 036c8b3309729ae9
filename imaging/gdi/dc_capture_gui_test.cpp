// Capture and drawing on a real window of the test display: what FillRect
// painted comes back from the window DC, and what is5_DrawRGB draws reads
// back exactly and shows on the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "imaging/is5.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

constexpr int kLeft = 120, kTop = 90, kWidth = 64, kHeight = 48, kBlock = 8;

// The colour of the 8 x 8 block holding the pixel.
COLORREF BlockColour(int x, int y)
{
    const int bx = x / kBlock, by = y / kBlock;
    return RGB(bx * 29 + 11, by * 41 + 5, ((bx * 7 + by * 13) * 5 + 40) % 256);
}

void PaintBlocks(HDC dc)
{
    for (int y = 0; y < kHeight; y += kBlock)
        for (int x = 0; x < kWidth; x += kBlock) {
            HBRUSH brush = CreateSolidBrush(BlockColour(x, y));
            const RECT r = {x, y, x + kBlock, y + kBlock};
            FillRect(dc, &r, brush);
            DeleteObject(brush);
        }
}

LRESULT CALLBACK BlocksProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_ERASEBKGND)
        return 1;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        PaintBlocks(BeginPaint(hwnd, &ps));
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::vector<BYTE> ExpectedBlocks(int x, int y, int w, int h)
{
    std::vector<BYTE> out;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const COLORREF colour = BlockColour(x + c, y + r);
            out.insert(out.end(), {GetRValue(colour), GetGValue(colour), GetBValue(colour)});
        }
    return out;
}

class BlocksWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = BlocksProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VeskoCaptureProbe";
        RegisterClassA(&wc);
        m_hwnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "capture", WS_POPUP | WS_VISIBLE, kLeft, kTop,
                                 kWidth, kHeight, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(nullptr, m_hwnd);
        UpdateWindow(m_hwnd);
        m_dc = GetDC(m_hwnd);
        ASSERT_NE(nullptr, m_dc);
    }
    void TearDown() override
    {
        if (m_dc)
            ReleaseDC(m_hwnd, m_dc);
        if (m_hwnd)
            DestroyWindow(m_hwnd);
        Pump();
    }
    // The window's rectangle as it shows in a screenshot, once it does.
    bool ScreenShows(const std::vector<BYTE>& rgb, int x, int y, int w, int h)
    {
        return vt::WaitFor(
            [&] {
                Pump();
                vt::Pnm shot;
                if (!vt::TakeScreenshot(vt::BuildPath("screenshots/" + vt::TestName() + ".png"), &shot) ||
                    shot.width < kLeft + kWidth || shot.height < kTop + kHeight)
                    return false;
                for (int r = 0; r < h; ++r)
                    for (int c = 0; c < w; ++c) {
                        const uint8_t* p = &shot.pixels[(size_t(kTop + y + r) * shot.width + kLeft + x + c) * 3];
                        const BYTE* q = &rgb[(size_t(r) * w + c) * 3];
                        if (p[0] != q[0] || p[1] != q[1] || p[2] != q[2])
                            return false;
                    }
                return true;
            },
            5000);
    }
    HWND m_hwnd = nullptr;
    HDC m_dc = nullptr;
};

TEST_F(BlocksWindow, CaptureGivesWhatFillRectPainted)
{
    const std::vector<BYTE> expected = ExpectedBlocks(5, 7, 20, 10);
    std::vector<BYTE> out(20 * 10 * 3, 0xCD);
    const bool same = vt::WaitFor(
        [&] {
            Pump();
            PaintBlocks(m_dc);
            return is5_DCToRGB(m_dc, 5, 7, 20, 10, out.data()) && out == expected;
        },
        5000);
    EXPECT_TRUE(same) << "last error " << ISGetLastError();
    EXPECT_EQ(ISGetLastError(), 0);
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(ScreenShows(ExpectedBlocks(0, 0, kWidth, kHeight), 0, 0, kWidth, kHeight));
}

TEST_F(BlocksWindow, DrawnPictureReadsBackAndShows)
{
    const uint32_t w = 37, h = 23, stride = 120;
    std::vector<BYTE> src(stride * h);
    uint32_t seed = 45;
    for (BYTE& b : src) {
        seed = seed * 1103515245u + 12345u;
        b = BYTE(seed >> 16);
    }
    std::vector<BYTE> packed;
    for (uint32_t r = 0; r < h; ++r)
        packed.insert(packed.end(), src.begin() + r * stride, src.begin() + r * stride + w * 3);
    // Drawn only once the window is up, so that no late paint covers it.
    ASSERT_TRUE(ScreenShows(ExpectedBlocks(0, 0, kWidth, kHeight), 0, 0, kWidth, kHeight));
    for (int32_t method : {0, 1}) {
        is5_SetHBITMAPCreateMethod(method);
        std::vector<BYTE> back(packed.size(), 0xCD);
        const bool same = vt::WaitFor(
            [&] {
                Pump();
                return is5_DrawRGB(m_dc, src.data(), w, h, stride, 3, 4, nullptr) &&
                       is5_DCToRGB(m_dc, 3, 4, w, h, back.data()) && back == packed;
            },
            5000);
        EXPECT_TRUE(same) << "method " << method << " last error " << ISGetLastError();
        EXPECT_TRUE(ScreenShows(packed, 3, 4, w, h)) << "method " << method;
    }
    is5_SetHBITMAPCreateMethod(0);
}

}  // namespace
