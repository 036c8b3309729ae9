// HTML Help (HtmlHelpA of hhctrl.ocx), which both programs open their help with.
#pragma once

#include <windows.h>

// HtmlHelpA, with hhctrl.ocx loaded from the system folder on first use; NULL
// when it is missing.
HWND CallHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data);
