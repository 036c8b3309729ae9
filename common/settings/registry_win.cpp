#include "common/settings/registry.h"

#include <cstring>

bool ReadDwordValue(HKEY key, const char* name, DWORD* value)
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE*)&data, &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || size != sizeof(DWORD))
        return false;
    *value = data;
    return true;
}

bool ReadTextValue(HKEY key, const char* name, char* field, int bound)
{
    char buffer[264];
    DWORD type = 0;
    DWORD size = 260;
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE*)buffer, &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ || size > 260)
        return false;
    buffer[size] = 0;
    if (strlen(buffer) > 255)
        return false;
    lstrcpynA(field, buffer, bound);
    return true;
}

void WriteDwordValue(HKEY key, const char* name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
}

void WriteTextValue(HKEY key, const char* name, const char* text)
{
    // With the terminator, so that plain readers get a terminated text.
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)strlen(text) + 1);
}

static void SettingsKeyPath(const char* subKey, char* path)
{
    lstrcpynA(path, SETTINGS_KEY, MAX_PATH);
    if (subKey) {
        lstrcatA(path, "\\");
        lstrcatA(path, subKey);
    }
}

HKEY OpenSettingsKey(const char* subKey, REGSAM access)
{
    char path[MAX_PATH];
    SettingsKeyPath(subKey, path);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

HKEY CreateSettingsKey(const char* subKey)
{
    char path[MAX_PATH];
    SettingsKeyPath(subKey, path);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}
