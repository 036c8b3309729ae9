// The screen saver's settings: its "SCR" values, what it takes from the
// calendar program's main key and the regional settings, and the picture
// database's path.
#pragma once

#include <windows.h>

#include "common/settings/saver_settings.h"

extern SaverSettings gSaverSettings;

// `Language`: 1-based number of the language file, 0 for the built-in texts.
extern int gLanguage;
// `Feiertage`: holiday region 0..18.
extern int gHolidayRegion;
// "iFirstDayOfWeek": 0 Monday .. 6 Sunday.
extern int gFirstDayOfWeek;
// `Path`, read twice: the folder of the calendar program's file, and that of
// the language and help files. Without `Path` both are the saver's own folder.
extern char gProgramFolder[MAX_PATH];
extern char gLangFolder[MAX_PATH];
// "bilder.dat" in the data folder; empty without an application-data folder.
extern char gPictureDbPath[MAX_PATH];

// Defaults, the registry, the clamps, the language files, the first day of the
// week and the database path.
void LoadSettings();
// The "SCR" values, creating the key; never `DebugOn` or `DebugFileName`.
void SaveSaverSettings();
