#include "settings/settings.h"

#include <shlwapi.h>

#include <cstring>
#include <initializer_list>

#include "common/settings/registry.h"
#include "common/win/data_folder.h"
#include "common/win/module.h"
#include "settings/lang_files.h"
#include "settings/settings_rules.h"

SaverSettings gSaverSettings;
int gLanguage;
int gHolidayRegion;
int gFirstDayOfWeek;
char gProgramFolder[MAX_PATH];
char gLangFolder[MAX_PATH];
char gPictureDbPath[MAX_PATH];

namespace {

void ReadMainKey()
{
    gLanguage = 0;
    gHolidayRegion = 0;
    gProgramFolder[0] = gLangFolder[0] = 0;
    if (HKEY key = OpenSettingsKey(nullptr, KEY_READ)) {
        DWORD raw;
        if (ReadDwordValue(key, "Language", &raw))
            gLanguage = (int)raw;
        ReadTextValue(key, "Path", gProgramFolder, MAX_PATH);
        ReadTextValue(key, "Path", gLangFolder, MAX_PATH);
        if (ReadDwordValue(key, "Feiertage", &raw))
            gHolidayRegion = HolidayRegionOrNone((int)raw);
        RegCloseKey(key);
    }
    // Without an installer's `Path` the saver's own folder holds the language
    // files, the help file and the calendar program, as for the calendar.
    char moduleFolder[MAX_PATH];
    lstrcpynA(moduleFolder, GetModuleDirectory(), MAX_PATH);
    PathRemoveBackslashA(moduleFolder);
    for (char* folder : {gProgramFolder, gLangFolder})
        if (strlen(folder) < 3)
            lstrcpynA(folder, moduleFolder, MAX_PATH);
}

void ReadFirstDayOfWeek()
{
    gFirstDayOfWeek = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    char text[MAX_PATH];
    if (ReadTextValue(key, "iFirstDayOfWeek", text, sizeof(text)))
        gFirstDayOfWeek = ParseFirstDayOfWeek(text);
    RegCloseKey(key);
}

void FindPictureDatabase()
{
    gPictureDbPath[0] = 0;
    char folder[MAX_PATH];
    if (!FindDataFolder(folder))
        return;
    if (!PathCombineA(gPictureDbPath, folder, "bilder.dat"))
        gPictureDbPath[0] = 0;
}

}  // namespace

void LoadSettings()
{
    ReadMainKey();
    ReadSaverSettings(kScreenSaverRules, &gSaverSettings);
    // The calendar is drawn on a grid of 6 x 7 whatever the key holds: with
    // one row and column it would be one weekday name over one blurred cell.
    SaverSettings& s = gSaverSettings;
    if (s.Calendar) {
        s.Rows = 6;
        s.Columns = 7;
        s.RowsRandom = 0;
        s.ColumnsRandom = 0;
    }
    EnumLanguageFiles();
    ReadFirstDayOfWeek();
    FindPictureDatabase();
}

void SaveSaverSettings()
{
    WriteSaverSettings(kScreenSaverRules, gSaverSettings);
}
