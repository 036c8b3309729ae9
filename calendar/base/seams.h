// Replaceable edges of the program: the clock, pauses and timer periods,
// message boxes and the common dialogs. vesko.exe
// leaves them at their defaults; its test build points them elsewhere.
#pragma once

#include <windows.h>
#include <commdlg.h>

// Local time; runs from the start set by SetClockStart when one was set.
void GetClockTime(SYSTEMTIME* now);
void SetClockStart(const SYSTEMTIME* start);

// Factor on start-up pauses and timer periods (1.0 in the program).
extern double gTimeScale;
void AppSleep(DWORD ms);
// Sets or clears the shut-down flag (gShutdown); setting it ends every
// AppSleepUntilShutdown at once.
void SetShutdown(int on);
// AppSleep that ends early when the program shuts down.
void AppSleepUntilShutdown(DWORD ms);
UINT_PTR AppSetTimer(HWND window, UINT_PTR id, UINT ms);

// MessageBoxA, unless a sink was set.
typedef int (*MessageBoxSink)(HWND owner, const char* text, const char* caption, UINT flags);
extern MessageBoxSink gMessageBoxSink;
int AppMessageBox(HWND owner, const char* text, const char* caption, UINT flags);

// GetOpenFileNameA and ChooseColorA, unless a sink was set.
typedef BOOL (*OpenFileNameSink)(OPENFILENAMEA* request);
extern OpenFileNameSink gOpenFileNameSink;
BOOL AppGetOpenFileName(OPENFILENAMEA* request);
typedef BOOL (*ChooseColorSink)(CHOOSECOLORA* request);
extern ChooseColorSink gChooseColorSink;
BOOL AppChooseColor(CHOOSECOLORA* request);
