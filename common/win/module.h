// Facts about the running program file and the system's DLLs.
#pragma once

#include <windows.h>

// The program file's folder with a trailing backslash (one shared buffer).
const char* GetModuleDirectory();

// (major << 16) | minor from a DLL's DllGetVersion, 0 when it has none.
DWORD GetDllVersion(const char* fileName);
