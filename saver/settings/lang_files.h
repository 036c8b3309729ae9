// The language files: INI files "*.lng" in the language folder, listed in the
// file system's order; `Language` chooses one by its number.
#pragma once

#include <windows.h>

#define MAX_LANGUAGE_FILES 99

struct LanguageEntry {
    char displayName[40];       // "LANGUAGE" "NAME", its first 39 characters
    char fileName[MAX_PATH];
};

struct LanguageFileList {
    LanguageEntry entries[MAX_LANGUAGE_FILES];
    int count;
    char current[MAX_PATH];     // empty: every lookup gives its default
};

extern LanguageFileList gLanguageFiles;

// Lists the files of gLangFolder with a usable name and chooses entry
// gLanguage; a number without a file sets gLanguage to 0.
void EnumLanguageFiles();
// 1 when the file in gLangFolder has a "NAME" of 2 or more characters, its
// first 39 then in displayName (40 characters).
int ProbeLanguageFile(const char* fileName, char* displayName);
// The text of key in section of the current file, else the default; see
// LookUpLangText. Never NULL, in a per-thread buffer until the thread's next call.
const char* GetLangText(const char* section, const char* key, const char* def);
