#include "app/main_dialog.h"

#include <shellapi.h>

#include <cstdio>

#include "alarms/alarms.h"
#include "base/app.h"
#include "app/resource.h"
#include "base/seams.h"
#include "common/dates/dates.h"
#include "common/win/display.h"
#include "desktop/desktop.h"
#include "monthcal/monthcal.h"
#include "notes/notes.h"
#include "online/online.h"
#include "options/options.h"
#include "settings/settings.h"
#include "sound/sound.h"
#include "text/text.h"
#include "tray/tray.h"
#include "wallpaper/wallpaper.h"

MainState gMainState;

namespace {

int gAppBarRegistered = 0;
RECT gWorkArea;
int gClientWidth = 0, gClientHeight = 0;
int gFrameExtra = 0;
HBITMAP gTitleBitmap = nullptr;
HFONT gDateFont = nullptr;
HICON gDayIcon = nullptr;
HICON gMoonIcon = nullptr;   // shared (LR_SHARED): never destroyed
bool gTimersSet = false;

struct ButtonText {
    int id;
    const char* key;
    const char* text;
};

const ButtonText kButtonTexts[] = {
    {IDC_MAIN_NEWPIC, "NEWPIC", "&Bildwechsel"}, {IDC_MAIN_ALARM, "ALARM", "&Wecker"},
    {IDC_MAIN_CALC, "CALC", "&Rechner"},         {IDC_MAIN_CALENDAR, "CALENDAR", "&Kalender"},
    {IDC_MAIN_OPTIONS, "CONFIG", "&Optionen"},   {IDC_MAIN_NOTE, "NOTE", "&Notiz"},
    {IDC_MAIN_HELP, "HELP", "&Hilfe"},           {IDC_MAIN_MINIMIZE, "MINIMIZE", "Mi&nimieren"},
    {IDC_MAIN_EXIT, "EXIT", "B&eenden"},
};

void FadeSound()
{
    if (gSoundLoaded)
        FadeOutSound();
}

void ApplyPlacement()
{
    PlaceMainDialog(gSettings.x, gSettings.y, gClientWidth, gClientHeight, gWorkArea, gFrameExtra, &gSettings.x,
                    &gSettings.y);
}

void ParkOffScreen(HWND window)
{
    SetWindowPos(window, HWND_BOTTOM, 9999, 9999, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void StoreCorner(HWND window)
{
    RECT r;
    if (GetWindowRect(window, &r)) {
        gSettings.x = r.left;
        gSettings.y = r.top;
    }
}

void HideMain(HWND window)
{
    ShowWindow(window, SW_HIDE);
}

void ToggleNotes()
{
    if (gNotesOwner)
        PostMessageA(gNotesOwner, gNotesVisible ? WM_APP_HIDENOTES : WM_APP_SHOWNOTES, 0, 0);
}

void ToggleMonthCalendar()
{
    if (gMonthCalendarOwner)
        PostMessageA(gMonthCalendarOwner, gMonthCalendarVisible ? WM_APP_HIDEMONTH : WM_APP_SHOWMONTH, 0, 0);
}

void NewPictureNow(HWND window)
{
    gSettings.OldMonth = gSettings.OldDay = gSettings.OldHour = -1;
    gMainState.lastDay = -1;
    gMainState.wallpaperSet = ChangeWallpaper(window, gInstance, 1, 0, 1, GetMainPictureRecord());
    gMainState.newDay = 0;
}

void OpenAlarmEditor(HWND window)
{
    gMainState.modalOpen = 1;
    DialogBoxParamA(gInstance, MAKEINTRESOURCEA(IDD_ALARMEDITOR), window, AlarmEditorDialogProc, 0);
    gMainState.modalOpen = 0;
}

void SetTexts(HWND window, int size)
{
    char buffer[400];
    if (size > (int)sizeof(buffer))
        size = sizeof(buffer);
    buffer[0] = 0;
    FormatDateText(buffer, size);
    SetDlgItemTextA(window, IDC_MAIN_DATE, buffer);
    buffer[0] = 0;
    FormatDayInfoText(buffer, size);
    SetDlgItemTextA(window, IDC_MAIN_DAYINFO, buffer);
}

void RefreshDay(HWND window, const SYSTEMTIME& now)
{
    bool weekend = now.wDayOfWeek == 0 || now.wDayOfWeek == 6;
    if (HICON day = CreateDayIcon(now.wDay, weekend ? 255 : 0)) {
        SendDlgItemMessageA(window, IDC_MAIN_DAYICON, STM_SETIMAGE, IMAGE_ICON, (LPARAM)day);
        SendMessageA(window, WM_SETICON, ICON_BIG, (LPARAM)day);
        if (gDayIcon)
            DestroyIcon(gDayIcon);
        gDayIcon = day;
    }
    char name[16];
    snprintf(name, sizeof(name), "MOND%01d", GetMoonPhaseIcon(now.wDay, now.wMonth, now.wYear));
    if (HICON moon = (HICON)LoadImageA(gInstance, name, IMAGE_ICON, 32, 32, LR_SHARED)) {
        SendDlgItemMessageA(window, IDC_MAIN_MOONICON, STM_SETIMAGE, IMAGE_ICON, (LPARAM)moon);
        gMoonIcon = moon;
    }
    SetTexts(window, 400);
}

void OnInitDialog(HWND window)
{
    gMainState.autoExitTicks = 0;
    gMainWindow = window;

    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &gWorkArea, 0))
        SetRect(&gWorkArea, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    RECT client;
    GetClientRect(window, &client);
    gClientWidth = client.right - client.left;
    gClientHeight = client.bottom - client.top;
    gFrameExtra = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
    ApplyPlacement();
    ParkOffScreen(window);

    SetWindowTextA(window, MAIN_WINDOW_TITLE);
    UpdateTrayIcon(window, gSettings.Mondphasen, 1);

    if (HFONT font = (HFONT)SendMessageA(window, WM_GETFONT, 0, 0)) {
        LOGFONTA lf;
        if (GetObjectA(font, sizeof(lf), &lf)) {
            lf.lfHeight = lf.lfHeight + lf.lfHeight / 2;
            lf.lfWeight = 700;
            lf.lfItalic = 0;
            gDateFont = CreateFontIndirectA(&lf);
            if (gDateFont)
                SendDlgItemMessageA(window, IDC_MAIN_DATE, WM_SETFONT, (WPARAM)gDateFont, TRUE);
        }
    }

    RECT titleRect;
    if (GetClientRect(GetDlgItem(window, IDC_MAIN_TITLE), &titleRect)) {
        gTitleBitmap = LoadFromResource("TITEL", "BITMAPI", titleRect.right, titleRect.bottom);
        if (gTitleBitmap)
            SendDlgItemMessageA(window, IDC_MAIN_TITLE, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)gTitleBitmap);
    }

    ApplyPlacement();
    ParkOffScreen(window);

    LoadHotkeys();
    RegisterHotkeys(1);

    APPBARDATA abd{};
    abd.cbSize = sizeof(abd);
    abd.hWnd = window;
    abd.uCallbackMessage = WM_APP_APPBAR;
    gAppBarRegistered = (int)SHAppBarMessage(ABM_NEW, &abd);

    AppSetTimer(window, IDT_MAINTICK, 5000);
    AppSetTimer(window, IDT_ICONCOLOR, 250);
    gTimersSet = true;
    SendMessageA(window, WM_APP_SETTEXTS, 0, 0);
}

void OnMainTick(HWND window)
{
    SYSTEMTIME now;
    GetClockTime(&now);
    MainTickInputs inputs;
    inputs.highColor = gMainState.firstTick ? IsHighColorDisplay() : 1;
    inputs.monthCalendarVisible = gMonthCalendarVisible;
    inputs.autoUpdate = gSettings.AutoUpdate;
    inputs.autoUpdateOP = gSettings.AutoUpdateOP;
    MainTickPlan plan;
    PlanMainTick(&gMainState, now, inputs, &plan);

    if (plan.killTimer)
        KillTimer(window, IDT_MAINTICK);
    if (plan.colorsBox)
        AppMessageBox(window,
                      GetLangText("ERR", "COLORS",
                                  "Dieses Programm ben\xF6tigt min. 65535 Farben (High Color) oder 16 Millionen Farben "
                                  "(True Color). "),
                      "Sorry!", MB_ICONWARNING);
    if (plan.placeAndHide) {
        // Hidden first: moved while still shown, the dialog would flash at its place for a moment.
        HideMain(window);
        SetWindowPos(window, HWND_BOTTOM, gSettings.x, gSettings.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (plan.refreshDay)
        RefreshDay(window, now);
    int result = 0;
    if (plan.pass) {
        HideMain(window);
        UpdateTrayIcon(window, gSettings.Mondphasen, 1);
        if (plan.updateCatalog)
            UpdateOnlineCatalog();
        if (plan.checkVersion)
            CheckForNewVersion();
        result = ChangeWallpaper(window, gInstance, plan.passForce, 0, 0, GetMainPictureRecord());
        UpdateTrayIcon(window, gSettings.Mondphasen, 0);
    }
    if (plan.setTimerMs)
        AppSetTimer(window, IDT_MAINTICK, plan.setTimerMs);
    CheckAlarmsDue(window);
    if (FinishMainTick(&gMainState, plan, result, gSettings.AutoExit, IsWindowVisible(window))) {
        SaveSettings();
        EndDialog(window, 1);
    }
}

void OnTrayNotify(HWND window, LPARAM mouse)
{
    if (mouse == WM_LBUTTONDOWN) {
        FadeSound();
        UpdateTrayIcon(window, gSettings.Mondphasen, 0);
        if (gMainState.modalOpen)
            return;
        gMainState.mainVisible = !gMainState.mainVisible;
        ShowWindow(window, gMainState.mainVisible ? SW_SHOW : SW_HIDE);
        if (gMainState.mainVisible) {
            ApplyPlacement();
            SetWindowPos(window, HWND_TOPMOST, gSettings.x, gSettings.y, 0, 0, SWP_NOSIZE);
            SetForegroundWindow(window);
        }
    } else if (mouse == WM_RBUTTONDOWN) {
        FadeSound();
        gSettings.Mondphasen = !gSettings.Mondphasen;
        UpdateTrayIcon(window, gSettings.Mondphasen, 0);
        SaveMoonPhaseFlag();
    }
}

void SetMoonMode(HWND window, int moon)
{
    gSettings.Mondphasen = moon;
    UpdateTrayIcon(window, moon, 0);
    SaveMoonPhaseFlag();
}

void OnCommand(HWND window, int id)
{
    switch (id) {
    case IDC_MAIN_EXIT:
        FadeSound();
        StoreCorner(window);
        SaveSettings();
        EndDialog(window, 1);
        break;
    case IDC_MAIN_MINIMIZE:
    case IDCANCEL:
        gMainState.mainVisible = 0;
        StoreCorner(window);
        SaveSettings();
        HideMain(window);
        break;
    case IDC_MAIN_NEWPIC:
        gMainState.mainVisible = 0;
        StoreCorner(window);
        SaveSettings();
        HideMain(window);
        NewPictureNow(window);
        break;
    case IDC_MAIN_ALARM:
        FadeSound();
        gMainState.mainVisible = 0;
        StoreCorner(window);
        SaveSettings();
        HideMain(window);
        OpenAlarmEditor(window);
        break;
    case IDC_MAIN_NOTE:
        gMainState.mainVisible = 0;
        StoreCorner(window);
        SaveSettings();
        HideMain(window);
        ToggleNotes();
        break;
    case IDC_MAIN_CALENDAR:
        ToggleMonthCalendar();
        gMainState.mainVisible = 0;
        StoreCorner(window);
        SaveSettings();
        HideMain(window);
        break;
    case IDC_MAIN_OPTIONS:
        gMainState.modalOpen = 1;
        HideMain(window);
        OpenOptions(window);
        ShowWindow(window, SW_SHOW);
        gMainState.modalOpen = 0;
        break;
    case IDC_MAIN_MOONICON: SetMoonMode(window, 1); break;
    case IDC_MAIN_DAYICON: SetMoonMode(window, 0); break;
    case IDC_MAIN_HELP: ShowHelp(window, nullptr, 1); break;
    default: break;
    }
}

void OnHotkey(HWND window, int id)
{
    switch (id) {
    case HK_NEWPICTURE:
        FadeSound();
        NewPictureNow(window);
        break;
    case HK_ALARMS:
        FadeSound();
        OpenAlarmEditor(window);
        break;
    case HK_NOTES:
        FadeSound();
        ToggleNotes();
        break;
    case HK_MONTHCALENDAR: ToggleMonthCalendar(); break;
    default: break;
    }
}

void RequestRedraw()
{
    AppSleep(250);
    gCalendarRedraw = 1;
    gClockRedraw = 1;
}

void OnDestroy(HWND window)
{
    if (gAppBarRegistered) {
        APPBARDATA abd{};
        abd.cbSize = sizeof(abd);
        abd.hWnd = window;
        SHAppBarMessage(ABM_REMOVE, &abd);
        gAppBarRegistered = 0;
    }
    if (gTimersSet) {
        KillTimer(window, IDT_MAINTICK);
        KillTimer(window, IDT_ICONCOLOR);
        gTimersSet = false;
    }
    RegisterHotkeys(0);
    if (gTitleBitmap)
        DeleteObject(gTitleBitmap);
    gTitleBitmap = nullptr;
    if (gDateFont)
        DeleteObject(gDateFont);
    gDateFont = nullptr;
    if (gDayIcon)
        DestroyIcon(gDayIcon);
    gDayIcon = nullptr;
    gMoonIcon = nullptr;
    RemoveTrayIcon(window);
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The icon is the only way into the program: a restarted Explorer gets it again.
    if (message != 0 && message == TaskbarCreatedMessage()) {
        AddTrayIconAgain(window, gSettings.Mondphasen);
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(window); return TRUE;
    case WM_TIMER:
        if (wParam == IDT_ICONCOLOR) {
            SetDesktopIconTextColor(gSettings.IconColor);
            if (CountTrayTick(&gMainState))
                UpdateTrayIcon(window, gSettings.Mondphasen, 0);
        } else {
            OnMainTick(window);
        }
        return TRUE;
    case WM_APP_TRAYNOTIFY: OnTrayNotify(window, lParam); return TRUE;
    case WM_APP_SHOWMAIN:
        gMainState.mainVisible = 1;
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        return TRUE;
    case WM_APP_EXITMAIN:
        FadeSound();
        EndDialog(window, 1);
        return TRUE;
    case WM_APP_SETTEXTS:
        for (const ButtonText& b : kButtonTexts)
            SetDlgItemTextA(window, b.id, GetLangText("MAIN", b.key, b.text));
        SetTexts(window, 256);
        return TRUE;
    case WM_APP_APPBAR:
        if (OnAppBarNotice(&gMainState, wParam, lParam))
            RequestRedraw();
        return TRUE;
    case WM_POWERBROADCAST:
        if (OnPowerNotice(wParam))
            RequestRedraw();
        return TRUE;
    case WM_COMMAND: OnCommand(window, LOWORD(wParam)); return TRUE;
    case WM_HOTKEY: OnHotkey(window, (int)wParam); return TRUE;
    case WM_DESTROY: OnDestroy(window); return FALSE;
    default: return FALSE;
    }
}
