// The options sheet and the global hotkeys.
#pragma once

#include <windows.h>

void RegisterHotkeys(int on);
int OpenOptions(HWND parent);
