// The main key: defaults, load rules, saving, reset, the Run entry, the
// regional values and the data folder.
#include "settings/settings.h"

#include <windows.h>

#include <io.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "base/app.h"
#include "common/settings/registry.h"
#include "common/win/data_folder.h"
#include "settings/parse_int_list.h"

AppSettings gSettings = [] {
    AppSettings s{};
    // Values that LoadSettings does not reset: their start values hold only
    // until the first load.
    s.Feiertage = 0;
    s.Snooze = 0;
    s.AutoUpdateOP = 0;
    return s;
}();

namespace {

enum ValueKind { kInt, kByte, kText };

enum ValueRule {
    kPlain,
    kCalendarFontHeight,   // -998 .. -8
    kFontWeight,           // 1 .. 998
    kHolidayRegion,        // 0 .. 18, else 0
    kFolder,               // gets a trailing backslash
};

enum ValueGroup {
    kLoadedAtStart,    // LoadSettings sets the default and reads it
    kKeptAcrossLoads,  // LoadSettings reads it but never resets it
    kSoundGroup,       // LoadSettings like kLoadedAtStart; LoadSoundSettings alone too
    kLoadOnly,         // read by LoadSettings, written by others
};

struct MainValue {
    const char* name;
    ValueKind kind;
    void* field;
    int bound;           // text fields
    int def;
    const char* defText;
    ValueRule rule;
    ValueGroup group;
    bool saved;          // part of SaveSettings
};

// SaveSettings writes the saved entries in this order.
const MainValue kMainValues[] = {
    {"x", kInt, &gSettings.x, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"y", kInt, &gSettings.y, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"xMonatPos", kInt, &gSettings.xMonatPos, 0, 10, nullptr, kPlain, kLoadedAtStart, true},
    {"yMonatPos", kInt, &gSettings.yMonatPos, 0, 10, nullptr, kPlain, kLoadedAtStart, true},
    {"wMonatPos", kInt, &gSettings.wMonatPos, 0, 550, nullptr, kPlain, kLoadedAtStart, true},
    {"hMonatPos", kInt, &gSettings.hMonatPos, 0, 630, nullptr, kPlain, kLoadedAtStart, true},
    {"xTerminPos", kInt, &gSettings.xTerminPos, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"yTerminPos", kInt, &gSettings.yTerminPos, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"xNotizPos", kInt, &gSettings.xNotizPos, 0, 20, nullptr, kPlain, kLoadedAtStart, true},
    {"yNotizPos", kInt, &gSettings.yNotizPos, 0, 20, nullptr, kPlain, kLoadedAtStart, true},
    {"wNotizPos", kInt, &gSettings.wNotizPos, 0, 450, nullptr, kPlain, kLoadedAtStart, true},
    {"hNotizPos", kInt, &gSettings.hNotizPos, 0, 300, nullptr, kPlain, kLoadedAtStart, true},
    {"xRechnerPos", kInt, &gSettings.xRechnerPos, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"yRechnerPos", kInt, &gSettings.yRechnerPos, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"HGwechsel", kInt, &gSettings.HGwechsel, 0, 2, nullptr, kPlain, kLoadedAtStart, true},
    {"AutoExit", kInt, &gSettings.AutoExit, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"AutoStart", kInt, &gSettings.AutoStart, 0, 1, nullptr, kPlain, kLoadedAtStart, true},
    {"Mondphasen", kInt, &gSettings.Mondphasen, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"Feiertage", kInt, &gSettings.Feiertage, 0, 0, nullptr, kHolidayRegion, kKeptAcrossLoads, true},
    {"IconColor", kInt, &gSettings.IconColor, 0, 0xFFFFFF, nullptr, kPlain, kLoadedAtStart, true},
    {"FHeight", kInt, &gSettings.calendarFont.lfHeight, 0, -64, nullptr, kCalendarFontHeight, kLoadedAtStart, true},
    {"FWeight", kInt, &gSettings.calendarFont.lfWeight, 0, 600, nullptr, kFontWeight, kLoadedAtStart, true},
    {"FItalic", kByte, &gSettings.calendarFont.lfItalic, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"FName", kText, gSettings.calendarFont.lfFaceName, LF_FACESIZE, 0, "Arial", kPlain, kLoadedAtStart, true},
    {"AlarmFile", kText, gSettings.AlarmFile, MAX_PATH, 0, "", kPlain, kLoadedAtStart, true},
    {"SndDevice", kInt, &gSettings.SndDevice, 0, -1, nullptr, kPlain, kSoundGroup, true},
    {"SndVolume", kInt, &gSettings.SndVolume, 0, 100, nullptr, kPlain, kSoundGroup, true},
    {"NotePath", kText, gSettings.NotePath, MAX_PATH, 0, "", kFolder, kLoadedAtStart, true},
    {"NoteTop", kInt, &gSettings.NoteTop, 0, 1, nullptr, kPlain, kLoadedAtStart, true},
    {"NoteStartNew", kInt, &gSettings.NoteStartNew, 0, 1, nullptr, kPlain, kLoadedAtStart, true},
    {"AutoUpdate", kInt, &gSettings.AutoUpdate, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"AutoUpdateOP", kInt, &gSettings.AutoUpdateOP, 0, 0, nullptr, kPlain, kKeptAcrossLoads, true},
    {"Snooze", kInt, &gSettings.Snooze, 0, 0, nullptr, kPlain, kKeptAcrossLoads, true},
    {"TransparenzMonat", kInt, &gSettings.TransparenzMonat, 0, 80, nullptr, kPlain, kLoadedAtStart, true},
    {"TransparenzNotiz", kInt, &gSettings.TransparenzNotiz, 0, 90, nullptr, kPlain, kLoadedAtStart, true},
    {"KeinKalender", kInt, &gSettings.KeinKalender, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"KalenderLayout", kInt, &gSettings.KalenderLayout, 0, 1, nullptr, kPlain, kLoadedAtStart, true},
    {"KalenderWTage", kInt, &gSettings.KalenderWTage, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"KalenderWoche", kInt, &gSettings.KalenderWoche, 0, 0, nullptr, kPlain, kLoadedAtStart, true},
    {"Kalender4Groesse", kInt, &gSettings.Kalender4Groesse, 0, 1, nullptr, kPlain, kLoadedAtStart, true},
    // Read at start, written by their own savers.
    {"dbver", kInt, &gSettings.dbver, 0, 0, nullptr, kPlain, kLoadOnly, false},
    {"Version", kText, gSettings.Version, 16, 0, "", kPlain, kLoadOnly, false},
    {"OldHour", kInt, &gSettings.OldHour, 0, -1, nullptr, kPlain, kLoadOnly, false},
    {"OldDay", kInt, &gSettings.OldDay, 0, -1, nullptr, kPlain, kLoadOnly, false},
    {"OldMonth", kInt, &gSettings.OldMonth, 0, -1, nullptr, kPlain, kLoadOnly, false},
    {"OldPic", kText, gSettings.OldPic, MAX_PATH, 0, "", kPlain, kLoadOnly, false},
};

// Values that ResetSettings deletes from the main key. "BildSchärfen" is an
// old value that no code reads any more.
const char* const kResetMainValues[] = {
    "x", "y", "xMonatPos", "yMonatPos", "wMonatPos", "hMonatPos", "xTerminPos", "yTerminPos",
    "xNotizPos", "yNotizPos", "wNotizPos", "hNotizPos", "xRechnerPos", "yRechnerPos", "HGwechsel",
    "AutoExit", "Mondphasen", "Feiertage", "IconColor", "BildSch\xE4rfen", "FHeight", "FWeight",
    "FItalic", "FName", "Snooze",
};

const char* const kFontValues[] = {"FHeight", "FWeight", "FItalic", "FName"};

void SetDefault(const MainValue& v)
{
    switch (v.kind) {
    case kInt: *(int*)v.field = v.def; break;
    case kByte: *(BYTE*)v.field = (BYTE)v.def; break;
    case kText: lstrcpynA((char*)v.field, v.defText, v.bound); break;
    }
}

void AppendBackslash(char* folder, int bound)
{
    size_t n = strlen(folder);
    if (n > 0 && folder[n - 1] != '\\' && (int)n + 1 < bound) {
        folder[n] = '\\';
        folder[n + 1] = 0;
    }
}

void ReadMainValue(HKEY key, const MainValue& v)
{
    if (v.kind == kText) {
        char text[MAX_PATH];
        if (!ReadTextValue(key, v.name, text, v.bound))
            return;
        lstrcpynA((char*)v.field, text, v.bound);
        if (v.rule == kFolder)
            AppendBackslash((char*)v.field, v.bound);
        return;
    }
    DWORD raw;
    if (!ReadDwordValue(key, v.name, &raw))
        return;
    int value = (int)raw;
    switch (v.rule) {
    case kCalendarFontHeight:
        if (value < -998 || value > -8)
            return;
        break;
    case kFontWeight:
        if (value < 1 || value > 998)
            return;
        break;
    case kHolidayRegion:
        if (value < 0 || value > 18)
            value = 0;
        break;
    default: break;
    }
    if (v.kind == kByte)
        *(BYTE*)v.field = (BYTE)(raw & 0xFF);
    else
        *(int*)v.field = value;
}

void WriteMainValue(HKEY key, const MainValue& v)
{
    switch (v.kind) {
    case kInt: WriteDwordValue(key, v.name, (DWORD) * (int*)v.field); break;
    case kByte: WriteDwordValue(key, v.name, *(BYTE*)v.field); break;
    case kText: WriteTextValue(key, v.name, (const char*)v.field); break;
    }
}

const MainValue* FindMainValue(const char* name)
{
    for (const MainValue& v : kMainValues)
        if (strcmp(v.name, name) == 0)
            return &v;
    return nullptr;
}

void SaveNamedValues(const char* const* names, int count)
{
    HKEY key = CreateSettingsKey(nullptr);
    if (!key)
        return;
    for (int i = 0; i < count; i++)
        if (const MainValue* v = FindMainValue(names[i]))
            WriteMainValue(key, *v);
    RegCloseKey(key);
}

void SetCalendarFontDefaults(LOGFONTA* font)
{
    memset(font, 0, sizeof(*font));
    font->lfHeight = -64;
    font->lfWeight = 600;
    font->lfQuality = ANTIALIASED_QUALITY;
    lstrcpynA(font->lfFaceName, "Arial", LF_FACESIZE);
}

void ReadRegionalValues()
{
    gSettings.sDate[0] = 0;
    gSettings.iDate = 1;
    gSettings.iTime = 1;
    gSettings.iFirstDayOfWeek = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char text[MAX_PATH];
        if (ReadTextValue(key, "iTime", text, sizeof(text)))
            gSettings.iTime = atoi(text);
        ReadTextValue(key, "sDate", gSettings.sDate, sizeof(gSettings.sDate));
        if (ReadTextValue(key, "iDate", text, sizeof(text)))
            gSettings.iDate = atoi(text);
        if (ReadTextValue(key, "iFirstDayOfWeek", text, sizeof(text)))
            gSettings.iFirstDayOfWeek = atoi(text);
        RegCloseKey(key);
    }
    if (!gSettings.sDate[0]) {
        gSettings.iDate = GetProfileIntA("intl", "iDate", 1);
        GetProfileStringA("intl", "sDate", ".", gSettings.sDate, 2);
    }
}

void LoadMonthPictureTable()
{
    gSettings.BuiltinPictureCount = 0;
    memset(gSettings.monthPictureTable, 0, sizeof(gSettings.monthPictureTable));
    HRSRC res = FindResourceA(gInstance, "C00X", "KALENDER");
    if (!res || SizeofResource(gInstance, res) != sizeof(gSettings.monthPictureTable))
        return;
    HGLOBAL data = LoadResource(gInstance, res);
    const BYTE* bytes = data ? (const BYTE*)LockResource(data) : nullptr;
    if (!bytes)
        return;
    memcpy(gSettings.monthPictureTable, bytes, sizeof(gSettings.monthPictureTable));
    gSettings.BuiltinPictureCount = (int)((DWORD)bytes[0] | ((DWORD)bytes[1] << 8) | ((DWORD)bytes[2] << 16) |
                                          ((DWORD)bytes[3] << 24));
}

void JoinPath(const char* folder, const char* name, char* out)
{
    char joined[MAX_PATH];
    if (!PathCombineA(joined, folder, name))
        joined[0] = 0;
    lstrcpynA(out, joined, MAX_PATH);
}

// The data folder with the calendar's files and "online" folders in it; false
// when there is no application-data folder.
bool SetUpDataFolder()
{
    if (!FindDataFolder(gSettings.DataFolder))
        return false;
    JoinPath(gSettings.DataFolder, "onlinefotos.dat", gSettings.OnlineCatalogPath);
    JoinPath(gSettings.DataFolder, "onlinethemen.dat", gSettings.OnlineThemesPath);
    char online[MAX_PATH];
    JoinPath(gSettings.DataFolder, "online", online);
    CreateDirectoryA(online, nullptr);
    JoinPath(online, "thumbs", online);
    CreateDirectoryA(online, nullptr);
    JoinPath(gSettings.DataFolder, "bilder.dat", gSettings.PictureDbPath);
    return true;
}

}  // namespace

void LoadSettings()
{
    LoadMonthPictureTable();

    for (const MainValue& v : kMainValues)
        if (v.group != kKeptAcrossLoads)
            SetDefault(v);
    gSettings.KalenderX = -1;
    gSettings.KalenderY = -1;
    gSettings.KalenderCentered = 1;
    SetCalendarFontDefaults(&gSettings.calendarFont);
    gSettings.helpFolder[0] = gSettings.defFolder[0] = gSettings.langFolder[0] = 0;
    gSettings.DataFolder[0] = gSettings.PictureDbPath[0] = 0;
    gSettings.OnlineCatalogPath[0] = gSettings.OnlineThemesPath[0] = 0;

    if (HKEY key = OpenSettingsKey(nullptr, KEY_READ)) {
        ReadTextValue(key, "Path", gSettings.helpFolder, MAX_PATH);
        ReadTextValue(key, "Path", gSettings.defFolder, MAX_PATH);
        ReadTextValue(key, "Path", gSettings.langFolder, MAX_PATH);
        // The sound values too: SaveSettings writes them back, also while
        // nothing else reads them.
        for (const MainValue& v : kMainValues)
            ReadMainValue(key, v);
        char text[MAX_PATH];
        if (ReadTextValue(key, "KalenderXY", text, sizeof(text))) {
            int values[3];
            ParseIntList(text, values, 3);
            if (values[0] + values[1] > 0) {
                gSettings.KalenderX = values[0];
                gSettings.KalenderY = values[1];
                gSettings.KalenderCentered = values[2] != 0;
            }
        }
        RegCloseKey(key);
    }

    ReadRegionalValues();

    // Without an installer's `Path`, the help file, "bilder.def" and the
    // language files come from the program file's folder.
    char moduleFolder[MAX_PATH];
    lstrcpynA(moduleFolder, GetModuleDirectory(), MAX_PATH);
    size_t n = strlen(moduleFolder);
    if (n > 0 && moduleFolder[n - 1] == '\\')
        moduleFolder[n - 1] = 0;
    for (char* folder : {gSettings.helpFolder, gSettings.defFolder, gSettings.langFolder})
        if (strlen(folder) < 3)
            lstrcpynA(folder, moduleFolder, MAX_PATH);

    SetUpDataFolder();

    if (gSettings.AutoStart)
        SetAutoStart(1);

    if (strlen(gSettings.NotePath) < 3)
        lstrcpynA(gSettings.NotePath, gSettings.DataFolder, MAX_PATH);
    if (strlen(gSettings.AlarmFile) < 3)
        JoinPath(gSettings.DataFolder, "alarm.kvk", gSettings.AlarmFile);
}

void LoadSoundSettings()
{
    gSettings.SndDevice = -1;
    gSettings.SndVolume = 100;
    HKEY key = OpenSettingsKey(nullptr, KEY_READ);
    if (!key)
        return;
    for (const MainValue& v : kMainValues)
        if (v.group == kSoundGroup)
            ReadMainValue(key, v);
    RegCloseKey(key);
}

void SaveSettings()
{
    HKEY key = CreateSettingsKey(nullptr);
    if (!key)
        return;
    for (const MainValue& v : kMainValues)
        if (v.saved)
            WriteMainValue(key, v);
    RegCloseKey(key);
}

void SaveCalendarFont()
{
    SaveNamedValues(kFontValues, 4);
}

void SaveMonthCalendarRect()
{
    static const char* const names[] = {"xMonatPos", "yMonatPos", "wMonatPos", "hMonatPos"};
    SaveNamedValues(names, 4);
}

void SaveMoonPhaseFlag()
{
    static const char* const names[] = {"Mondphasen"};
    SaveNamedValues(names, 1);
}

void SaveLastPicture()
{
    static const char* const names[] = {"OldHour", "OldDay", "OldMonth", "OldPic"};
    SaveNamedValues(names, 4);
}

void SaveCalendarPosition()
{
    if (gSettings.KalenderLayout > 1)
        gSettings.KalenderCentered = 0;
    HKEY key = CreateSettingsKey(nullptr);
    if (!key)
        return;
    char text[64];
    snprintf(text, sizeof(text), "%d, %d, %d", gSettings.KalenderX, gSettings.KalenderY,
             gSettings.KalenderCentered ? 1 : 0);
    WriteTextValue(key, "KalenderXY", text);
    RegCloseKey(key);
}

void SaveDatabaseVersion()
{
    lstrcpynA(gSettings.Version, DB_VERSION_TEXT, sizeof(gSettings.Version));
    gSettings.dbver = DB_VERSION;
    HKEY key = CreateSettingsKey(nullptr);
    if (!key)
        return;
    WriteTextValue(key, "Version", gSettings.Version);
    WriteDwordValue(key, "dbver", DB_VERSION);
    RegCloseKey(key);
}

void ResetSettings()
{
    if (HKEY key = OpenSettingsKey(nullptr, KEY_ALL_ACCESS)) {
        for (const char* name : kResetMainValues)
            RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
    if (HKEY key = OpenSettingsKey("Notiz", KEY_ALL_ACCESS)) {
        for (const char* name : kFontValues)
            RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
    if (HKEY key = OpenSettingsKey("Hotkeys", KEY_ALL_ACCESS)) {
        for (int i = 0; i < HOTKEY_COUNT; i++) {
            char name[16];
            for (char kind : {'m', 'v', 'a'}) {
                snprintf(name, sizeof(name), "hk%02d%c", i, kind);
                RegDeleteValueA(key, name);
            }
        }
        RegCloseKey(key);
    }
}

void SetAutoStart(int on)
{
    HKEY key = nullptr;
    LONG opened = on ? RegCreateKeyExA(HKEY_CURRENT_USER, RUN_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
                     : RegOpenKeyExA(HKEY_CURRENT_USER, RUN_KEY, 0, KEY_ALL_ACCESS, &key);
    if (opened != ERROR_SUCCESS)
        return;
    if (on) {
        // Quoted: unquoted, a path with blanks could start another program.
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            char value[MAX_PATH + 2];
            snprintf(value, sizeof(value), "\"%s\"", path);
            WriteTextValue(key, RUN_VALUE, value);
        }
    } else {
        RegDeleteValueA(key, RUN_VALUE);
    }
    RegCloseKey(key);
}
