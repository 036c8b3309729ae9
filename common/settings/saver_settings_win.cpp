#include "common/settings/saver_settings.h"

#include <cstring>

#include "common/settings/registry.h"
#include "common/settings/saver_rules.h"

const SaverSettingsRules kCalendarSaverRules = {
    80, 80, -20, CALENDAR_LOWEST_FONT_HEIGHT, OUT_DEFAULT_PRECIS, ANTIALIASED_QUALITY, false};
const SaverSettingsRules kScreenSaverRules = {
    70, 160, -40, SAVER_LOWEST_FONT_HEIGHT, OUT_TT_PRECIS, DEFAULT_QUALITY, true};

namespace {

void ReadInt(HKEY key, const char* name, int* value)
{
    DWORD raw;
    if (ReadDwordValue(key, name, &raw))
        *value = (int)raw;
}

}  // namespace

void ReadSaverSettings(const SaverSettingsRules& rules, SaverSettings* settings)
{
    SaverSettings& s = *settings;
    memset(&s, 0, sizeof(s));
    s.SpeedAnimation = rules.speedAnimation;
    s.Pause = rules.pause;
    s.Calendar = 1;
    s.Rows = 1;
    s.Columns = 1;
    s.font.lfHeight = rules.fontHeight;
    s.font.lfWeight = 700;
    s.font.lfOutPrecision = rules.fontOutPrecision;
    s.font.lfQuality = rules.fontQuality;
    lstrcpynA(s.font.lfFaceName, "Times New Roman", LF_FACESIZE);
    lstrcpynA(s.DebugFileName, "C:\\840SCR.LOG", MAX_PATH);

    if (HKEY key = OpenSettingsKey("SCR", KEY_QUERY_VALUE)) {
        ReadInt(key, "SpeedAnimation", &s.SpeedAnimation);
        ReadInt(key, "Pause", &s.Pause);
        ReadInt(key, "Calendar", &s.Calendar);
        ReadInt(key, "Rows", &s.Rows);
        ReadInt(key, "Columns", &s.Columns);
        ReadInt(key, "RowsRandom", &s.RowsRandom);
        ReadInt(key, "ColumnsRandom", &s.ColumnsRandom);
        DWORD raw;
        if (ReadDwordValue(key, "FHeight", &raw) && IsUsableFontHeight((int)raw, rules.lowestFontHeight))
            s.font.lfHeight = (int)raw;
        if (ReadDwordValue(key, "FWeight", &raw))
            s.font.lfWeight = (int)raw;
        if (ReadDwordValue(key, "FItalic", &raw))
            s.font.lfItalic = (BYTE)(raw & 0xFF);
        ReadTextValue(key, "FName", s.font.lfFaceName, LF_FACESIZE);
        ReadInt(key, "CloseOnActivate", &s.CloseOnActivate);
        ReadInt(key, "DebugOn", &s.DebugOn);
        ReadTextValue(key, "DebugFileName", s.DebugFileName, MAX_PATH);
        RegCloseKey(key);
    }
    s.SpeedAnimation = ClampSpeedAnimation(s.SpeedAnimation);
    s.Pause = ClampPause(s.Pause);
    s.Rows = ClampGridCount(s.Rows);
    s.Columns = ClampGridCount(s.Columns);
}

void WriteSaverSettings(const SaverSettingsRules& rules, const SaverSettings& s)
{
    HKEY key = CreateSettingsKey("SCR");
    if (!key)
        return;
    WriteDwordValue(key, "SpeedAnimation", (DWORD)s.SpeedAnimation);
    WriteDwordValue(key, "Pause", (DWORD)s.Pause);
    WriteDwordValue(key, "Calendar", (DWORD)s.Calendar);
    if (rules.writesCloseOnActivate)
        WriteDwordValue(key, "CloseOnActivate", (DWORD)s.CloseOnActivate);
    WriteDwordValue(key, "Rows", (DWORD)s.Rows);
    WriteDwordValue(key, "Columns", (DWORD)s.Columns);
    WriteDwordValue(key, "RowsRandom", (DWORD)s.RowsRandom);
    WriteDwordValue(key, "ColumnsRandom", (DWORD)s.ColumnsRandom);
    WriteDwordValue(key, "FHeight", (DWORD)s.font.lfHeight);
    WriteDwordValue(key, "FWeight", (DWORD)s.font.lfWeight);
    WriteDwordValue(key, "FItalic", s.font.lfItalic);
    WriteTextValue(key, "FName", s.font.lfFaceName);
    RegCloseKey(key);
}
