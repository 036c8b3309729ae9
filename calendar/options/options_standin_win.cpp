// Stand-in until the options sheet is built: no sheet, no hotkeys.
#include "options/options.h"

#include "base/test_call_log.h"

void RegisterHotkeys(int on)
{
    LogStandInCall("RegisterHotkeys(%d)", on);
}

int OpenOptions(HWND)
{
    LogStandInCall("OpenOptions");
    return 0;
}
