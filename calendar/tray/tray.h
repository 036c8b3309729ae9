// Notification-area icon, day and moon icons, date texts and desktop helpers.
#pragma once

#include <windows.h>

#define TRAY_ICON_ID 2000

HICON CreateDayIcon(int day, COLORREF colour);
void FormatDateText(char* buffer, int size);
void FormatDayInfoText(char* buffer, int size);
void UpdateTrayIcon(HWND window, int moon, int busy);
BOOL RemoveTrayIcon(HWND window);
void SetDesktopIconTextColor(COLORREF colour);
int IsHighColorDisplay();
