// The binding's inside, for its tests.
#pragma once

#include <windows.h>

// The steps of LoadSoundLibrary after the resource lookup, over the DLL's bytes.
int LoadSoundLibraryFromBytes(const void* dll, DWORD size);
// The loaded module (NULL when none) and the stream last started.
HMODULE GetSoundModule();
DWORD GetCurrentSoundStream();
