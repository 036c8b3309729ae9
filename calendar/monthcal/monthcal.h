// The month-calendar popup and its hidden owner.
#pragma once

#include <windows.h>

#define WM_APP_HIDEMONTH 0x84B0
#define WM_APP_SHOWMONTH 0x84B1

extern volatile int gMonthCalendarVisible;
extern HWND gMonthCalendarOwner;

int CreateMonthCalendarWindow();
