// Entry of the calendar program: one instance, libraries and desktop windows
// in a fixed order, then the main dialog as the program's message loop.
#include <windows.h>

#include <commctrl.h>
#include <htmlhelp.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>

#include "alarms/alarms.h"
#include "base/app.h"
#include "app/main_dialog.h"
#include "app/resource.h"
#include "app/shut_down.h"
#include "base/seams.h"
#include "desktop/desktop.h"
#include "imaging/formats/jpeg2000/saj2k.h"
#include "imaging/is5.h"
#include "monthcal/monthcal.h"
#include "notes/notes.h"
#include "online/online.h"
#include "picturedb/picturedb.h"
#include "settings/settings.h"
#include "sound/sound.h"
#include "text/text.h"
#include "tray/tray.h"

#ifdef VESKO_TEST_BUILD
#include "base/test_call_log.h"

// The test build takes its clock, time scale, message-box sink and call log
// from the environment.
namespace {

char gMessageBoxFile[MAX_PATH];

int FileMessageBox(HWND, const char* text, const char* caption, UINT flags)
{
    if (FILE* f = fopen(gMessageBoxFile, "ab")) {
        fprintf(f, "%s|%s|0x%X\n", caption ? caption : "", text ? text : "", flags);
        fclose(f);
    }
    return IDOK;
}

void SetUpTestSeams()
{
    char value[MAX_PATH];
    if (GetEnvironmentVariableA("VESKO_TEST_CLOCK", value, sizeof(value))) {
        SYSTEMTIME start{};
        int y, mo, d, h, mi, s;
        if (sscanf(value, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) == 6) {
            start.wYear = (WORD)y;
            start.wMonth = (WORD)mo;
            start.wDay = (WORD)d;
            start.wHour = (WORD)h;
            start.wMinute = (WORD)mi;
            start.wSecond = (WORD)s;
            SetClockStart(&start);
        }
    }
    if (GetEnvironmentVariableA("VESKO_TEST_TIMESCALE", value, sizeof(value))) {
        double scale = atof(value);
        if (scale > 0)
            gTimeScale = scale;
    }
    if (GetEnvironmentVariableA("VESKO_TEST_MSGBOX", gMessageBoxFile, sizeof(gMessageBoxFile)))
        gMessageBoxSink = FileMessageBox;
    if (!GetEnvironmentVariableA("VESKO_TEST_CALLLOG", value, sizeof(value)))
        value[0] = 0;
    RecordStandInCalls(value);
    GetEnvironmentVariableA("VESKO_TEST_DUMP", gDesktopDumpFolder, sizeof(gDesktopDumpFolder));
}

}  // namespace
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
#ifdef VESKO_TEST_BUILD
    SetUpTestSeams();
#endif
    if (GetSystemMetrics(SM_CLEANBOOT))
        return 0;

    char command[128];
    lstrcpynA(command, commandLine ? commandLine : "", sizeof(command));
    HANDLE mutex = CreateMutexA(nullptr, TRUE, MAIN_MUTEX_NAME);
    if (!mutex)
        return 0;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND running = FindWindowA(nullptr, MAIN_WINDOW_TITLE);
        if (!running)
            return 0;
        SendMessageA(running, lstrcmpiA(command, "EXIT") == 0 ? WM_APP_EXITMAIN : WM_APP_SHOWMAIN, 0, 0);
        return 1;
    }

    int result = 0;
    if (GetDllVersion("comctl32.dll") < 0x50050) {
        // Two texts in one call: copy the first out of the shared buffer.
        char text[512];
        lstrcpynA(text,
                  GetLangText("ERR", "IE500",
                              "Dieses Programm funktioniert nur, wenn Microsoft Internet Explorer ab Version 5.0 "
                              "installiert ist."),
                  sizeof(text));
        AppMessageBox(nullptr, text, GetLangText("ERR", "ERR", "FEHLER!"), MB_TOPMOST | MB_ICONERROR);
        ReleaseMutex(mutex);
        return result;
    }
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_DATE_CLASSES | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES;
    if (InitCommonControlsEx(&icc) != TRUE) {
        ReleaseMutex(mutex);
        return result;
    }

    CoInitialize(nullptr);
    gCalendarBusy = 0;
    gClockBusy = 0;
    gInstance = instance;

    LoadSettings();
    CheckPictureDatabase();
    AppSleep(1000);

    DWORD_PTR helpCookie = 0;
    CallHtmlHelp(nullptr, nullptr, HH_INITIALIZE, (DWORD_PTR)&helpCookie);

    is5_Initialize("");
    jas_init();
    // The JPEG 2000 reader keeps its own copy of the table.
    if (ISExtHookTable* hooks = is5_GetExtHook(0)) {
        SAJ2KSetExtHook(hooks);
        GlobalFree(hooks);
    }

    SYSTEMTIME now;
    GetLocalTime(&now);
    srand((now.wSecond + now.wMilliseconds + 3) * now.wMonth + now.wDay);

    if (gSettings.BuiltinPictureCount > 0) {
        LoadDayMonthNames();
        SetDesktopIconTextColor(gSettings.IconColor);
        gSoundLoaded = LoadSoundLibrary();
        LoadAlarmFile(nullptr);
        SetShutdown(0);
        gNotesVisible = 0;

        CreateNotesWindow();
        AppSleep(1200);
        CreateMonthCalendarWindow();
        AppSleep(1200);
        CreateCalendarWindow();
        AppSleep(1200);
        CreateClockWindow();

        if (gSettings.AutoUpdateOP)
            UpdateOnlineCatalog();
        if (gSettings.AutoUpdate)
            CheckForNewVersion();

        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0);
    }

    ShutDownProgram(gSettings.BuiltinPictureCount > 0, helpCookie);
    result = 1;

    ReleaseMutex(mutex);
    return result;
}
