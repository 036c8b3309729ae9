// Notification-area icon, day and moon icons, date texts and desktop helpers.
#pragma once

#include <windows.h>
#include <shellapi.h>

#define TRAY_ICON_ID 2000

// The day number on the "ICON_KAL" picture (32 x 32), or NULL.
HICON CreateDayIcon(int day, COLORREF colour);
// The day number on a plain background, of the given size, or NULL.
HICON CreateTrayDayIcon(int day, int width, int height, COLORREF background, COLORREF colour);
// Weekday and date of today in the regional order.
void FormatDateText(char* buffer, int size);
// Today's holiday names, day of the year and calendar week.
void FormatDayInfoText(char* buffer, int size);
// Shell_NotifyIconA for the main dialog's icon; destroys `icon` afterwards
// when ownIcon is set (never pass a shared icon from LoadIconA as own).
BOOL CallNotifyIcon(HWND window, DWORD message, UINT id, HICON icon, const char* tip, BOOL ownIcon);
void UpdateTrayIcon(HWND window, int moon, int busy);
BOOL RemoveTrayIcon(HWND window);
// The message a new notification area (Explorer restarted) broadcasts to
// every top-level window; the icon must then be added again.
UINT TaskbarCreatedMessage();
void AddTrayIconAgain(HWND window, int moon);
void SetDesktopIconTextColor(COLORREF colour);

// Shell_NotifyIconA; tests put a recorder here.
typedef BOOL(WINAPI* ShellNotifyIconFn)(DWORD message, NOTIFYICONDATAA* data);
extern ShellNotifyIconFn gShellNotifyIcon;
