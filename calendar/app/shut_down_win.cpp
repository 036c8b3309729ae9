#include "app/shut_down.h"

#include <htmlhelp.h>
#include <objbase.h>

#include "base/app.h"
#include "base/seams.h"
#include "desktop/desktop.h"
#include "imaging/formats/jpeg2000/saj2k.h"
#include "imaging/is5.h"
#include "sound/sound.h"
#include "text/text.h"

void (*gShutDownImaging)() = ISShutdown;

void ShutDownProgram(int windowsMade, DWORD_PTR helpCookie)
{
    if (windowsMade) {
        SetShutdown(1);
        // No drawing step may run while the imaging library shuts down.
        EndDesktopThreads();
        CloseSound();
    }
    gShutDownImaging();
    SAJ2KCleanup();
    CallHtmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
    CallHtmlHelp(nullptr, nullptr, HH_UNINITIALIZE, helpCookie);
    CoUninitialize();
}
