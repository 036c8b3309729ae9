#include "base/seams.h"

#include "base/app.h"


double gTimeScale = 1.0;
MessageBoxSink gMessageBoxSink = nullptr;
OpenFileNameSink gOpenFileNameSink = nullptr;
ChooseColorSink gChooseColorSink = nullptr;

namespace {

bool gClockSet = false;
ULONGLONG gClockStartFile = 0;   // FILETIME of the start, in 100 ns units
ULONGLONG gClockStartTick = 0;

// Set with the shut-down flag: the drawing threads' pauses wait on it.
HANDLE ShutdownEvent()
{
    static HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return event;
}

DWORD Scaled(DWORD ms)
{
    double v = ms * gTimeScale;
    if (v < 1.0)
        return ms ? 1 : 0;
    if (v > 4.0e9)
        return 4000000000u;
    return (DWORD)v;
}

}  // namespace

void SetClockStart(const SYSTEMTIME* start)
{
    FILETIME ft;
    if (!start || !SystemTimeToFileTime(start, &ft)) {
        gClockSet = false;
        return;
    }
    gClockStartFile = ((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
    gClockStartTick = GetTickCount64();
    gClockSet = true;
}

void GetClockTime(SYSTEMTIME* now)
{
    if (!gClockSet) {
        GetLocalTime(now);
        return;
    }
    // The set clock runs at the program's time scale, so a scaled timer period
    // still spans the same clock time.
    double elapsedMs = (double)(GetTickCount64() - gClockStartTick);
    if (gTimeScale > 0)
        elapsedMs /= gTimeScale;
    ULONGLONG t = gClockStartFile + (ULONGLONG)(elapsedMs * 10000.0);
    FILETIME ft;
    ft.dwLowDateTime = (DWORD)t;
    ft.dwHighDateTime = (DWORD)(t >> 32);
    if (!FileTimeToSystemTime(&ft, now))
        GetLocalTime(now);
}

void AppSleep(DWORD ms)
{
    Sleep(Scaled(ms));
}

void SetShutdown(int on)
{
    gShutdown = on;
    HANDLE event = ShutdownEvent();
    if (event) {
        if (on)
            SetEvent(event);
        else
            ResetEvent(event);
    }
}

void AppSleepUntilShutdown(DWORD ms)
{
    HANDLE event = ShutdownEvent();
    if (!event) {
        AppSleep(ms);
        return;
    }
    if (!gShutdown)
        WaitForSingleObject(event, Scaled(ms));
}

UINT_PTR AppSetTimer(HWND window, UINT_PTR id, UINT ms)
{
    return SetTimer(window, id, Scaled(ms), nullptr);
}

int AppMessageBox(HWND owner, const char* text, const char* caption, UINT flags)
{
    if (gMessageBoxSink)
        return gMessageBoxSink(owner, text, caption, flags);
    return MessageBoxA(owner, text, caption, flags);
}

BOOL AppGetOpenFileName(OPENFILENAMEA* request)
{
    if (gOpenFileNameSink)
        return gOpenFileNameSink(request);
    return GetOpenFileNameA(request);
}

BOOL AppChooseColor(CHOOSECOLORA* request)
{
    if (gChooseColorSink)
        return gChooseColorSink(request);
    return ChooseColorA(request);
}
