// The desktop calendar and the desktop clock windows.
#pragma once

// Redraw requests, set by the user-interface thread, taken by the drawing threads.
extern volatile int gCalendarRedraw;
extern volatile int gClockRedraw;
// Busy flags of the two drawing threads.
extern volatile int gCalendarBusy;
extern volatile int gClockBusy;

int CreateCalendarWindow();
int CreateClockWindow();
// Size of the clock text in the clock font.
void MeasureClockText(int* width, int* height);
