#include "common/win/data_folder.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <initializer_list>

namespace {

bool FolderExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void JoinPath(const char* folder, const char* name, char* out)
{
    char joined[MAX_PATH];
    if (!PathCombineA(joined, folder, name))
        joined[0] = 0;
    lstrcpynA(out, joined, MAX_PATH);
}

}  // namespace

bool FindDataFolder(char* out)
{
    char appData[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData)))
        return false;
    char folder[MAX_PATH];
    JoinPath(appData, "Brantlow\\Raridavezazezud\\840 by Brantlow", folder);
    if (!FolderExists(folder)) {
        lstrcpynA(folder, appData, MAX_PATH);
        for (const char* part : {"Brantlow", "Raridavezazezud", "KV840"}) {
            JoinPath(folder, part, folder);
            CreateDirectoryA(folder, nullptr);
        }
    }
    size_t n = strlen(folder);
    if (n > 0 && folder[n - 1] != '\\' && n + 1 < MAX_PATH) {
        folder[n] = '\\';
        folder[n + 1] = 0;
    }
    lstrcpynA(out, folder, MAX_PATH);
    return true;
}
