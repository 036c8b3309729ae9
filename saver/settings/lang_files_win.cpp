#include "settings/lang_files.h"

#include <shlwapi.h>

#include <cstring>

#include "common/text/lang_text.h"
#include "settings/settings.h"

LanguageFileList gLanguageFiles;

int ProbeLanguageFile(const char* fileName, char* displayName)
{
    char path[MAX_PATH];
    if (!PathCombineA(path, gLangFolder, fileName))
        return 0;
    char name[4000];
    if (GetPrivateProfileStringA("LANGUAGE", "NAME", "", name, sizeof(name), path) == 0 || strlen(name) < 2)
        return 0;
    lstrcpynA(displayName, name, sizeof(LanguageEntry::displayName));
    return 1;
}

void EnumLanguageFiles()
{
    LanguageFileList& list = gLanguageFiles;
    memset(&list, 0, sizeof(list));
    char pattern[MAX_PATH];
    WIN32_FIND_DATAA found;
    HANDLE search = INVALID_HANDLE_VALUE;
    if (PathCombineA(pattern, gLangFolder, "*.lng"))
        search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            const char* name = found.cFileName[0] ? found.cFileName : found.cAlternateFileName;
            LanguageEntry& entry = list.entries[list.count];
            if (ProbeLanguageFile(name, entry.displayName)) {
                lstrcpynA(entry.fileName, name, MAX_PATH);
                list.count++;
            }
        } while (list.count < MAX_LANGUAGE_FILES && FindNextFileA(search, &found));
        FindClose(search);
    }
    if (gLanguage <= 0 || gLanguage > list.count) {
        gLanguage = 0;
        list.current[0] = 0;
    } else {
        lstrcpynA(list.current, list.entries[gLanguage - 1].fileName, MAX_PATH);
    }
}

const char* GetLangText(const char* section, const char* key, const char* def)
{
    // Without a file the profile function still answers, from the folder:
    // the defaults then lose their blanks at the end as the files' values do.
    return LookUpLangText(gLangFolder, gLanguageFiles.current, section, key, def);
}
