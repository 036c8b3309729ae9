// The desktop calendar and the desktop clock windows.
#pragma once

#include <windows.h>

// Redraw requests, set by the user-interface thread, taken by the drawing threads.
extern volatile int gCalendarRedraw;
extern volatile int gClockRedraw;
// Set while the calendar's or the clock's drawing step runs.
extern volatile int gCalendarBusy;
extern volatile int gClockBusy;

int CreateCalendarWindow();
int CreateClockWindow();
// After the shut-down flag: waits until both drawing threads have ended
// (they wake from their pause at once and finish the step they are in).
void EndDesktopThreads();
// Size of the clock text in the clock font.
void MeasureClockText(int* width, int* height);

// The drawing threads copy the settings they read under this lock when a
// build starts; writers of those settings take it too and call no window
// function while they hold it.
void LockDesktopSettings();
void UnlockDesktopSettings();

// Test build: folder that receives each built picture as a BMP and, when a
// drawing thread ends, its CPU time. Empty in the program.
extern char gDesktopDumpFolder[MAX_PATH];
