// Checked registry reads and plain writes under the key both programs share.
#pragma once

#include <windows.h>

// HKEY_CURRENT_USER: written by the installer and the calendar program, read by both.
#define SETTINGS_KEY "Software\\Brantlow\\Desktop\\840"

// A DWORD only from a 4-byte REG_DWORD; false leaves *value unchanged.
bool ReadDwordValue(HKEY key, const char* name, DWORD* value);
// A text only from a REG_SZ of at most 255 characters, copied with the field's
// bound and always terminated; false leaves the field unchanged.
bool ReadTextValue(HKEY key, const char* name, char* field, int bound);

void WriteDwordValue(HKEY key, const char* name, DWORD value);
void WriteTextValue(HKEY key, const char* name, const char* text);

// The main key or one of its sub-keys (NULL: the main key itself).
HKEY OpenSettingsKey(const char* subKey, REGSAM access);
HKEY CreateSettingsKey(const char* subKey);
