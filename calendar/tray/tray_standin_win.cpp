// Stand-in until the tray and desktop helpers are built: no icons, empty texts.
#include "tray/tray.h"

#include "app/standin_log.h"

HICON CreateDayIcon(int day, COLORREF colour)
{
    LogStandInCall("CreateDayIcon(%d, 0x%06lX)", day, (unsigned long)colour);
    return nullptr;
}

void FormatDateText(char* buffer, int size)
{
    if (buffer && size > 0)
        buffer[0] = 0;
}

void FormatDayInfoText(char* buffer, int size)
{
    if (buffer && size > 0)
        buffer[0] = 0;
}

void UpdateTrayIcon(HWND, int moon, int busy)
{
    LogStandInCall("UpdateTrayIcon(moon %d, busy %d)", moon, busy);
}

BOOL RemoveTrayIcon(HWND)
{
    LogStandInCall("RemoveTrayIcon");
    return TRUE;
}

// Called every 250 ms: not logged.
void SetDesktopIconTextColor(COLORREF) {}

int IsHighColorDisplay()
{
    return 1;
}
