#include <windows.h>

#include <shlwapi.h>

#include "common/win/module.h"

DWORD GetDllVersion(const char* fileName)
{
    HMODULE module = LoadLibraryA(fileName);
    if (!module)
        return 0;
    DWORD version = 0;
    typedef HRESULT(CALLBACK * DllGetVersionFn)(DLLVERSIONINFO*);
    if (auto getVersion = (DllGetVersionFn)(void*)GetProcAddress(module, "DllGetVersion")) {
        DLLVERSIONINFO info{};
        info.cbSize = sizeof(info);
        if (SUCCEEDED(getVersion(&info)))
            version = (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
    }
    FreeLibrary(module);
    return version;
}
