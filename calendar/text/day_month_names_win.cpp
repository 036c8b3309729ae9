#include <cstdio>

#include "settings/settings.h"
#include "text/text.h"

void LoadDayMonthNames()
{
    static const char* const dayKeys[7] = {"SONNTAG", "MONTAG", "DIENSTAG", "MITTWOCH", "DONNERSTAG", "FREITAG", "SAMSTAG"};
    static const char* const dayNames[7] = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
    static const char* const monthNames[12] = {"Januar", "Februar", "M\xE4rz", "April", "Mai", "Juni", "Juli",
                                               "August", "September", "Oktober", "November", "Dezember"};
    for (int i = 0; i < 7; i++)
        lstrcpynA(gDayNames[i], GetLangText("ALARM", dayKeys[i], dayNames[i]), 40);
    for (int i = 0; i < 12; i++) {
        char key[16];
        snprintf(key, sizeof(key), "MONAT_%02d", i + 1);
        lstrcpynA(gMonthNames[i], GetLangText("MAIN", key, monthNames[i]), 40);
    }
}
