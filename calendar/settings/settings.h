// The calendar program's settings: registry values under HKCU
// "Software\Brantlow\Desktop\840", its sub-keys, the regional values, the
// data folder and the weekday and month names.
#pragma once

#include <windows.h>

#include "common/settings/registry.h"
#include "common/settings/saver_settings.h"

#define RUN_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
#define RUN_VALUE "Brantlow Raridavezazezud"
#define DB_VERSION_TEXT "3.3.0"
#define DB_VERSION 4

struct AppSettings {
    // Three readings of `Path`: help file folder, "bilder.def" folder, language files.
    char helpFolder[MAX_PATH];
    char defFolder[MAX_PATH];
    char langFolder[MAX_PATH];

    int dbver;
    char Version[16];
    int AutoExit;
    int AutoStart;
    int Mondphasen;
    int x, y;
    int xMonatPos, yMonatPos, wMonatPos, hMonatPos;
    int xTerminPos, yTerminPos;
    int xNotizPos, yNotizPos, wNotizPos, hNotizPos;
    int xRechnerPos, yRechnerPos;
    int KalenderX, KalenderY, KalenderCentered;
    int KalenderLayout;
    int KalenderWTage;
    int KalenderWoche;
    int Kalender4Groesse;
    int KeinKalender;
    int NoteTop;
    int NoteStartNew;
    char NotePath[MAX_PATH];
    int HGwechsel;
    int OldHour, OldDay, OldMonth;
    char OldPic[MAX_PATH];
    int Feiertage;
    COLORREF IconColor;
    LOGFONTA calendarFont;   // FName, FHeight, FWeight, FItalic
    int Snooze;
    char AlarmFile[MAX_PATH];
    int AutoUpdate;
    int AutoUpdateOP;
    int TransparenzMonat;
    int TransparenzNotiz;

    int SndDevice;
    int SndVolume;

    int Uhr;
    int UhrX, UhrY, UhrEffect, UhrSeconds;
    COLORREF UhrFarbe;
    LOGFONTA clockFont;

    DWORD LastUpdatePO, LastUpdate;
    DWORD NewPO;

    LOGFONTA noteFont;

    // "Control Panel\International"
    int iTime;
    char sDate[8];
    int iDate;
    int iFirstDayOfWeek;

    char DataFolder[MAX_PATH];          // with a trailing backslash
    char PictureDbPath[MAX_PATH];
    char OnlineCatalogPath[MAX_PATH];
    char OnlineThemesPath[MAX_PATH];

    int BuiltinPictureCount;
    BYTE monthPictureTable[512];        // resource "C00X" of type "KALENDER"
};

extern AppSettings gSettings;

extern SaverSettings gSaverSettings;

struct HotkeyEntry {
    int id;
    int modifier;   // index into the options page's modifier list
    int key;        // index into its key list
    int enabled;
};

#define HOTKEY_COUNT 5
extern HotkeyEntry gHotkeys[HOTKEY_COUNT];

extern char gDayNames[7][40];     // Sunday first
extern char gMonthNames[12][40];

void LoadSettings();
void LoadSoundSettings();
LONG LoadHotkeys();
void LoadSaverSettings();
void LoadNoteFont();
// 1 when the settings key was there to read from.
int LoadClockSettings();
void LoadUpdateStamps();
DWORD LoadOnlineMarks();

void SaveSettings();
void SaveSaverSettings();
void SaveHotkeys();
void SaveNoteFont();
void SaveCalendarFont();
void SaveClockSettings();
void SaveMonthCalendarRect();
void SaveMoonPhaseFlag();
void SaveLastPicture();
void SaveCalendarPosition();
void SaveUpdateStamps();
void SaveProxyCredentials(const char* user, const char* password);
void SaveOnlineMarks(DWORD lastPO);
void SaveDatabaseVersion();

void ResetSettings();
void SetAutoStart(int on);
