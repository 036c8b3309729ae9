#include <cstring>

#include "common/win/module.h"

const char* GetModuleDirectory()
{
    static char folder[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        folder[0] = 0;
    if (char* slash = strrchr(folder, '\\'))
        slash[1] = 0;
    return folder;
}
