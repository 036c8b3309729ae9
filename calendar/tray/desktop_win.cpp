// Desktop helper: the colour of the desktop icon texts.
#include "tray/tray.h"

#include <commctrl.h>

namespace {

HWND gDesktopList = nullptr;
// No colour has been applied yet: CLR_NONE is never a text colour.
COLORREF gLastIconTextColor = CLR_NONE;

HWND FindDesktopList()
{
    HWND progman = FindWindowA("Progman", "Program Manager");
    HWND view = progman ? FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr) : nullptr;
    return view ? FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
}

void ApplyIconTextColor(HWND list, COLORREF colour)
{
    SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, LPARAM(CLR_NONE));
    SendMessageA(list, LVM_SETTEXTCOLOR, 0, LPARAM(colour));
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
}

COLORREF TextBackground(HWND list)
{
    return COLORREF(SendMessageA(list, LVM_GETTEXTBKCOLOR, 0, 0));
}

}  // namespace

void SetDesktopIconTextColor(COLORREF colour)
{
    // A new colour, or a shell that was restarted, needs the windows found again.
    bool changed = colour != gLastIconTextColor;
    if (changed || (gDesktopList && !IsWindow(gDesktopList)))
        gDesktopList = FindDesktopList();
    if (!gDesktopList)
        return;
    if (changed || TextBackground(gDesktopList) != CLR_NONE) {
        ApplyIconTextColor(gDesktopList, colour);
        if (TextBackground(gDesktopList) != CLR_NONE)
            ApplyIconTextColor(gDesktopList, colour);
    }
    gLastIconTextColor = colour;
}
