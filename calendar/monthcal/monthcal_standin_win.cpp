// Stand-in until the month calendar is built: no window.
#include "monthcal/monthcal.h"

#include "base/test_call_log.h"

volatile int gMonthCalendarVisible = 0;
HWND gMonthCalendarOwner = nullptr;

int CreateMonthCalendarWindow()
{
    LogStandInCall("CreateMonthCalendarWindow");
    return 0;
}
