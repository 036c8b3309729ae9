// The screen saver's settings, sub-key "SCR" of the settings key. Both
// programs read and write them, each with its own defaults and limits.
#pragma once

#include <windows.h>

struct SaverSettings {
    int SpeedAnimation;     // a step lasts 90 - SpeedAnimation ms
    int Pause;              // steps of pause after a picture
    int Calendar;           // draw the month calendar
    int Rows, Columns;
    int RowsRandom, ColumnsRandom;
    LOGFONTA font;          // FHeight, FWeight, FItalic, FName
    // The saver's own values: the calendar program neither uses nor writes them.
    int CloseOnActivate;
    int DebugOn;
    char DebugFileName[MAX_PATH];
};

// What differs between the two programs' readings and writings of the key.
struct SaverSettingsRules {
    int speedAnimation;
    int pause;
    LONG fontHeight;
    LONG lowestFontHeight;        // a stored FHeight is used from here to -11
    BYTE fontOutPrecision;
    BYTE fontQuality;
    bool writesCloseOnActivate;
};

extern const SaverSettingsRules kCalendarSaverRules;
extern const SaverSettingsRules kScreenSaverRules;

// The defaults, then every value of the key that is there with its type and
// size checked, then the clamps of saver_rules.h.
void ReadSaverSettings(const SaverSettingsRules& rules, SaverSettings* settings);
// Creates the key and writes the shared values; `DebugOn` and `DebugFileName` never.
void WriteSaverSettings(const SaverSettingsRules& rules, const SaverSettings& settings);
