// Stand-in until the desktop calendar and clock are built: no windows.
#include "desktop/desktop.h"

#include "app/standin_log.h"

volatile int gCalendarRedraw = 0;
volatile int gClockRedraw = 0;
volatile int gCalendarBusy = 0;
volatile int gClockBusy = 0;

int CreateCalendarWindow()
{
    LogStandInCall("CreateCalendarWindow");
    return 0;
}

int CreateClockWindow()
{
    LogStandInCall("CreateClockWindow");
    return 0;
}

void MeasureClockText(int* width, int* height)
{
    *width = 0;
    *height = 0;
}
