// A program's resource as a source for the imaging library.
#pragma once

#include <windows.h>

#include "imaging/is5.h"

// A memory source over resource `name` of `type` in `module`; NULL when it is missing or empty.
// The bytes stay the module's: the source lives no longer than the module is loaded.
HISSRC OpenResourceSource(HMODULE module, const char* name, const char* type);
