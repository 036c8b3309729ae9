// The desktop clock: built as the desktop calendar, with its own window,
// thread and settings; redrawn on a new second or minute.
#include <windows.h>
#include <windowsx.h>

#include <cstdlib>

#include "base/app.h"
#include "base/seams.h"
#include "common/dates/dates.h"
#include "desktop/desktop.h"
#include "desktop/grid.h"
#include "desktop/layouts.h"
#include "desktop/surface.h"
#include "settings/settings.h"

volatile int gClockRedraw = 0;

namespace {

const char kClockClass[] = "Desktopuhr";

HWND gClockWindow = nullptr;
HANDLE gClockThread = nullptr;
DragFlags gClockDrag;
volatile LONG gClockRepresent = 0;

bool BuildClock(BYTE** buffer, int* width, int* height, COLORREF* key)
{
    ClockContext c;
    FillClockContext(&c);
    if (!BuildClockPicture(&c, buffer, width, height))
        return false;
    *key = CLOCK_KEY;
    DumpPicture("clock", *buffer, *width, *height);
    return true;
}

void GetClockPosition(int* x, int* y)
{
    LockDesktopSettings();
    *x = gSettings.UhrX;
    *y = gSettings.UhrY;
    UnlockDesktopSettings();
}

void SetClockPosition(int x, int y)
{
    LockDesktopSettings();
    gSettings.UhrX = x;
    gSettings.UhrY = y;
    UnlockDesktopSettings();
}

// The default place is made when the settings are loaded.
void PlaceNewClock(int, int, int*, int*) {}

void ClampClock(const LayeredSurface* s, int* x, int* y)
{
    ClampClockPosition(x, y, s->picture.right, s->picture.bottom, &s->work);
}

void SaveClock(int x, int y)
{
    LockDesktopSettings();
    gSettings.UhrX = x;
    gSettings.UhrY = y;
    SaveClockSettings();
    UnlockDesktopSettings();
}

const SurfaceKind kClockKind = {
    BuildClock, PlaceNewClock, ClampClock, SaveClock, GetClockPosition, SetClockPosition,
    &gClockRedraw, &gClockRepresent, &gClockDrag, 0,
};

void ReadClockSwitches(int* on, int* seconds)
{
    LockDesktopSettings();
    *on = gSettings.Uhr;
    *seconds = gSettings.UhrSeconds;
    UnlockDesktopSettings();
}

// A stored place of 0,0 means none: centred, 10 pixels above the work area's bottom.
void PlaceClockByDefault()
{
    if (gSettings.UhrX != 0 || gSettings.UhrY != 0)
        return;
    int width = 0, height = 0;
    MeasureClockText(&width, &height);
    RECT work;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    gSettings.UhrY = work.bottom - height - 10;
    gSettings.UhrX = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
}

}  // namespace

void MeasureClockText(int* width, int* height)
{
    // Called while the clock loads its settings, as their writer, so it reads without the lock.
    ClockContext c{};
    c.font = gSettings.clockFont;
    c.seconds = gSettings.UhrSeconds;
    c.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    MeasureClockTextFor(&c, width, height);
}

void InitClockSurface(LayeredSurface* s)
{
    InitSurface(s, gClockWindow);
}

void FreeClockSurface(LayeredSurface* s)
{
    FreeSurface(s);
}

void StepClockWindow(LayeredSurface* s)
{
    StepSurface(s, &kClockKind);
}

void TrackClockDrag(int x, int y, WPARAM keys)
{
    TrackWindowDrag(&gClockDrag, x, y, keys);
}

void EndClockDrag()
{
    EndWindowDrag(&gClockDrag);
}

DWORD WINAPI ClockWindowThread(LPVOID)
{
    if (LoadClockSettings())
        PlaceClockByDefault();
    gClockRedraw = 0;
    gClockBusy = 0;
    LayeredSurface* s = (LayeredSurface*)calloc(1, sizeof(LayeredSurface));
    if (!s)
        return 0;
    s->window = gClockWindow;
    s->key = CLOCK_KEY;
    s->keyBrush = CreateSolidBrush(CLOCK_KEY);
    int remembered = 0;
    while (!gShutdown) {
        int on, seconds;
        ReadClockSwitches(&on, &seconds);
        if (!on) {
            gDesktopPlatform.showWindow(s->window, SW_HIDE);
            AppSleepUntilShutdown(2000);
            continue;
        }
        EnterDrawingStep();
        gClockBusy = 1;
        int day, month, year, hour, minute, second, weekday;
        GetLocalTimeFields(&day, &month, &year, &hour, &minute, &second, &weekday);
        if (TakeChange(seconds ? second : minute, &remembered))
            gClockRedraw = 1;
        StepClockWindow(s);
        gClockBusy = 0;
        LeaveDrawingStep();
        AppSleepUntilShutdown(seconds ? 80 : 200);
    }
    EnterDrawingStep();
    FreeClockSurface(s);
    LeaveDrawingStep();
    DeleteObject(s->keyBrush);
    free(s);
    DumpThreadTime("clock");
    return 0;
}

LRESULT CALLBACK ClockWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        if (gClockThread) {
            WaitForSingleObject(gClockThread, 300);
            CloseHandle(gClockThread);
            gClockThread = nullptr;
        }
        return 0;
    case WM_MOUSEMOVE:
        TrackClockDrag(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam);
        return 0;
    case WM_LBUTTONDOWN:
        BeginWindowDrag(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        EndClockDrag();
        return 0;
    case WM_DISPLAYCHANGE:
        InterlockedExchange(&gClockRepresent, 1);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int CreateClockWindow()
{
    AppSleep(2000);
    WNDCLASSA wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC | CS_BYTEALIGNCLIENT;
    wc.lpfnWndProc = ClockWindowProc;
    wc.hInstance = gInstance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_HAND);
    wc.lpszClassName = kClockClass;
    if (!RegisterClassA(&wc))
        return 0;
    gClockWindow = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_LAYERED, kClockClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                   nullptr, gInstance, nullptr);
    if (!gClockWindow)
        return 0;
    DWORD id;
    gClockThread = CreateThread(nullptr, 0, ClockWindowThread, nullptr, 0, &id);
    if (!gClockThread)
        return 0;
    SetThreadPriority(gClockThread, THREAD_PRIORITY_BELOW_NORMAL);
    return 1;
}

void EndClockThread()
{
    EndDrawingThread(&gClockThread);
}
