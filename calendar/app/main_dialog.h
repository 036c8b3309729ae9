// The main dialog (resource 100): hidden most of the time, it carries the
// timers, the tray callback, the hotkeys and the private messages.
#pragma once

#include <windows.h>

#include "app/main_tick.h"

extern MainState gMainState;

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
