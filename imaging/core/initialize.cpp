// Library start-up.
#include "frame.h"

void is5_Initialize(const char* /*text*/)
{
    if (!ISGetThreadState())
        return;
    ISSetLastError(0, "is5_Initialize");
    // The thread pool starts here.
}
