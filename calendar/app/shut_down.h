// The end of the program once its main dialog has ended.
#pragma once

#include <windows.h>

// In this order: the shut-down flag, the end of the drawing threads (when the
// desktop windows were made), sound, then the imaging library, the JPEG 2000
// reader's table, HTML Help and COM.
void ShutDownProgram(int windowsMade, DWORD_PTR helpCookie);

// ISShutdown; tests put a recorder here.
extern void (*gShutDownImaging)();
