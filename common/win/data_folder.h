// The data folder both programs keep their files in.
#pragma once

#include <windows.h>

// AppData\Brantlow\Raridavezazezud\"840 by Brantlow" when that folder exists;
// otherwise "Brantlow", "Raridavezazezud" and "KV840" are made one inside the
// other under AppData and the last is the data folder. Written to folder
// (MAX_PATH characters) with a trailing backslash; false, leaving folder
// unchanged, when there is no application-data folder.
bool FindDataFolder(char* folder);
