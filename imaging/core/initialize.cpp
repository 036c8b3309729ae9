// Library start-up.
#include "frame.h"

#include "../pool/pool.h"

void is5_Initialize(const char* /*text*/)
{
    if (!ISGetThreadState())
        return;
    ISSetLastError(0, "is5_Initialize");
    ISStartPool();
}
