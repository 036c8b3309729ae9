#include "base/app.h"

HINSTANCE gInstance = nullptr;
HWND gMainWindow = nullptr;
volatile int gShutdown = 0;
int gSoundLoaded = 0;

HMODULE ProgramModule()
{
    return gInstance ? (HMODULE)gInstance : GetModuleHandleA(nullptr);
}
