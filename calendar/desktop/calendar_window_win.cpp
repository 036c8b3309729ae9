// The desktop calendar: a colour-keyed layered window at the bottom of the
// window order, drawn by its own thread every 75 ms.
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

volatile int gCalendarRedraw = 0;

namespace {

const char kCalendarClass[] = "Raridavezazezud";

HWND gCalendarWindow = nullptr;
HANDLE gCalendarThread = nullptr;
DragFlags gCalendarDrag;
volatile LONG gCalendarRepresent = 0;

bool BuildCalendar(BYTE** buffer, int* width, int* height, COLORREF* key)
{
    LayoutContext c;
    FillLayoutContext(&c);
    if (!BuildLayoutPicture(&c, buffer, width, height))
        return false;
    *key = LayoutKeyColour(DrawnLayout(c.layout));
    DumpPicture("calendar", *buffer, *width, *height);
    return true;
}

void GetCalendarPosition(int* x, int* y)
{
    LockDesktopSettings();
    *x = gSettings.KalenderX;
    *y = gSettings.KalenderY;
    UnlockDesktopSettings();
}

void SetCalendarPosition(int x, int y)
{
    LockDesktopSettings();
    gSettings.KalenderX = x;
    gSettings.KalenderY = y;
    UnlockDesktopSettings();
}

int CalendarCentred()
{
    LockDesktopSettings();
    int centred = gSettings.KalenderCentered;
    UnlockDesktopSettings();
    return centred;
}

void PlaceNewCalendar(int width, int height, int* x, int* y)
{
    RECT work;
    gDesktopPlatform.getWorkArea(&work);
    PlaceCalendar(x, y, CalendarCentred(), width, height, GetSystemMetrics(SM_CXSCREEN), &work);
}

void ClampCalendar(const LayeredSurface* s, int* x, int* y)
{
    ClampCalendarPosition(x, y, CalendarCentred(), s->placedX, s->picture.right, s->picture.bottom, &s->work);
}

void SaveCalendar(int x, int y)
{
    LockDesktopSettings();
    gSettings.KalenderX = x;
    gSettings.KalenderY = y;
    SaveCalendarPosition();
    UnlockDesktopSettings();
}

const SurfaceKind kCalendarKind = {
    BuildCalendar, PlaceNewCalendar, ClampCalendar, SaveCalendar, GetCalendarPosition, SetCalendarPosition,
    &gCalendarRedraw, &gCalendarRepresent, &gCalendarDrag, 1,
};

int CalendarOff()
{
    LockDesktopSettings();
    int off = gSettings.KeinKalender;
    UnlockDesktopSettings();
    return off;
}

int CurrentCalendarKey()
{
    LockDesktopSettings();
    int layout = gSettings.KalenderLayout;
    UnlockDesktopSettings();
    return (int)LayoutKeyColour(DrawnLayout(layout));
}

}  // namespace

void InitCalendarSurface(LayeredSurface* s)
{
    InitSurface(s, gCalendarWindow);
}

void FreeCalendarSurface(LayeredSurface* s)
{
    FreeSurface(s);
}

void StepCalendarWindow(LayeredSurface* s)
{
    StepSurface(s, &kCalendarKind);
}

void TrackCalendarDrag(int x, int y, WPARAM keys)
{
    TrackWindowDrag(&gCalendarDrag, x, y, keys);
}

void EndCalendarDrag()
{
    EndWindowDrag(&gCalendarDrag);
}

DWORD WINAPI CalendarWindowThread(LPVOID)
{
    gCalendarRedraw = 0;
    gCalendarBusy = 0;
    LayeredSurface* s = (LayeredSurface*)calloc(1, sizeof(LayeredSurface));
    if (!s)
        return 0;
    s->window = gCalendarWindow;
    s->key = (COLORREF)CurrentCalendarKey();
    s->keyBrush = CreateSolidBrush(s->key);
    COLORREF brushKey = s->key;
    int rememberedDay = 0;
    while (!gShutdown) {
        if (CalendarOff()) {
            gDesktopPlatform.showWindow(s->window, SW_HIDE);
            AppSleepUntilShutdown(1000);
            continue;
        }
        EnterDrawingStep();
        gCalendarBusy = 1;
        int day, month, year, hour, minute, second, weekday;
        GetLocalTimeFields(&day, &month, &year, &hour, &minute, &second, &weekday);
        if (TakeChange(day, &rememberedDay))
            gCalendarRedraw = 1;
        StepCalendarWindow(s);
        // The key brush follows the layout last built.
        if (s->key != brushKey) {
            if (HBRUSH brush = CreateSolidBrush(s->key)) {
                DeleteObject(s->keyBrush);
                s->keyBrush = brush;
                brushKey = s->key;
            }
        }
        gCalendarBusy = 0;
        LeaveDrawingStep();
        AppSleepUntilShutdown(75);
    }
    EnterDrawingStep();
    FreeCalendarSurface(s);
    LeaveDrawingStep();
    DeleteObject(s->keyBrush);
    free(s);
    DumpThreadTime("calendar");
    return 0;
}

LRESULT CALLBACK CalendarWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        if (gCalendarThread) {
            WaitForSingleObject(gCalendarThread, 300);
            CloseHandle(gCalendarThread);
            gCalendarThread = nullptr;
        }
        return 0;
    case WM_MOUSEMOVE:
        TrackCalendarDrag(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam);
        return 0;
    case WM_LBUTTONDOWN:
        BeginWindowDrag(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        EndCalendarDrag();
        return 0;
    case WM_DISPLAYCHANGE:
        InterlockedExchange(&gCalendarRepresent, 1);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int CreateCalendarWindow()
{
    AppSleep(500);
    WNDCLASSA wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC | CS_BYTEALIGNCLIENT;
    wc.lpfnWndProc = CalendarWindowProc;
    wc.hInstance = gInstance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_HAND);
    wc.lpszClassName = kCalendarClass;
    if (!RegisterClassA(&wc))
        return 0;
    gCalendarWindow = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_LAYERED, kCalendarClass, "", WS_POPUP, 0, 0, 0, 0,
                                      nullptr, nullptr, gInstance, nullptr);
    if (!gCalendarWindow)
        return 0;
    DWORD id;
    gCalendarThread = CreateThread(nullptr, 0, CalendarWindowThread, nullptr, 0, &id);
    if (!gCalendarThread)
        return 0;
    SetThreadPriority(gCalendarThread, THREAD_PRIORITY_BELOW_NORMAL);
    return 1;
}

void EndCalendarThread()
{
    EndDrawingThread(&gCalendarThread);
}
