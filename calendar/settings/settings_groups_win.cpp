// Groups of settings with loaders and savers of their own: the screen saver's
// sub-key, hotkeys, note font, clock, update stamps, online marks, proxy and
// the weekday and month names.
#include <cstdio>
#include <cstring>

#include "settings/parse_int_list.h"
#include "common/settings/registry.h"
#include "settings/settings.h"
#include "text/text.h"

SaverSettings gSaverSettings;
HotkeyEntry gHotkeys[HOTKEY_COUNT] = {{200, 0, 0, 0}, {201, 0, 0, 0}, {202, 0, 0, 0}, {203, 0, 0, 0}, {204, 0, 0, 0}};
char gDayNames[7][40];
char gMonthNames[12][40];

namespace {

void ReadInt(HKEY key, const char* name, int* value)
{
    DWORD raw;
    if (ReadDwordValue(key, name, &raw))
        *value = (int)raw;
}

void ReadFontHeight(HKEY key, const char* name, LONG* height, int highest)
{
    DWORD raw;
    if (ReadDwordValue(key, name, &raw) && (int)raw >= -998 && (int)raw <= highest)
        *height = (int)raw;
}

void ReadFontWeight(HKEY key, const char* name, LONG* weight)
{
    DWORD raw;
    if (ReadDwordValue(key, name, &raw) && (int)raw >= 1 && (int)raw <= 998)
        *weight = (int)raw;
}

void ReadItalic(HKEY key, const char* name, BYTE* italic)
{
    DWORD raw;
    if (ReadDwordValue(key, name, &raw))
        *italic = (BYTE)(raw & 0xFF);
}

void SetFont(LOGFONTA* font, LONG height, LONG weight, const char* face)
{
    memset(font, 0, sizeof(*font));
    font->lfHeight = height;
    font->lfWeight = weight;
    font->lfQuality = ANTIALIASED_QUALITY;
    lstrcpynA(font->lfFaceName, face, LF_FACESIZE);
}

}  // namespace

LONG LoadHotkeys()
{
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY "\\Hotkeys", 0, KEY_READ, &key);
    for (int i = 0; i < HOTKEY_COUNT; i++)
        gHotkeys[i] = {200 + i, 0, 0, 0};
    if (result != ERROR_SUCCESS)
        return result;
    for (int i = 0; i < HOTKEY_COUNT; i++) {
        char name[16];
        snprintf(name, sizeof(name), "hk%02dm", i);
        ReadInt(key, name, &gHotkeys[i].modifier);
        snprintf(name, sizeof(name), "hk%02dv", i);
        ReadInt(key, name, &gHotkeys[i].key);
        snprintf(name, sizeof(name), "hk%02da", i);
        ReadInt(key, name, &gHotkeys[i].enabled);
        gHotkeys[i].enabled = gHotkeys[i].enabled != 0;
    }
    RegCloseKey(key);
    return result;
}

void SaveHotkeys()
{
    HKEY key = CreateSettingsKey("Hotkeys");
    if (!key)
        return;
    for (int i = 0; i < HOTKEY_COUNT; i++) {
        char name[16];
        snprintf(name, sizeof(name), "hk%02dm", i);
        WriteDwordValue(key, name, (DWORD)gHotkeys[i].modifier);
        snprintf(name, sizeof(name), "hk%02dv", i);
        WriteDwordValue(key, name, (DWORD)gHotkeys[i].key);
        snprintf(name, sizeof(name), "hk%02da", i);
        WriteDwordValue(key, name, gHotkeys[i].enabled ? 1 : 0);
    }
    RegCloseKey(key);
}

void LoadSaverSettings()
{
    ReadSaverSettings(kCalendarSaverRules, &gSaverSettings);
}

void SaveSaverSettings()
{
    WriteSaverSettings(kCalendarSaverRules, gSaverSettings);
}

void LoadNoteFont()
{
    LOGFONTA& f = gSettings.noteFont;
    SetFont(&f, -14, 400, "Courier New");
    f.lfQuality = ANTIALIASED_QUALITY;
    f.lfOutPrecision = OUT_STRING_PRECIS;
    f.lfClipPrecision = CLIP_STROKE_PRECIS;
    f.lfPitchAndFamily = 0x31;
    HKEY key = OpenSettingsKey("Notiz", KEY_READ);
    if (!key)
        return;
    char face[LF_FACESIZE];
    if (ReadTextValue(key, "FName", face, LF_FACESIZE) && strlen(face) > 1)
        lstrcpynA(f.lfFaceName, face, LF_FACESIZE);
    DWORD raw;
    if (ReadDwordValue(key, "FHeight", &raw))
        f.lfHeight = (int)raw;
    if (ReadDwordValue(key, "FWeight", &raw))
        f.lfWeight = (int)raw;
    ReadItalic(key, "FItalic", &f.lfItalic);
    RegCloseKey(key);
}

void SaveNoteFont()
{
    HKEY key = CreateSettingsKey("Notiz");
    if (!key)
        return;
    const LOGFONTA& f = gSettings.noteFont;
    WriteDwordValue(key, "FHeight", (DWORD)f.lfHeight);
    WriteDwordValue(key, "FWeight", (DWORD)f.lfWeight);
    WriteDwordValue(key, "FItalic", f.lfItalic);
    WriteTextValue(key, "FName", f.lfFaceName);
    RegCloseKey(key);
}

int LoadClockSettings()
{
    gSettings.Uhr = 1;
    gSettings.UhrX = 0;
    gSettings.UhrY = 0;
    gSettings.UhrEffect = 1;
    gSettings.UhrSeconds = 0;
    gSettings.UhrFarbe = 0xC8C8C8;
    SetFont(&gSettings.clockFont, -96, 700, "Times New Roman");
    HKEY key = OpenSettingsKey(nullptr, KEY_READ);
    if (!key)
        return 0;
    ReadInt(key, "Uhr", &gSettings.Uhr);
    char text[MAX_PATH];
    if (ReadTextValue(key, "UhrXY", text, sizeof(text)) && strlen(text) > 3) {
        int values[4];
        ParseIntList(text, values, 4);
        gSettings.UhrX = values[0];
        gSettings.UhrY = values[1];
        gSettings.UhrEffect = values[2];
        gSettings.UhrSeconds = values[3] != 0;
    }
    DWORD raw;
    if (ReadDwordValue(key, "UhrFarbe", &raw))
        gSettings.UhrFarbe = raw;
    ReadFontHeight(key, "UhrFHeight", &gSettings.clockFont.lfHeight, -11);
    ReadFontWeight(key, "UhrFWeight", &gSettings.clockFont.lfWeight);
    ReadItalic(key, "UhrFItalic", &gSettings.clockFont.lfItalic);
    ReadTextValue(key, "UhrFName", gSettings.clockFont.lfFaceName, LF_FACESIZE);
    RegCloseKey(key);
    return 1;
}

void SaveClockSettings()
{
    HKEY key = CreateSettingsKey(nullptr);
    if (!key)
        return;
    WriteDwordValue(key, "Uhr", (DWORD)gSettings.Uhr);
    WriteDwordValue(key, "UhrFarbe", gSettings.UhrFarbe);
    char text[64];
    snprintf(text, sizeof(text), "%d, %d, %d, %d", gSettings.UhrX, gSettings.UhrY, gSettings.UhrEffect,
             gSettings.UhrSeconds ? 1 : 0);
    WriteTextValue(key, "UhrXY", text);
    WriteDwordValue(key, "UhrFHeight", (DWORD)gSettings.clockFont.lfHeight);
    WriteDwordValue(key, "UhrFWeight", (DWORD)gSettings.clockFont.lfWeight);
    WriteDwordValue(key, "UhrFItalic", gSettings.clockFont.lfItalic);
    WriteTextValue(key, "UhrFName", gSettings.clockFont.lfFaceName);
    RegCloseKey(key);
}

void LoadUpdateStamps()
{
    gSettings.LastUpdatePO = 0;
    gSettings.LastUpdate = 0;
    HKEY key = OpenSettingsKey(nullptr, KEY_READ);
    if (!key)
        return;
    ReadDwordValue(key, "LastUpdatePO", &gSettings.LastUpdatePO);
    ReadDwordValue(key, "LastUpdate", &gSettings.LastUpdate);
    RegCloseKey(key);
}

void SaveUpdateStamps()
{
    HKEY key = CreateSettingsKey(nullptr);
    if (!key)
        return;
    WriteDwordValue(key, "LastUpdatePO", gSettings.LastUpdatePO);
    WriteDwordValue(key, "LastUpdate", gSettings.LastUpdate);
    RegCloseKey(key);
}

DWORD LoadOnlineMarks()
{
    DWORD lastPO = 0;
    HKEY key = OpenSettingsKey(nullptr, KEY_READ);
    if (!key)
        return 0;
    ReadDwordValue(key, "LastPO", &lastPO);
    ReadDwordValue(key, "NewPO", &gSettings.NewPO);
    RegCloseKey(key);
    return lastPO;
}

void SaveOnlineMarks(DWORD lastPO)
{
    HKEY key = CreateSettingsKey(nullptr);
    if (!key)
        return;
    WriteDwordValue(key, "LastPO", lastPO);
    WriteDwordValue(key, "NewPO", gSettings.NewPO);
    RegCloseKey(key);
}

void SaveProxyCredentials(const char* user, const char* password)
{
    HKEY key = CreateSettingsKey(nullptr);
    if (!key)
        return;
    WriteTextValue(key, "ProxyUser", user ? user : "");
    WriteTextValue(key, "ProxyPasswort", password ? password : "");
    RegCloseKey(key);
}
