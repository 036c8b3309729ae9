// The notification-area icon (day number or moon phase), the main window's
// day icon and the date texts of the main dialog.
#include "tray/tray.h"

#include <cstdio>
#include <cstring>

#include "base/app.h"
#include "common/win/resource_source.h"
#include "common/dates/dates.h"
#include "imaging/is5.h"
#include "settings/settings.h"
#include "text/text.h"

ShellNotifyIconFn gShellNotifyIcon = Shell_NotifyIconA;

namespace {

// Cleared once the icon is in the notification area; the next update adds it again.
int gTrayNotAdded = 1;

// DrawText: centred, vertically centred, single line.
const UINT kDayTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// Draws the day number into a 24-bit picture, in the largest Arial that
// fits the box, one step smaller for a margin.
bool DrawFittedDayNumber(void* pixels, int width, int height, int day, const RECT& box, LONG startHeight,
                         BYTE quality, COLORREF colour)
{
    char text[16];
    snprintf(text, sizeof text, "%d", day);

    LOGFONTA font = {};
    font.lfHeight = startHeight;
    font.lfWeight = 600;
    font.lfOutPrecision = OUT_STRING_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = quality;
    font.lfPitchAndFamily = FF_SWISS;
    lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);

    const uint32_t boxWidth = uint32_t(box.right - box.left), boxHeight = uint32_t(box.bottom - box.top);
    for (;;) {
        uint32_t w = 0, h = 0;
        if (!is5_GetTextLineSize2(text, &font, &box, kDayTextFormat, 0, &w, &h))
            return false;
        if (w <= boxWidth && h <= boxHeight)
            break;
        // A height of 0 would mean the default size, not a smaller one.
        if (font.lfHeight >= -1)
            return false;
        font.lfHeight++;
    }
    if (font.lfHeight < -1)
        font.lfHeight++;
    return is5_DrawSmoothTextOnRGB2(pixels, uint32_t(width), uint32_t(height), uint32_t(width) * 3, text, &font, 2,
                                    &box, kDayTextFormat, 0, colour) != FALSE;
}

HBITMAP PixelsToBitmap(const void* pixels, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = is5_RGBToHBITMAP(pixels, uint32_t(width), uint32_t(height), uint32_t(width) * 3, nullptr, screen);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// A 1-bit mask of the bitmap's size, all 0: the whole icon is opaque.
HBITMAP CreateOpaqueMask(HBITMAP bitmap)
{
    BITMAP info;
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
        return nullptr;
    HBITMAP mask = CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr);
    if (!mask)
        return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, mask);
    PatBlt(dc, 0, 0, info.bmWidth, info.bmHeight, BLACKNESS);
    SelectObject(dc, old);
    DeleteDC(dc);
    return mask;
}

// Takes both bitmaps and deletes them.
HICON IconFromBitmaps(HBITMAP colour, HBITMAP mask)
{
    HICON icon = nullptr;
    if (colour && mask) {
        ICONINFO info = {};
        info.fIcon = TRUE;
        info.hbmMask = mask;
        info.hbmColor = colour;
        icon = CreateIconIndirect(&info);
    }
    if (colour)
        DeleteObject(colour);
    if (mask)
        DeleteObject(mask);
    return icon;
}

void AppendText(char* buffer, int size, const char* text)
{
    size_t used = strlen(buffer);
    if (used + 1 >= size_t(size))
        return;
    lstrcpynA(buffer + used, text, int(size_t(size) - used));
}

}  // namespace

HICON CreateDayIcon(int day, COLORREF colour)
{
    HISSRC source = OpenResourceSource(gInstance, "ICON_KAL", "BITMAPI");
    if (!source)
        return nullptr;
    uint32_t width = 0, height = 0;
    void* pixels = is5_ReadImage(source, &width, &height, 0, 0);
    is5_CloseSource(source);
    if (!pixels)
        return nullptr;

    HBITMAP bitmap = nullptr;
    RECT box = {6, 7, 26, 27};
    if (DrawFittedDayNumber(pixels, int(width), int(height), day, box, -24, ANTIALIASED_QUALITY, colour))
        bitmap = PixelsToBitmap(pixels, int(width), int(height));
    GlobalFree(pixels);
    if (!bitmap)
        return nullptr;
    return IconFromBitmaps(bitmap, is5_LoadResourceBitmap(gInstance, "ICON_MSK", nullptr));
}

HICON CreateTrayDayIcon(int day, int width, int height, COLORREF background, COLORREF colour)
{
    if (width <= 0 || height <= 0 || width > 256 || height > 256)
        return nullptr;
    void* pixels = GlobalAlloc(GPTR, size_t(width) * 3 * size_t(height));
    if (!pixels)
        return nullptr;

    HBITMAP bitmap = nullptr;
    // The fill takes the rectangle's right inclusively and its bottom exclusively.
    RECT fill = {0, 0, width - 1, height};
    RECT box = {0, 0, width, height};
    if (is5_FillSolidRect(pixels, uint32_t(width), uint32_t(height), 3, uint32_t(width) * 3, &fill, background, 0) &&
        DrawFittedDayNumber(pixels, width, height, day, box, -16, PROOF_QUALITY, colour))
        bitmap = PixelsToBitmap(pixels, width, height);
    GlobalFree(pixels);
    if (!bitmap)
        return nullptr;
    return IconFromBitmaps(bitmap, CreateOpaqueMask(bitmap));
}

BOOL CallNotifyIcon(HWND window, DWORD message, UINT id, HICON icon, const char* tip, BOOL ownIcon)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_APP_TRAYNOTIFY;
    data.hIcon = icon;
    lstrcpynA(data.szTip, tip ? tip : "", 128);
    BOOL result = gShellNotifyIcon(message, &data);
    // The shell keeps a copy; shared icons from LoadIconA must stay alive.
    if (icon && ownIcon)
        DestroyIcon(icon);
    return result;
}

void UpdateTrayIcon(HWND window, int moon, int busy)
{
    int day, month, year, hour, minute, second, weekday;
    GetLocalTimeFields(&day, &month, &year, &hour, &minute, &second, &weekday);

    HICON icon = nullptr;
    BOOL own = FALSE;
    if (moon) {
        char name[16];
        snprintf(name, sizeof name, "MOND%01d", GetMoonPhaseIcon(day, month, year));
        icon = LoadIconA(gInstance, name);
    } else {
        COLORREF colour = (weekday == 0 || weekday == 6) ? RGB(255, 0, 0) : RGB(0, 0, 0);
        icon = CreateTrayDayIcon(day, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                 RGB(255, 255, 0), colour);
        own = icon != nullptr;
        if (!icon)
            icon = LoadIconA(gInstance, "APP_ICON");
    }

    char tip[256];
    if (busy)
        lstrcpynA(tip, GetLangText("MAIN", "WAIT", " Moment bitte ..."), sizeof tip);
    else
        FormatDateText(tip, sizeof tip);

    BOOL shown = FALSE;
    if (!gTrayNotAdded)
        shown = CallNotifyIcon(window, NIM_MODIFY, TRAY_ICON_ID, icon, tip, FALSE);
    // A shell that was restarted has forgotten the icon, so a failed change
    // adds it anew. A first add that failed (no notification area yet) is
    // tried again at the next update; after an icon was once shown, every
    // update tries the change first.
    if (!shown)
        shown = CallNotifyIcon(window, NIM_ADD, TRAY_ICON_ID, icon, tip, FALSE);
    if (shown)
        gTrayNotAdded = 0;
    if (own)
        DestroyIcon(icon);
}

BOOL RemoveTrayIcon(HWND window)
{
    gTrayNotAdded = 1;
    return CallNotifyIcon(window, NIM_DELETE, TRAY_ICON_ID, nullptr, nullptr, FALSE);
}

UINT TaskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

void AddTrayIconAgain(HWND window, int moon)
{
    gTrayNotAdded = 1;
    UpdateTrayIcon(window, moon, 0);
}

void FormatDateText(char* buffer, int size)
{
    if (!buffer || size <= 0)
        return;
    int day, month, year, hour, minute, second, weekday;
    GetLocalTimeFields(&day, &month, &year, &hour, &minute, &second, &weekday);
    const char* name = gDayNames[weekday >= 0 && weekday < 7 ? weekday : 0];
    const char* sep = gSettings.sDate;
    switch (gSettings.iDate) {
    case 0: snprintf(buffer, size_t(size), "%s %02d%s%02d%s%04d", name, month, sep, day, sep, year); break;
    case 1: snprintf(buffer, size_t(size), "%s %02d%s%02d%s%04d", name, day, sep, month, sep, year); break;
    case 2: snprintf(buffer, size_t(size), "%s %04d%s%02d%s%02d", name, year, sep, month, sep, day); break;
    default: buffer[0] = '\0'; break;
    }
}

void FormatDayInfoText(char* buffer, int size)
{
    if (!buffer || size <= 0)
        return;
    buffer[0] = '\0';
    int day, month, year, hour, minute, second, weekday;
    GetLocalTimeFields(&day, &month, &year, &hour, &minute, &second, &weekday);

    char names[400];
    GetHolidayNames(day, month, year, gSettings.Feiertage, names, sizeof names);
    if (names[0]) {
        AppendText(buffer, size, names);
        AppendText(buffer, size, "\n\n");
    }
    char line[160];
    snprintf(line, sizeof line, IntFormat("MAIN", "TAGIMJAHR", "%d. Tag im Jahr"), DayOfYear(day, month, year));
    AppendText(buffer, size, line);
    AppendText(buffer, size, "\n");
    snprintf(line, sizeof line, IntFormat("MAIN", "KALENDERWOCHE", "%d. Kalenderwoche"),
             GetWeekNumber(day, month, year));
    AppendText(buffer, size, line);
    AppendText(buffer, size, "\n");
}
