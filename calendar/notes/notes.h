// The notes window and its hidden owner.
#pragma once

#include <windows.h>

#define WM_APP_HIDENOTES 0x84B2
#define WM_APP_SHOWNOTES 0x84B3

extern volatile int gNotesVisible;
extern HWND gNotesOwner;

int CreateNotesWindow();
